# Where every deliverable goes on Linux, and the Debian packages.
#
# Three packages, as Debian lays out a shared library that other programs use:
#
#   libqtlapi2     <prefix>/lib/libqtlapi.so.2*   the client library
#   libqtlapi-dev  <prefix>/include/qtlapi.h      its header
#                  <prefix>/lib/libqtlapi.so      the link to build against
#                  <prefix>/lib/pkgconfig/qtlapi.pc
#                  <prefix>/lib/cmake/qtlapi/     find_package(qtlapi) -> qtlapi::qtlapi
#   corvanta       <prefix>/lib/corvanta/         the programs: rdx64run (the job
#                                router) with a link to the library beside it,
#                                rdx64resend (resends held jobs),
#                                kvp64setup with its help page rdx64.htm, the
#                                Redirected Port backend rdxport with its
#                                installers pm64/setup and pm64/unrdx64, and
#                                the spooler stand-in for a first test
#                  <prefix>/bin/kvp64setup      a link to the setup tool, so it is
#                                on PATH; the program itself stays in lib/corvanta,
#                                where it finds the router, pm64/ and its help page
#                  <prefix>/share/man/, desktop entry, polkit action, documents
#
# The data folders (/var/lib/Corvanta/...) are made by the package's
# post-installation step (pm64/setup --data-folders), not installed as files;
# removing the package keeps them, purging it removes them (packaging/postrm).

set(CORVANTA_PROGRAM_DIR lib/corvanta)
set(CORVANTA_GENERATED ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${CORVANTA_GENERATED})

# Installs `source` gzip-compressed (-9n: no name or time stamp, so builds
# are reproducible) as `destination`/`name`.gz into `component`.
function(corvanta_install_gzipped source destination name component)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  set(compressed ${CORVANTA_GENERATED}/gz/${destination}/${name}.gz)
  get_filename_component(compressed_dir ${compressed} DIRECTORY)
  file(MAKE_DIRECTORY ${compressed_dir})
  execute_process(COMMAND gzip -9n -c ${source} OUTPUT_FILE ${compressed} RESULT_VARIABLE gzip_result)
  if(NOT gzip_result EQUAL 0)
    message(FATAL_ERROR "cannot compress ${source}")
  endif()
  install(FILES ${compressed} DESTINATION ${destination} COMPONENT ${component})
endfunction()

# Copyright and change log of each package, where Debian looks for them.
function(corvanta_package_documents package component)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION share/doc/${package} COMPONENT ${component})
  corvanta_install_gzipped(${PROJECT_SOURCE_DIR}/packaging/changelog share/doc/${package} changelog ${component})
endfunction()

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
  install(TARGETS qtlapi EXPORT qtlapiTargets
    LIBRARY DESTINATION lib COMPONENT runtime NAMELINK_COMPONENT dev
    PUBLIC_HEADER DESTINATION include COMPONENT dev)
  corvanta_package_documents(libqtlapi2 runtime)

  include(CMakePackageConfigHelpers)
  get_target_property(QTLAPI_VERSION qtlapi VERSION)
  install(EXPORT qtlapiTargets NAMESPACE qtlapi:: DESTINATION lib/cmake/qtlapi COMPONENT dev)
  configure_package_config_file(${PROJECT_SOURCE_DIR}/packaging/dev/qtlapiConfig.cmake.in
    ${CORVANTA_GENERATED}/qtlapiConfig.cmake INSTALL_DESTINATION lib/cmake/qtlapi)
  write_basic_package_version_file(${CORVANTA_GENERATED}/qtlapiConfigVersion.cmake
    VERSION ${QTLAPI_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${CORVANTA_GENERATED}/qtlapiConfig.cmake ${CORVANTA_GENERATED}/qtlapiConfigVersion.cmake
    DESTINATION lib/cmake/qtlapi COMPONENT dev)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/dev/qtlapi.pc.in ${CORVANTA_GENERATED}/qtlapi.pc @ONLY)
  install(FILES ${CORVANTA_GENERATED}/qtlapi.pc DESTINATION lib/pkgconfig COMPONENT dev)
  corvanta_package_documents(libqtlapi-dev dev)
endif()

if(TARGET rdx64run)
  install(TARGETS rdx64run RUNTIME DESTINATION ${CORVANTA_PROGRAM_DIR} COMPONENT system)
endif()
if(TARGET rdx64resend)
  install(TARGETS rdx64resend RUNTIME DESTINATION ${CORVANTA_PROGRAM_DIR} COMPONENT system)
  # The router loads the library by its plain name from its own folder first;
  # this link lets it run with the run-time package alone.
  file(CREATE_LINK ../libqtlapi.so.2 ${CORVANTA_GENERATED}/libqtlapi.so SYMBOLIC)
  install(FILES ${CORVANTA_GENERATED}/libqtlapi.so DESTINATION ${CORVANTA_PROGRAM_DIR} COMPONENT system)
endif()

if(TARGET kvp64setup)
  install(TARGETS kvp64setup RUNTIME DESTINATION ${CORVANTA_PROGRAM_DIR} COMPONENT system)
  install(FILES ${PROJECT_SOURCE_DIR}/setup/rdx64.htm DESTINATION ${CORVANTA_PROGRAM_DIR} COMPONENT system)
  file(CREATE_LINK ../${CORVANTA_PROGRAM_DIR}/kvp64setup ${CORVANTA_GENERATED}/kvp64setup SYMBOLIC)
  install(FILES ${CORVANTA_GENERATED}/kvp64setup DESTINATION bin COMPONENT system)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/kvp64setup.desktop DESTINATION share/applications COMPONENT system)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/com.corvanta.kvp64setup.policy
    DESTINATION share/polkit-1/actions COMPONENT system)
endif()

if(TARGET rdxport)
  install(TARGETS rdxport RUNTIME DESTINATION ${CORVANTA_PROGRAM_DIR} COMPONENT system)
  install(PROGRAMS
    ${PROJECT_SOURCE_DIR}/standins/monitor/pm64/setup
    ${PROJECT_SOURCE_DIR}/standins/monitor/pm64/unrdx64
    DESTINATION ${CORVANTA_PROGRAM_DIR}/pm64 COMPONENT system)
endif()

if(TARGET spooler-standin)
  install(TARGETS spooler-standin RUNTIME DESTINATION ${CORVANTA_PROGRAM_DIR} COMPONENT system)
endif()

# Manual pages: every packaging/man/<name>.<section> goes to man<section>.
file(GLOB corvanta_man_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/man/*.[1-8])
foreach(page ${corvanta_man_pages})
  get_filename_component(page_name ${page} NAME)
  string(REGEX REPLACE "^.*\\.([1-8])$" "\\1" section ${page_name})
  corvanta_install_gzipped(${page} share/man/man${section} ${page_name} system)
endforeach()

corvanta_package_documents(corvanta system)
install(FILES
  ${PROJECT_SOURCE_DIR}/docs/install.md
  ${PROJECT_SOURCE_DIR}/docs/permissions.md
  ${PROJECT_SOURCE_DIR}/docs/troubleshooting.md
  DESTINATION share/doc/corvanta COMPONENT system
  OPTIONAL)

# The Debian packages: cpack -G DEB in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev system)
set(CPACK_PACKAGE_NAME corvanta)
set(CPACK_PACKAGE_VENDOR Corvanta)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Corvanta maintainers <maintainers@corvanta.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvanta maintainers <maintainers@corvanta.invalid>")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(corvanta_exact_version "${PROJECT_VERSION}")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libqtlapi2)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# CPack indents the lines of a description and turns an empty one into " .".
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "client library of the tax-spooling back end
libqtlapi sends requests and files to the tax-spooling and
document-processing back end over TCP and returns its replies. Its eight
C entry points are used by the job router of the corvanta package and by
other programs.

This package contains the shared library.")
# Our own shlibs and ldconfig trigger, so no maintainer script runs ldconfig.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/packaging/runtime/shlibs
  ${PROJECT_SOURCE_DIR}/packaging/runtime/triggers)

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libqtlapi-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libqtlapi2 (= ${corvanta_exact_version})")
set(CPACK_COMPONENT_DEV_DESCRIPTION "client library of the tax-spooling back end - development files
libqtlapi sends requests and files to the tax-spooling and
document-processing back end over TCP and returns its replies.

This package contains the header qtlapi.h, the link libqtlapi.so, the
pkg-config file qtlapi.pc and the CMake package configuration
(find_package(qtlapi), target qtlapi::qtlapi).")

set(CPACK_DEBIAN_SYSTEM_PACKAGE_NAME corvanta)
set(CPACK_DEBIAN_SYSTEM_PACKAGE_SECTION admin)
# The backend runs inside the print spooler; the installers use a shell and
# coreutils only; Help and "Open printers folder" open a browser.
set(CPACK_DEBIAN_SYSTEM_PACKAGE_DEPENDS "libqtlapi2 (= ${corvanta_exact_version}), cups-daemon")
set(CPACK_DEBIAN_SYSTEM_PACKAGE_RECOMMENDS "cups-client, xdg-utils")
set(CPACK_COMPONENT_SYSTEM_DESCRIPTION "print-job router for tax-spooling and document back ends
Routes print jobs from the print spooler (CUPS) to back-end servers, local
copy folders, a proxy folder and a document importer. Contains the job
router rdx64run, the setup tool kvp64setup, the Redirected Port print
backend rdxport with its installers and a stand-in back-end server for a
first test.")
set(CPACK_DEBIAN_SYSTEM_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/packaging/postinst
  ${PROJECT_SOURCE_DIR}/packaging/prerm
  ${PROJECT_SOURCE_DIR}/packaging/postrm)
include(CPack)
