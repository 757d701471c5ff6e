#!/usr/bin/env bash
# Puts the test bench's icu.dll where the plug-in looks for it, the system folder of the
# Wine prefix as each pointer size sees it: system32 for 64-bit programs, syswow64 for 32-bit
# ones. Usage: install-icu.sh PREFIX X64_DLL [X86_DLL]; a DLL that was not built is skipped.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
prefix="$1"
"$here/../../scripts/wine-run" --prefix "$prefix" --prepare
[ ! -f "$2" ] || cp -f "$2" "$prefix/drive_c/windows/system32/icu.dll"
[ -z "${3:-}" ] || [ ! -f "$3" ] || cp -f "$3" "$prefix/drive_c/windows/syswow64/icu.dll"
echo "icu.dll installed in $prefix"
