#!/usr/bin/env bash
# Installs, with apt-get, every Debian package the build, the tests, the
# benchmarks, the examples and the Octave package need. Safe to run again:
# it installs only what is missing, and reads no package index when nothing
# is.
set -euo pipefail

packages=(
  g++ make cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  octave liboctave-dev octave-parallel octave-control libsundials-dev libeigen3-dev
  gnuplot-nox ghostscript fonts-dejavu-core
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64 icoutils wine64
  g++-aarch64-linux-gnu qemu-user googletest
  python3-numpy python3-scipy python3-pybind11 python3-pytest python3-venv
  python3-setuptools python3-wheel python3-dask python3-distributed
)

# One query for all of them, as make test runs this every time. dpkg-query
# fails when it knows a package not at all, which counts as missing.
installed=" $( (dpkg-query -W -f='${Package}=${Status}\n' "${packages[@]}" 2>/dev/null || true) |
              sed -n 's/=install ok installed$//p' | tr '\n' ' ') "
missing=()
for package in "${packages[@]}"; do
  [[ $installed == *" $package "* ]] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
