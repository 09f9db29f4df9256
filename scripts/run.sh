#!/usr/bin/env bash
# Installs what is missing, builds Quendle and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/build.sh native
bash scripts/build.sh win32
echo "Built the compare engine (build/native, build/win32)."
echo "The dialogs that drive it are not part of this build yet: there is no program to start."
