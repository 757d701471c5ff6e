#include "actions/line/calculator.h"

#include "tests/support/check.h"

// The colour a highlight description gives on the current attribute; none (null) chooses one
// that contrasts.
TEST(highlight_colours)
{
    const struct {
        const char *name;
        int attribute;
        const wchar_t *description;
        int expected;
    } rows[] = {
        {"first choice", 0x0C, nullptr, 0x0F},
        {"second choice on light grey", 0x70, nullptr, 0x79},
        {"second choice on black", 0x0F, nullptr, 0x0E},
        {"black foreground takes the table", 0x30, nullptr, 0x3F},
        {"foreground equal to background", 0x22, L"0x4F", 0x07},
        {"inverse", 0x1E, L"inv", 0x61},
        {"inverse ignoring case", 0x1E, L"INVERSE", 0x61},
        {"hexadecimal already current", 0x4F, L"0x4f", 0x4F},
        {"invalid hexadecimal", 0x07, L"0x4G", 0x07},
        {"colour names", 0x07, L"bright red on blue", 0x1C},
        {"foreground alone", 0x17, L"yellow", 0x16},
        {"foreground alone, same as background", 0x17, L"blue", 0x17},
        {"unreadable description", 0x07, L"sparkly", 0x07},
    };
    for (const auto &row : rows)
        CHECK_ROW_EQ(row.name, HighlightFor(row.attribute, row.description), row.expected);
}
