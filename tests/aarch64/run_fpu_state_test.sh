#!/usr/bin/env bash
# Builds the FixedEnvironment test of tests/unit for aarch64, with every
# module's gateway, and runs it under qemu-aarch64: each module under each
# rounding direction and with flush-to-zero must give the bytes it gives in
# the default environment, and leave the caller's FPCR and FPSR as they were.
#
#   run_fpu_state_test.sh <cross project dir> <mirrored targets file> <build dir>
#
# Exits 77 (skipped) as cross_build.sh says, and when the cross build lacks
# a module the native build has (no SUNDIALS source for vaporizer_step).
set -euo pipefail
build_dir=$3
source "$(dirname "$0")/cross_build.sh"
if grep -q '^set(MIRRORED_PACKAGES ".*SUNDIALS' "$2" && [ ! -f "${SUNDIALS_SOURCE:-}" ] &&
   [ ! -f "$build_dir/sundials/prefix/lib/cmake/sundials/SUNDIALSConfig.cmake" ]; then
  echo "SKIP: no SUNDIALS source at '${SUNDIALS_SOURCE:-}' to build vaporizer_step for aarch64"
  exit 77
fi
cross_build "$1" "$2" "$build_dir" floating_point_environment_test
echo "== floating_point_environment_test under qemu-aarch64"
"$QEMU_AARCH64" "$build_dir/floating_point_environment_test" --gtest_brief=1
