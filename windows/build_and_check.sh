#!/usr/bin/env bash
# Cross-compiles the Windows modules with mingw-w64 and checks them.
#
#   build_and_check.sh <source dir> <build dir>
#
# The DLLs land in <build dir>/windows/<name>.mexw64; the host that runs
# them under Wine (mex_host.dll, libmx.dll, libmex.dll and mex_driver.exe,
# see tests/windows/CMakeLists.txt) in <build dir>/windows-host/. The
# checks of the DLLs are tests/windows/check_dlls.sh.
set -euo pipefail
source_dir=$(cd "$1" && pwd)
build_dir=$2
jobs=${JOBS:-2}

cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/windows/mingw-w64-x86_64.cmake" \
  -DMEX_SUITE_WINDOWS=ON -DMEX_SUITE_OCTAVE=OFF -DMEX_SUITE_TESTS=OFF >/dev/null
cmake --build "$build_dir" -j "$jobs" --target windows_modules windows_host
mapfile -t modules <"$build_dir/windows_modules.txt"
bash "$source_dir/tests/windows/check_dlls.sh" "$build_dir/windows" "${modules[@]}"
