#include "keys/editline.h"

#include "tests/support/check.h"
#include "tests/support/editline.h"
#include "tests/support/hostctl.h"

#include <wchar.h>

namespace
{

KeyEvent Event(const wchar_t *text, int cursor)
{
    return PlainLineEvent<KeyEvent>('x', text, cursor);
}

} // namespace

// A cursor at or after the insertion point moves behind the text; positions outside the line
// are kept inside it.
TEST(insert_text_and_cursor)
{
    const struct {
        const wchar_t *line;
        int cursor, position;
        const wchar_t *text, *after;
        int cursorAfter;
    } cases[] = {
        {L"abcd", 2, 2, L"XY", L"abXYcd", 4}, {L"abcd", 3, 1, L"-", L"a-bcd", 4},
        {L"abcd", 1, 3, L"XY", L"abcXYd", 1}, {L"abcd", 0, 0, L">", L">abcd", 1},
        {L"abc", 3, 3, L"def", L"abcdef", 6}, {L"", 0, 0, L"x y", L"x y", 3},
        {L"abc", 1, 1, L"", L"abc", 1},       {L"abc", 1, 1, nullptr, L"abc", 1},
        {L"abc", 1, 50, L"!", L"abc!", 1},    {L"abc", 1, -3, L"!", L"!abc", 2},
    };
    for (const auto &c : cases) {
        KeyEvent e = Event(c.line, c.cursor);
        CHECK_EQ(InsertText(c.position, &e, c.text), 0);
        CHECK_TEXT(e.line, c.after);
        CHECK_EQ(CursorOf(e), c.cursorAfter);
        CHECK_EQ(e.redraw, 1);
    }
}

TEST(insert_of_part_of_the_line_itself)
{
    KeyEvent e = Event(L"abcdef", 0);
    InsertText(3, &e, e.line + 1); // "bcdef" read before the line changes
    CHECK_TEXT(e.line, L"abcbcdefdef");
}

TEST(insert_up_to_the_line_capacity_and_no_further)
{
    KeyEvent e = LongLineEvent<KeyEvent>('x', EditLineCapacity - 3, L'a', 0);
    CHECK_EQ(InsertText(5, &e, L"xy"), 0);
    CHECK_EQ((int)wcslen(e.line), EditLineCapacity - 1);
    CHECK(e.line[5] == L'x' && e.line[6] == L'y' && e.line[7] == L'a');
    CHECK(TestLineGuardIntact());

    e.redraw = 0;
    CHECK_EQ(InsertText(0, &e, L"z"), -1);
    CHECK_EQ((int)wcslen(e.line), EditLineCapacity - 1);
    CHECK(e.line[0] == L'a');
    CHECK_EQ(CursorOf(e), 0);
    CHECK_EQ(e.redraw, 0);
    CHECK(TestLineGuardIntact());

    CHECK_EQ(InsertText(EditLineCapacity - 1, &e, L""), 0);

    // A large insertion into a short line: refused whole, not cut.
    static wchar_t big[EditLineCapacity + 1];
    wmemset(big, L'b', EditLineCapacity);
    big[EditLineCapacity] = 0;
    e = Event(L"abc", 3);
    CHECK_EQ(InsertText(3, &e, big), -1);
    CHECK_TEXT(e.line, L"abc");
    CHECK(TestLineGuardIntact());
}

TEST(insert_without_a_line_fails)
{
    KeyEvent e = {};
    CHECK_EQ(InsertText(0, &e, L"x"), -1);
    CHECK_EQ(InsertText(0, nullptr, L"x"), -1);
}

// The cursor moves left by the count when it stood behind the deleted part, to the position
// when inside it, and stays when before it; a count past the end cuts the line.
TEST(delete_text_and_cursor)
{
    const struct {
        const wchar_t *line;
        int cursor, position, count;
        const wchar_t *after;
        int cursorAfter;
    } cases[] = {
        {L"abcdefgh", 3, 2, 3, L"abfgh", 2}, {L"abcdefgh", 6, 2, 3, L"abfgh", 3},
        {L"abcdefgh", 5, 2, 3, L"abfgh", 2}, {L"abcdefgh", 1, 2, 3, L"abfgh", 1},
        {L"abcdefgh", 2, 2, 3, L"abfgh", 2}, {L"abcdef", 6, 3, 100, L"abc", 3},
        {L"abcdef", 2, 0, 6, L"", 0},        {L"abcdef", 6, 9, 2, L"abcdef", 6},
        {L"abcdef", 4, 1, 0, L"abcdef", 4},  {L"abcdef", 4, 1, -2, L"abcdef", 4},
    };
    for (const auto &c : cases) {
        KeyEvent e = Event(c.line, c.cursor);
        Host().ResetCounters();
        CHECK_EQ(DeleteText(c.position, &e, c.count), 0);
        CHECK_TEXT(e.line, c.after);
        CHECK_EQ(CursorOf(e), c.cursorAfter);
        CHECK_EQ(e.redraw, 1);
        CHECK_EQ(Host().ClearEditLineCalls(), 1);
        int cleared = c.position < (int)wcslen(c.line) ? c.position : (int)wcslen(c.line);
        CHECK(Host().LastClearEditLine() == e.line + cleared);
    }
}

TEST(delete_on_a_full_line)
{
    KeyEvent e = LongLineEvent<KeyEvent>('x', EditLineCapacity - 1, L'a', EditLineCapacity - 1);
    e.line[EditLineCapacity - 2] = L'z';
    DeleteText(0, &e, 1);
    CHECK_EQ((int)wcslen(e.line), EditLineCapacity - 2);
    CHECK(e.line[EditLineCapacity - 3] == L'z');
    CHECK_EQ(CursorOf(e), EditLineCapacity - 2);
    CHECK(TestLineGuardIntact());
}

TEST(word_at_cursor_around_blanks)
{
    int start = -9, length = -9;
    wchar_t text[16];
    KeyEvent e = Event(L"copy  abc", 4);
    CHECK_EQ(FindWordAtCursor(&e, &start, &length, text, 16), 1);
    CHECK_EQ(start, 0);
    CHECK_EQ(length, 4);
    CHECK_TEXT(text, L"copy");

    e = Event(L"copy  abc", 5);
    CHECK_EQ(FindWordAtCursor(&e, &start, &length, text, 16), 0);

    e = Event(L"copy  abc", 6);
    CHECK_EQ(FindWordAtCursor(&e, &start, &length, text, 16), 1);
    CHECK_EQ(start, 6);
    CHECK_EQ(length, 3);
    CHECK_TEXT(text, L"abc");

    // The word runs on past the cursor; one that begins after it is not taken.
    e = Event(L"echo hello world", 7);
    CHECK_EQ(FindWordAtCursor(&e, &start, &length, text, 16), 1);
    CHECK_TEXT(text, L"hello");
    e = Event(L"ab\t\tcd", 3);
    CHECK_EQ(FindWordAtCursor(&e, &start, &length, text, 16), 0);
}

TEST(word_at_cursor_at_the_start_of_the_line)
{
    int start = -9, length = -9;
    KeyEvent e = Event(L"dir /s", 0);
    CHECK_EQ(FindWordAtCursor(&e, &start, &length, nullptr, 0), 1);
    CHECK_EQ(start, 0);
    CHECK_EQ(length, 3);

    e = Event(L"  dir", 0);
    CHECK_EQ(FindWordAtCursor(&e, &start, &length, nullptr, 0), 0);

    e = Event(L"", 0);
    CHECK_EQ(FindWordAtCursor(&e, &start, &length, nullptr, 0), 0);

    KeyEvent none = {};
    CHECK_EQ(FindWordAtCursor(&none, &start, &length, nullptr, 0), 0);
    CHECK_EQ(FindWordAtCursor(nullptr, &start, &length, nullptr, 0), 0);
}

TEST(word_at_cursor_keeps_quoted_blanks)
{
    int start = -9, length = -9;
    wchar_t text[16];
    KeyEvent e = Event(L"\"a b\" c", 1);
    CHECK_EQ(FindWordAtCursor(&e, &start, &length, text, 16), 1);
    CHECK_EQ(start, 0);
    CHECK_EQ(length, 5);
    CHECK_TEXT(text, L"\"a b\"");

    e = Event(L"copy x\"a b\"y z", 8);
    CHECK_EQ(FindWordAtCursor(&e, &start, &length, text, 16), 1);
    CHECK_TEXT(text, L"x\"a b\"y");

    // An unbalanced quote keeps the rest of the line in the word.
    e = Event(L"echo \"a b c", 6);
    CHECK_EQ(FindWordAtCursor(&e, &start, &length, text, 16), 1);
    CHECK_EQ(start, 5);
    CHECK_TEXT(text, L"\"a b c");
}

TEST(word_at_cursor_outputs_are_optional_and_bounded)
{
    KeyEvent e = Event(L"echo abcdef", 8);
    CHECK_EQ(FindWordAtCursor(&e, nullptr, nullptr, nullptr, 0), 1);

    wchar_t text[8] = L"stale";
    int length = 0;
    CHECK_EQ(FindWordAtCursor(&e, nullptr, &length, text, 6), 1);
    CHECK_EQ(length, 6);
    CHECK_TEXT(text, L"");

    CHECK_EQ(FindWordAtCursor(&e, nullptr, nullptr, text, 7), 1);
    CHECK_TEXT(text, L"abcdef");
}

// Long lines: the word is found sixteen units at a time, so quotes, blanks beyond ASCII and
// the line's end must count the same across those blocks.
TEST(word_at_cursor_on_long_lines)
{
    const wchar_t *quoted = L"copy \"quoted words that run on past sixteen units\" next-word tail";
    const wchar_t *open = L"one \"two three four five six seven eight nine ten eleven\" twelve "
                          L"\"thirteen";
    const wchar_t *wide = L"abcdefghijklmnopqrstuvwxyz\x3000"
                          L"abcdefghijklmnopqrstuvwxyz0123456789";
    const struct {
        const char *name;
        const wchar_t *line;
        int cursor, found, start, length;
    } rows[] = {
        {"in a quoted stretch", quoted, 40, 1, 5, 45},
        {"after a quoted stretch", quoted, 60, 1, 51, 9},
        {"a stretch of eleven words in quotes", open, 10, 1, 4, 53},
        {"between two quoted stretches", open, 60, 1, 58, 6},
        {"an unbalanced quote to the end", open, 74, 1, 65, 9},
        {"past the end", open, 80, 0, 0, 0},
        {"before a blank beyond ASCII", wide, 26, 1, 0, 26},
        {"after a blank beyond ASCII", wide, 50, 1, 27, 36},
    };
    for (const auto &row : rows) {
        KeyEvent e = Event(row.line, row.cursor);
        int start = -1, length = -1;
        int found = FindWordAtCursor(&e, &start, &length, nullptr, 0);
        if (found != row.found || (found && (start != row.start || length != row.length)))
            CheckFailed(__FILE__, __LINE__, row.name, nullptr);
    }
}

TEST(last_char)
{
    CHECK(LastChar(L"abc") == L'c');
    CHECK(LastChar(L"a") == L'a');
    CHECK(LastChar(L"") == 0);
    CHECK(LastChar(nullptr) == 0);
}
