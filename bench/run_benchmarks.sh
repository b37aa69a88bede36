#!/usr/bin/env bash
# Runs every kernel benchmark of a benchmark build and the Octave whole-call
# script against its modules, then writes one markdown table of the results
# (with the machine, the date and the command) to <build>/results.md and
# prints it.
#
#   bench/run_benchmarks.sh [build-dir]        (default build-bench)
#   MEX_SUITE_BENCH_QUICK=1 ...                a short run while developing
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "${1:-$source_dir/build-bench}" && pwd)
results_dir=$build_dir/bench-results
results=$build_dir/results.md
command=${MEX_SUITE_BENCH_COMMAND:-"bench/run_benchmarks.sh $*"}
rm -rf "$results_dir"
mkdir -p "$results_dir"

if [ "${MEX_SUITE_BENCH_QUICK:-0}" = 1 ]; then
  repetitions=3
  min_time=0.05
else
  repetitions=15
  min_time=0.2
fi

octave=(octave-cli --norc --quiet --no-window-system --no-history)
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# Kernels: the repetitions of all benchmarks of one executable run in random
# order, so a slow spell of the machine does not favour one of them; the
# tables use each benchmark's median.
for executable in "$build_dir"/bench/kernels/*; do
  [ -x "$executable" ] || continue
  name=$(basename "$executable")
  echo "== $name"
  "$executable" --benchmark_repetitions=$repetitions \
    --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true \
    --benchmark_min_time=$min_time \
    --benchmark_out="$results_dir/$name.json" --benchmark_out_format=json
done

echo "== whole calls in GNU Octave"
MEX_SUITE_BUILD_DIR=$build_dir MEX_SUITE_BENCH_ROWS=$results_dir/whole_calls.md \
  "${octave[@]}" "$source_dir/bench/whole_calls.m"

"${octave[@]}" --eval "addpath('$source_dir/bench'); \
  rows = kernel_table_rows('$results_dir'); \
  out = fopen('$results_dir/kernels.md', 'w'); fprintf(out, '%s\n', rows{:}); fclose(out);"

# The Python package: calls and the closed loop against Octave's, threads, Dask.
: > "$results_dir/python.md"
if [ -d "$build_dir/python/package/mex_suite" ]; then
  echo "== Python"
  PYTHONPATH=$build_dir/python/package PYTHONDONTWRITEBYTECODE=1 \
    /usr/bin/python3 "$source_dir/bench/python_calls.py" "$results_dir/python.md" "$build_dir"
fi

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
cores=$(grep -c '^processor' /proc/cpuinfo)
{
  echo "Benchmarks of \`$(git -C "$source_dir" rev-parse --short HEAD 2>/dev/null || echo unknown)\`," \
       "run with \`$command\` on $(date -u '+%Y-%m-%d %H:%M UTC')."
  echo
  echo "Machine: $cpu, $cores logical CPUs; load average (1, 5, 15 min) $load_before before," \
       "$load_after after; $("${octave[@]}" --eval 'printf("GNU Octave %s", version)'); $(c++ --version | head -n 1)."
  echo
  echo "Ratios: kernels, the ratio of two benchmarks' medians over interleaved repetitions;" \
       "whole calls, the median over repetitions of the ratio of two back-to-back batches" \
       "(quartiles of those per-repetition ratios in brackets)."
  echo
  echo "| Set | Measurement | Result | Target | Verdict |"
  echo "|---|---|---|---|---|"
  cat "$results_dir/kernels.md" "$results_dir/whole_calls.md" "$results_dir/python.md"
} > "$results"

echo
cat "$results"
