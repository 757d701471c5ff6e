#!/usr/bin/env bash
# The release archive: made by scripts/release from the built files, it holds exactly the
# plug-in, the help file and ReadMe.txt; the plug-in is the 32-bit DLL with its seven exports
# and no debug sections. Usage: release_archive.sh <source dir> <build dir>
# Skipped (exit 77) when the 32-bit product has not been built (a build without its sub-build).
set -euo pipefail
src="$1"; build="$2"
if [ ! -f "$build/x86/bin/Linewise-x86.dll" ]; then
  echo "skipped: $build/x86/bin/Linewise-x86.dll not built (configured with LINEWISE_WITH_X86=OFF)"
  exit 77
fi
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }

archive=$("$src/scripts/release" --no-build "$out")
version=$(basename "$archive" | sed -n 's/^Linewise-\([0-9.]*\)-x86\.zip$/\1/p')
[ -n "$version" ] || fail "archive name $(basename "$archive")"
grep -q "Linewise $version " "$src/release/ReadMe.txt" || fail "ReadMe.txt names another version than $version"

names=$(unzip -Z1 "$archive" | sort | tr '\n' ' ')
[ "$names" = "Linewise-x86.dll Linewise.chm ReadMe.txt " ] || fail "archive holds: $names"
mkdir "$out/x"
unzip -q "$archive" -d "$out/x"
cmp -s "$out/x/Linewise.chm" "$build/help/Linewise.chm" || fail "Linewise.chm is not the built help file"
sed 's/$/\r/' "$src/release/ReadMe.txt" | cmp -s - "$out/x/ReadMe.txt" || fail "ReadMe.txt is not release/ReadMe.txt with CRLF"

dll="$out/x/Linewise-x86.dll"
headers=$(i686-w64-mingw32-objdump -p "$dll")
grep -q 'file format pei-i386' <<<"$headers" || fail "the DLL is not a 32-bit x86 file"
exports=$(echo "$headers" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^[[:space:]]*\[ *[0-9]*\] \([A-Za-z_]*\)$/\1/p' | sort | tr '\n' ' ')
[ "$exports" = "GetPluginInfo Help InitializePlugin ShutdownPlugin Usage key linewise " ] || fail "exports: $exports"
sections=$(i686-w64-mingw32-objdump -h "$dll" | awk '$1 ~ /^[0-9]+$/ {print $2}' | tr '\n' ' ')
case " $sections" in *" .debug"*|*" .stab"*) fail "debug sections left: $sections" ;; esac
symbols=$(i686-w64-mingw32-objdump -t "$dll" | grep -c '^\[' || true)
[ "$symbols" -eq 0 ] || fail "$symbols symbols left in the DLL"

echo "archive $(basename "$archive"): $names; exports $exports; sections $sections"
echo "$fails failed"
[ $fails -eq 0 ]
