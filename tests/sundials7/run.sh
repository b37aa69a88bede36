#!/usr/bin/env bash
# vaporizer_step against SUNDIALS 7 as well as the system's SUNDIALS 6: builds
# what CVODE and CVODES need from SUNDIALS' source tarball (static,
# position-independent) into a folder of its own, configures the project
# against it through CMAKE_PREFIX_PATH, runs vaporizer_step's unit and Octave
# tests there, and checks that its results have the bits of the build made
# with the system's SUNDIALS.
#
#   tests/sundials7/run.sh [<sundials-7 tarball> [<work folder> [<system build>]]]
#
# Defaults: ../shared/sundials/sundials-7.5.0.tar.gz beside the repository,
# build-sundials7/, and build/ (make test makes it).
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
tarball=$(realpath -m "${1:-$repo/../shared/sundials/sundials-7.5.0.tar.gz}")
work=$(realpath -m "${2:-$repo/build-sundials7}")
system_build=$(realpath -m "${3:-$repo/build}")
jobs=${JOBS:-2}

if [ ! -f "$tarball" ]; then
  echo "sundials7: no SUNDIALS 7 source at $tarball" >&2
  exit 1
fi
if [ ! -f "$system_build/octave/vaporizer_step.mex" ]; then
  echo "sundials7: no vaporizer_step built with the system's SUNDIALS in $system_build (run make first)" >&2
  exit 1
fi

mkdir -p "$work"
if [ ! -f "$work/prefix/lib/cmake/sundials/SUNDIALSConfig.cmake" ]; then
  rm -rf "$work/source" "$work/sundials-build"
  mkdir -p "$work/source"
  tar -xzf "$tarball" -C "$work/source" --strip-components=1
  cmake -S "$work/source" -B "$work/sundials-build" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
    -DBUILD_ARKODE=OFF -DBUILD_IDA=OFF -DBUILD_IDAS=OFF -DBUILD_KINSOL=OFF \
    -DEXAMPLES_ENABLE_C=OFF -DEXAMPLES_INSTALL=OFF -DCMAKE_INSTALL_PREFIX="$work/prefix" >/dev/null
  cmake --build "$work/sundials-build" -j "$jobs" >/dev/null
  cmake --install "$work/sundials-build" >/dev/null
fi
version=$(sed -n 's/^#define SUNDIALS_VERSION "\(.*\)"/\1/p' "$work/prefix/include/sundials/sundials_config.h")
echo "sundials7: SUNDIALS $version in $work/prefix"

cmake -S "$repo" -B "$work/project" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/project" -j "$jobs" --target vaporizer_octave vaporizer_step_octave vaporizer_linearize_octave \
  interval_integration_test vaporizer_step_test gateway_contract_test
ctest --test-dir "$work/project" --output-on-failure -j "$jobs" \
  -R '^(IntervalIntegration|VaporizerStep)\.|^Modules/GatewayContract\..*/vaporizer_step$|^octave\.test_vaporizer_step$'

# Each build in an Octave of its own, so each loads its own module.
for build in "$system_build" "$work/project"; do
  octave-cli --norc --quiet --no-window-system --no-history --eval \
    "addpath('$build/octave', '$repo/examples', '$repo/tests/sundials7'); end_states('$build/end_states.bin')"
done
if ! cmp -s "$system_build/end_states.bin" "$work/project/end_states.bin"; then
  echo "sundials7: vaporizer_step gives other bits with SUNDIALS $version than with the system's" >&2
  exit 1
fi
echo "sundials7: SUNDIALS $version gives the system build's bits, 30 end states compared"
