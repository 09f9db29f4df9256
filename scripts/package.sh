#!/usr/bin/env bash
# Builds the packages into build/packages: the Debian packages (quendle_<version>_amd64.deb, and
# quendle-mpi_<version>_amd64.deb with qdlcheck-mpi where MPI is installed), the debug symbols of
# their programs (quendle_<version>_amd64-debug.tar.gz: unpacked at / they go
# where gdb looks for them, by build ID), and the Windows zip
# (quendle-<version>-win32.zip: one folder quendle-<version> with quendle.exe, qdlcheck.exe,
# HowToUse.txt and README.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
mkdir -p build/packages

# With debug information, kept apart from the stripped programs of the package.
cmake -S . -B build/package-deb -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENDLE_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
programs=(quendle qdlcheck)
# qdlcheck-mpi where MPI was found.
if cmake --build build/package-deb --target help | grep ' qdlcheck_mpi$' >/dev/null; then programs+=(qdlcheck-mpi); fi
cmake --build build/package-deb -j"$(nproc)" --target "${programs[@]/qdlcheck-mpi/qdlcheck_mpi}"
(cd build/package-deb && cpack -G DEB -B "$PWD/../packages" >/dev/null)
version=$(sed -n 's/^project(Quendle VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
symbols=$(mktemp -d)
for program in "${programs[@]}"; do
  id=$(readelf -n "build/package-deb/bin/$program" | sed -n 's/.*Build ID: \([0-9a-f]*\)/\1/p')
  mkdir -p "$symbols/usr/lib/debug/.build-id/${id:0:2}"
  objcopy --only-keep-debug "build/package-deb/bin/$program" \
    "$symbols/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug"
done
tar -C "$symbols" --owner=0 --group=0 -czf "build/packages/quendle_${version}_amd64-debug.tar.gz" usr
rm -rf "$symbols"

cmake -S . -B build/package-win32 -DCMAKE_BUILD_TYPE=Release -DQUENDLE_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/package-win32 -j"$(nproc)" --target quendle qdlcheck
(cd build/package-win32 && cpack -G ZIP -B "$PWD/../packages" >/dev/null)

rm -rf build/packages/_CPack_Packages
ls build/packages/*.deb build/packages/*.tar.gz build/packages/*.zip
