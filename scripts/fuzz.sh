#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time:
#   bash scripts/fuzz.sh [seconds per target, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENDLE_FUZZ=ON \
  -DQUENDLE_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target plan_and_step_fuzzer template_reader_fuzzer

run_target() {
  local target=$1 corpus=$build/corpus/$1 log=$build/$1.log status=0
  shift
  mkdir -p "$corpus"
  echo "== fuzz $target for ${seconds}s"
  "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/$target-" "$@" "$corpus" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log"
    return 1
  fi
  grep -E "^stat::number_of_executed_units" "$log"
}

# Seeds: two bytes choose the bases (0 src, 3 dst, 6 a longer dst, 2 and 5 the deep folders, 9 and
# 10 a file on each side), then the source's text, a newline, the destination's.
seeds=$build/corpus/plan_and_step_fuzzer
mkdir -p "$seeds"
printf '\x00\x03*\\*\n*\\*' >"$seeds/tree"
printf '\x00\x06*\\*\n*\\*' >"$seeds/longer-destination"
printf '\x02\x05*\\*\n*\\*' >"$seeds/deep"
printf '\x00\x03*.*\n*.*' >"$seeds/pattern"
printf '\x09\x0a' >"$seeds/single-file"

run_target plan_and_step_fuzzer -dict=fuzz/specifications.dict -max_len=200
cp "$build/platform/quendle_rc.i" "$build/corpus/template_reader_fuzzer/" 2>/dev/null || true
run_target template_reader_fuzzer -max_len=8192
