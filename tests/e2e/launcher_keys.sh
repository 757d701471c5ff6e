#!/usr/bin/env bash
# The launcher's key translation against the key tables: each named key goes through the
# same path as a keystroke (--show-keys with --keys prints the code the shell would hand to
# the hook); adding the bits the hook adds for Ctrl-Shift, Ctrl-Alt and, on a newer host,
# Ctrl-Alt-Shift must give the table's code for that key.
# Usage: launcher_keys.sh BIN_DIR WINEPREFIX
set -u
BIN=$(cd "$1" && pwd)
PREFIX="$2"
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
passed=0
failed=0

# style key expected-table-code (hexadecimal, as the tables write them)
CASES=$(cat <<'END'
both F1 1003B
both Shift-F1 10054
both Ctrl-F1 1005E
both Alt-F1 10068
both Ctrl-Shift-F1 30054
both Ctrl-Alt-F1 5005E
newer Ctrl-Alt-Shift-F1 7005E
both F10 10044
both Alt-F10 10071
both F11 10085
both Ctrl-Shift-F11 30087
both Alt-F12 1008C
both Home 10047
both Shift-Home 100CA
both Ctrl-Home 10077
both Ctrl-Shift-Home 300CA
both End 1004F
both Ctrl-Alt-End 50075
both PgUp 10049
both Ctrl-PgUp 10084
both Ctrl-Shift-PgDn 30051
both Ins 10052
both Ctrl-Alt-Ins 50092
both Del 10053
both Ctrl-Del 10093
newer Ctrl-Alt-Shift-Del 70093
both Up 10048
both Ctrl-Up 1008D
both Ctrl-Alt-Up 5008D
both Ctrl-Alt-Down 50091
both Left 1004B
both Shift-Left 100C8
both Alt-Left 100F4
both Ctrl-Shift-Left 300CC
both Ctrl-Shift-Right 300CD
both Ctrl-Right 10074
both Ctrl-A 1
both Alt-A 1001E
both Ctrl-Shift-A 20001
both Ctrl-Alt-A 5001E
newer Ctrl-Alt-Shift-A 7001E
both Alt-C 1002E
both Ctrl-Alt-W 50011
both Ctrl-Alt-Z 5002C
both Ctrl-U 15
both Ctrl-Shift-X 20018
both Ctrl-Shift-P 20010
both Alt-L 10026
newer Ctrl-M D
both Alt-1 100E2
both Alt-0 100EB
newer Ctrl-1 E2
newer Ctrl-Shift-9 200EA
newer Ctrl-Alt-0 500EB
both Ctrl-Backspace 7F
both Alt-Backspace 1000E
both Ctrl-Shift-Backspace 3000E
both Ctrl-Alt-Backspace 5000E
newer Shift-Backspace 87F
older Alt-` 10029
older Ctrl-Alt-` 50029
newer Ctrl-` 860
newer Alt-` 10860
newer Ctrl-Shift-` 20860
older Alt-- 10082
newer Ctrl-Minus 8BD
newer Alt-Minus 108BD
both Alt-= 10083
newer Ctrl-= 8BB
newer Ctrl-Alt-= 508BB
newer Shift-Enter 80D
newer Ctrl-Enter C0D
newer Ctrl-Shift-Enter 2080D
older Ctrl-Shift-Enter 2000D
both Alt-[ 1001A
both Ctrl-Alt-] 5001B
older Ctrl-\ 1C
newer Ctrl-\ 8DC
newer Ctrl-[ 8DB
both Alt-; 10027
both Ctrl-Alt-; 50027
newer Ctrl-; 827
newer Ctrl-Shift-; 20027
both Alt-' 10028
both Alt-, 10033
both Alt-. 10034
newer Ctrl-. 834
both Alt-/ 10035
newer Ctrl-/ 835
both Ctrl-* 10037
both Alt-* 1002A
both Ctrl-Shift-* 30037
END
)

# The bits the hook adds for the modifiers a key name carries.
hook_bits() {
    local name=$1 style=$2 shift=0 ctrl=0 alt=0
    case "$name" in *Shift-*) shift=1 ;; esac
    case "$name" in *Ctrl-*) ctrl=1 ;; esac
    case "$name" in *Alt-*) alt=1 ;; esac
    if [ $ctrl = 1 ] && [ $alt = 1 ] && [ $shift = 1 ]; then
        [ "$style" = newer ] && echo $((0x60000)) || echo 0
    elif [ $ctrl = 1 ] && [ $shift = 1 ]; then
        echo $((0x20000))
    elif [ $ctrl = 1 ] && [ $alt = 1 ]; then
        echo $((0x40000))
    else
        echo 0
    fi
}

for style in older newer; do
    names=()
    expected=()
    while read -r which name code; do
        [ -n "$which" ] || continue
        [ "$which" = both ] || [ "$which" = "$style" ] || continue
        names+=("$name")
        expected+=("$code")
    done <<<"$CASES"
    joined=$(IFS='|'; echo "${names[*]}")
    output=$("$SOURCE/scripts/wine-run" --prefix "$PREFIX" "$BIN/lwshell.exe" "--$style" \
        --show-keys --keys "$joined" 2>&1 | tr -d '\r' | grep -o 'code 0x[0-9A-Fa-f]*' |
        sed 's/code 0x//')
    mapfile -t codes <<<"$output"
    for i in "${!names[@]}"; do
        got=${codes[$i]:-none}
        if [ "$got" = none ]; then
            failed=$((failed + 1))
            echo "FAIL ($style): ${names[$i]} gave no code"
            continue
        fi
        total=$(printf '%X' $((0x$got | $(hook_bits "${names[$i]}" "$style"))))
        if [ "$total" = "${expected[$i]}" ]; then
            passed=$((passed + 1))
        else
            failed=$((failed + 1))
            echo "FAIL ($style): ${names[$i]} gave 0x$got, with the hook's bits 0x$total," \
                "expected 0x${expected[$i]}"
        fi
    done
    if [ "${#codes[@]}" -ne "${#names[@]}" ]; then
        failed=$((failed + 1))
        echo "FAIL ($style): ${#names[@]} keys sent, ${#codes[@]} codes shown"
    else
        passed=$((passed + 1))
    fi
done

# A key without a code of its own and no character (Ctrl-1 on an older host) is no keystroke.
output=$("$SOURCE/scripts/wine-run" --prefix "$PREFIX" "$BIN/lwshell.exe" --older \
    --show-keys --keys "Ctrl-1|F2" 2>&1 | tr -d '\r' | grep -c 'code 0x')
if [ "$output" = 1 ]; then passed=$((passed + 1)); else
    failed=$((failed + 1))
    echo "FAIL: Ctrl-1 on an older host should give no keystroke"
fi

# Text pieces type characters as themselves, quoted pieces even when they look like names.
output=$("$SOURCE/scripts/wine-run" --prefix "$PREFIX" "$BIN/lwshell.exe" --show-keys \
    --keys 'aZ;|"F1' 2>&1 | tr -d '\r' | grep -o 'code 0x[0-9A-F]*' | tr '\n' ' ')
if [ "$output" = "code 0x61 code 0x5A code 0x3B code 0x46 code 0x31 " ]; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    echo "FAIL: text pieces gave: $output"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
