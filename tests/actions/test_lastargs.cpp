#include "actions/line/lastargs.h"

#include "frame/globals.h"
#include "keys/editline.h"
#include "settings/settings.h"
#include "tests/support/check.h"
#include "tests/support/editline.h"
#include "tests/support/hostctl.h"

#include <string.h>
#include <wchar.h>

namespace
{

// A key on the shared test line; the error sound is the shell's honk so that it can be counted.
KeyEvent Event(const wchar_t *text, int cursor)
{
    Settings.ErrorSound = 1;
    Host().ResetCounters();
    return PlainLineEvent<KeyEvent>(0x1003D, text, cursor);
}

int Honks(void)
{
    return Host().HonkCalls();
}

// Remembers args as if a line "cmd args" had been entered.
void Remember(const wchar_t *args)
{
    static wchar_t line[EditLineCapacity];
    wcscpy(line, L"cmd ");
    wcscat(line, args);
    KeyEvent enter = {};
    enter.code = 13;
    enter.line = line;
    enter.cursor = line + wcslen(line);
    CaptureLastArgs(&enter);
}

const wchar_t *Args(const wchar_t *text, unsigned int flags)
{
    Settings.LastArgsFlags = flags;
    return FindArgsStart(text);
}

} // namespace

TEST(arguments_follow_the_command_word)
{
    const wchar_t *line = L"   copy  \"a file.txt\"  dest   ";
    CHECK_TEXT(Args(line, 0), L"\"a file.txt\"  dest   ");
    CHECK_TEXT(Args(L"\"my prog\" x", 0), L"x");
    CHECK_TEXT(Args(L"\"c:\\my prog\"\tx y", 0), L"x y");
    CHECK_TEXT(Args(L"dir /s/b *.txt", 0), L"/s/b *.txt");
    CHECK_TEXT(Args(L"dir/s/b *.txt", 2), L"/s/b *.txt");
}

TEST(no_arguments)
{
    const wchar_t *lines[] = {L"dir", L"dir   ", L"", L"    ", L"\t", L"\"a b\"  ", L"\"a b"};
    for (const wchar_t *line : lines) {
        CHECK(Args(line, 0) == nullptr);
        CHECK(Args(line, 2) == nullptr);
    }
    CHECK(Args(nullptr, 0) == nullptr);
}

TEST(slash_ends_the_command_word_only_with_bit_2)
{
    CHECK_TEXT(Args(L"dir/s foo", 2), L"/s foo");
    CHECK_TEXT(Args(L"dir/s foo", 0), L"foo");
    CHECK_TEXT(Args(L"/x/y z", 2), L"z");
    CHECK_TEXT(Args(L"  /x/y z", 2), L"z");
    CHECK_TEXT(Args(L"\"c:/x\"/y z", 2), L"/y z");
    CHECK_TEXT(Args(L"\"c:/x\"/y z", 0), L"z");
    CHECK_TEXT(Args(L"dir/", 2), L"/");
    // Only the command word is walked: later slashes stay inside the arguments.
    CHECK_TEXT(Args(L"copy a/b c", 2), L"a/b c");
}

TEST(capture_keeps_a_copy_of_the_arguments)
{
    Settings.LastArgsFlags = 0;
    wchar_t line[64] = L"copy  a.txt  b.txt ";
    KeyEvent enter = {};
    enter.code = 13;
    enter.line = line;
    enter.cursor = line + 5;
    enter.keyName = nullptr;
    KeyEvent before = enter;
    CHECK_EQ(CaptureLastArgs(&enter), 0);
    CHECK(memcmp(&before, &enter, sizeof enter) == 0);
    CHECK_TEXT(line, L"copy  a.txt  b.txt ");
    CHECK_TEXT(LastArgs(), L"a.txt  b.txt ");

    wcscpy(line, L"xxxxxxxxxxxxxxxxxx");
    CHECK_TEXT(LastArgs(), L"a.txt  b.txt ");
}

TEST(capture_without_arguments_forgets_unless_bit_4)
{
    const wchar_t *empties[] = {L"dir", L"dir   ", L"", L"   "};
    for (const wchar_t *empty : empties) {
        Settings.LastArgsFlags = 0;
        Remember(L"a b");
        wchar_t line[16];
        wcscpy(line, empty);
        KeyEvent enter = {};
        enter.line = line;
        enter.cursor = line;

        Settings.LastArgsFlags = 4;
        CaptureLastArgs(&enter);
        CHECK_TEXT(LastArgs(), L"a b");

        Settings.LastArgsFlags = 2;
        CaptureLastArgs(&enter);
        CHECK(LastArgs() == nullptr);
    }

    // Bit 4 keeps old arguments only when there are no new ones.
    Settings.LastArgsFlags = 4;
    Remember(L"a b");
    Remember(L"c");
    CHECK_TEXT(LastArgs(), L"c");

    // A record without a line changes nothing.
    KeyEvent none = {};
    CHECK_EQ(CaptureLastArgs(&none), 0);
    CHECK_TEXT(LastArgs(), L"c");
    CHECK_EQ(CaptureLastArgs(nullptr), 0);
}

TEST(capture_with_slash_rule)
{
    Settings.LastArgsFlags = 2;
    wchar_t line[32] = L"dir/s foo";
    KeyEvent enter = {};
    enter.line = line;
    enter.cursor = line;
    CaptureLastArgs(&enter);
    CHECK_TEXT(LastArgs(), L"/s foo");
}

TEST(free_forgets)
{
    Settings.LastArgsFlags = 0;
    Remember(L"x");
    FreeLastArgs();
    CHECK(LastArgs() == nullptr);
    FreeLastArgs();
    CHECK(LastArgs() == nullptr);
}

// The worked examples with "a b" remembered, for each combination of the overwrite and space
// bits; the slash and keep-old bits must make no difference to the insertion.
TEST(insert_worked_examples_for_every_flag_combination)
{
    struct Row {
        const wchar_t *line;
        int cursor;
        const wchar_t *after[4]; // bits: none, 1, 8, 1+8
        int cursorAfter[4];
    };
    const Row rows[] = {
        {L"echo ", 5, {L"echo a b", L"echo a b", L"echo a b", L"echo a b"}, {8, 8, 8, 8}},
        {L"echo", 4, {L"echoa b", L"echoa b", L"echo a b", L"echo a b"}, {7, 7, 8, 8}},
        {L"echox", 4, {L"echoa bx", L"echoa b", L"echo a b x", L"echo a b"}, {7, 7, 9, 8}},
        {L"echo x y", 5, {L"echo a bx y", L"echo a b", L"echo a b x y", L"echo a b"}, {8, 8, 9, 8}},
        {L"x", 0, {L"a bx", L"a b", L"a b x", L"a b"}, {3, 3, 4, 3}},
        {L"", 0, {L"a b", L"a b", L"a b", L"a b"}, {3, 3, 3, 3}},
        {L"echo y", 4, {L"echoa b y", L"echoa b", L"echo a b y", L"echo a b"}, {7, 7, 8, 8}},
    };
    const unsigned int bits[4] = {0, 1, 8, 9};
    const unsigned int others[4] = {0, 2, 4, 6};
    Settings.LastArgsFlags = 0;
    Remember(L"a b");
    for (const Row &row : rows)
        for (int b = 0; b < 4; b++)
            for (unsigned int other : others) {
                KeyEvent e = Event(row.line, row.cursor);
                Settings.LastArgsFlags = bits[b] | other;
                CHECK_EQ(InsertLastArgs(&e), 0);
                CHECK_TEXT(e.line, row.after[b]);
                CHECK_EQ(CursorOf(e), row.cursorAfter[b]);
                CHECK_EQ(e.redraw, 1);
                CHECK_EQ(e.code, 0);
                CHECK_EQ(Host().ClearEditLineCalls(), 1);
                CHECK(Host().LastClearEditLine() == e.line + row.cursor);
                CHECK_EQ(Honks(), 0);
            }
    CHECK_TEXT(LastArgs(), L"a b");
}

TEST(insert_no_space_after_arguments_ending_in_a_blank)
{
    Settings.LastArgsFlags = 0;
    Remember(L"\"x y\" ");
    CHECK_TEXT(LastArgs(), L"\"x y\" ");
    KeyEvent e = Event(L"echoz", 4);
    Settings.LastArgsFlags = 8;
    InsertLastArgs(&e);
    CHECK_TEXT(e.line, L"echo \"x y\" z");
    CHECK_EQ(CursorOf(e), 11);

    // A tab before the cursor counts as white space too.
    e = Event(L"echo\t", 5);
    InsertLastArgs(&e);
    CHECK_TEXT(e.line, L"echo\t\"x y\" ");
}

TEST(insert_without_remembered_arguments)
{
    FreeLastArgs();
    bool newer = Plugin.newerHost;
    Plugin.newerHost = true;
    wchar_t name[8] = L"F3";
    KeyEvent e = Event(L"echo x", 5);
    e.keyName = name;
    CHECK_EQ(InsertLastArgs(&e), 0);
    CHECK_TEXT(e.line, L"echo x");
    CHECK_EQ(CursorOf(e), 5);
    CHECK_EQ(e.redraw, 0);
    CHECK_EQ(e.code, 0);
    CHECK_TEXT(name, L"");
    CHECK_EQ(Honks(), 1);
    CHECK_EQ(Host().ClearEditLineCalls(), 0);
    Plugin.newerHost = newer;
}

TEST(insert_survives_repeated_use)
{
    Settings.LastArgsFlags = 0;
    Remember(L"q");
    KeyEvent e = Event(L"", 0);
    InsertLastArgs(&e);
    InsertLastArgs(&e);
    InsertLastArgs(&e);
    CHECK_TEXT(e.line, L"qqq");
    CHECK_EQ(CursorOf(e), 3);
}

// The combined text must fit the shell's 65,535 characters; a result that would not is
// refused whole with the error sound, the line as it was.
TEST(insert_never_passes_the_line_capacity)
{
    static wchar_t args[1001];
    wmemset(args, L'r', 1000);
    args[1000] = 0;
    Settings.LastArgsFlags = 0;
    Remember(args);
    CHECK_EQ((int)wcslen(LastArgs()), 1000);

    static wchar_t longLine[EditLineCapacity];
    wmemset(longLine, L'l', 65000);
    longLine[65000] = 0;

    const unsigned int flags[] = {0, 8, 9};
    for (unsigned int f : flags) {
        KeyEvent e = Event(longLine, 65000);
        Settings.LastArgsFlags = f;
        CHECK_EQ(InsertLastArgs(&e), 0);
        CHECK_EQ((int)wcslen(e.line), 65000);
        CHECK(wcscmp(e.line, longLine) == 0);
        CHECK_EQ(CursorOf(e), 65000);
        CHECK_EQ(e.redraw, 0);
        CHECK_EQ(e.code, 0);
        CHECK_EQ(Honks(), 1);
        CHECK_EQ(Host().ClearEditLineCalls(), 0);
        CHECK(TestLineGuardIntact());
    }

    // Cursor in the middle: inserting would pass the end, overwriting fits.
    KeyEvent e = Event(longLine, 64000);
    Settings.LastArgsFlags = 0;
    InsertLastArgs(&e);
    CHECK_EQ((int)wcslen(e.line), 65000);
    CHECK_EQ(Honks(), 1);
    e = Event(longLine, 64000);
    Settings.LastArgsFlags = 1;
    InsertLastArgs(&e);
    CHECK_EQ((int)wcslen(e.line), 65000);
    CHECK(e.line[63999] == L'l' && e.line[64000] == L'r' && e.line[64999] == L'r');
    CHECK_EQ(CursorOf(e), 65000);
    CHECK_EQ(Honks(), 0);
    CHECK(TestLineGuardIntact());
}

TEST(insert_up_to_exactly_the_line_capacity)
{
    static wchar_t args[1001];
    wmemset(args, L'r', 1000);
    args[1000] = 0;
    Settings.LastArgsFlags = 0;
    Remember(args);

    static wchar_t line[EditLineCapacity];
    const int room = EditLineCapacity - 1 - 1000;
    wmemset(line, L'l', room);
    line[room] = 0;

    KeyEvent e = Event(line, room);
    Settings.LastArgsFlags = 0;
    InsertLastArgs(&e);
    CHECK_EQ((int)wcslen(e.line), EditLineCapacity - 1);
    CHECK(e.line[EditLineCapacity - 2] == L'r');
    CHECK_EQ(CursorOf(e), EditLineCapacity - 1);
    CHECK_EQ(Honks(), 0);
    CHECK(TestLineGuardIntact());

    // The space that bit 8 would add is one character too many.
    e = Event(line, room);
    Settings.LastArgsFlags = 8;
    InsertLastArgs(&e);
    CHECK_EQ((int)wcslen(e.line), room);
    CHECK_EQ(Honks(), 1);

    // Likewise the space after the arguments, with the cursor inside the line.
    line[0] = L'x';
    e = Event(line, 0);
    Settings.LastArgsFlags = 8;
    InsertLastArgs(&e);
    CHECK_EQ((int)wcslen(e.line), room);
    CHECK(e.line[0] == L'x');
    CHECK_EQ(Honks(), 1);
    e = Event(line, 0);
    Settings.LastArgsFlags = 0;
    InsertLastArgs(&e);
    CHECK_EQ((int)wcslen(e.line), EditLineCapacity - 1);
    CHECK(e.line[999] == L'r' && e.line[1000] == L'x');
    CHECK_EQ(CursorOf(e), 1000);
    CHECK(TestLineGuardIntact());
}
