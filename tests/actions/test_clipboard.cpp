#include "actions/line/clipboard.h"

#include "frame/text.h"
#include "tests/support/check.h"

// The first word of clipboard data of count units (0: the text and its terminator).
TEST(first_clipboard_word)
{
    const struct {
        const char *name;
        const wchar_t *text;
        size_t count;
        int result;
        const wchar_t *word;
    } rows[] = {
        {"an odd quote gets a closing one", L"\"a b", 0, 1, L"\"a b\""},
        {"the first line's word only", L"\r\n \r\n one two\r\nthree", 0, 1, L"one"},
        {"quoted blanks kept, a line break ends it", L"\"a b\r\nc\"", 0, 1, L"\"a b\""},
        {"data ends without a terminator", L"abc def", 2, 1, L"ab"},
        {"only blanks and line breaks", L" \r\n\t", 0, 0, L""},
    };
    static wchar_t word[ClipboardWordCapacity];
    for (const auto &row : rows) {
        size_t count = row.count ? row.count : TextLength(row.text) + 1;
        CHECK_ROW_EQ(row.name, FirstClipboardWord(row.text, count, word), row.result);
        CHECK_ROW_TEXT(row.name, word, row.word);
    }
}
