// Clear Screen on a real console buffer of 80 x 3000 with a 25-row window: the window's place,
// the cells after a shift, the fill colours and the lowered rows; the Windows Terminal path's
// rows and console mode; the prompt's line count.
#include "actions/console/clearscreen.h"
#include "frame/globals.h"
#include "tests/support/check.h"
#include "tests/support/screen.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

namespace
{

enum { Columns = 80, Rows = 3000, WindowRows = 25, Plain = 0x0007, Current = 0x001E };

HANDLE Screen(void)
{
    static HANDLE screen = Plugin.console = NewTestScreen(0, 0, 0);
    return screen;
}

void PlaceWindow(int top)
{
    SMALL_RECT window = {0, (SHORT)top, Columns - 1, (SHORT)(top + WindowRows - 1)};
    SetConsoleWindowInfo(Screen(), TRUE, &window);
}

// Every row r reads "row r" in Plain colours; the current colours are Current; the window at
// the given top.
bool MakeScreen(int top)
{
    HANDLE screen = Screen();
    COORD size = {Columns, Rows};
    PlaceWindow(0);
    if (!screen || !SetConsoleScreenBufferSize(screen, size))
        return false;
    // Blocks of rows in one call each: every console call is a round trip to the console.
    enum { BlockRows = 200 };
    static CHAR_INFO block[BlockRows * Columns];
    for (int first = 0; first < Rows; first += BlockRows) {
        for (int i = 0; i < BlockRows * Columns; i++) {
            block[i].Char.UnicodeChar = L' ';
            block[i].Attributes = Plain;
        }
        for (int r = 0; r < BlockRows; r++) {
            wchar_t text[16];
            int length = swprintf(text, 16, L"row %d", first + r);
            for (int c = 0; c < length; c++)
                block[r * Columns + c].Char.UnicodeChar = text[c];
        }
        COORD blockSize = {Columns, BlockRows};
        COORD origin = {0, 0};
        SMALL_RECT region = {0, (SHORT)first, Columns - 1, (SHORT)(first + BlockRows - 1)};
        if (!WriteConsoleOutputW(screen, block, blockSize, origin, &region))
            return false;
    }
    SetConsoleTextAttribute(screen, Current);
    PlaceWindow(top);
    return true;
}

// The text of a row, its trailing blanks cut.
const wchar_t *RowText(int row)
{
    static wchar_t text[Columns + 1];
    DWORD done = 0;
    COORD cell = {0, (SHORT)row};
    ReadConsoleOutputCharacterW(Screen(), text, Columns, cell, &done);
    text[done] = 0;
    while (done > 0 && text[done - 1] == L' ')
        text[--done] = 0;
    return text;
}

const wchar_t *Expected(int row)
{
    static wchar_t text[16];
    swprintf(text, 16, L"row %d", row);
    return text;
}

WORD AttributeAt(int row, int column)
{
    WORD attribute = 0;
    DWORD done = 0;
    COORD cell = {(SHORT)column, (SHORT)row};
    ReadConsoleOutputAttribute(Screen(), &attribute, 1, cell, &done);
    return attribute;
}

CONSOLE_SCREEN_BUFFER_INFO Info(void)
{
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    GetConsoleScreenBufferInfo(Screen(), &info);
    return info;
}

void CheckRow(const char *name, int row, const wchar_t *expected)
{
    if (wcscmp(RowText(row), expected) != 0) {
        char detail[256];
        snprintf(detail, sizeof detail, "row %d holds \"%s\", expected \"%s\"", row,
                 Show(RowText(row)), Show(expected));
        CheckFailed(__FILE__, __LINE__, name, detail);
    }
}

wchar_t Line[64];

KeyEvent Event(int homeRow, int row)
{
    KeyEvent event = {};
    event.code = 0x10026;
    event.homeRow = homeRow;
    event.row = row;
    lstrcpynW(Line, L"dir /s", 64);
    event.line = Line;
    event.cursor = Line + 6;
    event.column = 20;
    return event;
}

struct ClassicCase {
    const char *name;
    const wchar_t *prompt; // null: unset
    int windowTop, homeRow, row;
    int expectedTop;   // the window's top afterwards
    int expectedShift; // rows the contents moved up
};

const ClassicCase ClassicCases[] = {
    {"room below: the window moves", nullptr, 0, 100, 101, 100, 0},
    {"window scrolled down: it moves up to the prompt", nullptr, 2000, 1500, 1500, 1500, 0},
    {"two $_ pairs: two rows above the home row", L"$p$_$d$_$g", 0, 500, 500, 498, 0},
    {"$$_ counts no line", L"$$_x$g", 0, 500, 500, 500, 0},
    {"prompt exactly a window-full from the end", nullptr, 0, 2975, 2975, 2975, 0},
    {"near the end: the contents move", nullptr, 2975, 2990, 2991, 2975, 15},
    {"near the end, two-line prompt", L"$p$_$g", 2975, 2990, 2990, 2975, 14},
    {"last row: the contents move a window less one", nullptr, 2975, 2999, 2999, 2975, 24},
    {"prompt above the buffer: nothing moves", L"$_$_$_", 40, 1, 1, 40, 0},
    {"home row past the buffer: nothing moves", nullptr, 40, 3005, 3005, 40, 0},
};

void RunClassicCase(const ClassicCase &c)
{
    SetEnvironmentVariableW(L"WT_SESSION", nullptr);
    SetEnvironmentVariableW(L"Prompt", c.prompt);
    if (!MakeScreen(c.windowTop)) {
        CheckFailed(__FILE__, __LINE__, c.name, "no screen buffer");
        return;
    }
    KeyEvent event = Event(c.homeRow, c.row);
    CHECK_ROW_EQ(c.name, ClearScreen(&event), 0);
    CHECK_ROW_EQ(c.name, event.code, 0);
    CHECK_ROW_EQ(c.name, event.redraw, 0);
    CHECK_ROW(c.name, event.cursor == Line + 6 && wcscmp(Line, L"dir /s") == 0);
    CHECK_ROW_EQ(c.name, event.homeRow, c.homeRow - c.expectedShift);
    CHECK_ROW_EQ(c.name, event.row, c.row - c.expectedShift);
    const CONSOLE_SCREEN_BUFFER_INFO info = Info();
    CHECK_ROW_EQ(c.name, info.srWindow.Top, c.expectedTop);
    CHECK_ROW_EQ(c.name, info.srWindow.Bottom - info.srWindow.Top + 1, WindowRows);
    CHECK_ROW_EQ(c.name, info.dwSize.Y, Rows);
    const int k = c.expectedShift;
    // Every row below the lost ones arrived k rows higher; the uncovered rows are blanks in the
    // current colours, across the whole width.
    CheckRow(c.name, 0, Expected(k));
    CheckRow(c.name, Rows - WindowRows, Expected(Rows - WindowRows + k));
    CheckRow(c.name, Rows - k - 1, Expected(Rows - 1));
    for (int row = Rows - k; row < Rows; row++) {
        CheckRow(c.name, row, L"");
        CHECK_ROW_EQ(c.name, AttributeAt(row, 0), Current);
        CHECK_ROW_EQ(c.name, AttributeAt(row, Columns - 1), Current);
    }
    CHECK_ROW_EQ(c.name, AttributeAt(Rows - k - 1, 0), Plain);
}

} // namespace

TEST(prompt_lines_counted_by_pairs)
{
    struct Row {
        const char *name;
        const wchar_t *prompt;
        int lines;
    } rows[] = {
        {"null", nullptr, 0},
        {"empty", L"", 0},
        {"one pair", L"$_", 1},
        {"plain prompt", L"$p$g", 0},
        {"two pairs among others", L"$p$_$d$_$g", 2},
        {"doubled dollar then underscore", L"$$_", 0},
        {"three dollars then underscore", L"$$$_", 1},
        {"dollar at the end", L"$_x$", 1},
        {"lone dollar", L"$", 0},
        {"underscore alone", L"_ _", 0},
        {"pair then underscore", L"$__", 1},
    };
    for (const Row &row : rows)
        CHECK_ROW_EQ(row.name, CountPromptLines(row.prompt), row.lines);

    SetEnvironmentVariableW(L"Prompt", L"$p$_$g");
    CHECK_EQ(PromptExtraLines(), 1);
    wchar_t overlong[1100];
    for (int i = 0; i < 1098; i += 2) {
        overlong[i] = L'$';
        overlong[i + 1] = L'_';
    }
    overlong[1098] = 0;
    SetEnvironmentVariableW(L"Prompt", overlong);
    CHECK_EQ(PromptExtraLines(), 0);
    SetEnvironmentVariableW(L"Prompt", nullptr);
    CHECK_EQ(PromptExtraLines(), 0);
}

TEST(classic_console_window_or_shift)
{
    for (const ClassicCase &c : ClassicCases)
        RunClassicCase(c);
    SetEnvironmentVariableW(L"Prompt", nullptr);
}

TEST(classic_console_wider_buffer_moves_whole_rows)
{
    SetEnvironmentVariableW(L"WT_SESSION", nullptr);
    SetEnvironmentVariableW(L"Prompt", nullptr);
    CHECK(MakeScreen(Rows - WindowRows));
    COORD size = {120, Rows};
    CHECK(SetConsoleScreenBufferSize(Screen(), size));
    DWORD done = 0;
    COORD distant = {110, 2995};
    WriteConsoleOutputCharacterW(Screen(), L"far", 3, distant, &done);
    KeyEvent event = Event(2990, 2990);
    ClearScreen(&event);
    CHECK_EQ(event.homeRow, 2975);
    wchar_t text[4] = {};
    COORD moved = {110, 2980};
    ReadConsoleOutputCharacterW(Screen(), text, 3, moved, &done);
    CHECK_TEXT(text, L"far");
}

TEST(windows_terminal_scrolls_the_viewport)
{
    struct Row {
        const char *name;
        const wchar_t *prompt;
        int cursorRow;
        int lowered; // rows homeRow and row go down by
    } rows[] = {
        {"cursor on row 10", nullptr, 10, 10},
        {"two-line prompt", L"$p$_$g", 10, 9},
        {"prompt already on the top row", nullptr, 0, 0},
        {"two-line prompt already on top", L"$p$_$g", 1, 0},
    };
    SetEnvironmentVariableW(L"WT_SESSION", L"{5d3a2a6e-0000-4000-8000-000000000001}");
    for (const Row &row : rows) {
        SetEnvironmentVariableW(L"Prompt", row.prompt);
        // Windows Terminal's buffer is as large as its viewport.
        PlaceWindow(0);
        COORD size = {Columns, WindowRows};
        CHECK_ROW(row.name, SetConsoleScreenBufferSize(Screen(), size) != 0);
        DWORD done = 0;
        COORD origin = {0, 0};
        FillConsoleOutputCharacterW(Screen(), L'x', Columns * WindowRows, origin, &done);
        COORD cursor = {5, (SHORT)row.cursorRow};
        SetConsoleCursorPosition(Screen(), cursor);
        DWORD before = 0;
        GetConsoleMode(Screen(), &before);
        SetConsoleMode(Screen(), before & ~ENABLE_VIRTUAL_TERMINAL_PROCESSING);
        GetConsoleMode(Screen(), &before);

        KeyEvent event = Event(row.cursorRow, row.cursorRow);
        ClearScreen(&event);
        CHECK_ROW_EQ(row.name, event.code, 0);
        CHECK_ROW_EQ(row.name, event.homeRow, row.cursorRow - row.lowered);
        CHECK_ROW_EQ(row.name, event.row, row.cursorRow - row.lowered);
        DWORD after = 0;
        GetConsoleMode(Screen(), &after);
        CHECK_ROW_EQ(row.name, after, before);
        // Wine's console shows the sequences as text instead of obeying them: the cells after
        // the cursor hold exactly what was written.
        wchar_t written[32] = {};
        DWORD read = 0;
        ReadConsoleOutputCharacterW(Screen(), written, 16, cursor, &read);
        for (DWORD i = 0; i < read; i++)
            if (written[i] == L'x') {
                written[i] = 0;
                break;
            }
        wchar_t expected[32] = {};
        if (row.lowered > 0)
            swprintf(expected, 32, L"\x1b[H\x1b[%dS", row.lowered);
        CHECK_ROW_TEXT(row.name, written, expected);
    }
    SetEnvironmentVariableW(L"WT_SESSION", nullptr);
    SetEnvironmentVariableW(L"Prompt", nullptr);
}

TEST(no_console_buffer_is_silent)
{
    HANDLE saved = Plugin.console;
    Plugin.console = nullptr;
    KeyEvent event = Event(100, 100);
    CHECK_EQ(ClearScreen(&event), 0);
    CHECK_EQ(event.code, 0);
    CHECK_EQ(event.homeRow, 100);
    Plugin.console = saved;
    CHECK_EQ(ClearScreen(nullptr), 0);
}
