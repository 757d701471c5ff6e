// Clear Screen (Alt-L) through the exported hook on a console buffer of 80 x 3000 with a 25-row
// window: the window moves to the prompt, or near the buffer's end the contents move up and
// the rows of the record are lowered by as much.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/screen.h"
#include "tests/support/startedplugin.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

namespace
{

enum { AltL = 0x10026, Rows = 3000, WindowRows = 25, Fill = 0x0017 };

// A screen buffer of its own, active before the plug-in opens "CONOUT$" at load.
HANDLE Screen(void)
{
    static HANDLE screen = NewTestScreen(80, Rows, 0);
    if (!screen)
        exit(2);
    return screen;
}

PluginDll &Plugin(void)
{
    Screen(); // active before the plug-in opens "CONOUT$"
    static PluginDll plugin = StartPlugin(L"/E1 /Q");
    return plugin;
}

void Prepare(int top)
{
    SMALL_RECT window = {0, 0, 79, WindowRows - 1};
    SetConsoleWindowInfo(Screen(), TRUE, &window);
    DWORD done = 0;
    for (int row = 0; row < Rows; row++) {
        wchar_t text[80];
        int length = swprintf(text, 80, L"line %04d%71ls", row, L"");
        COORD cell = {0, (SHORT)row};
        WriteConsoleOutputCharacterW(Screen(), text, (DWORD)length, cell, &done);
    }
    SetConsoleTextAttribute(Screen(), Fill);
    window.Top = (SHORT)top;
    window.Bottom = (SHORT)(top + WindowRows - 1);
    SetConsoleWindowInfo(Screen(), TRUE, &window);
}

const wchar_t *Cells(int row)
{
    static wchar_t text[10];
    DWORD done = 0;
    COORD cell = {0, (SHORT)row};
    ReadConsoleOutputCharacterW(Screen(), text, 9, cell, &done);
    text[done] = 0;
    return text;
}

} // namespace

TEST(clear_screen_through_the_hook)
{
    Plugin();
    struct Row {
        const char *name;
        const wchar_t *prompt;
        int top, homeRow;
        int expectedTop, lowered;
    } rows[] = {
        {"room below", nullptr, 0, 300, 300, 0},
        {"prompt of three lines", L"$p$_$t$_$g", 0, 300, 298, 0},
        {"near the end", nullptr, Rows - WindowRows, 2994, Rows - WindowRows, 19},
    };
    SetEnvironmentVariableW(L"WT_SESSION", nullptr);
    for (const Row &row : rows) {
        SetEnvironmentVariableW(L"Prompt", row.prompt);
        Prepare(row.top);
        wchar_t line[16] = L"cls";
        ShellKeyEvent event = {};
        event.code = AltL;
        event.homeRow = row.homeRow;
        event.row = row.homeRow + 1;
        event.column = 2;
        event.line = line;
        event.cursor = line + 2;
        Host().ResetCounters();
        CHECK_ROW_EQ(row.name, Plugin().key(&event), 0);
        CHECK_ROW_EQ(row.name, event.code, 0);
        CHECK_ROW_EQ(row.name, event.redraw, 0);
        CHECK_ROW(row.name, event.cursor == line + 2 && wcscmp(line, L"cls") == 0);
        CHECK_ROW_EQ(row.name, event.homeRow, row.homeRow - row.lowered);
        CHECK_ROW_EQ(row.name, event.row, row.homeRow + 1 - row.lowered);
        CHECK_ROW_EQ(row.name, Host().HonkCalls(), 0);
        CONSOLE_SCREEN_BUFFER_INFO info = {};
        GetConsoleScreenBufferInfo(Screen(), &info);
        CHECK_ROW_EQ(row.name, info.srWindow.Top, row.expectedTop);
        // The prompt's first row heads the window.
        wchar_t expected[16];
        swprintf(expected, 16, L"line %04d", row.homeRow - (row.prompt ? 2 : 0));
        CHECK_ROW_TEXT(row.name, Cells(info.srWindow.Top), expected);
        if (row.lowered) {
            CHECK_ROW_TEXT(row.name, Cells(Rows - 1), L"         ");
            WORD attribute = 0;
            DWORD done = 0;
            COORD last = {79, Rows - 1};
            ReadConsoleOutputAttribute(Screen(), &attribute, 1, last, &done);
            CHECK_ROW_EQ(row.name, attribute, Fill);
        }
    }
    SetEnvironmentVariableW(L"Prompt", nullptr);
}
