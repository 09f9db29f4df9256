#!/usr/bin/env bash
# Installs what is missing, then builds and runs every suite: native, under the sanitizers (the
# threaded ones under ThreadSanitizer too), the fuzz targets for a minute in all, and the Windows
# builds under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

run_suites() {
  local flavour=$1
  shift
  echo "== $flavour"
  bash scripts/build.sh "$flavour"
  ctest --test-dir "build/$flavour" --output-on-failure --no-tests=error --timeout 1200 "$@"
}

run_suites native
# The suites that compare files again, with the plain calls where io_uring would serve: the answer
# never depends on which ran.
echo "== native, plain calls"
QUENDLE_IO=plain ctest --test-dir build/native --output-on-failure --no-tests=error --timeout 1200 -R '^(engine|cli)$'
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 run_suites sanitize
# The suites that run several pairs at once; qdlcheck under test is the sanitized one too.
TSAN_OPTIONS=halt_on_error=1 run_suites thread -R '^(engine|cli|ranks|level_ranks)$'
bash scripts/fuzz.sh 30
source scripts/wine_env.sh
# The end-to-end driver shows quendle.exe's dialogs on a virtual display of its own.
display=:$((90 + RANDOM % 900))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
export DISPLAY=$display
if [ "$QUENDLE_WINE32" = yes ]; then
  run_suites win32
else
  # Some kernels refuse i386 executables, and Wine's 32-bit loader is one.
  echo "== win32: built, but NOT RUN: this machine's kernel does not run 32-bit programs" >&2
  bash scripts/build.sh win32
fi
run_suites win64
# qdlcheck.exe through the same end-to-end cases as the native program.
for flavour in win32 win64; do
  [ "$flavour" = win32 ] && [ "$QUENDLE_WINE32" != yes ] && continue
  echo "== qdlcheck.exe ($flavour) under Wine"
  QDLCHECK_COMMAND="$QUENDLE_WINE $PWD/build/$flavour/bin/qdlcheck.exe" build/native/tests/quendle_cli_tests
done
echo "== packages"
bash scripts/package.sh
bash tests/package/package_tests.sh
if [ "$QUENDLE_WINE32" = yes ]; then
  echo "== every suite passed"
else
  echo "== every suite passed but the win32 ones, which this machine cannot run"
fi
