#include "actions/line/swapchars.h"

#include "frame/plugin.h"
#include "keys/editline.h"
#include "settings/settings.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"

#include <wchar.h>

namespace
{

wchar_t Buffer[EditLineCapacity];
wchar_t KeyName[32];

// A keystroke on a fresh line; the error sound is the shell's honk so that it can be counted.
KeyEvent Event(const wchar_t *text, int cursor)
{
    Settings.ErrorSound = 1;
    Host().ResetCounters();
    wcscpy(Buffer, text);
    wcscpy(KeyName, L"Ctrl-U");
    KeyEvent event = {};
    event.code = 0x15;
    event.line = Buffer;
    event.cursor = Buffer + cursor;
    event.keyName = KeyName;
    return event;
}

int CursorOf(const KeyEvent &event)
{
    return (int)(event.cursor - event.line);
}
int Honks(void)
{
    return Host().HonkCalls();
}

} // namespace

TEST(swap_abcd_at_start_middle_and_end)
{
    KeyEvent e = Event(L"abcd", 2);
    CHECK_EQ(SwapCharacters(&e), 0);
    CHECK_TEXT(e.line, L"acbd");
    CHECK_EQ(CursorOf(e), 2);
    CHECK_EQ(e.redraw, 1);
    CHECK_EQ(e.code, 0);
    CHECK(Host().LastClearEditLine() == e.line + 1);
    CHECK_EQ(Honks(), 0);

    e = Event(L"abcd", 4);
    SwapCharacters(&e);
    CHECK_TEXT(e.line, L"abdc");
    CHECK_EQ(CursorOf(e), 4);
    CHECK(Host().LastClearEditLine() == e.line + 2);

    e = Event(L"abcd", 0);
    SwapCharacters(&e);
    CHECK_TEXT(e.line, L"bacd");
    CHECK_EQ(CursorOf(e), 0);
    CHECK(Host().LastClearEditLine() == e.line);

    e = Event(L"ab", 1);
    SwapCharacters(&e);
    CHECK_TEXT(e.line, L"ba");
}

TEST(swap_far_into_a_line)
{
    KeyEvent e = Event(L"abcdefghij", 8);
    SwapCharacters(&e);
    CHECK_TEXT(e.line, L"abcdefgihj");
    CHECK_EQ(CursorOf(e), 8);

    e = Event(L"abcdefghij", 10);
    SwapCharacters(&e);
    CHECK_TEXT(e.line, L"abcdefghji");
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

TEST(swap_moves_surrogate_pairs_whole)
{
    // x, U+1F600, y with the cursor on y: the pair and y change places.
    KeyEvent e = Event(L"x\xD83D\xDE00y", 3);
    SwapCharacters(&e);
    CHECK_TEXT(e.line, L"xy\xD83D\xDE00");
    CHECK_EQ(CursorOf(e), 3);
    CHECK(Host().LastClearEditLine() == e.line + 1);

    e = Event(L"ab\xD83D\xDE00", 4);
    SwapCharacters(&e);
    CHECK_TEXT(e.line, L"a\xD83D\xDE00"
                       L"b");

    e = Event(L"\xD83D\xDE00\xD83D\xDE01", 4);
    SwapCharacters(&e);
    CHECK_TEXT(e.line, L"\xD83D\xDE01\xD83D\xDE00");

    // Pairs on both sides, far enough in that the scan starts part-way along the line.
    e = Event(L"abcd\xD83D\xDE00\xD83D\xDE01\xD83D\xDE02z", 8);
    SwapCharacters(&e);
    CHECK_TEXT(e.line, L"abcd\xD83D\xDE00\xD83D\xDE02\xD83D\xDE01z");
    CHECK_EQ(CursorOf(e), 9);

    // Here the scan starts on the low half of the first pair.
    e = Event(L"abcd\xD83D\xDE00\xD83D\xDE01\xD83D\xDE02z", 11);
    SwapCharacters(&e);
    CHECK_TEXT(e.line, L"abcd\xD83D\xDE00\xD83D\xDE01z\xD83D\xDE02");
}

TEST(swap_with_cursor_on_a_high_half)
{
    KeyEvent e = Event(L"a\xD83D\xDE00"
                       L"b",
                       1);
    SwapCharacters(&e);
    CHECK_TEXT(e.line, L"\xD83D\xDE00"
                       L"ab");
    CHECK_EQ(CursorOf(e), 2);

    e = Event(L"ab\xD83D\xDE00", 2);
    SwapCharacters(&e);
    CHECK_TEXT(e.line, L"a\xD83D\xDE00"
                       L"b");
    CHECK_EQ(CursorOf(e), 3);
}

TEST(swap_counts_lone_surrogates_as_one_unit)
{
    KeyEvent e = Event(L"a\xD800"
                       L"b",
                       2);
    SwapCharacters(&e);
    CHECK_TEXT(e.line, L"ab\xD800");

    e = Event(L"a\xDC00"
              L"b",
              1);
    SwapCharacters(&e);
    CHECK_TEXT(e.line, L"\xDC00"
                       L"ab");
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
