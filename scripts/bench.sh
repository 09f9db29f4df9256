#!/usr/bin/env bash
# Builds optimised and measures: qdlcheck beside cmp -s, diff -rq, rsync -rcn and a plain reader with
# 8 threads as whole processes, and mpirun -np 4 qdlcheck-mpi beside qdlcheck --jobs 4
# (wall, CPU, peak memory, medians; system calls per pair, counted), then the engine's own benchmarks and how many entries a second rank 0 records from other ranks. Every tree is generated in a
# private temporary folder that is removed afterwards.
#   bash scripts/bench.sh [runs per tool, default 5]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh bench
# qdlcheck-mpi under mpirun too, where MPI is installed.
mpi=()
if [ -x build/bench/bin/qdlcheck-mpi ] && command -v mpiexec >/dev/null; then
  mpi=(build/bench/bin/qdlcheck-mpi "$(command -v mpiexec)")
fi
build/bench/benchmarks/quendle_tool_comparison build/bench/bin/qdlcheck \
  build/bench/benchmarks/quendle_parallel_reader "${1:-5}" "${mpi[@]}"
build/bench/benchmarks/quendle_engine_benchmarks --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true
build/bench/benchmarks/quendle_rank_zero_rate --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true
