#include "actions/line/unicodeentry.h"

#include "frame/text.h"
#include "tests/support/check.h"

// The digits typed after the marker, read and turned into UTF-16; no character (null) for a
// value out of range.
TEST(unicode_entry_number_and_character)
{
    const struct {
        const char *name;
        const wchar_t *digits, *character;
    } rows[] = {
        {"largest code point", L"10ffff", L"\xDBFF\xDFFF"},
        {"zero is removed", L"0", nullptr},
        {"a number beyond 32 bits is removed", L"123456789", nullptr},
        {"a lone surrogate is one unit", L"D800", L"\xD800"},
    };
    for (const auto &row : rows) {
        unsigned int value = 0;
        int units = 0;
        wchar_t out[3];
        CHECK_ROW(row.name, ReadUnicodeEntryNumber(row.digits, &value, &units));
        CHECK_ROW_EQ(row.name, units, TextLength(row.digits));
        int length = UnicodeEntryCharacter(value, out);
        CHECK_ROW_EQ(row.name, length, TextLength(row.character));
        CHECK_ROW_TEXT(row.name, out, row.character ? row.character : L"");
    }
}
