#include "actions/line/fileuri.h"

#include "frame/text.h"
#include "tests/support/check.h"

#include <wchar.h>

namespace
{
wchar_t Text[UriCapacity + 16];
wchar_t Out[UriCapacity + 16];
} // namespace

TEST(trim_blanks)
{
    const struct {
        const char *name;
        const wchar_t *text, *trimmed;
    } cases[] = {
        {"both ends", L"  a b \t", L"a b"},
        {"only blanks", L" \t\r\n ", L""},
        {"empty", L"", L""},
        {"nothing to trim", L"x", L"x"},
        {"inner blanks kept", L"\ta  b", L"a  b"},
    };
    for (const auto &c : cases) {
        wcscpy(Text, c.text);
        CHECK_ROW_EQ(c.name, TrimBlanks(Text), 0);
        CHECK_ROW_TEXT(c.name, Text, c.trimmed);
    }
    CHECK_EQ(TrimBlanks(nullptr), -1);
}

TEST(percent_pairs_and_quoting)
{
    const struct {
        const char *name;
        const wchar_t *text, *doubled;
        int percents;
        const wchar_t *undoubled;
        int pairs, quoting;
    } cases[] = {
        {"none", L"abc", L"abc", 0, L"abc", 0, 0},
        {"one", L"a%20b", L"a%%20b", 1, L"a%20b", 0, 1},
        {"pair", L"a%%b", L"a%%%%b", 2, L"a%b", 1, 2},
        {"odd run", L"%%%", L"%%%%%%", 3, L"%%", 1, 3},
        {"specials", L"a b&c,d;e<f>g|h", L"a b&c,d;e<f>g|h", 0, L"a b&c,d;e<f>g|h", 0, 7},
        {"control characters", L"a\x01\x7F\x9F", L"a\x01\x7F\x9F", 0, L"a\x01\x7F\x9F", 0, 3},
        {"harmless punctuation", L"a#b(c)^d=e+f!", L"a#b(c)^d=e+f!", 0, L"a#b(c)^d=e+f!", 0, 0},
    };
    for (const auto &c : cases) {
        CHECK_ROW_EQ(c.name, DoublePercents(c.text, Out), c.percents);
        CHECK_ROW_TEXT(c.name, Out, c.doubled);
        wcscpy(Text, c.text);
        CHECK_ROW_EQ(c.name, UndoublePercents(Text), c.pairs);
        CHECK_ROW_TEXT(c.name, Text, c.undoubled);
        CHECK_ROW_EQ(c.name, NeedsQuoting(c.text), c.quoting);
    }
}

// The doubled copy stops at UriCapacity - 1 characters and never ends on half a pair.
TEST(double_percents_stops_at_its_capacity)
{
    wmemset(Text, L'a', UriCapacity - 2);
    wcscpy(Text + UriCapacity - 2, L"%b");
    wmemset(Out, L'#', UriCapacity + 16);
    CHECK_EQ(DoublePercents(Text, Out), 0);
    CHECK_EQ(wcslen(Out), UriCapacity - 2);
    CHECK_EQ(Out[UriCapacity], L'#');

    Text[UriCapacity - 2] = L'b';
    CHECK_EQ(DoublePercents(Text, Out), 0);
    CHECK_EQ(wcslen(Out), UriCapacity - 1);
}

TEST(path_to_url)
{
    wcscpy(Text, L"  C:\\a b\\100%.txt \t");
    CHECK_EQ(PathToUrl(Text), 0);
    CHECK_TEXT(Text, L"file:///C:/a%%20b/100%%25.txt");

    const wchar_t *refused[] = {L"", L"   ", L"\"\""};
    for (const wchar_t *text : refused) {
        wcscpy(Text, text);
        CHECK_EQ(PathToUrl(Text), -1);
    }
    CHECK_EQ(PathToUrl(nullptr), -1);

    // A URI that fits (7,512 units) until its 2,500 percents are doubled is refused whole.
    wcscpy(Text, L"C:\\");
    wmemset(Text + 3, L' ', 2500);
    wcscpy(Text + 2503, L"x");
    CHECK_EQ(PathToUrl(Text), -1);
}
