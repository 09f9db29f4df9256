# The 64-bit Windows build, cross-built with mingw-w64.
set(QUENDLE_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
