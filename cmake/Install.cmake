# Where every deliverable goes on Linux, and the Debian package.
#
#   <prefix>/lib/corvanta/       the programs: rdx64run (the job router),
#                                rdx64resend (resends held jobs),
#                                kvp64setup with its help page rdx64.htm, the
#                                Redirected Port backend rdxport with its
#                                installers pm64/setup and pm64/unrdx64, and
#                                the spooler stand-in for a first test
#   <prefix>/bin/kvp64setup      a link to the setup tool, so it is on PATH;
#                                the program itself stays in lib/corvanta, where
#                                it finds the router, pm64/ and its help page
#   <prefix>/lib/libqtlapi.so*   the client library, where the loader (and so
#                                the router) finds it by name
#   <prefix>/include/qtlapi.h    its header
#   <prefix>/share/applications/kvp64setup.desktop
#
# The data folders (/var/lib/Corvanta/...) are made by the package's
# post-installation step (pm64/setup --data-folders), not installed as files,
# so removing the package never removes logs, proxy data or jobs.

set(CORVANTA_PROGRAM_DIR lib/corvanta)

if(TARGET rdx64run)
  install(TARGETS rdx64run RUNTIME DESTINATION ${CORVANTA_PROGRAM_DIR})
endif()
if(TARGET rdx64resend)
  install(TARGETS rdx64resend RUNTIME DESTINATION ${CORVANTA_PROGRAM_DIR})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/man/rdx64resend.8 DESTINATION share/man/man8)
endif()

if(TARGET qtlapi)
  # A relative PUBLIC_HEADER would be taken from this (top-level) folder at
  # install time; anchor it at the library's own source folder.
  get_target_property(qtlapi_headers qtlapi PUBLIC_HEADER)
  get_target_property(qtlapi_source_dir qtlapi SOURCE_DIR)
  if(qtlapi_headers)
    set(anchored_headers)
    foreach(header ${qtlapi_headers})
      if(NOT IS_ABSOLUTE ${header})
        set(header ${qtlapi_source_dir}/${header})
      endif()
      list(APPEND anchored_headers ${header})
    endforeach()
    set_target_properties(qtlapi PROPERTIES PUBLIC_HEADER "${anchored_headers}")
  endif()
  install(TARGETS qtlapi
    LIBRARY DESTINATION lib
    PUBLIC_HEADER DESTINATION include)
endif()

if(TARGET kvp64setup)
  install(TARGETS kvp64setup RUNTIME DESTINATION ${CORVANTA_PROGRAM_DIR})
  install(FILES ${PROJECT_SOURCE_DIR}/setup/rdx64.htm DESTINATION ${CORVANTA_PROGRAM_DIR})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
  file(CREATE_LINK ../${CORVANTA_PROGRAM_DIR}/kvp64setup ${CMAKE_BINARY_DIR}/packaging/kvp64setup SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/kvp64setup DESTINATION bin)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/kvp64setup.desktop DESTINATION share/applications)
endif()

if(TARGET rdxport)
  install(TARGETS rdxport RUNTIME DESTINATION ${CORVANTA_PROGRAM_DIR})
  install(PROGRAMS
    ${PROJECT_SOURCE_DIR}/standins/monitor/pm64/setup
    ${PROJECT_SOURCE_DIR}/standins/monitor/pm64/unrdx64
    DESTINATION ${CORVANTA_PROGRAM_DIR}/pm64)
endif()

if(TARGET spooler-standin)
  install(TARGETS spooler-standin RUNTIME DESTINATION ${CORVANTA_PROGRAM_DIR})
endif()

install(FILES
  ${PROJECT_SOURCE_DIR}/docs/install.md
  ${PROJECT_SOURCE_DIR}/docs/permissions.md
  DESTINATION share/doc/corvanta
  OPTIONAL)

# The Debian package: cpack -G DEB in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvanta)
set(CPACK_PACKAGE_VENDOR Corvanta)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Print-job router for tax-spooling and document back ends")
set(CPACK_PACKAGE_DESCRIPTION
  "Routes print jobs from the print spooler to back-end servers, local copy folders, a proxy folder and a document importer. Contains the job router rdx64run, the client library qtlapi with its header, the setup tool kvp64setup and the Redirected Port print backend with its installers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvanta maintainers <maintainers@corvanta.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# The backend runs inside the print spooler; the installers use a shell and coreutils only.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "cups-daemon")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-client")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/packaging/postinst
  ${PROJECT_SOURCE_DIR}/packaging/prerm
  ${PROJECT_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
