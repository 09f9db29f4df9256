#!/usr/bin/env bash
# Configures and builds one flavour into build/<flavour>:
#   native    the Linux build (default)
#   sanitize  the native build under AddressSanitizer and UndefinedBehaviorSanitizer
#   thread    the native build under ThreadSanitizer
#   win32     the Windows build, i686, cross-built with mingw-w64
#   win64     the Windows build, x86_64
#   bench     the native build with the benchmarks, optimised
set -euo pipefail
cd "$(dirname "$0")/.."

flavour=${1:-native}
case "$flavour" in
  native)   options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  sanitize) options=(-DCMAKE_BUILD_TYPE=Debug -DQUENDLE_SANITIZE=ON) ;;
  thread)   options=(-DCMAKE_BUILD_TYPE=Debug -DQUENDLE_SANITIZE_THREAD=ON) ;;
  win32)    options=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake) ;;
  win64)    options=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake) ;;
  bench)    options=(-DCMAKE_BUILD_TYPE=Release -DQUENDLE_TESTS=OFF -DQUENDLE_BENCHMARKS=ON) ;;
  *) echo "unknown flavour '$flavour' (native, sanitize, thread, win32, win64, bench)" >&2; exit 2 ;;
esac

cmake -S . -B "build/$flavour" "${options[@]}" >/dev/null
cmake --build "build/$flavour" -j"$(nproc)"
