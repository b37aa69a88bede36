#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages of one set, or of every set:
#
#   bash scripts/install-deps.sh [SET]        installs what SET needs (no SET: everything)
#   bash scripts/install-deps.sh --list [SET] prints SET's packages, one a line
#
#   build   the compiler, CMake, SUNDIALS and Eigen: what every build needs
#   demo    build, GNU Octave with its parallel, control and optim
#           (least squares) packages, and gnuplot to draw: make demo
#   python  build and Debian's Python with pybind11, NumPy, SciPy, pip's
#           build tools (setuptools, wheel, build), matplotlib, pytest and
#           Dask: pip install ., make python and the Python examples
#   test    everything make test, make bench, the sanitized and fuzz builds,
#           the Windows cross build and CI need: all the sets above, and
#           GoogleTest, Google Benchmark, clang, mingw-w64 and Wine, the
#           aarch64 cross compiler and qemu
#
# Safe to run again: it installs only what is missing, and reads no package
# index when nothing is.
set -euo pipefail

build=(g++ make cmake pkg-config libsundials-dev libeigen3-dev)
octave=(octave liboctave-dev octave-parallel octave-control octave-optim gnuplot-nox ghostscript
        fonts-dejavu-core)
python=(python3-dev python3-numpy python3-scipy python3-pybind11 python3-venv
        python3-setuptools python3-wheel python3-build python3-matplotlib python3-pytest
        python3-dask python3-distributed)
test_only=(libgtest-dev libgmock-dev googletest libbenchmark-dev clang libclang-rt-14-dev
           g++-mingw-w64-x86-64 icoutils wine64 g++-aarch64-linux-gnu qemu-user)

packages_of() {
  case "$1" in
    build) packages=("${build[@]}") ;;
    demo) packages=("${build[@]}" "${octave[@]}") ;;
    python) packages=("${build[@]}" "${python[@]}") ;;
    test | all) packages=("${build[@]}" "${octave[@]}" "${python[@]}" "${test_only[@]}") ;;
    *)
      echo "install-deps: no set '$1'; the sets are build, demo, python and test" >&2
      exit 2
      ;;
  esac
}

if [ "${1:-}" = "--list" ]; then
  packages_of "${2:-all}"
  printf '%s\n' "${packages[@]}"
  exit 0
fi
set_name=${1:-all}
packages_of "$set_name"

# One query for all of them, as make test runs this every time. dpkg-query
# fails when it knows a package not at all, which counts as missing.
installed=" $( (dpkg-query -W -f='${Package}=${Status}\n' "${packages[@]}" 2>/dev/null || true) |
              sed -n 's/=install ok installed$//p' | tr '\n' ' ') "
missing=()
for package in "${packages[@]}"; do
  [[ $installed == *" $package "* ]] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything of '$set_name' is installed"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
