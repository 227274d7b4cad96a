# The cross build's third-party code, all from Debian: pugixml from its
# source package (unpacked by `scripts/install-deps.sh windows`) and
# GoogleTest from /usr/src/googletest (libgtest-dev), both compiled here.
file(GLOB _pugixml_candidates LIST_DIRECTORIES true "${PROJECT_SOURCE_DIR}/build-windows/deps/pugixml-*/src")
list(SORT _pugixml_candidates)
list(POP_BACK _pugixml_candidates _pugixml_default)
set(CORVANTA_PUGIXML_SOURCE "${_pugixml_default}" CACHE PATH "pugixml's src folder for the target")
if(NOT EXISTS "${CORVANTA_PUGIXML_SOURCE}/pugixml.cpp")
  message(FATAL_ERROR "pugixml sources not found; run `bash scripts/install-deps.sh windows` first")
endif()
add_library(pugixml_target STATIC "${CORVANTA_PUGIXML_SOURCE}/pugixml.cpp")
target_include_directories(pugixml_target SYSTEM PUBLIC "${CORVANTA_PUGIXML_SOURCE}")
add_library(pugixml::pugixml ALIAS pugixml_target)
set(pugixml_FOUND TRUE)

if(CORVANTA_BUILD_TESTS)
  set(CORVANTA_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources for the target")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory("${CORVANTA_GOOGLETEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
endif()

# Wine runs the tests: a prefix of the build's own, no display, no log noise.
# Where this machine's Wine cannot run the target's files (no 32-bit Wine),
# only the checks that read the files are registered.
find_program(CORVANTA_WINE wine)
if(CORVANTA_MINGW_ARCH STREQUAL "i686")
  set(_wine_loader /usr/lib/wine/wine)
else()
  set(_wine_loader /usr/lib/wine/wine64)
endif()
if(CORVANTA_WINE AND EXISTS ${_wine_loader})
  set(CORVANTA_WINE_RUNS_TARGET ON)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/scripts/wine-run.sh;${CMAKE_BINARY_DIR}/wine-prefix")
else()
  set(CORVANTA_WINE_RUNS_TARGET OFF)
  message(STATUS "Wine cannot run ${CORVANTA_MINGW_ARCH} programs here: only the file checks are tested")
endif()

# GCC 12's -Wrestrict misreads libstdc++'s own string code when inlined at -O2
# and above (GCC bug 105329); nothing of ours is concerned.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)
