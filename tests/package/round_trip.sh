#!/usr/bin/env bash
# The Octave package as a user meets it: written by the package script, then
# installed, loaded, tested and uninstalled in a fresh, empty Octave home
# (package_round_trip.m).
#
#   round_trip.sh <source dir> <work dir>
#
# The work dir is emptied first and removed when everything passed.
set -euo pipefail
source_dir=$(cd "$1" && pwd)
work=$2
rm -rf "$work"
mkdir -p "$work/home"
work=$(cd "$work" && pwd)

"${CMAKE_COMMAND:-cmake}" -DOUTPUT_DIR="$work" -P "$source_dir/package/make_package.cmake"
tarball=$(ls "$work"/mex_suite-*.tar.gz)

# pkg test leaves its log in the current folder.
cd "$work"
HOME="$work/home" octave-cli --norc --quiet --no-window-system --no-history --eval \
  "addpath('$source_dir/tests/package', '$source_dir/tests/octave'); package_round_trip('$tarball', '$source_dir')"
rm -rf "$work"
