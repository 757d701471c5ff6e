#!/usr/bin/env bash
# End-to-end sessions of the stand-in shell with the plug-in loaded, driven through a real
# terminal (tmux, 80 x 25) the way a person would type, plus scripted sessions for the key
# combinations a terminal cannot send.
# Usage: launcher_session.sh BIN_DIR WINEPREFIX
set -u
source "$(dirname "$0")/session.bash"
session_setup e2e "$1" "$2"

# The output of history: the last lines entered, oldest first, ending with history itself.
history_in_order() {
    [ "$(screen | sed 's/ *$//' | sed -n '/>history$/,$p' | grep -v -F "$PROMPT" |
        tail -n 4 | tr '\n' '|')" = \
        "set GREETING=hi there|echo %GREETING% again|frobnicate now|history|" ]
}
# The history output after 40 numbered lines (the last one twice) and history itself: the
# oldest kept is n10, each line once, history last.
history_window() {
    local listed
    listed=$(T capture-pane -p -S -300 -t lw | sed 's/ *$//' | sed -n '/>history$/,$p' |
        grep -v -F "$PROMPT")
    [ "$(printf '%s\n' "$listed" | wc -l)" = 32 ] &&
        [ "$(printf '%s\n' "$listed" | head -n 1)" = "echo n10" ] &&
        [ "$(printf '%s\n' "$listed" | tail -n 2 | tr '\n' '|')" = "echo n40|history|" ]
}
# A whole line anywhere in the terminal's history: a fast script's first output may have
# scrolled off the screen before it is looked at.
had_line() { T capture-pane -p -S -300 -t lw | sed 's/ *$//' | grep -qxF -- "$1"; }
no_complaint_about() { ! T capture-pane -p -S -300 -t lw | grep -qF "\"$1\" is not"; }
ran_twice() { [ "$(screen | sed 's/ *$//' | grep -cxF -- "$1")" = 2 ]; }

# --- A newcomer's session: edit a line with two hotkeys, run it, get its arguments back ---
if start; then
    check "start-up line of the plug-in" has "Linewise v0.99.12 loaded."
    text "echo hello world"
    check "typed text shows on the line" line_is "echo hello world"
    keys 'M-\;'
    check "Alt-; swaps the last two characters" line_is "echo hello wordl"
    keys C-u
    check "Ctrl-U capitalises the word" line_is "echo hello Wordl"
    keys 'M-\;'
    check "Alt-; again" line_is "echo hello World"
    keys C-u
    check "Ctrl-U to upper case" line_is "echo hello WORLD"
    keys C-u
    check "Ctrl-U back to lower case" line_is "echo hello world"
    keys Enter
    check "Enter runs echo" has_line "hello world"
    check "a new prompt after the output" line_is ""
    keys F3
    check "F3 inserts the last arguments" line_is "hello world"

    # The line editor itself: Esc, cursor keys, insert and overwrite, Backspace and Delete.
    escape
    text "abcdef"
    keys Left Left Left
    text "XY"
    check "insert mode inserts at the cursor" line_is "abcXYdef"
    keys IC
    text "Z"
    check "Ins switches to overwrite" line_is "abcXYZef"
    keys IC BSpace Right DC
    check "Backspace and Delete" line_is "abcXYe"
    escape
    keys IC
    text "echo [%_insert]"
    keys Enter
    check "_insert follows overwrite mode" has_line "[0]"
    keys IC
    text "echo [%_insert]"
    keys Enter
    check "_insert follows insert mode" has_line "[1]"
    escape
    check "Esc clears the line" line_is ""

    # Word and line moves. tmux sends Home and End in a form Wine's console does not read,
    # so those two go as the sequences most terminals send.
    text "one two three"
    keys C-Left
    text "X"
    check "Ctrl-Left goes to the start of the word" line_is "one two Xthree"
    text $'\e[H'
    text "Y"
    check "Home goes to the start of the line" line_is "Yone two Xthree"
    text $'\e[F'
    text "Z"
    check "End goes to the end of the line" line_is "Yone two XthreeZ"
    keys C-Left C-Left C-End
    check "Ctrl-End deletes to the end of the line" line_is "Yone"
    keys Left Left C-Home
    check "Ctrl-Home deletes to the start of the line" line_is "e"
    keys C-Right
    text "!"
    check "Ctrl-Right goes past the word and its blank" line_is "e !"
    escape

    # A line longer than the terminal is wide wraps and runs whole.
    long=$(printf 'x%.0s' $(seq 1 150))
    text "echo $long"
    keys Enter
    check "a wrapped line runs whole" has_line "$(printf 'x%.0s' $(seq 1 70))"
    check "the prompt comes back after a wrapped line" line_is ""

    text "set GREETING=hi there"
    keys Enter
    text "echo %GREETING% again"
    keys Enter
    check "set and echo with expansion" has "hi there again"
    text "frobnicate now"
    keys Enter
    check "an unknown command is reported" has '"frobnicate" is not a command of this shell'
    keys Up
    check "Up recalls the previous line" line_is "frobnicate now"
    keys Up Up
    check "Up again goes further back" line_is "set GREETING=hi there"
    keys Down
    check "Down comes forward" line_is "echo %GREETING% again"
    escape
    text "history"
    keys Enter
    check "history lists the lines in order" history_in_order
    # The calculator line and Math Word (Alt-=).
    text ":6*7"
    keys Enter
    check "a calculator line prints its value" has_line "6*7 = 42"
    text "echo [%Ans]"
    keys Enter
    check "the value is kept in Ans" has_line "[42]"
    check "the prompt after the value starts its row" has_line "$PROMPT""echo [%Ans]"
    text "echo 2*21"
    keys 'M-='
    check "Alt-= replaces the word by its value" line_is "echo 42"
    escape
    text "echo %_4ver"
    keys Enter
    check "a newer host by default" has "34.00"
    text "linewise"
    keys Enter
    check "linewise shows the settings" has "keys defined."
    check "the settings list the hotkeys" has "Change Word Case"
    text "exit 7"
    keys Enter
    check "exit ends the shell with its code" has "LWSHELL-EXIT=7"
fi

# --- Scripted: combinations a terminal cannot send, an older host ---
script='linewise /K1=Ctrl-Shift-F1|Enter|echo abcd|Shift-F1|Enter'
script+='|echo wxyz|Ctrl-Shift-F1|Enter|echo %_4ver|Enter'
script+='|echo %@upper[abc]|Ctrl-Shift-X|Enter'
if start --older --keys "$script"; then
    check "Shift-F1 alone is not the bound key" has_line "abcd"
    check "Ctrl-Shift-F1 reaches the hook with both modifiers held" has_line "wxzy"
    check "an older host" has "23.00"
    check "Ctrl-Shift-X expands the construct before the line runs" has "$PROMPT""echo ABC"
    text "echo typed"
    keys Enter
    check "the keyboard is read after the script" has_line "typed"
    text "exit"
    keys Enter
    check "exit after a script" has "LWSHELL-EXIT=0"
fi

# --- The terminal session: keys for the defaults a terminal cannot send; help and F1 ---
export LinewiseHelp=$(cd "$BIN/../help" && printf 'Z:%s' "$PWD" | tr '/' '\\')
export LW_HH_RECORD='Z:'$(printf '%s' "$WORK/hh.txt" | tr '/' '\\')
viewer_pages() { [ "$(sed -n 's/.*Linewise\.chm::\/\(.*\)\.html"$/\1/p' "$WORK/hh.txt" 2>/dev/null | tr '\n' '|')" = "$1" ]; }
if start --terminal-keys; then
    check "the start line names a key the terminal cannot send" \
        has_line "  Alt-X  Expand Expression      instead of Ctrl-Shift-X"
    check "and the last of the four" has_line "  Alt-Z  Swap Clipboard Word    instead of Ctrl-Alt-Z"
    text "echo %@upper[abc]"
    keys M-x
    check "Alt-X stands in for Ctrl-Shift-X" line_is "echo ABC"
    escape
    run "help linewise"
    check "help linewise opens the plug-in's page in the viewer" viewer_pages "linewise|"
    check "a note says where the viewer shows" has "which Wine shows only on a display"
    text "echo *key"
    keys F1
    check "F1 asks about the word at the cursor" viewer_pages "linewise|*key|"
    check "the line stays after F1" line_is "echo *key"
    escape
    run "help echo"
    check "a topic the plug-in does not know gets the shell's text" \
        has_line "echo TEXT: writes the text, its variables expanded (echo alone: ECHO is ON)."
    check "and no viewer" viewer_pages "linewise|*key|"
    run "exit"
    check "exit after help" has "LWSHELL-EXIT=0"
fi
unset LinewiseHelp LW_HH_RECORD

# --- Without the plug-in the line editor works on its own ---
if start --no-plugin --keys '"Enter|Home|Alt-;|Enter'; then
    check "running without the plug-in is said" has "running without the plug-in"
    check "Alt-; does nothing without the plug-in" has '"Enter" is not a command of this shell'
    text "echo one two"
    keys Enter
    # Keys typed while a command runs would be echoed into its output.
    wait_for 10 has_line "one two"
    text "echo"
    keys F3
    check "the shell's own F3 completes from the last line" line_is "echo one two"
    keys Enter
    check "the completed line runs" ran_twice "one two"
    text "exit"
    keys Enter
    check "exit" has "LWSHELL-EXIT=0"
fi

# --- The built-in commands' edges, and a history that outgrows its 32 entries ---
script='echo|Enter|set LW_TEST=one two|Enter|set LW_TEST|Enter|set LW_TEST=|Enter'
script+='|set LW_TEST|Enter|set =x|Enter|   echo   padded|Enter|:label|Enter'
for n in $(seq 1 40); do script+="|echo n$n|Enter"; done
script+='|echo n40|Enter|history|Enter'
if start --no-plugin --keys "$script"; then
    check "echo alone" had_line "ECHO is ON"
    check "set shows a variable" had_line "LW_TEST=one two"
    check "set with an empty value removes it" had_line 'Not in environment "LW_TEST"'
    check "set without a name" had_line "Syntax: set [name[=value]]"
    check "leading blanks before a command" had_line "padded"
    check "a label line is no command" no_complaint_about label
    check "history keeps the newest 32 lines" history_window
    text "abc"
    # Under load the console may drop keys still unread when Ctrl-C arrives.
    wait_for 10 line_is "abc"
    keys C-c
    check "Ctrl-C cancels the line" has_line "$PROMPT""abc^C"
    check "a new prompt after Ctrl-C" line_is ""
    keys Up
    check "a cancelled line is not kept" line_is "history"
    escape
    text "exit"
    keys Enter
    check "exit without a code" has "LWSHELL-EXIT=0"
fi

# --- Search Path and Expand: a program name completed to its quoted full path ---
WINWORK='Z:'$(printf '%s' "$WORK" | tr '/' '\\')
mkdir -p "$WORK/My Apps"
: >"$WORK/My Apps/lwdemo.exe"
script="set Path=$WINWORK\\My Apps|Enter|echo lwdem|Ctrl-Alt-E|Enter"
script+="|set PathExpandFlags=64|Enter|echo lwdem|Ctrl-Alt-E|Enter"
if start --keys "$script"; then
    check "Ctrl-Alt-E completes a program to its quoted full path" \
        has_line "\"$WINWORK\\My Apps\\lwdemo.exe\""
    check "with PathExpandFlags 64 only the file name" has_line "lwdemo.exe"
    text "exit"
    keys Enter
    check "exit after completing" has "LWSHELL-EXIT=0"
fi

session_summary
