#!/usr/bin/env bash
# Installs what is missing, then builds and runs every suite: native, under the sanitizers, and the
# Windows builds under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

run_suites() {
  local flavour=$1
  echo "== $flavour"
  bash scripts/build.sh "$flavour"
  ctest --test-dir "build/$flavour" --output-on-failure --timeout 1200
}

run_suites native
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 run_suites sanitize
source scripts/wine_env.sh
run_suites win32
run_suites win64
echo "== every suite passed"
