#include "keys/keytables.h"

#include "frame/globals.h"
#include "frame/text.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"

#include <wchar.h>

namespace
{

const bool Older = false, Newer = true;
const bool BothTables[] = {Older, Newer};

int Parse(bool newerTable, const wchar_t *text)
{
    return ParseKeyNameIn(newerTable, text);
}

const wchar_t *Format(bool newerTable, int code, int *result = nullptr)
{
    static wchar_t out[KeyNameCapacity];
    int r = FormatKeyCodeIn(newerTable, out, code);
    if (result)
        *result = r;
    return out;
}

int Occurrences(bool newerTable, int code)
{
    int n = 0;
    for (int row = 0; row < KeyTableRows(newerTable); row++)
        for (int column = 0; column < KeyTableColumns(newerTable); column++)
            n += KeyTableCode(newerTable, row, column) == code;
    return n;
}

// Every cell, written as prefix and row name, parses to the cell's own code; every bindable
// cell formats back to exactly that spelling.
void CheckRoundTrips(bool newerTable, int bindableCells)
{
    int bindable = 0;
    for (int row = 0; row < KeyTableRows(newerTable); row++)
        for (int column = 0; column < KeyTableColumns(newerTable); column++) {
            int code = KeyTableCode(newerTable, row, column);
            wchar_t name[KeyNameCapacity];
            TextCopy(name, KeyNameCapacity, KeyModifierPrefix(column));
            TextAppend(name, KeyNameCapacity, KeyTableName(newerTable, row));
            CHECK(code != 0);
            int parsed = Parse(newerTable, name);
            if (parsed != code)
                CheckFailed(__FILE__, __LINE__, "parse of a table cell", Show(name));
            if (code <= 0)
                continue;
            bindable++;
            int result = 1;
            const wchar_t *formatted = Format(newerTable, code, &result);
            CHECK_EQ(result, 0);
            // No code is held by two cells: a duplicated cell formats to the other's name.
            if (wcscmp(formatted, name) != 0)
                CheckFailed(__FILE__, __LINE__, "format of a table cell", Show(name));
            if (Occurrences(newerTable, code) != 1)
                CheckFailed(__FILE__, __LINE__, "code held by several cells", Show(name));
            // Names are matched ignoring case.
            wchar_t lower[KeyNameCapacity];
            TextCopy(lower, KeyNameCapacity, name);
            CharLowerW(lower);
            CHECK_EQ(Parse(newerTable, lower), code);
        }
    CHECK_EQ(bindable, bindableCells);
}

} // namespace

TEST(table_shapes)
{
    CHECK_EQ(KeyTableRows(Older), 74);
    CHECK_EQ(KeyTableColumns(Older), 6);
    CHECK_EQ(KeyTableRows(Newer), 72);
    CHECK_EQ(KeyTableColumns(Newer), 7);
    for (int row = 0; row < 48; row++)
        CHECK_TEXT(KeyTableName(Older, row), KeyTableName(Newer, row));
    CHECK_TEXT(KeyTableName(Older, 48), L"1");
    CHECK_TEXT(KeyTableName(Older, 73), L"Num+");
    CHECK_TEXT(KeyTableName(Newer, 71), L"Decimal");
    CHECK_TEXT(KeyModifierPrefix(6), L"Ctrl-Alt-Shift-");
    CHECK_EQ(KeyTableCode(Older, 0, 6), 0);
    CHECK_EQ(KeyTableCode(Newer, 72, 0), 0);
    CHECK_EQ(KeyTableCode(Newer, -1, 0), 0);
    for (int row = 0; row < KeyTableRows(Older); row++)
        CHECK(TextLength(KeyTableName(Older, row)) <= 7);
    for (int row = 0; row < KeyTableRows(Newer); row++)
        CHECK(TextLength(KeyTableName(Newer, row)) <= 9);
}

TEST(sample_cells_of_both_tables)
{
    struct Sample {
        const wchar_t *name;
        int older, newer;
    };
    const Sample samples[] = {
        {L"F1", 0x1003B, 0x1003B},
        {L"Ctrl-Alt-F12", 0x5008A, 0x5008A},
        {L"Shift-F11", 0x10087, 0x10087},
        {L"Ctrl-Shift-Left", 0x300CC, 0x300CC},
        {L"Alt-Right", 0x100F6, 0x100F6},
        {L"Ctrl-Alt-Ins", 0x50092, 0x50092},
        {L"Ctrl-Alt-Del", -1, -1},
        {L"Ctrl-Alt-Shift-Del", 0, 0x70093},
        {L"Ctrl-Shift-A", 0x20001, 0x20001},
        {L"Alt-Q", 0x10010, 0x10010},
        {L"Ctrl-Alt-Z", 0x5002C, 0x5002C},
        {L"Alt-0", 0x100EB, 0x100EB},
        {L"Ctrl-1", -1, 0xE2},
        {L"Ctrl-Shift-9", -1, 0x200EA},
        {L"Shift-BkSp", -1, 0x87F},
        {L"Ctrl-Shift-Backspace", 0x3000E, 0x3000E},
        {L"Ctrl-Alt-[", 0x5001A, 0x5001A},
        {L"Ctrl-[", -1, 0x8DB},
        {L"Ctrl-\\", 0x1C, 0x8DC},
        {L"Ctrl-Shift-Num/", 0x30035, 0},
        {L"Ctrl-Num*", 0x10037, 0},
        {L"Ctrl-*", 0, 0x10037},
        {L"Ctrl-Shift-Divide", 0, 0x20035},
        {L"Ctrl-Alt-;", 0x50027, 0x50027},
        {L"Ctrl-Decimal", 0, 0x834},
        {L"Alt-`", 0, 0x10860},
    };
    for (const Sample &sample : samples) {
        if (Parse(Older, sample.name) != sample.older)
            CheckFailed(__FILE__, __LINE__, "older table", Show(sample.name));
        if (Parse(Newer, sample.name) != sample.newer)
            CheckFailed(__FILE__, __LINE__, "newer table", Show(sample.name));
    }
}

TEST(every_cell_round_trips_older)
{
    CheckRoundTrips(Older, 261);
}

TEST(every_cell_round_trips_newer)
{
    CheckRoundTrips(Newer, 384);
}

// The first 48 rows are the same keys with the same codes in both tables (only the older
// Ctrl-M cannot be bound), so each name of one table goes through its code and comes back from
// the other: a wrong cell in either table breaks that.
TEST(shared_rows_round_trip_across_the_tables)
{
    for (int row = 0; row < 48; row++)
        for (int column = 0; column < KeyTableColumns(Older); column++) {
            wchar_t name[KeyNameCapacity];
            TextCopy(name, KeyNameCapacity, KeyModifierPrefix(column));
            TextAppend(name, KeyNameCapacity, KeyTableName(Older, row));
            if (wcscmp(name, L"Ctrl-M") == 0) {
                CHECK_EQ(Parse(Older, name), KeyInvalid);
                CHECK_EQ(Parse(Newer, name), 0xD);
                continue;
            }
            for (bool from : BothTables) {
                int code = Parse(from, name);
                if (code != Parse(!from, name))
                    CheckFailed(__FILE__, __LINE__, "tables differ on a shared key", Show(name));
                if (code > 0 && wcscmp(Format(!from, code), name) != 0)
                    CheckFailed(__FILE__, __LINE__, "name does not come back from the other table",
                                Show(name));
            }
        }
}

TEST(modifier_words_in_any_order_and_spelling)
{
    for (bool table : BothTables) {
        CHECK_EQ(Parse(table, L"ctrl-shift-f5"), 0x30058);
        CHECK_EQ(Parse(table, L"Shift-Ctrl-F5"), 0x30058);
        CHECK_EQ(Parse(table, L"s-c-F5"), 0x30058);
        CHECK_EQ(Parse(table, L"SHIFT-CONTROL-F5"), 0x30058);
        CHECK_EQ(Parse(table, L"ctl-X"), 0x18);
        CHECK_EQ(Parse(table, L"Ctrl-Ctrl-X"), 0x18);
        CHECK_EQ(Parse(table, L"a-c-F1"), 0x5005E);
        CHECK_EQ(Parse(table, L"ALT-F1"), 0x10068);
        CHECK_EQ(Parse(table, L"Shift-F1"), 0x10054);
        CHECK_EQ(Parse(table, L"Alt-Shift-X"), 0);
        CHECK_EQ(Parse(table, L"Hyper-X"), 0);
        CHECK_EQ(Parse(table, L"Ctrl-"), 0);
        CHECK_EQ(Parse(table, L"Ctrl-F1-"), 0);
        CHECK_EQ(Parse(table, L""), 0);
        CHECK_EQ(Parse(table, nullptr), 0);
        CHECK_EQ(Parse(table, L"F13"), 0);
        CHECK_EQ(Parse(table, L"--"), 0);
        CHECK_EQ(Parse(table, L"Ctrl F1"), 0);
    }
    CHECK_EQ(Parse(Newer, L"Ctrl-Alt-Shift-F1"), 0x7005E);
    CHECK_EQ(Parse(Newer, L"shift-alt-ctrl-f1"), 0x7005E);
    CHECK_EQ(Parse(Older, L"Ctrl-Alt-Shift-F1"), 0);
}

TEST(keys_that_cannot_be_bound)
{
    for (bool table : BothTables) {
        CHECK_EQ(Parse(table, L"A"), KeyNotAllowed);
        CHECK_EQ(Parse(table, L"Shift-A"), KeyNotAllowed);
        CHECK_EQ(Parse(table, L"Ctrl-C"), KeyInvalid);
        // Ctrl-I is the Tab character and stays bindable; only Ctrl-Shift-I is refused.
        CHECK_EQ(Parse(table, L"Ctrl-I"), 9);
        CHECK_EQ(Parse(table, L"Ctrl-Shift-I"), KeyInvalid);
        CHECK_EQ(Parse(table, L"Ctrl-S"), KeyInvalid);
        CHECK_EQ(Parse(table, L"Alt-Home"), KeyInvalid);
        CHECK_EQ(Parse(table, L"Ctrl-Alt-Del"), KeyInvalid);
    }
    CHECK_EQ(Parse(Older, L"Ctrl-M"), KeyInvalid);
    CHECK_EQ(Parse(Newer, L"Ctrl-M"), 0xD);
    CHECK_EQ(Parse(Older, L"Alt-Num-"), KeyNotAllowed);
    CHECK_EQ(Parse(Newer, L"Alt-Enter"), KeyInvalid);
}

TEST(dash_as_a_key_name)
{
    CHECK_EQ(Parse(Older, L"Alt--"), 0x10082);
    CHECK_EQ(Parse(Older, L"-"), KeyNotAllowed);
    CHECK_EQ(Parse(Older, L"Ctrl--"), KeyInvalid);
    CHECK_EQ(Parse(Older, L"Alt-Num-"), KeyNotAllowed);
    CHECK_EQ(Parse(Older, L"Ctrl-Num-"), 0x1004A);
    CHECK_EQ(Parse(Older, L"c-s-num-"), 0x3004A);
    CHECK_EQ(Parse(Older, L"Num-"), KeyNotAllowed);
    CHECK_EQ(Parse(Newer, L"Ctrl-Num-"), 0);
    // On newer hosts "-" is a long form of the Minus key.
    CHECK_EQ(Parse(Newer, L"Ctrl--"), 0x8BD);
    CHECK_EQ(Parse(Newer, L"Alt--"), 0x108BD);
    CHECK_EQ(Parse(Newer, L"-"), KeyNotAllowed);
    CHECK_EQ(Parse(Newer, L"Ctrl--F1"), 0);
}

TEST(synonyms_older)
{
    CHECK_EQ(Parse(Older, L"Control-PageUp"), 0x10084);
    CHECK_EQ(Parse(Older, L"pagedown"), 0x10051);
    CHECK_EQ(Parse(Older, L"Ctrl-Shift-Insert"), 0x30052);
    CHECK_EQ(Parse(Older, L"Ctrl-Delete"), 0x10093);
    CHECK_EQ(Parse(Older, L"Ctrl-Backspace"), 0x7F);
    CHECK_EQ(Parse(Older, L"Alt-Backquote"), 0x10029);
    CHECK_EQ(Parse(Older, L"Alt-Minus"), 0x10082);
    CHECK_EQ(Parse(Older, L"Alt-Equals"), 0x10083);
    CHECK_EQ(Parse(Older, L"Ctrl-Backslash"), 0x1C);
    CHECK_EQ(Parse(Older, L"Alt-Semicolon"), 0x10027);
    CHECK_EQ(Parse(Older, L"Alt-Semi"), 0x10027);
    CHECK_EQ(Parse(Older, L"Alt-Apostrophe"), 0x10028);
    CHECK_EQ(Parse(Older, L"Alt-Apos"), 0x10028);
    CHECK_EQ(Parse(Older, L"Alt-Comma"), 0x10033);
    CHECK_EQ(Parse(Older, L"Alt-Period"), 0x10034);
    CHECK_EQ(Parse(Older, L"Alt-Dot"), 0x10034);
    CHECK_EQ(Parse(Older, L"Alt-Slash"), 0x10035);
    // Newer hosts' names are not known to the older table.
    CHECK_EQ(Parse(Older, L"Ctrl-Plus"), 0);
    CHECK_EQ(Parse(Older, L"Alt-Grave"), 0x10029);
    CHECK_EQ(Parse(Older, L"Alt-`"), 0);
    CHECK_EQ(Parse(Older, L"Ctrl-\x00BD"), 0);
}

TEST(synonyms_newer)
{
    CHECK_EQ(Parse(Newer, L"Control-PageUp"), 0x10084);
    CHECK_EQ(Parse(Newer, L"Ctrl-BkSp"), 0x7F);
    CHECK_EQ(Parse(Newer, L"Shift-Backspace"), 0x87F);
    CHECK_EQ(Parse(Newer, L"Ctrl-Grave"), 0x860);
    CHECK_EQ(Parse(Newer, L"Ctrl-Backquote"), 0);
    CHECK_EQ(Parse(Newer, L"Ctrl-\x00BD"), 0x8BD);
    CHECK_EQ(Parse(Newer, L"Ctrl-+"), 0x8BB);
    CHECK_EQ(Parse(Newer, L"Ctrl-="), 0x8BB);
    CHECK_EQ(Parse(Newer, L"Ctrl-Equals"), 0x8BB);
    CHECK_EQ(Parse(Newer, L"Alt-="), 0x10083);
    CHECK_EQ(Parse(Newer, L"Ctrl-Backslash"), 0x8DC);
    CHECK_EQ(Parse(Newer, L"Ctrl-\x00DB"), 0x8DB);
    CHECK_EQ(Parse(Newer, L"Ctrl-\x00DD"), 0x8DD);
    CHECK_EQ(Parse(Newer, L"Ctrl-\x00DC"), 0x8DC);
    CHECK_EQ(Parse(Newer, L"Ctrl-/"), 0x835);
    CHECK_EQ(Parse(Newer, L"Alt-Multiply"), 0x1002A);
    CHECK_EQ(Parse(Newer, L"Ctrl-Semi"), 0x827);
    CHECK_EQ(Parse(Newer, L"Ctrl-Apos"), 0x828);
    CHECK_EQ(Parse(Newer, L"Ctrl-Comma"), 0x833);
    CHECK_EQ(Parse(Newer, L"Ctrl-."), 0x834);
    CHECK_EQ(Parse(Newer, L"Ctrl-Period"), 0x834);
    CHECK_EQ(Parse(Newer, L"Ctrl-Dot"), 0x834);
    CHECK_EQ(Parse(Newer, L"Ctrl-Slash"), 0);
    CHECK_EQ(Parse(Newer, L"Ctrl-Shift-Enter"), 0x2080D);
}

TEST(formatting)
{
    int result = 1;
    CHECK_TEXT(Format(Older, 0, &result), L"None");
    CHECK_EQ(result, 0);
    CHECK_TEXT(Format(Older, 0x30054, &result), L"Ctrl-Shift-F1");
    CHECK_EQ(result, 0);
    CHECK_TEXT(Format(Older, 0x7FFFF, &result), L"(unknown)");
    CHECK_EQ(result, -1);
    CHECK_TEXT(Format(Newer, 0x7FFFF, &result), L"(unknown)");
    CHECK_EQ(result, -1);
    CHECK_TEXT(Format(Newer, 0x7005E), L"Ctrl-Alt-Shift-F1");
    CHECK_TEXT(Format(Older, 0x7005E, &result), L"(unknown)");
    CHECK_EQ(result, -1);
    CHECK_TEXT(Format(Older, 0x10083), L"Alt-=");
    CHECK_TEXT(Format(Newer, 0x10083), L"Alt-Plus");
    CHECK_TEXT(Format(Older, 0x1C), L"Ctrl-\\");
    CHECK_TEXT(Format(Older, 0x10082), L"Alt--");
    CHECK_TEXT(Format(Newer, 0xC0D), L"Ctrl-Enter");
    CHECK_TEXT(Format(Older, 0xD, &result), L"(unknown)");
    CHECK_TEXT(Format(Newer, 0xD), L"Ctrl-M");
    // The markers for unbindable cells are not key codes.
    CHECK_TEXT(Format(Older, KeyInvalid, &result), L"(unknown)");
    CHECK_EQ(result, -1);
    CHECK_TEXT(Format(Newer, KeyNotAllowed, &result), L"(unknown)");
    CHECK_EQ(result, -1);
    CHECK_EQ(FormatKeyCodeIn(Older, nullptr, 0x1003B), -1);
}

TEST(parsed_names_come_back_in_the_tables_spelling)
{
    CHECK_TEXT(Format(Older, Parse(Older, L"control-pageup")), L"Ctrl-PgUp");
    CHECK_TEXT(Format(Newer, Parse(Newer, L"control-pageup")), L"Ctrl-PgUp");
    CHECK_TEXT(Format(Older, Parse(Older, L"c-s-backspace")), L"Ctrl-Shift-BkSp");
    CHECK_TEXT(Format(Newer, Parse(Newer, L"c-s-bksp")), L"Ctrl-Shift-Backspace");
    CHECK_TEXT(Format(Newer, Parse(Newer, L"CTRL-=")), L"Ctrl-Plus");
    CHECK_TEXT(Format(Newer, Parse(Newer, L"alt-.")), L"Alt-Decimal");
}

TEST(overlong_and_odd_input)
{
    static wchar_t text[100000];
    // A key name far beyond the 1023 characters that take part matches nothing.
    for (int i = 0; i < 99999; i++)
        text[i] = L'F';
    text[99999] = 0;
    CHECK_EQ(Parse(Older, text), 0);
    CHECK_EQ(Parse(Newer, text), 0);
    // A key name that begins with a real one but runs past 1023 characters.
    TextCopy(text, 100000, L"Ctrl-F1");
    for (int i = 7; i < 5000; i++)
        text[i] = L' ';
    text[5000] = 0;
    CHECK_EQ(Parse(Older, text), 0);
    // Thousands of repeated modifier words are harmless.
    text[0] = 0;
    for (int i = 0; i < 10000; i++)
        TextAppend(text, 100000, L"c-");
    TextAppend(text, 100000, L"X");
    CHECK_EQ(Parse(Older, text), 0x18);
    // An overlong modifier word is simply unknown.
    for (int i = 0; i < 5000; i++)
        text[i] = L'c';
    TextCopy(text + 5000, 100, L"-X");
    CHECK_EQ(Parse(Newer, text), 0);
    CHECK_EQ(Parse(Newer, L"controlcontrolcontrol-X"), 0);
    CHECK_EQ(Parse(Newer, L"-X"), 0);
}

TEST(plain_forms_follow_the_host_flag)
{
    bool saved = Plugin.newerHost;
    wchar_t out[KeyNameCapacity];
    Plugin.newerHost = false;
    CHECK_EQ(ParseKeyName(L"Ctrl-M"), KeyInvalid);
    CHECK_EQ(ParseKeyName(L"Alt--"), 0x10082);
    CHECK_EQ(FormatKeyCode(out, 0x10083), 0);
    CHECK_TEXT(out, L"Alt-=");
    Plugin.newerHost = true;
    CHECK_EQ(ParseKeyName(L"Ctrl-M"), 0xD);
    CHECK_EQ(ParseKeyName(L"Ctrl-="), 0x8BB);
    CHECK_EQ(FormatKeyCode(out, 0x10083), 0);
    CHECK_TEXT(out, L"Alt-Plus");
    Plugin.newerHost = saved;
}

namespace
{

int CountLines(const wchar_t *text)
{
    int n = 0;
    for (const wchar_t *p = wcsstr(text, L"\r\n"); p; p = wcsstr(p + 2, L"\r\n"))
        n++;
    return n;
}

// The line of the listing that begins with the given text, up to its line end.
const wchar_t *LineStarting(const wchar_t *text, const wchar_t *start)
{
    static wchar_t line[KeyNameCapacity];
    line[0] = 0;
    size_t n = TextLength(start);
    for (const wchar_t *p = text; p && *p;) {
        const wchar_t *end = wcsstr(p, L"\r\n");
        if (!end)
            break;
        if (wcsncmp(p, start, n) == 0) {
            TextCopyCount(line, KeyNameCapacity, p, (size_t)(end - p));
            return line;
        }
        p = end + 2;
    }
    return line;
}

const wchar_t *ListFor(bool newerHost)
{
    bool saved = Plugin.newerHost;
    Plugin.newerHost = newerHost;
    Host().CaptureOutput(1);
    TakeOutput(1);
    TakeOutput(2);
    CHECK_EQ(ListKeyNames(), 0);
    const wchar_t *out = TakeOutput(1);
    CHECK_TEXT(TakeOutput(2), L"");
    Host().CaptureOutput(0);
    Plugin.newerHost = saved;
    return out;
}

} // namespace

TEST(key_list_older_host)
{
    const wchar_t *out = ListFor(false);
    CHECK_EQ(CountLines(out), 74);
    CHECK(wcsncmp(out,
                  L"F1 \x00B7 Shift-F1 \x00B7 Ctrl-F1 \x00B7 Alt-F1 \x00B7 Ctrl-Shift-F1 \x00B7 "
                  L"Ctrl-Alt-F1\r\nF2 \x00B7 ",
                  TextLength(L"F1 \x00B7 Shift-F1 \x00B7 Ctrl-F1 \x00B7 Alt-F1 \x00B7 "
                             L"Ctrl-Shift-F1 \x00B7 Ctrl-Alt-F1\r\nF2 \x00B7 ")) == 0);
    CHECK_TEXT(LineStarting(out, L"Ctrl-Shift-Num/"), L"Ctrl-Shift-Num/");
    CHECK_TEXT(LineStarting(out, L"Alt-C "), L"Alt-C \x00B7 Ctrl-Alt-C");
    CHECK_TEXT(LineStarting(out, L"Alt-1"), L"Alt-1");
    CHECK_TEXT(LineStarting(out, L"Ctrl-Num+"),
               L"Ctrl-Num+ \x00B7 Ctrl-Shift-Num+ \x00B7 Ctrl-Alt-Num+");
    CHECK(wcsstr(out, L"Ctrl-Alt-Shift-") == nullptr);
    const wchar_t *last = wcsstr(out, L"Ctrl-Num+");
    CHECK(last && wcscmp(last + TextLength(LineStarting(out, L"Ctrl-Num+")), L"\r\n") == 0);
}

TEST(key_list_newer_host)
{
    const wchar_t *out = ListFor(true);
    CHECK_EQ(CountLines(out), 72);
    CHECK_TEXT(LineStarting(out, L"F1 "),
               L"F1 \x00B7 Shift-F1 \x00B7 Ctrl-F1 \x00B7 Alt-F1 \x00B7 Ctrl-Shift-F1 \x00B7 "
               L"Ctrl-Alt-F1 \x00B7 Ctrl-Alt-Shift-F1");
    CHECK_TEXT(LineStarting(out, L"Shift-Enter"),
               L"Shift-Enter \x00B7 Ctrl-Enter \x00B7 Ctrl-Shift-Enter \x00B7 Ctrl-Alt-Enter "
               L"\x00B7 Ctrl-Alt-Shift-Enter");
    CHECK_TEXT(LineStarting(out, L"Del "), L"Del \x00B7 Ctrl-Del \x00B7 Ctrl-Shift-Del \x00B7 "
                                           L"Ctrl-Alt-Shift-Del");
}
