# Installing and packaging: `cmake --install` puts the programs, the help file and the manual pages
# in the usual places; CPack makes a Debian package natively and a zip of the Windows programs.
# Both carry the version of project() and the notice of resources/legal_notice.h. Where MPI is
# found, qdlcheck-mpi goes in a Debian package of its own, quendle-mpi, so that nothing else
# depends on MPI.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME quendle)

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
    # What the manual pages' install script reads, for each package's pages.
    set(manual_settings "
        set(SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
        set(BINARY_DIR \"${PROJECT_BINARY_DIR}\")
        set(MAN_DIR \"${CMAKE_INSTALL_MANDIR}\")
        set(PROJECT_VERSION \"${PROJECT_VERSION}\")
        set(QUENDLE_RELEASE_DATE \"${QUENDLE_RELEASE_DATE}\")
        set(DOC_DIR \"\${CMAKE_INSTALL_PREFIX}/${QUENDLE_DOC_DIR}\")")
    install(CODE "${manual_settings}
        set(PAGES qdlcheck.1 quendle.1)")
    install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/install_manual_pages.cmake)

    # What Debian's policy asks of every package: the copyright and the changelog, compressed.
    function(install_debian_documents package summary)
        set(PACKAGE ${package})
        set(SUMMARY ${summary})
        set(folder ${PROJECT_BINARY_DIR}/debian/${package})
        configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${folder}/copyright @ONLY)
        configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${folder}/changelog @ONLY)
        install(CODE "execute_process(COMMAND gzip -9nc \"${folder}/changelog\"
                                      OUTPUT_FILE \"${folder}/changelog.gz\")" COMPONENT ${package})
        install(FILES ${folder}/copyright ${folder}/changelog.gz
                DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${package})
    endfunction()
    install_debian_documents(quendle "the terminal program quendle and the command-line
    verifier qdlcheck")

    set(CPACK_GENERATOR DEB)
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL quendle)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUENDLE_CONTACT}")
    # The run-time dependencies, read off the programs by dpkg-shlibdeps.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_QUENDLE_PACKAGE_NAME quendle)
    set(CPACK_DEBIAN_QUENDLE_DESCRIPTION "checks that a copy matches its source, entry by entry
Quendle compares a file, the files of a folder or a whole tree with its copy
and gives every entry a three-letter result code: identical, a notice, an
error or a fatal error.
.
quendle shows its dialogs in a terminal; qdlcheck runs the same check from
the command line, with an exit status for scripts.")

    if(TARGET qdlcheck_mpi)
        install(TARGETS qdlcheck_mpi RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT quendle-mpi)
        install(CODE "${manual_settings}
            set(PAGES qdlcheck-mpi.1)" COMPONENT quendle-mpi)
        install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/install_manual_pages.cmake COMPONENT quendle-mpi)
        install_debian_documents(quendle-mpi "qdlcheck-mpi, qdlcheck spread over the processes
    of an MPI job")
        list(APPEND CPACK_COMPONENTS_ALL quendle-mpi)
        set(CPACK_DEBIAN_QUENDLE-MPI_PACKAGE_NAME quendle-mpi)
        set(CPACK_DEBIAN_QUENDLE-MPI_PACKAGE_SECTION utils)
        # Its MPI library comes by dpkg-shlibdeps; a launcher to start it with is recommended.
        set(CPACK_DEBIAN_QUENDLE-MPI_PACKAGE_RECOMMENDS openmpi-bin)
        set(CPACK_DEBIAN_QUENDLE-MPI_DESCRIPTION "checks that a copy matches its source, over many machines
qdlcheck-mpi is qdlcheck run as an MPI job (mpirun or srun): rank 0 compares,
records and reports as qdlcheck does, while the other ranks list the folders
of the tree it hands them. Its output, log and exit status are qdlcheck's.")
    endif()
endif()

include(CPack)
