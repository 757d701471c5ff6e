#!/usr/bin/env bash
# Character Info live: keys typed into the stand-in shell in a real terminal (tmux, 80 x 25)
# open the plug-in's popup, and a probe in the same Wine prefix finds the window, reads its
# text, transparency and owner, sees it updated in place and closed by Esc, and the shell
# exits cleanly with the popup open.
# Usage: charinfo_session.sh BIN_DIR WINEPREFIX
set -u
source "$(dirname "$0")/session.bash"
session_setup charinfo "$1" "$2"
export LC_ALL=C.UTF-8
PROBE="$BIN/popupprobe.exe"
PROBE_WINE=$(loader_of "$PROBE")

probe() { "$PROBE_WINE" "$PROBE" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
# popup_says FIELD VALUE: the probe's line for the field, as it reads the popup now.
popup_says() { [ "$(probe show 1 | sed -n "s/^$1 //p")" = "$2" ]; }
popup_gone() { [ "$(probe gone 1)" = "no popup" ]; }
# Each case starts on an empty line and ends by clearing it (Ctrl-End, Ctrl-Home), which
# leaves the popup open: the next case updates the same window. Keys as tmux sends them:
# words that name no key are typed as text. The text is the probe's: \t, \n and \uXXXX.
CASES=$(cat <<'END'
a letter entered by its code, cursor on it	'echo caf' M-u 'e9 ' Left Left C-a	Character: \t\u00E9\n\nValue: \t\tU+00E9  (233 decimal)\nUTF-8: \t\tC3 A9\n\nLATIN SMALL LETTER E WITH ACUTE\n
the cursor past the end: the last character	'echo hello' C-a	Character: \to\n\nValue: \t\tU+006F  (111 decimal)\nUTF-8: \t\t6F\n\nLATIN SMALL LETTER O\n
a surrogate pair, cursor on its low half	'echo x' M-u '1F600 y' Left Left Left C-a	Character: \t\uD83D\uDE00\n\nValue: \t\tU+1F600  (128512 decimal)\nUTF-8: \t\tF0 9F 98 80\nUTF-16: \tD83D DE00\n\nGRINNING FACE\n
END
)

# A desktop that has had an active window before, as any real one: the popup then becomes
# the active window when it opens, and the keys typed with it open must still reach the line.
flashed() { [ "$(probe flash)" = flashed ]; }
check "a window shown on the desktop beforehand" flashed

if start; then
    check "start-up line of the plug-in" has "Linewise v0.99.12 loaded."
    first=1
    while IFS=$'\t' read -r -u 3 name typed expected; do
        eval "keys $typed"
        check "$name: the popup's text" popup_says text "$expected"
        check "$name: one popup" popup_says popups 1
        if [ $first = 0 ]; then
            check "$name: the same window, updated" popup_says handle "$handle"
        else
            first=0
            handle=$(probe show 1 | sed -n 's/^handle //p')
            check "the popup is shown" popup_says popup "visible 1"
            check "the popup is 240/255 opaque" popup_says alpha "240 flags 2"
            # Wine's console window is of no host the plug-in knows: no owner, as documented.
            check "no console host found: no owner" popup_says owner "none -"
            text "!"
            check "keys still reach the line with the popup open" line_is "echo caf!é"
        fi
        keys C-End C-Home
        check "$name: the line is cleared" line_is ""
    done 3<<<"$CASES"

    escape
    check "Esc closes the popup" popup_gone
    text "echo again"
    keys C-a
    check "the popup opens again after Esc" popup_says popup "visible 1"
    escape
    check "Esc closes it again" popup_gone
    check "Esc also reaches the shell: the line is cleared" line_is ""

    # The shell's exit with the popup open.
    text "exit 4"
    keys Left C-a
    check "the popup opens on the exit line" popup_says text \
        'Character: \t4\n\nValue: \t\tU+0034  (52 decimal)\nUTF-8: \t\t34\n\nDIGIT FOUR\n'
    keys Enter
    check "the shell ends cleanly, with its code" has "LWSHELL-EXIT=4"
fi

session_summary
