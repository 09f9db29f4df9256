#!/usr/bin/env bash
# Builds optimised and measures: qdlcheck beside cmp -s, diff -rq, rsync -rcn and a plain reader with
# 8 threads as whole processes
# (wall, CPU, peak memory, medians; system calls per pair, counted), then the engine's own benchmarks. Every tree is generated in a
# private temporary folder that is removed afterwards.
#   bash scripts/bench.sh [runs per tool, default 5]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh bench
build/bench/benchmarks/quendle_tool_comparison build/bench/bin/qdlcheck \
  build/bench/benchmarks/quendle_parallel_reader "${1:-5}"
build/bench/benchmarks/quendle_engine_benchmarks --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true
