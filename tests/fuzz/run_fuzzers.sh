#!/usr/bin/env bash
# Runs every gateway fuzz target built in a fuzz build, one after another on
# one core, each for a given time over the committed seeds (corpus/<module>/)
# plus a working corpus kept in the build directory.
#
#   run_fuzzers.sh <fuzz build dir> <seconds per target> [libFuzzer options...]
#
# The first finding stops the run; its input is saved under
# <build dir>/fuzz-findings/ and replays with
#   MEX_SUITE_FUZZ_TRACE=1 <build dir>/tests/fuzz/<module>_fuzzer <file>
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=$2
shift 2
seeds=$(cd "$(dirname "$0")" && pwd)/corpus
findings="$build/fuzz-findings"
mkdir -p "$findings"

fuzzers=("$build"/tests/fuzz/*_fuzzer)
[ -x "${fuzzers[0]}" ] || { echo "run_fuzzers: no fuzz targets in $build" >&2; exit 1; }

for fuzzer in "${fuzzers[@]}"; do
  module=$(basename "$fuzzer" _fuzzer)
  corpus="$build/fuzz-corpus/$module"
  log="$build/fuzz-$module.log"
  mkdir -p "$corpus"
  echo "fuzz: $module for ${seconds} s"
  if ! "$fuzzer" "$corpus" "$seeds/$module" -max_total_time="$seconds" -max_len=4096 \
       -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$findings/$module-" "$@" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $module FOUND A FAULT; input saved in $findings (log: $log)" >&2
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' "$log" | sed 's/^/  /'
done
