#!/usr/bin/env bash
# Loads and calls the Windows modules under Wine and compares every result
# with the same gateways built for Linux.
#
#   run_under_wine.sh <cross build dir> <Linux mex_driver> <Linux module dir> <work dir>
#
# The cross build dir is the one of windows/build_and_check.sh: modules in windows/,
# the host DLLs and mex_driver.exe in windows-host/. WINE64 and WINESERVER,
# when set, name Wine's programs. Wine runs in a prefix of its own in <work dir>, made
# once (wineboot takes several seconds) and kept for later runs.
#
# Each driver makes the same calls once per caller FPU state (x87 control
# word : MXCSR): on Windows the 53-bit precision every process starts with,
# 64-bit precision, and other precisions and rounding directions; on both,
# an SSE unit rounding upward, flushing denormals and trapping division by
# zero. Passes when
#   - every state gives the same bits, on each system;
#   - Windows gives Linux's bits for Transmit and murtal and the same error
#     calls, and vaporizer values within vaporizer_ulp_bound of Linux's;
#   - LoadString reads vaporizer's string table entries.
set -euo pipefail
cross_dir=$(cd "$1" && pwd)
linux_driver=$2
linux_modules=$3
mkdir -p "$4"
work=$(cd "$4" && pwd)  # Wine wants absolute paths
# Debian keeps wine64 and wineserver out of PATH.
: "${WINE64:=$(command -v wine64 || echo /usr/lib/wine/wine64)}"
: "${WINESERVER:=$(command -v wineserver || echo /usr/lib/wine/wineserver)}"

# vaporizer takes exp, log and pow from mingw-w64 on Windows and from glibc
# on Linux. With Wine 8, mingw-w64 10 and glibc 2.36, 297 of the 300 random
# calls give Linux's bits and 5 values differ, by up to 2 ulp; the bound
# leaves room for other versions of those libraries. (With the x87 unit left
# at 53-bit precision, values differ by up to 551 ulp.)
vaporizer_ulp_bound=16

linux_states=(037f:1f80 037f:ddc0)
wine_states=(027f:1f80 037f:1f80 067f:1f80 0b7f:1f80 0c7f:ddc0)

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# The prefix's wineserver stays up for a few seconds after the last Windows
# process; end it with the test.
trap '"$WINESERVER" -k 2>/dev/null || true' EXIT
if [ ! -f "$WINEPREFIX/.complete" ]; then
  rm -rf "$WINEPREFIX"
  "$WINE64" wineboot --init >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }
  touch "$WINEPREFIX/.complete"
fi

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

rm -f "$work"/linux-*.txt "$work"/wine-*.txt
"$linux_driver" run "$linux_modules" "$work/linux" "${linux_states[@]}"
# Output to a file: a pipe would stay open until the wineserver ends.
if ! "$WINE64" "$cross_dir/windows-host/mex_driver.exe" run "$(windows_path "$cross_dir/windows")" \
    "$(windows_path "$work/wine")" "${wine_states[@]}" >"$work/wine.log" 2>&1; then
  cat "$work/wine.log"
  echo "FAIL: the driver under Wine failed" >&2
  exit 1
fi
cat "$work/wine.log"

failures=0
same_bits() {
  if cmp -s "$1" "$2"; then
    echo "same bits: $(basename "$2") and $(basename "$1")"
  else
    echo "FAIL: $2 differs from $1:" >&2
    diff "$1" "$2" | head -20 >&2
    failures=$((failures + 1))
  fi
}
result() { echo "$work/$1-${2%%:*}-${2#*:}.txt"; }

for state in "${linux_states[@]:1}"; do
  same_bits "$(result linux "${linux_states[0]}")" "$(result linux "$state")"
done
for state in "${wine_states[@]:1}"; do
  same_bits "$(result wine "${wine_states[0]}")" "$(result wine "$state")"
done
"$linux_driver" compare "$vaporizer_ulp_bound" "$(result linux "${linux_states[0]}")" \
  "$(result wine "${wine_states[0]}")" || failures=$((failures + 1))

expected_strings=$(dirname "$0")/vaporizer_strings.txt
if diff "$expected_strings" "$work/wine-strings.txt" >&2; then
  echo "LoadString: $(tr '\n' ';' <"$work/wine-strings.txt")"
else
  echo "FAIL: vaporizer's string table as LoadString reads it differs from $expected_strings" >&2
  failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "Windows modules under Wine: all checks passed"
