#!/usr/bin/env bash
# Installs, with apt-get, every Debian package the build, the tests, the
# benchmarks and the examples need. Safe to run again: it installs only what
# is missing.
set -euo pipefail

packages=(
  g++ make cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  octave liboctave-dev
  libsundials-dev octave-parallel
  gnuplot-nox ghostscript fonts-dejavu-core
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64 icoutils wine64
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
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
