#!/usr/bin/env bash
# The test archive as a tester on Windows gets it: made by scripts/release --tests beside the
# release archive, with the same plug-in bytes; unpacked into a fresh folder and run by
# run-tests.cmd under Wine's own cmd.exe, in a fresh prefix (a copy of a clean one made
# once). Every case passes or skips with a reason, the summary and the exit code agree, and
# the folder, the registry and the file associations are as they were before the run.
# Usage: release_bundle.sh <source dir> <build dir>
# Skipped (exit 77) when the 32-bit product and its black-box program have not been built.
set -euo pipefail
src="$1"; build="$2"
for f in Linewise-x86.dll blackbox-x86.exe; do
  if [ ! -f "$build/x86/bin/$f" ]; then
    echo "skipped: $build/x86/bin/$f not built (configured with LINEWISE_WITH_X86=OFF)"
    exit 77
  fi
done
out="$(mktemp -d)"
[ -n "${LW_BUNDLE_KEEP:-}" ] && echo "keeping $out" || trap 'rm -rf "$out"' EXIT
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }

made=$("$src/scripts/release" --tests --no-build "$out")
archive=$(grep -- '-x86\.zip$' <<<"$made" || true)
tests=$(grep -- '-x86-tests\.zip$' <<<"$made" || true)
[ -f "$archive" ] && [ -f "$tests" ] || { echo "FAIL release --tests made: $made"; exit 1; }
[ "$(dirname "$tests")" = "$(dirname "$archive")" ] || fail "the test archive is not beside the release archive"
[ "$(basename "$tests" -tests.zip)" = "$(basename "$archive" .zip)" ] || fail "names differ: $(basename "$archive") $(basename "$tests")"
cmp -s <(unzip -p "$archive" Linewise-x86.dll) <(unzip -p "$tests" bin/Linewise-x86.dll) ||
  fail "the test archive's Linewise-x86.dll differs from the release archive's"
names=$(unzip -Z1 "$tests" | sort | tr '\n' ' ')
[ "$names" = "ReadMe-tests.txt bin/Linewise-x86.dll bin/TakeCmd.dll bin/blackbox-x86.exe bin/hh.exe bin/icu.dll bin/recorder.exe help/Linewise.chm run-tests.cmd " ] ||
  fail "test archive holds: $names"
[ "$(unzip -p "$tests" ReadMe-tests.txt | wc -l)" -eq 5 ] || fail "ReadMe-tests.txt is not five lines"

# A clean prefix, made once (scripts/wine-run prepares it headless), copied for every run:
# files as hard links, the registry files it rewrites as copies of their own.
clean="$build/wineprefix-bundle"
"$src/scripts/wine-run" --prefix "$clean" --prepare
prefix="$out/prefix"
cp -al "$clean" "$prefix"
for reg in "$prefix"/*.reg; do cp --remove-destination "$clean/$(basename "$reg")" "$reg"; done
export WINEPREFIX="$prefix" WINEDEBUG=-all
wine64=/usr/lib/wine/wine64

folder="$out/bundle"
mkdir "$folder"
unzip -q "$tests" -d "$folder"
winfolder="Z:$(sed 's|/|\\|g' <<<"$folder")"
sysdir="$prefix/drive_c/windows/syswow64"
[ -d "$sysdir" ] || sysdir="$prefix/drive_c/windows/system32"

# Wine's terminal console as text: its cursor moves forward stand for blanks.
plain() {
  perl -pe 's/\e\[(\d*)C/" " x ($1 || 1)/ge; s/\e\[[0-9;?]*[A-Za-z]//g; s/\e[()][A-Za-z0-9]//g; s/\e[>=]//g; s/\r//g' "$@"
}

# What the run must leave as it found it.
snapshot() {
  (cd "$folder" && find . -printf '%p %s %M\n' | sort && find . -type f -exec md5sum {} + | sort) > "$out/$1.files"
  local key name
  for key in 'HKCU\Software:hkcu' 'HKLM\Software\Classes:classes'; do
    name=${key##*:}
    "$wine64" reg export "${key%:*}" "$out/$1.$name.reg" /y >/dev/null 2>&1 || true
    iconv -f UTF-16 -t UTF-8 "$out/$1.$name.reg" > "$out/$1.$name" 2>/dev/null || echo "no export" > "$out/$1.$name"
  done
  "$wine64" reg query 'HKLM\Software\Wow6432Node\JPPlugins' > "$out/$1.machine" 2>&1 || true
  ls "$sysdir" | grep -i '^icu' > "$out/$1.icu" || true
  wineserver -w || true
}
snapshot before

# cmd.exe is a 64-bit program, which wine-run does not mark as emulated; the 32-bit cases it
# starts are, where qemu-user runs 32-bit programs, and skip what qemu-user cannot run.
if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then export LINEWISE_QEMU=1; fi
status=0
SECONDS=0
"$src/scripts/wine-run" --prefix "$prefix" "$prefix/drive_c/windows/system32/cmd.exe" /c "$winfolder\\run-tests.cmd" \
  > "$out/console.raw" 2>&1 || status=$?
took=$SECONDS
wineserver -w || true
# The report as run-tests.cmd types it after the run (under Wine the program's own lines
# come before it, on a terminal that Wine's console redraws).
plain "$out/console.raw" > "$out/console.all"
awk '/^Linewise black-box cases, one line each:$/ {n = NR} {line[NR] = $0}
     END {for (i = n + 1; n && i <= NR; i++) print line[i]}' "$out/console.all" > "$out/console.txt"

cases=$("$src/scripts/wine-run" --prefix "$prefix" "$folder/bin/blackbox-x86.exe" --list 2>/dev/null |
  plain | grep -E '^[a-z0-9_]+$' | sort)
[ -n "$cases" ] || fail "blackbox-x86.exe --list named no case"
# One case by its whole name: its line and a summary that counts it as skipped, exit 0.
onestatus=0
"$src/scripts/wine-run" --prefix "$prefix" "$folder/bin/blackbox-x86.exe" save_viewport_picture_of_the_classic_console \
  > "$out/one.raw" 2>/dev/null || onestatus=$?
one=$(plain "$out/one.raw" | grep -E '^(PASS|FAIL|SKIP|[0-9]+ passed)' | cut -c1-30 | tr '\n' '|' || true)
[ "$one" = "SKIP save_viewport_picture_of_|0 passed, 0 failed, 1 skipped|" ] || fail "one case alone printed: $one"
[ "$onestatus" -eq 0 ] || fail "one case alone exited with $onestatus"
wineserver -w || true
snapshot after

reported=$( (grep -E '^(PASS|FAIL|SKIP) ' "$out/console.txt" || true) | sed -E 's/^(PASS|FAIL|SKIP) ([a-z0-9_]+).*/\2/' | sort)
[ "$reported" = "$cases" ] || fail "the lines name other cases than --list: $(diff <(echo "$cases") <(echo "$reported") | grep '^[<>]' | tr '\n' ' ')"
if grep -E '^FAIL ' "$out/console.txt"; then fail "failed cases above"; fi
bare=$(grep -E '^SKIP [a-z0-9_]+(: *)?$' "$out/console.txt" || true)
[ -z "$bare" ] || fail "skipped without a reason: $bare"
summary=$( (grep -E '^[0-9]+ passed, [0-9]+ failed, [0-9]+ skipped$' "$out/console.txt" || true) | tail -1)
passed=$(grep -c '^PASS ' "$out/console.txt" || true)
skipped=$(grep -c '^SKIP ' "$out/console.txt" || true)
[ "$summary" = "$passed passed, 0 failed, $skipped skipped" ] || fail "summary \"$summary\" for $passed PASS and $skipped SKIP lines"
[ "$status" -eq 0 ] || fail "run-tests.cmd exited with $status"
grep -q '^Microsoft Windows' "$out/console.txt" || fail "no Windows version line"
# A run where most cases skip proves nothing.
total=$(echo "$cases" | grep -c .)
[ "$passed" -ge $((total * 3 / 4)) ] || fail "only $passed of $total cases passed"

for what in files hkcu classes machine icu; do
  if ! cmp -s "$out/before.$what" "$out/after.$what"; then
    fail "the run changed the $what:"
    diff "$out/before.$what" "$out/after.$what" | head -20 || true
  fi
done
grep -q 'JPPlugins\|Linewise' "$out/before.hkcu" && fail "the clean prefix already holds a Linewise key"
grep -q '^\[HKEY_CURRENT_USER\\Software\\Wine' "$out/before.hkcu" &&
  grep -q '^\[HKEY_LOCAL_MACHINE\\Software\\Classes\\txtfile\]' "$out/before.classes" || fail "no registry export to compare"

if [ $fails -ne 0 ]; then
  echo "--- run-tests.cmd under Wine's cmd.exe:"
  cat "$out/console.all"
fi
grep -E '^SKIP ' "$out/console.txt" || true
echo "bundle $(basename "$tests"): $summary in ${took}s; exit $status; folder, HKCU\\Software, HKLM\\Software\\Classes and the system folder as before"
echo "$fails failed"
[ $fails -eq 0 ]
