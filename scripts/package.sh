#!/usr/bin/env bash
# Builds the packages into build/packages: the Debian package (quendle_<version>_amd64.deb) and the
# Windows zip (quendle-<version>-win32.zip: quendle.exe, qdlcheck.exe, HowToUse.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
mkdir -p build/packages

cmake -S . -B build/package-deb -DCMAKE_BUILD_TYPE=Release -DQUENDLE_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build/package-deb -j"$(nproc)" --target quendle qdlcheck
(cd build/package-deb && cpack -G DEB -B "$PWD/../packages" >/dev/null)

cmake -S . -B build/package-win32 -DCMAKE_BUILD_TYPE=Release -DQUENDLE_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/package-win32 -j"$(nproc)" --target quendle qdlcheck
(cd build/package-win32 && cpack -G ZIP -B "$PWD/../packages" >/dev/null)

rm -rf build/packages/_CPack_Packages
ls build/packages/*.deb build/packages/*.zip
