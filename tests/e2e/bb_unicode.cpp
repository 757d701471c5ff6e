// Unicode entry through the exported hook: Alt-U puts the marker, the digits are typed as the
// shell types them, and a blank, Enter, Esc, End or a non-digit ends the entry.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/startedplugin.h"

#include <wchar.h>

namespace
{

enum { UnicodeKey = 0x10016, F3 = 0x1003D, EndKey = 0x1004F, Enter = 13, Esc = 27 };

// Types text key by key through the hook, the shell inserting what the hook leaves.
void Type(ShellKeyEvent *e, const wchar_t *text)
{
    for (const wchar_t *p = text; *p; p++) {
        e->code = *p;
        PressKey(e);
        ShellTypes(e);
    }
}

struct EntryCase {
    const char *name;
    const wchar_t *line;   // pattern before Alt-U
    const wchar_t *digits; // typed after the marker
    int end;               // the key that ends the entry
    const wchar_t *after;  // the line as the hook leaves it, before the shell acts on the key
    bool swallowed;        // the ending key was consumed
    int honks;
};

const EntryCase Cases[] = {
    {"41 then a blank", L"echo |", L"41", ' ', L"echo A|", false, 0},
    {"emoji then Enter", L"echo |", L"1F600", Enter, L"echo \xD83D\xDE00|", false, 0},
    {"beyond U+10FFFF is removed", L"a|z", L"110000", ' ', L"a|z", false, 1},
    {"no digit: the marker goes", L"x|", L"", 'g', L"x|", false, 1},
    {"Esc converts and is swallowed", L"|", L"e9", Esc, L"\x00E9|", true, 0},
    {"End converts and is swallowed", L"|", L"3b1", EndKey, L"\x03B1|", true, 0},
    {"hex letters after the cursor join the number", L"abc|def", L"41", ' ', L"abc\xD8C7\xDDEF|",
     false, 0},
    {"mid line, cursor after the new character", L"a|z", L"263A", Enter, L"a\x263A|z", false, 0},
};

} // namespace

TEST(unicode_entry_table)
{
    for (const EntryCase &c : Cases) {
        ShellKeyEvent e = ShellLine(UnicodeKey, c.line);
        PressKey(&e);
        CHECK_ROW_EQ(c.name, e.code, 0);
        CHECK_ROW_EQ(c.name, e.redraw, 1);
        Type(&e, c.digits);
        e.code = c.end;
        e.redraw = 0;
        CHECK_EQ(PressKey(&e), 0);
        CHECK_ROW_LINE(c.name, e, c.after);
        CHECK_ROW_EQ(c.name, e.code, c.swallowed ? 0 : c.end);
        CHECK_ROW_EQ(c.name, Host().HonkCalls(), c.honks);
        // The entry is over: the next blank is the shell's alone.
        ShellKeyEvent before = e;
        e.code = ' ';
        PressKey(&e);
        CHECK_ROW_EQ(c.name, e.code, ' ');
        CHECK_ROW_EQ(c.name, e.cursor - before.cursor, 0);
    }
}

// The marker gone or the cursor moved back onto it: error sound, the line left as it is.
TEST(unicode_entry_lost_marker)
{
    ShellKeyEvent e = ShellLine(UnicodeKey, L"dir |");
    PressKey(&e);
    Type(&e, L"41");
    e.cursor = e.line + 4; // onto the marker
    e.code = Enter;
    PressKey(&e);
    CHECK(LineUnchanged());
    CHECK_ROW_LINE("cursor moved onto the marker", e,
                   L"dir |\x00A4"
                   L"41");
    CHECK_EQ(e.code, Enter);
    CHECK_EQ(Host().HonkCalls(), 1);

    e = ShellLine(UnicodeKey, L"dir |");
    PressKey(&e);
    Type(&e, L"41");
    e.line[4] = L'x'; // the marker overwritten
    e.code = Esc;
    PressKey(&e);
    CHECK(LineUnchanged());
    CHECK_EQ(e.code, Esc); // not swallowed when the marker is gone
    CHECK_EQ(Host().HonkCalls(), 1);
}

// A second Alt-U ends the first entry (no digits: the marker goes) and starts a new one.
TEST(unicode_entry_started_twice)
{
    ShellKeyEvent e = ShellLine(UnicodeKey, L"ab|");
    PressKey(&e);
    e.code = UnicodeKey;
    PressKey(&e);
    CHECK_ROW_LINE("second Alt-U", e, L"ab\x00A4|");
    CHECK_EQ(Host().HonkCalls(), 1);
    Type(&e, L"42 ");
    CHECK_ROW_LINE("the new entry converts", e, L"abB |");
}

// The shell calls the hook with code 0 and no line when it abandons the line: the entry ends
// and the marker left behind is only text.
TEST(unicode_entry_reset_without_a_line)
{
    ShellKeyEvent e = ShellLine(UnicodeKey, L"|");
    PressKey(&e);
    Type(&e, L"41");
    ShellKeyEvent reset = {};
    PressKey(&reset);
    Type(&e, L" ");
    CHECK_ROW_LINE("after the reset", e,
                   L"\x00A4"
                   L"41 |");
    CHECK_EQ(Host().HonkCalls(), 0);
}

// Enter ends the entry before the arguments are remembered: F3 brings back the character.
TEST(unicode_entry_ends_before_enter_captures)
{
    ShellKeyEvent e = ShellLine(UnicodeKey, L"echo |");
    PressKey(&e);
    Type(&e, L"1F600");
    e.code = Enter;
    PressKey(&e);
    CHECK_EQ(e.code, Enter);
    e = ShellLine(F3, L"|");
    PressKey(&e);
    CHECK_ROW_LINE("F3 after Enter", e, L"\xD83D\xDE00|");
}
