#include "actions/line/swapchars.h"

#include "frame/globals.h"
#include "keys/editline.h"
#include "settings/settings.h"
#include "tests/support/check.h"
#include "tests/support/editline.h"
#include "tests/support/hostctl.h"

#include <wchar.h>
#include <windows.h>

namespace
{

wchar_t KeyName[32];

// A keystroke on a fresh line; the error sound is the shell's honk so that it can be counted.
KeyEvent Event(const wchar_t *text, int cursor)
{
    Settings.ErrorSound = 1;
    Host().ResetCounters();
    wcscpy(KeyName, L"Ctrl-U");
    KeyEvent event = PlainLineEvent<KeyEvent>(0x15, text, cursor);
    event.keyName = KeyName;
    return event;
}

int Honks(void)
{
    return Host().HonkCalls();
}

} // namespace

// The character at the cursor changes places with the one before it (the last two at the end
// of the line, the first two at its start). A surrogate pair moves whole, and a cursor on its
// high half first steps onto the low half; a lone surrogate is a character of its own.
TEST(swap_characters)
{
    const struct {
        const wchar_t *line;
        int cursor;
        const wchar_t *after;
        int cursorAfter, clearedAt;
    } cases[] = {
        {L"abcd", 2, L"acbd", 2, 1},
        {L"abcd", 4, L"abdc", 4, 2},
        {L"abcd", 0, L"bacd", 0, 0},
        {L"ab", 1, L"ba", 1, 0},
        {L"abcdefghij", 8, L"abcdefgihj", 8, 7},
        {L"abcdefghij", 10, L"abcdefghji", 10, 8},
        {L"x\xD83D\xDE00y", 3, L"xy\xD83D\xDE00", 3, 1},
        {L"ab\xD83D\xDE00", 4,
         L"a\xD83D\xDE00"
         L"b",
         4, 1},
        {L"\xD83D\xDE00\xD83D\xDE01", 4, L"\xD83D\xDE01\xD83D\xDE00", 4, 0},
        // Far enough in that the scan starts part-way along, once on the low half of a pair.
        {L"abcd\xD83D\xDE00\xD83D\xDE01\xD83D\xDE02z", 8,
         L"abcd\xD83D\xDE00\xD83D\xDE02\xD83D\xDE01z", 9, 6},
        {L"abcd\xD83D\xDE00\xD83D\xDE01\xD83D\xDE02z", 11,
         L"abcd\xD83D\xDE00\xD83D\xDE01z\xD83D\xDE02", 11, 8},
        {L"a\xD83D\xDE00"
         L"b",
         1,
         L"\xD83D\xDE00"
         L"ab",
         2, 0},
        {L"ab\xD83D\xDE00", 2,
         L"a\xD83D\xDE00"
         L"b",
         3, 1},
        {L"a\xD800"
         L"b",
         2, L"ab\xD800", 2, 1},
        {L"a\xDC00"
         L"b",
         1,
         L"\xDC00"
         L"ab",
         1, 0},
    };
    for (const auto &c : cases) {
        KeyEvent e = Event(c.line, c.cursor);
        CHECK_EQ(SwapCharacters(&e), 0);
        CHECK_TEXT(e.line, c.after);
        CHECK_EQ(CursorOf(e), c.cursorAfter);
        CHECK_EQ(e.redraw, 1);
        CHECK_EQ(e.code, 0);
        CHECK_EQ(Host().ClearEditLineCalls(), 1);
        CHECK(Host().LastClearEditLine() == e.line + c.clearedAt);
        CHECK_EQ(Honks(), 0);
    }
}

TEST(swap_without_two_characters_fails)
{
    const wchar_t *lines[] = {L"x", L"", L"\xD83D\xDE00"};
    for (const wchar_t *text : lines) {
        KeyEvent e = Event(text, (int)wcslen(text));
        CHECK_EQ(SwapCharacters(&e), 0);
        CHECK_TEXT(e.line, text);
        CHECK_EQ(e.code, 0);
        CHECK_EQ(e.redraw, 0);
        CHECK_EQ(Honks(), 1);
        CHECK_EQ(Host().ClearEditLineCalls(), 0);
    }
    KeyEvent none = Event(L"", 0);
    none.line = nullptr;
    none.cursor = nullptr;
    SwapCharacters(&none);
    CHECK_EQ(none.code, 0);
    CHECK_EQ(Honks(), 1);
}

TEST(swap_sets_only_the_code)
{
    bool newer = Plugin.newerHost;
    Plugin.newerHost = true;
    KeyEvent e = Event(L"abcd", 2);
    SwapCharacters(&e);
    CHECK_EQ(e.code, 0);
    CHECK_TEXT(e.keyName, L"Ctrl-U");
    e = Event(L"a", 1);
    SwapCharacters(&e);
    CHECK_TEXT(e.keyName, L"Ctrl-U");
    Plugin.newerHost = newer;
}

TEST(case_cycles_lower_capitalised_upper)
{
    KeyEvent e = Event(L"hello-world", 3);
    CHECK_EQ(ChangeWordCase(&e), 0);
    CHECK_TEXT(e.line, L"Hello-World");
    CHECK_EQ(CursorOf(e), 11);
    CHECK_EQ(e.redraw, 1);
    CHECK_EQ(e.code, 0);
    CHECK(Host().LastClearEditLine() == e.line);

    ChangeWordCase(&e);
    CHECK_TEXT(e.line, L"HELLO-WORLD");
    ChangeWordCase(&e);
    CHECK_TEXT(e.line, L"hello-world");
    ChangeWordCase(&e);
    CHECK_TEXT(e.line, L"Hello-World");
    CHECK_EQ(Honks(), 0);
}

TEST(case_capitalises_after_blank_or_dash_only)
{
    KeyEvent e = Event(L"don't", 0);
    ChangeWordCase(&e);
    CHECK_TEXT(e.line, L"Don't");

    e = Event(L"x2y", 1);
    ChangeWordCase(&e);
    CHECK_TEXT(e.line, L"X2y");

    e = Event(L"echo \"new york\" now", 8);
    ChangeWordCase(&e);
    CHECK_TEXT(e.line, L"echo \"New York\" now");
    CHECK_EQ(CursorOf(e), 15);
    CHECK(Host().LastClearEditLine() == e.line + 5);

    e = Event(L"\x00e9mile", 5);
    ChangeWordCase(&e);
    CHECK_TEXT(e.line, L"\x00c9mile");
}

TEST(case_changes_only_the_word_at_the_cursor)
{
    KeyEvent e = Event(L"copy readme.TXT dest", 15);
    ChangeWordCase(&e);
    CHECK_TEXT(e.line, L"copy README.TXT dest");
    CHECK_EQ(CursorOf(e), 15);

    e = Event(L"copy README dest", 7);
    ChangeWordCase(&e);
    CHECK_TEXT(e.line, L"copy readme dest");
    CHECK_EQ(CursorOf(e), 11);
}

TEST(case_fails_without_letters_or_word)
{
    const struct {
        const wchar_t *text;
        int cursor;
    } cases[] = {{L"1234", 2}, {L"echo 1234", 9}, {L"echo  x", 5}, {L"", 0}, {L"  ab", 0}};
    for (const auto &c : cases) {
        KeyEvent e = Event(c.text, c.cursor);
        CHECK_EQ(ChangeWordCase(&e), 0);
        CHECK_TEXT(e.line, c.text);
        CHECK_EQ(CursorOf(e), c.cursor);
        CHECK_EQ(e.code, 0);
        CHECK_EQ(e.redraw, 0);
        CHECK_EQ(Honks(), 1);
        CHECK_EQ(Host().ClearEditLineCalls(), 0);
    }
}

TEST(case_letters_without_case_stay)
{
    KeyEvent e = Event(L"\x4e2d\x6587", 0);
    ChangeWordCase(&e);
    CHECK_TEXT(e.line, L"\x4e2d\x6587");
    CHECK_EQ(CursorOf(e), 2);
    CHECK_EQ(Honks(), 0);
}

TEST(case_consumes_the_key_name_on_a_newer_host)
{
    bool newer = Plugin.newerHost;
    Plugin.newerHost = true;
    KeyEvent e = Event(L"abc", 1);
    ChangeWordCase(&e);
    CHECK_TEXT(e.keyName, L"");
    e = Event(L"123", 1);
    ChangeWordCase(&e);
    CHECK_TEXT(e.keyName, L"");
    CHECK_EQ(e.code, 0);
    Plugin.newerHost = newer;
}

// The case step counts upper- and lower-case letters each on its own: a titlecase letter
// (U+01C5, Dz with caron) is both, so a word holding one always has both kinds and goes to
// upper case, never to lower case. The expected words follow the system's own mapping (Wine
// maps the titlecase letter to itself, Windows to U+01C4).
TEST(case_step_counts_each_kind_of_letter_on_its_own)
{
    enum Step { ToUpperCase, ToLowerCase, Capitalised, Unchanged, Refused };
    const struct {
        const char *name;
        const wchar_t *word;
        Step step;
        const wchar_t *capitalised;
    } rows[] = {
        {"upper letters and a titlecase one", L"AB\x01C5", ToUpperCase, nullptr},
        {"lower letters and a titlecase one", L"ab\x01C5", ToUpperCase, nullptr},
        {"a titlecase letter alone", L"\x01C5", ToUpperCase, nullptr},
        {"a titlecase letter between digits",
         L"1\x01C5"
         L"2",
         ToUpperCase, nullptr},
        {"the lower-case form alone", L"\x01C6x", Capitalised, L"\x01C4x"},
        {"the upper-case form alone", L"\x01C4X", ToLowerCase, nullptr},
        {"mixed ASCII", L"hELLO", ToUpperCase, nullptr},
        {"upper ASCII", L"HELLO", ToLowerCase, nullptr},
        {"lower ASCII with a dash", L"a-b_c", Capitalised, L"A-B_c"},
        {"Greek lower case", L"\x03B1\x03B2", Capitalised, L"\x0391\x03B2"},
        {"caseless letters", L"\x4E2D\x6587", Unchanged, nullptr},
        {"no letter", L"12-34", Refused, nullptr},
        {"lower ASCII words past sixteen units", L"abc def-ghi\tjkl 9mno pqr-stu vwx yz",
         Capitalised, L"Abc Def-Ghi\tJkl 9Mno Pqr-Stu Vwx Yz"},
    };
    for (const auto &row : rows) {
        wchar_t word[64], expected[64];
        wcscpy(word, row.word);
        wcscpy(expected, row.word);
        DWORD n = (DWORD)wcslen(word);
        if (row.step == ToUpperCase)
            CharUpperBuffW(expected, n);
        else if (row.step == ToLowerCase)
            CharLowerBuffW(expected, n);
        else if (row.step == Capitalised)
            wcscpy(expected, row.capitalised);
        bool changed = CycleCase(word, n);
        if (changed != (row.step != Refused) || wcscmp(word, expected) != 0)
            CheckFailed(__FILE__, __LINE__, row.name, Show(word));
    }

    KeyEvent e = Event(L"echo AB\x01C5", 8);
    wchar_t expected[16] = L"echo AB\x01C5";
    CharUpperBuffW(expected + 5, 3);
    CHECK_EQ(ChangeWordCase(&e), 0);
    CHECK_TEXT(e.line, expected);
    CHECK(wcscmp(e.line, L"echo ab\x01C5") != 0);
    CHECK_EQ(CursorOf(e), 8);
    CHECK_EQ(e.line[8], 0);
    CHECK_EQ(Honks(), 0);
}

// ASCII is mapped inline: every ASCII unit must come out as the system maps it.
TEST(case_step_maps_ascii_as_the_system_does)
{
    wchar_t word[128], expected[128];
    size_t n = 0;
    for (wchar_t ch = 0x21; ch < 0x7F; ch++)
        word[n++] = ch;
    word[n] = 0;
    wcscpy(expected, word);
    CharUpperBuffW(expected, (DWORD)n);
    CHECK(CycleCase(word, n)); // both kinds: upper case
    CHECK_TEXT(word, expected);
    wcscpy(expected, word);
    CharLowerBuffW(expected, (DWORD)n);
    CHECK(CycleCase(word, n)); // upper only: lower case
    CHECK_TEXT(word, expected);
}
