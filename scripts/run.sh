#!/usr/bin/env bash
# Installs what is missing, builds Quendle and starts it: quendle.exe directly on Windows, under
# Wine on Linux.
set -euo pipefail
cd "$(dirname "$0")/.."

case "$(uname -s)" in
  MINGW*|MSYS*|CYGWIN*)
    cmake -S . -B build/windows -DQUENDLE_TESTS=OFF >/dev/null
    cmake --build build/windows
    cd build/windows/bin && exec ./quendle.exe ;;
esac

bash scripts/setup.sh
bash scripts/build.sh win32
if [ -z "${DISPLAY:-}" ]; then
  echo "Quendle is built (build/win32/bin/quendle.exe), but there is no display to show it on:" >&2
  echo "DISPLAY is not set. Run this from a desktop session, or start a virtual one first:" >&2
  echo "  Xvfb :1 & DISPLAY=:1 bash scripts/run.sh" >&2
  exit 1
fi
source scripts/wine_env.sh
cd build/win32/bin
exec wine quendle.exe
