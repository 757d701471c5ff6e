# Shared start-up of the end-to-end sessions: the stand-in shell with the plug-in loaded, run
# under Wine in a real terminal (tmux, 80 x 25) and typed into the way a person would.
# Sourced by the session scripts, after which they call:
#   session_setup NAME BIN_DIR WINEPREFIX
# It sets BIN, SOURCE, SHELL_EXE, WINE, WORK (the shell's working folder), PROMPT and the
# counters, and removes the terminal and WORK when the script ends. A script may export more
# Wine settings after it (they reach the shell through the terminal started by start).

# loader_of PROGRAM: the Wine loader for the program's pointer size (PE machine 0x8664 is
# x86-64). The 32-bit product's folder works too, slowly where 32-bit programs run through qemu.
loader_of() {
    local offset
    offset=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
    if [ "$(od -An -t x2 -j $((offset + 4)) -N 2 "$1" | tr -d ' ')" = 8664 ]; then
        echo /usr/lib/wine/wine64
    else
        echo /usr/lib/wine/wine
    fi
}

session_setup() {
    local name=$1
    BIN=$(cd "$2" && pwd)
    export WINEPREFIX="$3" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
    SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
    SHELL_EXE="$BIN/lwshell.exe"
    WINE=$(loader_of "$SHELL_EXE")
    SESSION_NAME=$name
    SOCKET="lwshell-$name-$$-0"
    terminals=0
    WORK=$(mktemp -d "/tmp/lwshell-$name.XXXXXX")
    PROMPT='Z:'$(printf '%s' "$WORK" | tr '/' '\\')'>'
    passed=0
    failed=0
    trap session_cleanup EXIT
    # The prefix is made once by the Wine runner; a short run of --help does it if needed.
    if [ ! -f "$WINEPREFIX/.linewise-ready" ]; then
        "$SOURCE/scripts/wine-run" --prefix "$WINEPREFIX" "$SHELL_EXE" --help >/dev/null 2>&1
    fi
}

T() { tmux -L "$SOCKET" "$@"; }
# Ends the current terminal and its server, socket file included.
end_terminal() {
    T kill-server 2>/dev/null
    rm -f "${TMUX_TMPDIR:-/tmp}/tmux-$(id -u)/$SOCKET"
}
session_cleanup() {
    end_terminal
    rm -rf "$WORK"
}

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
    local command
    command="$(printf '%q ' "$WINE" "$SHELL_EXE" "$@"); echo LWSHELL-EXIT=\$?; sleep 600"
    # A terminal server of its own for each shell: a new session on the socket of a server
    # that is still shutting down fails ("server exited unexpectedly").
    end_terminal
    terminals=$((terminals + 1))
    SOCKET="lwshell-$SESSION_NAME-$$-$terminals"
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
run() { # run LINE: types a line and Enter
    text "$1"
    keys Enter
}
# A terminal's Esc is also the start of other keys' sequences: Wine's console reads it as
# the Esc key only when nothing follows it at once.
escape() {
    sleep 0.3
    keys Escape
    sleep 0.5
}

session_summary() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
