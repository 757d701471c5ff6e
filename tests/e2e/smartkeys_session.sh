#!/usr/bin/env bash
# End-to-end session of the stand-in shell for the smart keys and the clipboard, typed into a
# real terminal (tmux, 80 x 25): a character entered by its code, an auto-closed pair, a word
# copied and cut and shown with the shell's paste built-in.
# Usage: smartkeys_session.sh BIN_DIR WINEPREFIX
set -u
source "$(dirname "$0")/session.bash"
session_setup smartkeys "$1" "$2"
# No sound driver: a chime under Wine without a sound card would write the driver's
# complaints into the terminal.
export WINEDLLOVERRIDES="mscoree,mshtml,winealsa.drv=" LC_ALL=C.UTF-8

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

if ! start; then
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

session_summary
