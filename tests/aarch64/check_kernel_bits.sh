#!/usr/bin/env bash
# Builds the computational routines and their unit tests for aarch64, runs
# the tests under qemu-aarch64, and compares the bits kernel_bits prints there
# with those of the native build.
#
#   check_kernel_bits.sh <cross project dir> <mirrored targets file> <build dir> <native kernel_bits>
#
# Exits 77 (skipped) when the cross compiler, qemu or GoogleTest's sources
# are missing. AARCH64_CXX, QEMU_AARCH64 and GTEST_SOURCE_DIR, when set, name
# them; JOBS the build's parallel jobs (2).
set -euo pipefail
project_dir=$(realpath "$1")
mirror_file=$(realpath "$2")
build_dir=$3
native_driver=$4

: "${AARCH64_CXX:=$(command -v aarch64-linux-gnu-g++ || true)}"
: "${QEMU_AARCH64:=$(command -v qemu-aarch64 || command -v qemu-aarch64-static || true)}"
: "${GTEST_SOURCE_DIR:=/usr/src/googletest/googletest}"
for program in "$AARCH64_CXX" "$QEMU_AARCH64"; do
  if [ ! -x "$program" ]; then
    echo "SKIP: no aarch64-linux-gnu-g++ or qemu-aarch64 (Debian: g++-aarch64-linux-gnu, qemu-user)"
    exit 77
  fi
done
if [ ! -f "$GTEST_SOURCE_DIR/CMakeLists.txt" ]; then
  echo "SKIP: no GoogleTest sources in $GTEST_SOURCE_DIR (Debian: googletest)"
  exit 77
fi

mkdir -p "$build_dir"
if ! cmake -S "$project_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE= \
    -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=aarch64 \
    -DCMAKE_CXX_COMPILER="$AARCH64_CXX" -DMIRRORED_TARGETS="$mirror_file" \
    -DGTEST_SOURCE_DIR="$GTEST_SOURCE_DIR" >"$build_dir/configure.log" 2>&1; then
  cat "$build_dir/configure.log"
  exit 1
fi
cmake --build "$build_dir" -j "${JOBS:-2}"

# The unit tests' own exact-bit expectations, on this machine.
status=0
for test in vaporizer_kernels_test transmission_update_test vaporizer_optimisation_test; do
  echo "== $test under qemu-aarch64"
  "$QEMU_AARCH64" "$build_dir/$test" --gtest_brief=1 || status=1
done

# Both machines' bits over the same seeded inputs.
"$native_driver" >"$build_dir/x86_64.txt"
"$QEMU_AARCH64" "$build_dir/kernel_bits" >"$build_dir/aarch64.txt"
if cmp -s "$build_dir/x86_64.txt" "$build_dir/aarch64.txt"; then
  echo "kernel_bits: $(wc -l <"$build_dir/x86_64.txt") calls, the same bits on x86-64 and aarch64"
else
  echo "FAIL: kernel_bits differs between x86-64 and aarch64 in" \
       "$(diff "$build_dir/x86_64.txt" "$build_dir/aarch64.txt" | grep -c '^<') of" \
       "$(wc -l <"$build_dir/x86_64.txt") calls (both in $build_dir); the first:"
  line=$(cmp "$build_dir/x86_64.txt" "$build_dir/aarch64.txt" | sed -n 's/.* line \([0-9]*\)$/\1/p' || true)
  echo "x86-64:  $(sed -n "${line:-1}p" "$build_dir/x86_64.txt")"
  echo "aarch64: $(sed -n "${line:-1}p" "$build_dir/aarch64.txt")"
  status=1
fi
exit $status
