#!/usr/bin/env bash
# Builds the computational routines and their unit tests for aarch64, runs
# the tests under qemu-aarch64, and compares the bits kernel_bits prints there
# with those of the native build.
#
#   check_kernel_bits.sh <cross project dir> <mirrored targets file> <build dir> <native kernel_bits>
#
# Exits 77 (skipped) when the cross compiler, qemu or GoogleTest's sources
# are missing (cross_build.sh, which also says what names them).
set -euo pipefail
build_dir=$3
native_driver=$4
source "$(dirname "$0")/cross_build.sh"
cross_build "$1" "$2" "$build_dir" kernel_bits vaporizer_kernels_test transmission_update_test \
  vaporizer_optimisation_test

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
