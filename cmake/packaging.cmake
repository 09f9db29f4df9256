# Installing and packaging: `cmake --install` puts the programs, the help file and the manual pages
# in the usual places; CPack makes a Debian package natively and a zip of the Windows programs.
# Both carry the version of project() and the notice of resources/legal_notice.h.
include(GNUInstallDirs)

set(QUENDLE_CONTACT "The Quendle developers <quendle@example.org>")
foreach(line FIRST SECOND)
    file(STRINGS ${PROJECT_SOURCE_DIR}/resources/legal_notice.h notice
         REGEX "define LEGAL_NOTICE_${line}_LINE")
    string(REGEX REPLACE ".*LINE \"(.*)\"" "\\1" LEGAL_NOTICE_${line}_LINE "${notice}")
endforeach()

set(CPACK_PACKAGE_NAME quendle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quendle developers")
set(CPACK_PACKAGE_CONTACT "quendle@example.org")
# The programs go in without their debug sections (scripts/package.sh keeps those apart).
set(CPACK_STRIP_FILES ON)

if(WIN32)
    # One folder, quendle-<version>, with the two programs, the help file and a README.
    set(folder quendle-${PROJECT_VERSION})
    install(TARGETS quendle qdlcheck RUNTIME DESTINATION ${folder})
    # Notepad reads CR LF.
    configure_file(${PROJECT_SOURCE_DIR}/app/HowToUse.txt ${PROJECT_BINARY_DIR}/HowToUse.txt
                   @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${PROJECT_BINARY_DIR}/HowToUse.txt DESTINATION ${folder})
    configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/README.txt.in ${PROJECT_BINARY_DIR}/README.txt
                   @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION ${folder})
    set(CPACK_GENERATOR ZIP)

    set(CPACK_PACKAGE_FILE_NAME "quendle-${PROJECT_VERSION}-win32")
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
    install(TARGETS quendle qdlcheck RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    set(QUENDLE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quendle)
    install(FILES ${PROJECT_SOURCE_DIR}/app/HowToUse.txt DESTINATION ${QUENDLE_DOC_DIR})
    install(FILES ${PROJECT_SOURCE_DIR}/cli/qdlcheck.bash-completion
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME qdlcheck)
    install(CODE "
        set(SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
        set(BINARY_DIR \"${PROJECT_BINARY_DIR}\")
        set(MAN_DIR \"${CMAKE_INSTALL_MANDIR}\")
        set(PROJECT_VERSION \"${PROJECT_VERSION}\")
        set(QUENDLE_RELEASE_DATE \"${QUENDLE_RELEASE_DATE}\")
        set(DOC_DIR \"\${CMAKE_INSTALL_PREFIX}/${QUENDLE_DOC_DIR}\")")
    install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/install_manual_pages.cmake)

    # What Debian's policy asks of every package: the copyright and the changelog, compressed.
    configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${PROJECT_BINARY_DIR}/debian/copyright
                   @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog
                   @ONLY)
    install(CODE "execute_process(COMMAND gzip -9nc \"${PROJECT_BINARY_DIR}/debian/changelog\"
                                  OUTPUT_FILE \"${PROJECT_BINARY_DIR}/debian/changelog.gz\")")
    install(FILES ${PROJECT_BINARY_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
            DESTINATION ${QUENDLE_DOC_DIR})

    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUENDLE_CONTACT}")
    # The run-time dependencies, read off the programs by dpkg-shlibdeps.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "checks that a copy matches its source, entry by entry
Quendle compares a file, the files of a folder or a whole tree with its copy
and gives every entry a three-letter result code: identical, a notice, an
error or a fatal error.
.
quendle shows its dialogs in a terminal; qdlcheck runs the same check from
the command line, with an exit status for scripts.")
endif()

include(CPack)
