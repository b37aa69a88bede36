#!/usr/bin/env bash
# Checks the Windows modules in a directory:
#   - each <name>.mexw64 exports mexFunction and nothing else;
#   - it imports only from MATLAB's libmx.dll and libmex.dll and from DLLs
#     every Windows has (no mingw runtime DLL that MATLAB would not find);
#   - vaporizer.mexw64 carries the string table entries of
#     vaporizer_strings.txt (ID, a space, the text), read back from the DLL
#     with wrestool.
#
#   check_dlls.sh <dir> <module>...
set -euo pipefail
expected_strings=$(dirname "$0")/vaporizer_strings.txt
dir=$1
shift
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Names in the export name table of a PE file, one a line.
exports() {
  "$objdump" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p'
}

# DLLs a PE file imports from, lower case, one a line.
imports() {
  "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z'
}

# One entry of a string table: string tables are stored in blocks of 16
# entries (block b holds IDs 16(b-1) .. 16(b-1)+15), each entry a UTF-16LE
# length followed by that many UTF-16LE code units.
string_resource() {
  local file=$1 id=$2
  local block=$((id / 16 + 1)) index=$((id % 16))
  local units
  units=($(wrestool -x --raw --type=6 --name="$block" "$file" | od -An -v -tu2 --endian=little))
  local position=0 entry length text unit
  for ((entry = 0; entry <= index; entry++)); do
    length=${units[position]:-0}
    if ((entry == index)); then
      text=""
      for ((unit = 1; unit <= length; unit++)); do
        text+=$(printf "\\u$(printf '%04x' "${units[position + unit]}")")
      done
      printf '%s' "$text"
      return
    fi
    position=$((position + 1 + length))
  done
}

for module in "$@"; do
  dll="$dir/$module.mexw64"
  if [ ! -f "$dll" ]; then
    fail "$dll was not built"
    continue
  fi
  exported=$(exports "$dll" | tr '\n' ' ')
  [ "$exported" = "mexFunction " ] || fail "$module exports '$exported', not only mexFunction"
  while read -r library; do
    case "$library" in
      libmx.dll | libmex.dll | kernel32.dll | msvcrt.dll | api-ms-win-crt-*.dll) ;;
      *) fail "$module imports from $library, which MATLAB does not provide" ;;
    esac
  done < <(imports "$dll")
  echo "$module.mexw64: exports ${exported% }; imports $(imports "$dll" | tr '\n' ' ')"
done

for module in "$@"; do
  [ "$module" = vaporizer ] || continue
  dll="$dir/vaporizer.mexw64"
  [ -f "$dll" ] || continue
  while read -r id expected; do
    text=$(string_resource "$dll" "$id")
    if [ "$text" = "$expected" ]; then
      echo "vaporizer.mexw64: string $id is \"$text\""
    else
      fail "vaporizer.mexw64: string $id is \"$text\", not \"$expected\""
    fi
  done <"$expected_strings"
done

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "Windows modules: all checks passed"
