#!/usr/bin/env bash
# End-to-end session of the stand-in shell for the smart keys and the clipboard, typed into a
# real terminal (tmux, 80 x 25): a character entered by its code, an auto-closed pair, a word
# copied and cut and shown with the shell's paste built-in.
# Usage: smartkeys_session.sh BIN_DIR WINEPREFIX
set -u
BIN=$(cd "$1" && pwd)
# No sound driver: a chime under Wine without a sound card would write the driver's
# complaints into the terminal.
export WINEPREFIX="$2" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winealsa.drv=" DISPLAY=
export LC_ALL=C.UTF-8
HERE=$(cd "$(dirname "$0")" && pwd)
SOURCE=$(cd "$HERE/../.." && pwd)
SHELL_EXE="$BIN/lwshell.exe"
peoff=$(od -An -t u4 -j 60 -N 4 "$SHELL_EXE" | tr -d ' ')
if [ "$(od -An -t x2 -j $((peoff + 4)) -N 2 "$SHELL_EXE" | tr -d ' ')" = 8664 ]; then
    WINE=/usr/lib/wine/wine64
else
    WINE=/usr/lib/wine/wine
fi

SOCKET="lwshell-smartkeys-$$"
WORK=$(mktemp -d /tmp/lwshell-smartkeys.XXXXXX)
PROMPT='Z:'$(printf '%s' "$WORK" | tr '/' '\\')'>'
passed=0
failed=0
T() { tmux -L "$SOCKET" "$@"; }
cleanup() {
    T kill-server 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

if [ ! -f "$WINEPREFIX/.linewise-ready" ]; then
    "$SOURCE/scripts/wine-run" --prefix "$WINEPREFIX" "$SHELL_EXE" --help >/dev/null 2>&1
fi

screen() { T capture-pane -p -t lw 2>/dev/null; }
prompt_line() {
    screen | grep -F -- "$PROMPT" | tail -n 1 |
        P="$PROMPT" awk '{ p = ENVIRON["P"]; print substr($0, index($0, p) + length(p)) }'
}
wait_for() {
    local limit=$(($1 * 5))
    shift
    for ((i = 0; i < limit; i++)); do
        if "$@"; then return 0; fi
        sleep 0.2
    done
    return 1
}
has() { screen | grep -qF -- "$1"; }
has_line() { screen | sed 's/ *$//' | grep -qxF -- "$1"; }
line_is() { [ "$(prompt_line | sed 's/ *$//')" = "$1" ]; }
# The console shows each half of a surrogate pair in a cell of its own: two cells, and the
# marker and digits gone.
pair_between() { # pair_between BEFORE AFTER
    local shown
    shown=$(prompt_line | sed 's/ *$//')
    [[ "$shown" == "$1"??"$2" ]] && [[ "$shown" != *1F600* ]] && [[ "$shown" != *¤* ]]
}
# The output of the last paste: the screen row after the last "paste" prompt.
pasted() {
    [ "$(screen | sed 's/ *$//' | grep -A1 -F -- "$PROMPT""paste" | tail -n 1)" = "$1" ]
}

check() { # check NAME COMMAND...
    local name=$1
    shift
    if wait_for 15 "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $name"
        echo "---- screen ----"
        screen
        echo "----------------"
    fi
}

keys() { T send-keys -t lw "$@"; }
text() { T send-keys -t lw -l -- "$1"; }
# Wine's console reads a terminal's Esc as the key only when nothing follows it at once.
escape() {
    sleep 0.3
    keys Escape
    sleep 0.5
}
run() { # run LINE: types a line and Enter
    text "$1"
    keys Enter
}

T new-session -d -s lw -x 80 -y 25 -c "$WORK" \
    "$(printf '%q ' "$WINE" "$SHELL_EXE"); echo LWSHELL-EXIT=\$?; sleep 600"
if ! wait_for 90 has "$PROMPT"; then
    echo "FAIL: the shell did not show its prompt"
    screen
    exit 1
fi

# Unicode entry: Alt-U, the code, and a blank or Enter ends it.
text "echo caf"
keys M-u
check "Alt-U puts the marker" line_is "echo caf¤"
text "e9"
check "the digits follow the marker" line_is "echo caf¤e9"
text " ok"
check "a blank turns the code into its character" line_is "echo café ok"
keys Enter
check "the character runs with the line" has_line "café ok"
text "echo x"
keys M-u
text "1F600 y"
check "a code beyond 16 bits becomes a surrogate pair" pair_between "echo x" " y"
escape
text "echo "
keys M-u
text "110000"
keys Enter
check "a code beyond U+10FFFF is removed, Enter runs the rest" has_line "ECHO is ON"

# Auto-close pairs, once switched on.
run "linewise /B63 /Q"
text "echo "
text '"'
check "a quote after a blank makes a pair" line_is 'echo ""'
text "a b"
check "the cursor stands between the pair" line_is 'echo "a b"'
text " ("
check "a parenthesis inside the quotes pairs too" line_is 'echo "a b ()"'
escape
text "echo don't"
check "an apostrophe inside a word stays single" line_is "echo don't"
keys IC
escape
text "echo ["
check "overwrite mode makes no pair" line_is "echo ["
keys IC
escape

# The clipboard: Alt-C copies the line, Alt-W the word at the cursor, Ctrl-Alt-W cuts it.
text "dir  /s   "
keys M-c
escape
run "paste"
check "Alt-C puts the whole line on the clipboard" pasted "dir  /s"
text "copy alpha beta"
keys C-Left C-Left Right
keys M-w
check "Alt-W leaves the line" line_is "copy alpha beta"
escape
run "paste"
check "Alt-W puts the word on the clipboard" pasted "alpha"
text "copy alpha beta"
keys C-Left
keys C-M-w
check "Ctrl-Alt-W cuts the word" line_is "copy alpha"
escape
run "paste"
check "the cut word is on the clipboard" pasted "beta"
# A terminal sends Ctrl-Alt-Z as Esc and Ctrl-Z, which the console does not read as one key:
# Swap Clipboard Word gets Alt-Z here.
run "linewise /K11=Alt-Z /Q"
text "echo one"
keys M-z
check "Swap Clipboard Word swaps the word with the clipboard's" line_is "echo beta"
keys Enter
run "paste"
check "the swapped-out word is on the clipboard" pasted "one"

run "exit"
check "exit" has "LWSHELL-EXIT=0"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
