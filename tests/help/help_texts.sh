#!/usr/bin/env bash
# The linewise command's own texts against the help pages. Usage: help_texts.sh <bin dir>
# <Wine prefix> <help page directory>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
# The dump runs under Wine; Z: is Wine's view of the Linux root.
"$here/../../scripts/wine-run" --prefix "$2" "$1/help_dump.exe" "Z:$out" >/dev/null
python3 "$here/check_help_texts.py" "$out" "$3"
