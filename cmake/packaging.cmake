# Installing and packaging: `cmake --install` puts the programs, the help file and the manual pages
# in the usual places; CPack makes a Debian package natively and a zip of the Windows programs.
include(GNUInstallDirs)

if(WIN32)
    # The zip holds the two programs and the help file side by side, as they run.
    install(TARGETS quendle qdlcheck RUNTIME DESTINATION .)
    install(FILES ${PROJECT_SOURCE_DIR}/app/HowToUse.txt DESTINATION .)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME "quendle-${PROJECT_VERSION}-win32")
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
    install(TARGETS quendle qdlcheck RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    set(QUENDLE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quendle)
    install(FILES ${PROJECT_SOURCE_DIR}/app/HowToUse.txt DESTINATION ${QUENDLE_DOC_DIR})
    set(DOC_DIR ${CMAKE_INSTALL_PREFIX}/${QUENDLE_DOC_DIR})
    foreach(page qdlcheck.1 quendle.1)
        configure_file(${PROJECT_SOURCE_DIR}/man/${page} ${PROJECT_BINARY_DIR}/man/${page} @ONLY)
        install(FILES ${PROJECT_BINARY_DIR}/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endforeach()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Quendle developers <quendle@example.org>")
    # The run-time dependencies, read off the programs by dpkg-shlibdeps.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

set(CPACK_PACKAGE_NAME quendle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quendle developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "checks that a copy matches its source, entry by entry")
set(CPACK_PACKAGE_DESCRIPTION
    "Quendle compares a file, the files of a folder or a whole tree with its copy and gives every
entry a three-letter result code. quendle shows its dialogs in a terminal; qdlcheck runs the same
check from the command line, with an exit status for scripts.")
set(CPACK_PACKAGE_CONTACT "quendle@example.org")
include(CPack)
