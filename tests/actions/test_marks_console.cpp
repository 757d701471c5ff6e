// Command marks on a real console: marking cells, scrolling the window from mark to mark and
// repainting, on a screen buffer of 3000 rows with a 25-row window.
#include "actions/console/marks.h"
#include "settings/settings.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/screen.h"

namespace
{

enum { Rows = 3000, WindowRows = 25, Plain = 0x0007 };

HANDLE Screen(void)
{
    static HANDLE screen = NewTestScreen(0, 0, 0);
    return screen;
}

SMALL_RECT Window(void)
{
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    GetConsoleScreenBufferInfo(Screen(), &info);
    return info.srWindow;
}

bool PlaceWindow(int left, int top, int width)
{
    SMALL_RECT window = {(SHORT)left, (SHORT)top, (SHORT)(left + width - 1),
                         (SHORT)(top + WindowRows - 1)};
    return SetConsoleWindowInfo(Screen(), TRUE, &window) != 0;
}

// A fresh buffer of the given width: every cell an 'x' in Plain colours, the window 80 wide at
// the top left.
bool MakeScreen(int width)
{
    HANDLE screen = Screen();
    if (!screen)
        return false;
    PlaceWindow(0, 0, 80);
    COORD size = {(SHORT)width, Rows};
    if (!SetConsoleScreenBufferSize(screen, size))
        return false;
    if (!PlaceWindow(0, 0, 80))
        return false;
    DWORD done = 0;
    COORD origin = {0, 0};
    FillConsoleOutputCharacterW(screen, L'x', (DWORD)width * Rows, origin, &done);
    FillConsoleOutputAttribute(screen, Plain, (DWORD)width * Rows, origin, &done);
    return done == (DWORD)width * Rows;
}

WORD AttributeAt(int row, int column = 0)
{
    WORD attribute = 0;
    DWORD done = 0;
    COORD cell = {(SHORT)column, (SHORT)row};
    ReadConsoleOutputAttribute(Screen(), &attribute, 1, cell, &done);
    return attribute;
}

void SetAttribute(int row, WORD attribute, int column = 0)
{
    DWORD done = 0;
    COORD cell = {(SHORT)column, (SHORT)row};
    WriteConsoleOutputAttribute(Screen(), &attribute, 1, cell, &done);
}

wchar_t CharacterAt(int row, int column = 0)
{
    wchar_t ch = 0;
    DWORD done = 0;
    COORD cell = {(SHORT)column, (SHORT)row};
    ReadConsoleOutputCharacterW(Screen(), &ch, 1, cell, &done);
    return ch;
}

int Top(void)
{
    return Window().Top;
}

// Scrolls and reports the new top row; honks counts the error sounds of the call.
int ScrollTo(ScrollDirection direction, int *honks = nullptr)
{
    Host().ResetCounters();
    ScrollByCommands(direction);
    if (honks)
        *honks = Host().HonkCalls();
    return Top();
}

const int Spread[] = {5, 511, 512, 1500, 2999};

void MarkSpread(void)
{
    for (int row : Spread)
        MarkCommandLine(row);
}

void Use(unsigned short markBit, unsigned int scrollyFlags)
{
    CommandMarkBit = markBit;
    Settings.ScrollyFlags = scrollyFlags;
    Settings.ErrorSound = 1;
}

} // namespace

TEST(console_marking_without_visible_marks)
{
    CHECK(MakeScreen(80));
    Use(0x0800, ScrollyWrap);
    SetAttribute(10, 0x0017);
    MarkCommandLine(10);
    MarkCommandLine(11);
    CHECK_EQ(AttributeAt(10), 0x0817);
    CHECK_EQ(AttributeAt(11), 0x0807);
    CHECK_EQ(CharacterAt(10), L'x');
    CHECK_EQ(AttributeAt(10, 1), Plain);
    CHECK_EQ(AttributeAt(9), Plain);
    CHECK_EQ(AttributeAt(12), Plain);
}

TEST(console_marking_with_visible_marks)
{
    CHECK(MakeScreen(80));
    Use(0x0800, ScrollyVisible);
    SetAttribute(20, 0x0017);
    SetAttribute(21, 0x8007);
    SetAttribute(22, 0x0827);
    MarkCommandLine(19);
    MarkCommandLine(20);
    MarkCommandLine(21);
    MarkCommandLine(22);
    CHECK_EQ(AttributeAt(19), 0x081F);
    CHECK_EQ(AttributeAt(20), 0x084E);
    CHECK_EQ(AttributeAt(21), 0x881F);
    // Already marked: its colour stays.
    CHECK_EQ(AttributeAt(22), 0x0827);
    // Enter again on a marked row changes nothing.
    MarkCommandLine(20);
    CHECK_EQ(AttributeAt(20), 0x084E);
    for (int row = 19; row <= 22; row++) {
        CHECK_EQ(CharacterAt(row), L'x');
        CHECK_EQ(AttributeAt(row, 1), Plain);
    }
}

TEST(console_marking_rows_outside_the_buffer)
{
    CHECK(MakeScreen(80));
    Use(0x0800, ScrollyVisible);
    MarkCommandLine(-1);
    MarkCommandLine(Rows);
    // 65536 + 10 would be row 10 if cut to 16 bits.
    MarkCommandLine(65546);
    MarkCommandLine(0x7FFF);
    CHECK_EQ(AttributeAt(10), Plain);
    CHECK_EQ(AttributeAt(0), Plain);
    CHECK_EQ(AttributeAt(Rows - 1), Plain);
    CHECK_EQ(Top(), 0);
}

TEST(console_scroll_up_through_blocks)
{
    CHECK(MakeScreen(80));
    Use(0x0800, 0);
    MarkSpread();
    CHECK(PlaceWindow(0, 1000, 80));
    int honks = -1;
    CHECK_EQ(ScrollTo(ScrollUp, &honks), 512);
    CHECK_EQ(honks, 0);
    CHECK_EQ(ScrollTo(ScrollUp), 511);
    CHECK_EQ(ScrollTo(ScrollUp), 5);
    // No earlier mark and no wrap: error sound, window stays.
    CHECK_EQ(ScrollTo(ScrollUp, &honks), 5);
    CHECK_EQ(honks, 1);
    // With wrap: the last mark, the window's bottom on the buffer's last row.
    Settings.ScrollyFlags = ScrollyWrap;
    CHECK_EQ(ScrollTo(ScrollUp, &honks), Rows - WindowRows);
    CHECK_EQ(honks, 0);
    CHECK_EQ(Window().Bottom, Rows - 1);
    CHECK_EQ(ScrollTo(ScrollUp), 1500);
}

TEST(console_scroll_down_through_blocks)
{
    CHECK(MakeScreen(80));
    Use(0x0800, ScrollyVisible);
    MarkSpread();
    int honks = -1;
    CHECK_EQ(ScrollTo(ScrollDown, &honks), 5);
    CHECK_EQ(honks, 0);
    CHECK_EQ(ScrollTo(ScrollDown), 511);
    CHECK_EQ(ScrollTo(ScrollDown), 512);
    CHECK_EQ(ScrollTo(ScrollDown), 1500);
    CHECK_EQ(ScrollTo(ScrollDown), Rows - WindowRows);
    // The window shows the end already.
    CHECK_EQ(ScrollTo(ScrollDown, &honks), Rows - WindowRows);
    CHECK_EQ(honks, 1);
    Settings.ScrollyFlags = ScrollyWrap | ScrollyVisible;
    CHECK_EQ(ScrollTo(ScrollDown, &honks), 5);
    CHECK_EQ(honks, 0);
}

TEST(console_scroll_from_a_marked_top_row)
{
    CHECK(MakeScreen(80));
    Use(0x0800, 0);
    MarkSpread();
    CHECK(PlaceWindow(0, 512, 80));
    CHECK_EQ(ScrollTo(ScrollUp), 511);
    CHECK(PlaceWindow(0, 512, 80));
    CHECK_EQ(ScrollTo(ScrollDown), 1500);
}

TEST(console_scroll_returns_to_column_zero)
{
    CHECK(MakeScreen(200));
    Use(0x0800, 0);
    MarkSpread();
    CHECK(PlaceWindow(50, 1000, 80));
    CHECK_EQ(ScrollTo(ScrollDown), 1500);
    SMALL_RECT window = Window();
    CHECK_EQ(window.Left, 0);
    CHECK_EQ(window.Right, 79);
    CHECK_EQ(window.Bottom, 1500 + WindowRows - 1);
    CHECK(PlaceWindow(120, 1000, 80));
    CHECK_EQ(ScrollTo(ScrollUp), 512);
    window = Window();
    CHECK_EQ(window.Left, 0);
    CHECK_EQ(window.Right, 79);
}

TEST(console_scroll_without_marks)
{
    CHECK(MakeScreen(80));
    // A mark in column 1 or under the other bit is no mark.
    SetAttribute(300, 0x0807, 1);
    SetAttribute(400, 0x2007);
    for (unsigned int flags = 0; flags < 4; flags++) {
        Use(0x0800, flags);
        CHECK(PlaceWindow(0, 1000, 80));
        int honks = -1;
        CHECK_EQ(ScrollTo(ScrollUp, &honks), 1000);
        CHECK_EQ(honks, 1);
        CHECK_EQ(ScrollTo(ScrollDown, &honks), 1000);
        CHECK_EQ(honks, 1);
    }
    // Error sound 0: still no move, but silent.
    Settings.ErrorSound = 0;
    int honks = -1;
    CHECK_EQ(ScrollTo(ScrollDown, &honks), 1000);
    CHECK_EQ(honks, 0);
}

TEST(console_repaint_on_and_off)
{
    CHECK(MakeScreen(80));
    Use(0x0800, ScrollyVisible);
    SetAttribute(511, 0x0017);
    SetAttribute(1500, 0x4007);
    MarkSpread();
    CHECK_EQ(AttributeAt(511), 0x084E);
    for (int row : Spread)
        SetAttribute(row, 0x0023, 1);
    SetAttribute(1500, 0x0070, 1);
    // Untouched cells: in a block without marks, and next to the marks beyond column 1.
    SetAttribute(2100, 0x0065);
    SetAttribute(2100, 0x0807, 1);

    Settings.ScrollyFlags = 0;
    CHECK_EQ(RepaintCommandMarks(), 5);
    CHECK_EQ(AttributeAt(5), 0x0823);
    CHECK_EQ(AttributeAt(511), 0x0823);
    CHECK_EQ(AttributeAt(512), 0x0823);
    CHECK_EQ(AttributeAt(1500), 0x4870);
    CHECK_EQ(AttributeAt(2999), 0x0823);
    CHECK_EQ(AttributeAt(5, 1), 0x0023);
    CHECK_EQ(AttributeAt(2100), 0x0065);
    CHECK_EQ(AttributeAt(2100, 1), 0x0807);
    CHECK_EQ(AttributeAt(6), Plain);
    CHECK_EQ(AttributeAt(1500, 2), Plain);
    CHECK_EQ(CharacterAt(1500), L'x');
    CHECK_EQ(CharacterAt(1500, 1), L'x');

    // The marks stay and still steer the window.
    CHECK(PlaceWindow(0, 1000, 80));
    CHECK_EQ(ScrollTo(ScrollUp), 512);

    // On again: white on blue everywhere, also where the background was blue.
    Settings.ScrollyFlags = ScrollyVisible;
    CHECK_EQ(RepaintCommandMarks(), 5);
    CHECK_EQ(AttributeAt(5), 0x081F);
    CHECK_EQ(AttributeAt(511), 0x081F);
    CHECK_EQ(AttributeAt(1500), 0x481F);
    CHECK_EQ(AttributeAt(2999), 0x081F);
    CHECK_EQ(AttributeAt(2100), 0x0065);
    CHECK_EQ(AttributeAt(2999, 1), 0x0023);
    CHECK_EQ(CharacterAt(2999), L'x');
}

TEST(console_repaint_without_marks)
{
    CHECK(MakeScreen(80));
    Use(0x0800, ScrollyVisible);
    SetAttribute(700, 0x2017);
    CHECK_EQ(RepaintCommandMarks(), 0);
    CHECK_EQ(AttributeAt(700), 0x2017);
}

TEST(console_marks_with_the_older_bit)
{
    CHECK(MakeScreen(80));
    Use(0x2000, ScrollyVisible);
    MarkSpread();
    CHECK_EQ(AttributeAt(5), 0x201F);
    CHECK_EQ(AttributeAt(2999), 0x201F);
    // A cell that carries only the newer bit is not a mark here.
    SetAttribute(2000, 0x0807);
    CHECK(PlaceWindow(0, 1600, 80));
    CHECK_EQ(ScrollTo(ScrollDown), Rows - WindowRows);
    CHECK(PlaceWindow(0, 1600, 80));
    CHECK_EQ(ScrollTo(ScrollUp), 1500);
    for (int row : Spread)
        SetAttribute(row, 0x0030, 1);
    Settings.ScrollyFlags = 0;
    CHECK_EQ(RepaintCommandMarks(), 5);
    CHECK_EQ(AttributeAt(512), 0x2030);
    CHECK_EQ(AttributeAt(2000), 0x0807);
}
