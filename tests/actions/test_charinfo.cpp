// Character Info's description: the code point at the cursor and the texts for the status
// bar and the popup, as tables.
#include "actions/console/charinfo.h"
#include "tests/support/check.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

TEST(code_point_at_cursor)
{
    const wchar_t pair[] = L"a\xD83D\xDE00z";
    const wchar_t lone[] = L"a\xDE00\xD83Dz";
    struct Row {
        const char *name;
        const wchar_t *line;
        int cursor; // offset from the line's start
        long expected;
    } rows[] = {
        {"first character", L"abc", 0, 'a'},
        {"middle", L"abc", 1, 'b'},
        {"at the end: the last character", L"abc", 3, 'c'},
        {"past the end", L"abc", 9, 'c'},
        {"high half of a pair", pair, 1, 0x1F600},
        {"low half of a pair", pair, 2, 0x1F600},
        {"pair at the end of the line", L"\xD83D\xDE00", 2, 0x1F600},
        {"lone low surrogate first", lone, 1, 0xDE00},
        {"lone high surrogate before a letter", lone, 2, 0xD83D},
        {"high surrogate last on the line", L"a\xD83D", 1, 0xD83D},
        {"low surrogate at the start", L"\xDE00", 0, 0xDE00},
        {"empty line", L"", 0, -1},
    };
    for (const Row &row : rows)
        CHECK_ROW_EQ(row.name, CodePointAtCursor(row.line, row.line + row.cursor), row.expected);
    CHECK_EQ(CodePointAtCursor(nullptr, nullptr), -1);
    CHECK_EQ(CodePointAtCursor(L"xy", nullptr), 'x');
}

TEST(descriptions)
{
    struct Row {
        unsigned int c;
        const char *name;
        const wchar_t *character, *utf8;
    } rows[] = {
        {0x00, nullptr, L"^@  (NUL)", L"00"},
        {0x01, nullptr, L"^A  (SOH)", L"01"},
        {0x09, nullptr, L"^I  (HT)", L"09"},
        {0x1B, nullptr, L"^[  (ESC)", L"1B"},
        {0x1F, nullptr, L"^_  (US)", L"1F"},
        {0x20, "SPACE", L" ", L"20"},
        {0x7F, nullptr, L"DEL", L"7F"},
        {0x80, nullptr, L"XXX", L"C2 80"},
        {0x85, nullptr, L"NEL", L"C2 85"},
        {0x9F, nullptr, L"APC", L"C2 9F"},
        {0xA0, "NO-BREAK SPACE", L"NBSP", L"C2 A0"},
        {0xAD, "SOFT HYPHEN", L"SHY", L"C2 AD"},
        {0xE9, nullptr, L"\xE9", L"C3 A9"},
        {0x7FF, nullptr, L"\x7FF", L"DF BF"},
        {0x800, nullptr, L"\x800", L"E0 A0 80"},
        {0xFEFF, nullptr, L"BOM", L"EF BB BF"},
        {0xD83D, nullptr, L"\xD83D", L"ED A0 BD"},
        {0x1F600, "GRINNING FACE", L"\xD83D\xDE00", L"F0 9F 98 80"},
        {0x10FFFF, nullptr, L"\xDBFF\xDFFF", L"F4 8F BF BF"},
    };
    for (const Row &row : rows) {
        CharacterDescription d;
        DescribeCharacter(row.c, row.name, &d);
        char what[64];
        snprintf(what, sizeof what, "U+%04X", row.c);
        CHECK_ROW_TEXT(what, d.character, row.character);
        CHECK_ROW_TEXT(what, d.utf8, row.utf8);
        CHECK_ROW(what, strcmp(d.name, row.name ? row.name : "") == 0);
    }
}

TEST(status_line_and_popup_text)
{
    struct Row {
        const char *what;
        unsigned int c;
        const char *name;
        const wchar_t *status, *popup;
    } rows[] = {
        {"tab, no name", 9, nullptr,
         L"[\x200A^I  (HT)\x200A] \x2001\x2001U+0009   (9 decimal) \x2001\x2001UTF-8: 09",
         L"Character: \t^I  (HT)\n\nValue: \t\tU+0009  (9 decimal)\nUTF-8: \t\t09\n"},
        {"letter with name", 0x41, "LATIN CAPITAL LETTER A",
         L"[\x200A"
         L"A\x200A] \x2001\x2001U+0041   (65 decimal) \x2001\x2001UTF-8: 41 "
         L"\x2001\x2001LATIN CAPITAL LETTER A",
         L"Character: \tA\n\nValue: \t\tU+0041  (65 decimal)\nUTF-8: \t\t41\n"
         L"\nLATIN CAPITAL LETTER A\n"},
        {"outside the BMP", 0x1F600, "GRINNING FACE",
         L"[\x200A\xD83D\xDE00\x200A] \x2001\x2001U+1F600   (128512 decimal) \x2001\x2001"
         L"UTF-8: F0 9F 98 80 \x2001\x2001UTF-16: D83D DE00 \x2001\x2001GRINNING FACE",
         L"Character: \t\xD83D\xDE00\n\nValue: \t\tU+1F600  (128512 decimal)\n"
         L"UTF-8: \t\tF0 9F 98 80\nUTF-16: \tD83D DE00\n\nGRINNING FACE\n"},
    };
    for (const Row &row : rows) {
        CharacterDescription d;
        DescribeCharacter(row.c, row.name, &d);
        wchar_t text[DescriptionCapacity];
        CHECK_ROW(row.what, FormatStatusLine(&d, text, DescriptionCapacity) > 0);
        CHECK_ROW_TEXT(row.what, text, row.status);
        CHECK_ROW(row.what, FormatPopupText(&d, text, DescriptionCapacity) > 0);
        CHECK_ROW_TEXT(row.what, text, row.popup);
    }
    // A small target is cut, terminated and reported.
    CharacterDescription d;
    DescribeCharacter(0x1F600, "GRINNING FACE", &d);
    wchar_t small[12];
    wmemset(small, L'#', 12);
    CHECK_EQ(FormatPopupText(&d, small, 10), -1);
    CHECK(small[9] == 0 && small[10] == L'#');
}
