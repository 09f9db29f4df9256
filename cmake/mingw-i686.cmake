# The 32-bit Windows build, cross-built with mingw-w64.
set(QUENDLE_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
