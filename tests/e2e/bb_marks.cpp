// Command marks through the plug-in's exports: Enter marks the line's first row, the
// Ctrl-Alt-Up / Ctrl-Alt-Down hotkeys move the window between marks, and /Y repaints them.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/screen.h"
#include "tests/support/startedplugin.h"

#include <stdlib.h>

namespace
{

enum { Rows = 3000, WindowRows = 25, Plain = 0x0007, Neighbour = 0x0030 };
enum { CtrlUp = 0x1008D, CtrlDown = 0x10091 };

PluginDll &Loaded(void)
{
    static PluginDll plugin = StartPlugin(nullptr);
    return plugin;
}

int Linewise(const wchar_t *arguments)
{
    int result = Loaded().linewise(arguments);
    TakeOutput(1);
    TakeOutput(2);
    return result;
}

// A screen buffer of its own, made active so that "CONOUT$" opens it: 80 x 3000, every cell
// Plain with the Neighbour colours in column 1, the window at the top.
HANDLE Screen(void)
{
    static HANDLE screen;
    if (screen)
        return screen;
    screen = NewTestScreen(80, Rows, WindowRows);
    if (!screen)
        exit(2);
    DWORD done = 0;
    COORD origin = {0, 0};
    FillConsoleOutputAttribute(screen, Plain, 80 * Rows, origin, &done);
    for (SHORT row = 0; row < Rows; row++) {
        COORD cell = {1, row};
        FillConsoleOutputAttribute(screen, Neighbour, 1, cell, &done);
    }
    return screen;
}

WORD AttributeAt(int row)
{
    WORD attribute = 0;
    DWORD done = 0;
    COORD cell = {0, (SHORT)row};
    ReadConsoleOutputAttribute(Screen(), &attribute, 1, cell, &done);
    return attribute;
}

int Top(void)
{
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    GetConsoleScreenBufferInfo(Screen(), &info);
    return info.srWindow.Top;
}

wchar_t Line[64];

// Enter on a command line that begins on the given row.
void Enter(int row)
{
    Loaded();
    lstrcpynW(Line, L"dir", 64);
    ShellKeyEvent event = {};
    event.code = 13;
    event.homeRow = event.row = row;
    event.column = 3;
    event.line = Line;
    event.cursor = Line + 3;
    CHECK_EQ(Loaded().key(&event), 0);
    CHECK_EQ(event.code, 13);
}

// Ctrl-Alt and the shell's code for Ctrl-Up or Ctrl-Down; the new top row.
int Scroll(int code)
{
    Host().ResetCounters();
    Line[0] = 0;
    ShellKeyEvent event = {};
    event.code = code;
    event.line = Line;
    event.cursor = Line;
    PressModifiers(false, true, true, true);
    CHECK_EQ(Loaded().key(&event), 0);
    PressModifiers(false, true, true, false);
    CHECK_EQ(event.code, 0);
    return Top();
}

} // namespace

TEST(marks_enter_then_scroll_and_repaint)
{
    Screen();
    CHECK_EQ(Linewise(L"/D /E1 /Y:1 /Q"), 0);
    Enter(100);
    Enter(700);
    Enter(1800);
    // Invisible marks: the colours stay.
    CHECK_EQ(AttributeAt(100) & 0xFF, Plain);
    CHECK((AttributeAt(700) & 0x2800) != 0);
    CHECK_EQ(AttributeAt(701), Plain);

    // Wrap is on by default: up from the top goes to the last mark, at the buffer's end.
    CHECK_EQ(Scroll(CtrlUp), 1800);
    CHECK_EQ(Scroll(CtrlUp), 700);
    CHECK_EQ(Scroll(CtrlDown), 1800);
    CHECK_EQ(Scroll(CtrlDown), 100);
    CHECK_EQ(Host().HonkCalls(), 0);

    // Visible marks on: every mark recoloured at once.
    CHECK_EQ(Linewise(L"/Y:3 /Q"), 0);
    CHECK_EQ(AttributeAt(100) & 0xFF, 0x1F);
    CHECK_EQ(AttributeAt(1800) & 0xFF, 0x1F);
    CHECK_EQ(AttributeAt(101), Plain);
    Enter(2990);
    CHECK_EQ(AttributeAt(2990) & 0xFF, 0x1F);

    // Off, without wrap: the marks take their neighbours' colours and still steer.
    CHECK_EQ(Linewise(L"/Y:0 /Q"), 0);
    CHECK_EQ(AttributeAt(100) & 0xFF, Neighbour);
    CHECK_EQ(AttributeAt(2990) & 0xFF, Neighbour);
    CHECK_EQ(Scroll(CtrlDown), 700);
    CHECK_EQ(Scroll(CtrlDown), 1800);
    CHECK_EQ(Scroll(CtrlDown), Rows - WindowRows);
    CHECK_EQ(Scroll(CtrlDown), Rows - WindowRows);
    CHECK_EQ(Host().HonkCalls(), 1);
}
