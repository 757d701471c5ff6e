#!/usr/bin/env bash
# End-to-end sessions of the stand-in shell with the plug-in loaded, driven through a real
# terminal (tmux, 80 x 25) the way a person would type, plus scripted sessions for the key
# combinations a terminal cannot send.
# Usage: launcher_session.sh BIN_DIR WINEPREFIX
set -u
BIN=$(cd "$1" && pwd)
export WINEPREFIX="$2" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
HERE=$(cd "$(dirname "$0")" && pwd)
SOURCE=$(cd "$HERE/../.." && pwd)
SHELL_EXE="$BIN/lwshell.exe"
WINE=/usr/lib/wine/wine64

SOCKET="lwshell-e2e-$$"
WORK=$(mktemp -d /tmp/lwshell-e2e.XXXXXX)
PROMPT='Z:'$(printf '%s' "$WORK" | tr '/' '\\')'>'
passed=0
failed=0
T() { tmux -L "$SOCKET" "$@"; }
cleanup() {
    T kill-server 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

# The prefix is made once by the Wine runner; a short run of --help does it if needed.
if [ ! -f "$WINEPREFIX/.linewise-ready" ]; then
    "$SOURCE/scripts/wine-run" --prefix "$WINEPREFIX" "$SHELL_EXE" --help >/dev/null 2>&1
fi

screen() { T capture-pane -p -t lw 2>/dev/null; }
# The last screen row that holds a prompt, without the prompt.
prompt_line() {
    screen | grep -F -- "$PROMPT" | tail -n 1 |
        P="$PROMPT" awk '{ p = ENVIRON["P"]; print substr($0, index($0, p) + length(p)) }'
}

# wait_for SECONDS COMMAND...: polls until the command succeeds or the time is up.
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
ended() { has "LWSHELL-EXIT="; }

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

start() { # start ARGUMENTS...: a fresh shell in a fresh 80 x 25 terminal
    T kill-server 2>/dev/null
    local command
    command="$(printf '%q ' "$WINE" "$SHELL_EXE" "$@"); echo LWSHELL-EXIT=\$?; sleep 600"
    T new-session -d -s lw -x 80 -y 25 -c "$WORK" "$command"
    if ! wait_for 90 has "$PROMPT"; then
        echo "FAIL: the shell did not show its prompt"
        screen
        failed=$((failed + 1))
        return 1
    fi
}
keys() { T send-keys -t lw "$@"; }
text() { T send-keys -t lw -l -- "$1"; }

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
    keys Escape
    sleep 0.3
    text "abcdef"
    keys Left Left Left
    text "XY"
    check "insert mode inserts at the cursor" line_is "abcXYdef"
    keys IC
    text "Z"
    check "Ins switches to overwrite" line_is "abcXYZef"
    keys IC BSpace Right DC
    check "Backspace and Delete" line_is "abcXYe"
    keys Escape
    check "Esc clears the line" line_is ""

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
    keys Escape
    text "history"
    keys Enter
    check "history lists the lines in order" bash -c "tmux -L $SOCKET capture-pane -p -t lw | grep -A10 -F '>history' | grep -q 'frobnicate now'"
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
if start --older --keys 'linewise /K1=Ctrl-Shift-F1|Enter|echo abcd|Shift-F1|Enter|echo wxyz|Ctrl-Shift-F1|Enter|echo %_4ver|Enter'; then
    check "Shift-F1 alone is not the bound key" has_line "abcd"
    check "Ctrl-Shift-F1 reaches the hook with both modifiers held" has_line "wxzy"
    check "an older host" has "23.00"
    text "echo typed"
    keys Enter
    check "the keyboard is read after the script" has_line "typed"
    text "exit"
    keys Enter
    check "exit after a script" has "LWSHELL-EXIT=0"
fi

# --- Without the plug-in the line editor works on its own ---
if start --no-plugin --keys '"Enter|Home|Alt-;|Enter'; then
    check "running without the plug-in is said" has "running without the plug-in"
    check "Alt-; does nothing without the plug-in" has '"Enter" is not a command of this shell'
    text "echo one two"
    keys Enter
    text "echo"
    keys F3
    check "the shell's own F3 completes from the last line" line_is "echo one two"
    keys Enter
    check "the completed line runs" bash -c "[ \$(tmux -L $SOCKET capture-pane -p -t lw | grep -cx 'one two') = 2 ]"
    text "exit"
    keys Enter
    check "exit" has "LWSHELL-EXIT=0"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
