// The decisions behind command marks: which bit marks a row, what colours a marked cell gets,
// and where scrolling by commands puts the window.
#include "actions/console/marks.h"
#include "tests/support/check.h"

#include <string.h>

namespace
{

unsigned short MarkBitFor(DWORD major, DWORD minor, DWORD build)
{
    OSVERSIONINFOEXW version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = major;
    version.dwMinorVersion = minor;
    version.dwBuildNumber = build;
    return ChooseCommandMarkBit(&version);
}

CommandMarkRows RowsFrom(const int *marked, int count, int top)
{
    CommandMarkRows rows;
    ClearCommandMarkRows(&rows);
    for (int i = 0; i < count; i++)
        NoteCommandMark(&rows, marked[i], top);
    return rows;
}

CommandMarkRows Rows(int first, int above, int below, int last)
{
    CommandMarkRows rows = {first, above, below, last};
    return rows;
}

// The scroll for the marked rows given, in a 3000-row buffer with a 25-row window.
CommandScroll Scroll(const int *marked, int count, int top, ScrollDirection direction, bool wrap)
{
    CommandMarkRows rows = RowsFrom(marked, count, top);
    return ChooseCommandScroll(&rows, top, 3000, 25, direction, wrap);
}

// A scroll from the window top over the marked rows, and where it goes (Any: not checked).
enum { Any = -2 };
struct ScrollRow {
    const char *name;
    const int *marked;
    int count, top;
    ScrollDirection direction;
    bool wrap;
    int target, newTop;
};

template <size_t N> void CheckScrolls(const ScrollRow (&rows)[N])
{
    for (const ScrollRow &row : rows) {
        CommandScroll scroll = Scroll(row.marked, row.count, row.top, row.direction, row.wrap);
        if (row.target != Any)
            CHECK_ROW_EQ(row.name, scroll.target, row.target);
        if (row.newTop != Any)
            CHECK_ROW_EQ(row.name, scroll.top, row.newTop);
    }
}

} // namespace

TEST(mark_bit_follows_windows_version)
{
    CHECK_EQ(MarkBitFor(6, 1, 7601), 0x2000);
    CHECK_EQ(MarkBitFor(5, 1, 2600), 0x2000);
    CHECK_EQ(MarkBitFor(10, 0, 19040), 0x2000);
    CHECK_EQ(MarkBitFor(10, 0, 19041), 0x0800);
    CHECK_EQ(MarkBitFor(10, 0, 22631), 0x0800);
    CHECK_EQ(MarkBitFor(10, 1, 0), 0x0800);
    CHECK_EQ(MarkBitFor(11, 0, 0), 0x0800);
    CHECK_EQ(MarkBitFor(0, 0, 0), 0x2000);
    CHECK_EQ(ChooseCommandMarkBit(nullptr), 0x2000);
    // A build number alone does not make an older major version newer.
    CHECK_EQ(MarkBitFor(6, 3, 99999), 0x2000);
}

TEST(marking_without_visible_marks_adds_only_the_bit)
{
    CHECK_EQ(MarkedAttribute(0x0007, 0x0800, false), 0x0807);
    CHECK_EQ(MarkedAttribute(0x0017, 0x0800, false), 0x0817);
    CHECK_EQ(MarkedAttribute(0x8007, 0x2000, false), 0xA007);
    CHECK_EQ(MarkedAttribute(0x0807, 0x0800, false), 0x0807);
}

TEST(marking_with_visible_marks_recolours)
{
    CHECK_EQ(MarkedAttribute(0x0007, 0x0800, true), 0x081F);
    CHECK_EQ(MarkedAttribute(0x00F0, 0x0800, true), 0x081F);
    // Exactly blue background: yellow on red, whatever the foreground.
    CHECK_EQ(MarkedAttribute(0x0010, 0x0800, true), 0x084E);
    CHECK_EQ(MarkedAttribute(0x001F, 0x0800, true), 0x084E);
    // Bright blue is not blue.
    CHECK_EQ(MarkedAttribute(0x0097, 0x0800, true), 0x081F);
    // High byte kept.
    CHECK_EQ(MarkedAttribute(0xC407, 0x0800, true), 0xCC1F);
    CHECK_EQ(MarkedAttribute(0x8017, 0x2000, true), 0xA04E);
    // The other mark bit is no mark: such a cell is recoloured and keeps that bit.
    CHECK_EQ(MarkedAttribute(0x0807, 0x2000, true), 0x281F);
}

TEST(marking_an_already_marked_cell_keeps_its_colour)
{
    CHECK_EQ(MarkedAttribute(0x084E, 0x0800, true), 0x084E);
    CHECK_EQ(MarkedAttribute(0x0807, 0x0800, true), 0x0807);
    CHECK_EQ(MarkedAttribute(0x2017, 0x2000, true), 0x2017);
}

TEST(repainted_attribute)
{
    // On: always white on blue, also over yellow on red.
    CHECK_EQ(RepaintedAttribute(0x084E, 0x0007, 0x0800, true), 0x081F);
    CHECK_EQ(RepaintedAttribute(0x0817, 0x0017, 0x0800, true), 0x081F);
    CHECK_EQ(RepaintedAttribute(0x4807, 0x0007, 0x0800, true), 0x481F);
    // Off: the neighbour's colours, never its high byte.
    CHECK_EQ(RepaintedAttribute(0x081F, 0x0007, 0x0800, false), 0x0807);
    CHECK_EQ(RepaintedAttribute(0x084E, 0x8023, 0x0800, false), 0x0823);
    CHECK_EQ(RepaintedAttribute(0xA01F, 0x0070, 0x2000, false), 0xA070);
}

TEST(rows_noted_around_the_window_top)
{
    const int marked[] = {5, 40, 100, 200, 300};
    CommandMarkRows rows = RowsFrom(marked, 5, 100);
    CHECK_EQ(rows.first, 5);
    CHECK_EQ(rows.above, 40);
    CHECK_EQ(rows.below, 200);
    CHECK_EQ(rows.last, 300);

    // A mark on the top row counts for first and last only.
    const int alone[] = {100};
    rows = RowsFrom(alone, 1, 100);
    CHECK_EQ(rows.first, 100);
    CHECK_EQ(rows.above, -1);
    CHECK_EQ(rows.below, -1);
    CHECK_EQ(rows.last, 100);

    rows = RowsFrom(marked, 0, 100);
    CHECK_EQ(rows.first, -1);
    CHECK_EQ(rows.last, -1);
}

TEST(block_scan_uses_column_zero_and_block_offset)
{
    CHAR_INFO cells[2 * 8];
    memset(cells, 0, sizeof cells);
    for (int i = 0; i < 16; i++)
        cells[i].Attributes = 0x0007;
    cells[2 * 1].Attributes = 0x0807;     // row 513
    cells[2 * 3 + 1].Attributes = 0x0807; // column 1: not a mark
    cells[2 * 6].Attributes = 0x2007;     // other bit: not a mark
    cells[2 * 7].Attributes = 0x081F;     // row 519
    CommandMarkRows rows;
    ClearCommandMarkRows(&rows);
    ScanCommandMarkBlock(cells, 2, 8, 512, 515, 0x0800, &rows);
    CHECK_EQ(rows.first, 513);
    CHECK_EQ(rows.above, 513);
    CHECK_EQ(rows.below, 519);
    CHECK_EQ(rows.last, 519);

    // Rows past the count are not looked at.
    ClearCommandMarkRows(&rows);
    ScanCommandMarkBlock(cells, 2, 7, 512, 0, 0x0800, &rows);
    CHECK_EQ(rows.last, 513);

    ClearCommandMarkRows(&rows);
    ScanCommandMarkBlock(cells, 2, 8, 0, 0, 0x2000, &rows);
    CHECK_EQ(rows.first, 6);
    CHECK_EQ(rows.below, 6);
}

TEST(block_repaint_counts_and_reports_changes)
{
    CHAR_INFO cells[2 * 4];
    memset(cells, 0, sizeof cells);
    cells[0].Char.UnicodeChar = L'a';
    cells[0].Attributes = 0x084E;
    cells[1].Attributes = 0x0023;
    cells[2].Attributes = 0x0007; // unmarked row
    cells[3].Attributes = 0x0817;
    cells[4].Attributes = 0x081F; // already white on blue
    cells[5].Attributes = 0xA817; // a neighbour lends its colours only
    cells[6].Attributes = 0x0007;
    cells[7].Attributes = 0x0007;

    bool changed = false;
    CHECK_EQ(RepaintCommandMarkBlock(cells, 4, 2, 0x0800, true, &changed), 2);
    CHECK(changed);
    CHECK_EQ(cells[0].Attributes, 0x081F);
    CHECK_EQ(cells[0].Char.UnicodeChar, L'a');
    CHECK_EQ(cells[2].Attributes, 0x0007);
    CHECK_EQ(cells[3].Attributes, 0x0817);
    CHECK_EQ(cells[4].Attributes, 0x081F);

    // Both marks already white on blue: nothing to write.
    changed = false;
    CHECK_EQ(RepaintCommandMarkBlock(cells, 4, 2, 0x0800, true, &changed), 2);
    CHECK(!changed);

    changed = false;
    CHECK_EQ(RepaintCommandMarkBlock(cells, 4, 2, 0x0800, false, &changed), 2);
    CHECK(changed);
    CHECK_EQ(cells[0].Attributes, 0x0823);
    CHECK_EQ(cells[4].Attributes, 0x0817);
    CHECK_EQ(cells[1].Attributes, 0x0023);

    // Mark at row 2 counted only when the count reaches it.
    changed = false;
    CHECK_EQ(RepaintCommandMarkBlock(cells, 2, 2, 0x0800, true, &changed), 1);
    CHECK_EQ(cells[0].Attributes, 0x081F);
    CHECK_EQ(cells[4].Attributes, 0x0817);

    changed = false;
    CHECK_EQ(RepaintCommandMarkBlock(cells, 4, 2, 0x2000, true, &changed), 0);
    CHECK(!changed);
}

TEST(block_repaint_without_neighbour_keeps_own_colours)
{
    CHAR_INFO cells[2 * 2];
    memset(cells, 0, sizeof cells);
    cells[0].Attributes = 0x081F;
    cells[2].Attributes = 0x0807;
    bool changed = false;
    CHECK_EQ(RepaintCommandMarkBlock(cells, 2, 1, 0x0800, false, &changed), 2);
    CHECK(!changed);
    CHECK_EQ(cells[0].Attributes, 0x081F);
    CHECK_EQ(RepaintCommandMarkBlock(cells, 2, 1, 0x0800, true, &changed), 2);
    CHECK(changed);
    CHECK_EQ(cells[2].Attributes, 0x081F);
}

TEST(scroll_up_goes_to_the_previous_mark)
{
    const int marked[] = {5, 511, 512, 1500, 2999};
    const ScrollRow rows[] = {
        {"mark above the top", marked, 5, 1000, ScrollUp, false, 512, 512},
        {"the top row itself marked: the one before it", marked, 5, 512, ScrollUp, false, 511, 511},
        {"wrap not needed", marked, 5, 6, ScrollUp, true, 5, 5},
    };
    CheckScrolls(rows);
}

TEST(scroll_up_at_the_first_mark)
{
    const int marked[] = {5, 511, 2999};
    const ScrollRow rows[] = {
        {"no wrap", marked, 3, 5, ScrollUp, false, -1, -1},
        {"wrap: to the last mark, the window's bottom on the buffer's last row", marked, 3, 5,
         ScrollUp, true, 2999, 2975},
        {"wrap from row 0", marked, 2, 0, ScrollUp, true, 511, 511},
        {"the only mark is on the top row: wrap lands on it again", marked, 1, 5, ScrollUp, true, 5,
         5},
    };
    CheckScrolls(rows);
}

TEST(scroll_down_goes_to_the_next_mark)
{
    const int marked[] = {5, 511, 512, 1500, 2999};
    const int nearEnd[] = {2980};
    const ScrollRow rows[] = {
        {"from the top", marked, 5, 0, ScrollDown, false, 5, 5},
        {"the next row", marked, 5, 511, ScrollDown, false, 512, 512},
        {"the last mark", marked, 5, 1500, ScrollDown, true, 2999, 2975},
        {"near the end but not at it: the window goes to the end", nearEnd, 1, 2900, ScrollDown,
         false, 2980, 2975},
    };
    CheckScrolls(rows);
}

TEST(scroll_down_past_the_last_mark)
{
    const int marked[] = {5, 511};
    const int atZero[] = {0, 700};
    const ScrollRow rows[] = {
        {"no wrap", marked, 2, 511, ScrollDown, false, -1, -1},
        {"wrap", marked, 2, 511, ScrollDown, true, 5, 5},
        {"wrap from below the last mark", marked, 2, 1000, ScrollDown, true, 5, Any},
        {"a first mark on row 0 is taken as it is", atZero, 2, 700, ScrollDown, true, 0, 0},
    };
    CheckScrolls(rows);
}

TEST(scroll_down_when_the_window_shows_the_end)
{
    // Marks below the top row, but the window cannot move further down.
    const int marked[] = {100, 2980, 2999};
    const ScrollRow rows[] = {
        {"no wrap", marked, 3, 2975, ScrollDown, false, -1, -1},
        {"wrap", marked, 3, 2975, ScrollDown, true, 100, 100},
        {"one row short of the end: the window still moves", marked, 3, 2974, ScrollDown, false,
         2980, 2975},
    };
    CheckScrolls(rows);
}

TEST(scroll_without_marks_goes_nowhere)
{
    const ScrollRow rows[] = {
        {"up", nullptr, 0, 100, ScrollUp, false, Any, -1},
        {"down", nullptr, 0, 100, ScrollDown, false, Any, -1},
        {"up, wrap", nullptr, 0, 100, ScrollUp, true, Any, -1},
        {"down, wrap", nullptr, 0, 100, ScrollDown, true, Any, -1},
    };
    CheckScrolls(rows);
}

TEST(scroll_target_outside_the_buffer_fails)
{
    CommandMarkRows rows = Rows(-1, -1, 3000, 3000);
    CommandScroll scroll = ChooseCommandScroll(&rows, 0, 3000, 25, ScrollDown, false);
    CHECK_EQ(scroll.top, -1);
    rows = Rows(3005, -1, -1, 3005);
    scroll = ChooseCommandScroll(&rows, 0, 3000, 25, ScrollUp, true);
    CHECK_EQ(scroll.top, -1);
    // A window as tall as the buffer stays at row 0.
    rows = Rows(3, -1, 3, 3);
    scroll = ChooseCommandScroll(&rows, 0, 25, 25, ScrollDown, false);
    CHECK_EQ(scroll.target, -1);
    scroll = ChooseCommandScroll(&rows, 0, 25, 30, ScrollUp, true);
    CHECK_EQ(scroll.target, 3);
    CHECK_EQ(scroll.top, 0);
}
