# Run at install time: the manual pages name the help file where this install puts it, whatever
# the prefix, and go in compressed, as manual pages are.
foreach(page ${PAGES})
    configure_file(${SOURCE_DIR}/man/${page} ${BINARY_DIR}/man/${page} @ONLY)
    execute_process(COMMAND gzip -9nc ${BINARY_DIR}/man/${page} OUTPUT_FILE ${BINARY_DIR}/man/${page}.gz
                    RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "gzip could not compress ${page}")
    endif()
    file(INSTALL ${BINARY_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_PREFIX}/${MAN_DIR}/man1)
endforeach()
