#!/usr/bin/env bash
# Installs what is missing, builds Quendle and starts it in the folder this was called from:
# quendle.exe on Windows, the terminal program on Linux. Only the programs are built (quendle and
# qdlcheck), not the tests.
set -euo pipefail
here=$(pwd)
cd "$(dirname "$0")/.."

case "$(uname -s)" in
  MINGW*|MSYS*|CYGWIN*)
    cmake -S . -B build/windows -DQUENDLE_TESTS=OFF >/dev/null
    cmake --build build/windows --target quendle qdlcheck
    program=$(pwd)/build/windows/bin/quendle.exe
    cd "$here" && exec "$program" ;;
esac

bash scripts/setup.sh
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$(nproc)" --target quendle qdlcheck
program=$(pwd)/build/native/bin/quendle
if [ ! -t 0 ] || [ ! -t 1 ]; then
  echo "Quendle is built ($program), but it shows its dialogs in a terminal," >&2
  echo "and this is not one. Run it from a terminal, or inside tmux:" >&2
  echo "  tmux new-session bash scripts/run.sh" >&2
  exit 1
fi
cd "$here"
exec "$program"
