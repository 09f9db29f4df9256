# mingw-w64 for the processor that mingw-i686.cmake or mingw-x86_64.cmake names in
# QUENDLE_MINGW_PROCESSOR. The posix thread model: GoogleTest needs std::mutex, which the win32
# model lacks.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QUENDLE_MINGW_PROCESSOR})
set(CMAKE_C_COMPILER ${QUENDLE_MINGW_PROCESSOR}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUENDLE_MINGW_PROCESSOR}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${QUENDLE_MINGW_PROCESSOR}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUENDLE_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The tests run under Wine; scripts/wine_env.sh names the loader that works on this machine.
if(DEFINED ENV{QUENDLE_WINE})
    set(CMAKE_CROSSCOMPILING_EMULATOR $ENV{QUENDLE_WINE})
else()
    set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
