#!/usr/bin/env bash
# Installs what is missing, builds Quendle and starts it: quendle.exe on Windows, the terminal
# program on Linux.
set -euo pipefail
cd "$(dirname "$0")/.."

case "$(uname -s)" in
  MINGW*|MSYS*|CYGWIN*)
    cmake -S . -B build/windows -DQUENDLE_TESTS=OFF >/dev/null
    cmake --build build/windows
    cd build/windows/bin && exec ./quendle.exe ;;
esac

bash scripts/setup.sh
bash scripts/build.sh native
if [ ! -t 0 ] || [ ! -t 1 ]; then
  echo "Quendle is built (build/native/bin/quendle), but it shows its dialogs in a terminal," >&2
  echo "and this is not one. Run it from a terminal, or inside tmux:" >&2
  echo "  tmux new-session bash scripts/run.sh" >&2
  exit 1
fi
cd build/native/bin
exec ./quendle
