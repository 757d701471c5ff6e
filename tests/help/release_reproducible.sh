#!/usr/bin/env bash
# Two builds of the same sources in different folders give the same release: the source tree
# is copied to a folder of another name and its 32-bit product and help file are built there
# from nothing (a release build without tests); its DLL, help file, archive and SHA256SUMS must
# equal those of the main build, byte for byte, and SHA256SUMS must verify.
# Usage: release_reproducible.sh <source dir> <build dir>
# Skipped (exit 77) when the 32-bit product has not been built (a build without its sub-build)
# or where a container forbids turning address randomisation off (see CMakeLists.txt).
set -euo pipefail
src="$1"; build="$2"
if [ ! -f "$build/x86/bin/Linewise-x86.dll" ]; then
  echo "skipped: $build/x86/bin/Linewise-x86.dll not built (configured with LINEWISE_WITH_X86=OFF)"
  exit 77
fi
if ! setarch -R true 2>/dev/null; then
  echo "skipped: address randomisation cannot be turned off here (setarch -R), so two help file compiles differ"
  exit 77
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }

# Both archives get the commit's date; the copy has no repository to read it from.
SOURCE_DATE_EPOCH="$(git -C "$src" log -1 --format=%ct 2>/dev/null || echo 1700000000)"
export SOURCE_DATE_EPOCH

copy="$work/another-checkout"
mkdir "$copy"
tar -C "$src" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$copy" -xf -
start=$(date +%s)
cmake -S "$copy" -B "$work/b" -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/i686-mingw.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DLINEWISE_TESTS=OFF >"$work/build.log" 2>&1 &&
  cmake --build "$work/b" --target Linewise help_file -j2 >>"$work/build.log" 2>&1 ||
  { tail -20 "$work/build.log"; echo "FAIL the second build"; exit 1; }
echo "second build: $(($(date +%s) - start)) s"

cmp "$build/x86/bin/Linewise-x86.dll" "$work/b/bin/Linewise-x86.dll" || fail "the DLLs differ"
cmp "$build/help/Linewise.chm" "$work/b/help/Linewise.chm" || fail "the help files differ"

mkdir "$work/one" "$work/two"
one=$("$src/scripts/release" --build-dir "$build" "$work/one")
two=$("$copy/scripts/release" --build-dir "$work/b" "$work/two")
[ "$(basename "$one")" = "$(basename "$two")" ] || fail "archive names $one and $two"
cmp "$one" "$two" || fail "the archives differ"
cmp "$work/one/SHA256SUMS" "$work/two/SHA256SUMS" || fail "the SHA256SUMS differ"
(cd "$work/two" && sha256sum -c SHA256SUMS) || fail "SHA256SUMS does not verify"

echo "$(basename "$one"): sha256 $(cut -c1-16 "$work/one/SHA256SUMS")..."
echo "$fails failed"
[ $fails -eq 0 ]
