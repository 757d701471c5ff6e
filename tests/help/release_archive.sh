#!/usr/bin/env bash
# The release archive: made by scripts/release from the built files, it holds exactly the
# plug-in, the help file and ReadMe.txt; the plug-in is the 32-bit DLL with its seven exports
# and no debug sections, within 256 KiB; SHA256SUMS beside it verifies it, and every file in
# it bears the commit's date. Usage: release_archive.sh <source dir> <build dir>
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
# The shipped plug-in, chime and version resource included, stays within 256 KiB.
size=$(stat -c %s "$out/x/Linewise-x86.dll")
[ "$size" -le 262144 ] || fail "Linewise-x86.dll is $size bytes, more than 262,144"
sed 's/$/\r/' "$src/release/ReadMe.txt" | cmp -s - "$out/x/ReadMe.txt" || fail "ReadMe.txt is not release/ReadMe.txt with CRLF"
for key in 'HKCU\\Software\\JPPlugins\\Linewise /f' 'HKLM\\Software\\JPPlugins\\Linewise /reg:32 /f'; do
  grep -q "reg delete $key" "$src/release/ReadMe.txt" || fail "ReadMe.txt lacks: reg delete $key"
done

[ "$(cut -c67- "$out/SHA256SUMS")" = "$(basename "$archive")" ] || fail "SHA256SUMS lists: $(cat "$out/SHA256SUMS")"
(cd "$out" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not verify the archive"
if stamp=$(git -C "$src" log -1 --format=%ct 2>/dev/null) && [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  # Zip keeps even seconds, rounded up.
  wanted=$(TZ=UTC date -d "@$(((stamp + 1) / 2 * 2))" +%Y%m%d.%H%M%S)
  dates=$(TZ=UTC zipinfo -T "$archive" | awk 'NF >= 8 && $1 ~ /^-/ {print $7}' | sort -u | tr '\n' ' ')
  [ "$dates" = "$wanted " ] || fail "archive dates $dates, not the commit's $wanted"
fi

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
