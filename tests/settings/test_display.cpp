// The settings display: the exact lines, the aligned column of dots and the key lists.
#include "frame/globals.h"
#include "frame/text.h"
#include "keys/hotkeys.h"
#include "keys/keytables.h"
#include "settings/display.h"
#include "settings/settings.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"

#include <string.h>
#include <wchar.h>

namespace
{

const wchar_t Header[] = L"\r\nLinewise v0.99.12 settings:\r\n\n";

const wchar_t DefaultActionsBeforeMathWord[] = L"  Swap Characters  . . . . . . . /K1  : Alt-;\r\n"
                                               L"  Swap Arguments . . . . . . . . /K2  : Alt-'\r\n"
                                               L"  Insert Last Args . . . . . . . /K3  : F3\r\n"
                                               L"  Clear Screen . . . . . . . . . /K4  : Alt-L\r\n"
                                               L"  Math Word  . . . . . . . . . . /K5  : ";
const wchar_t DefaultActionsAfterMathWord[] =
    L"\r\n"
    L"  Expand Expression  . . . . . . /K6  : Ctrl-Shift-X\r\n"
    L"  Unicode Entry  . . . . . . . . /K7  : Alt-U\r\n"
    L"  Copy Line  . . . . . . . . . . /K8  : Alt-C\r\n"
    L"  Copy Word  . . . . . . . . . . /K9  : Alt-W\r\n"
    L"  Cut Word . . . . . . . . . . . /K10 : Ctrl-Alt-W\r\n"
    L"  Swap Clipboard Word  . . . . . /K11 : Ctrl-Alt-Z\r\n"
    L"  Change Word Case . . . . . . . /K12 : Ctrl-U\r\n"
    L"  Custom Insert 1  . . . . . . . /K13 : Alt-I\r\n"
    L"  Custom Insert 2  . . . . . . . /K14 : \r\n"
    L"  Custom Insert 3  . . . . . . . /K15 : \r\n"
    L"  Character Info . . . . . . . . /K16 : Ctrl-A\r\n"
    L"  Scroll Up By Commands  . . . . /K17 : Ctrl-Alt-Up\r\n"
    L"  Scroll Down By Commands  . . . /K18 : Ctrl-Alt-Down\r\n"
    L"  File to URI  . . . . . . . . . /K19 : Ctrl-Alt-F\r\n"
    L"  Print Viewport . . . . . . . . /K20 : Ctrl-Shift-P\r\n"
    L"  Save Viewport Picture  . . . . /K21 : Ctrl-Shift-Q\r\n"
    L"  Print History  . . . . . . . . /K22 : Ctrl-P\r\n"
    L"  Search Path and Expand . . . . /K23 : Ctrl-Alt-E\r\n";
const wchar_t DefaultSettingLines[] = L"  Error sound  . . . . . . . . . /E   : 2   (Asterisk)\r\n"
                                      L"  Copy chime . . . . . . . . . . /C   : 1   (Chime)\r\n"
                                      L"  LastArgs flags . . . . . . . . /A   : 2   (Slashes)\r\n"
                                      L"  Auto-close flags . . . . . . . /B   : 0   (none)\r\n"
                                      L"  Scrolly flags  . . . . . . . . /Y   : 1   (Wrap)\r\n"
                                      L"\r\n  21 keys defined.\r\n";

const wchar_t EmptyActionLines[] = L"  Swap Characters  . . . . . . . /K1  : \r\n"
                                   L"  Swap Arguments . . . . . . . . /K2  : \r\n"
                                   L"  Insert Last Args . . . . . . . /K3  : \r\n"
                                   L"  Clear Screen . . . . . . . . . /K4  : \r\n"
                                   L"  Math Word  . . . . . . . . . . /K5  : \r\n"
                                   L"  Expand Expression  . . . . . . /K6  : \r\n"
                                   L"  Unicode Entry  . . . . . . . . /K7  : \r\n"
                                   L"  Copy Line  . . . . . . . . . . /K8  : \r\n"
                                   L"  Copy Word  . . . . . . . . . . /K9  : \r\n"
                                   L"  Cut Word . . . . . . . . . . . /K10 : \r\n"
                                   L"  Swap Clipboard Word  . . . . . /K11 : \r\n"
                                   L"  Change Word Case . . . . . . . /K12 : \r\n"
                                   L"  Custom Insert 1  . . . . . . . /K13 : \r\n"
                                   L"  Custom Insert 2  . . . . . . . /K14 : \r\n"
                                   L"  Custom Insert 3  . . . . . . . /K15 : \r\n"
                                   L"  Character Info . . . . . . . . /K16 : \r\n"
                                   L"  Scroll Up By Commands  . . . . /K17 : \r\n"
                                   L"  Scroll Down By Commands  . . . /K18 : \r\n"
                                   L"  File to URI  . . . . . . . . . /K19 : \r\n"
                                   L"  Print Viewport . . . . . . . . /K20 : \r\n"
                                   L"  Save Viewport Picture  . . . . /K21 : \r\n"
                                   L"  Print History  . . . . . . . . /K22 : \r\n"
                                   L"  Search Path and Expand . . . . /K23 : \r\n";

wchar_t Expected[16384];

void Start(bool newerHost)
{
    Host().CaptureOutput(1);
    Plugin.newerHost = newerHost;
    SetDefaultSettings();
    TakeOutput(1);
    TakeOutput(2);
}

void ClearTable(void)
{
    memset(&HotkeyTable, 0, sizeof HotkeyTable);
}

void Bind(int code, int action)
{
    HotkeyTable.entries[HotkeyTable.count].code = code;
    HotkeyTable.entries[HotkeyTable.count].action = (unsigned short)action;
    HotkeyTable.count++;
}

// The line of the output that begins with prefix, without its line end, or "" when none.
const wchar_t *LineStarting(const wchar_t *output, const wchar_t *prefix)
{
    static wchar_t line[4096];
    line[0] = 0;
    for (const wchar_t *p = output; p && *p;) {
        const wchar_t *end = wcsstr(p, L"\r\n");
        size_t length = end ? (size_t)(end - p) : wcslen(p);
        if (wcsncmp(p, prefix, wcslen(prefix)) == 0) {
            TextCopyCount(line, 4096, p, length);
            return line;
        }
        p = end ? end + 2 : p + length;
    }
    return line;
}

} // namespace

TEST(default_display_older_key_table)
{
    Start(false);
    ShowSettings();
    TextFormat(Expected, 16384, L"%s%s%s%s%s", Header, DefaultActionsBeforeMathWord, L"Alt-=",
               DefaultActionsAfterMathWord, DefaultSettingLines);
    CHECK_TEXT(TakeOutput(1), Expected);
    CHECK_TEXT(TakeOutput(2), L"");
}

TEST(default_display_newer_key_table_names_math_word_alt_plus)
{
    Start(true);
    ShowSettings();
    TextFormat(Expected, 16384, L"%s%s%s%s%s", Header, DefaultActionsBeforeMathWord, L"Alt-Plus",
               DefaultActionsAfterMathWord, DefaultSettingLines);
    CHECK_TEXT(TakeOutput(1), Expected);
    Plugin.newerHost = false;
}

// Every option name of the display stands at column 33 and every dot before it in an odd
// column, so the leaders form one straight column whatever the name lengths.
TEST(option_names_and_dots_form_one_column)
{
    Start(false);
    Settings.AutoCloseFlags = 63;
    ShowSettings();
    static wchar_t output[65536];
    TextCopy(output, 65536, TakeOutput(1));
    const wchar_t *options[] = {L"/K", L"/E", L"/C", L"/A", L"/B", L"/Y"};
    int lines = 0, perOption[6] = {};
    for (wchar_t *line = output; *line;) {
        wchar_t *end = wcsstr(line, L"\r\n");
        if (!end)
            break;
        *end = 0;
        while (*line == L'\n')
            line++;
        for (int i = 0; i < 6; i++) {
            const wchar_t *at = wcsstr(line, options[i]);
            if (!at || wcsncmp(line, L"  ", 2) != 0)
                continue;
            perOption[i]++;
            lines++;
            CHECK_EQ(at - line, 33);
            for (const wchar_t *p = line; p < at; p++)
                if (*p == L'.')
                    CHECK_EQ((p - line) % 2, 1);
            CHECK_EQ(line[31], L'.');
            CHECK_EQ(line[32], L' ');
        }
        line = end + 2;
    }
    CHECK_EQ(lines, 28);
    CHECK_EQ(perOption[0], 23);
    for (int i = 1; i < 6; i++)
        CHECK_EQ(perOption[i], 1);
}

TEST(leaders_of_the_longest_names)
{
    Start(false);
    ListHotkeysByAction();
    const wchar_t *output = TakeOutput(1);
    // 23 characters leave a leader of 6 that begins with a blank, 22 one of 7 with a dot.
    CHECK_TEXT(LineStarting(output, L"  Scroll Down"),
               L"  Scroll Down By Commands  . . . /K18 : Ctrl-Alt-Down");
    CHECK_TEXT(LineStarting(output, L"  Search Path"),
               L"  Search Path and Expand . . . . /K23 : Ctrl-Alt-E");
}

TEST(empty_table_lists_every_action_without_keys)
{
    Start(false);
    ClearTable();
    ShowSettings();
    TextFormat(Expected, 16384, L"%s%s%s", Header, EmptyActionLines,
               L"  Error sound  . . . . . . . . . /E   : 2   (Asterisk)\r\n"
               L"  Copy chime . . . . . . . . . . /C   : 1   (Chime)\r\n"
               L"  LastArgs flags . . . . . . . . /A   : 2   (Slashes)\r\n"
               L"  Auto-close flags . . . . . . . /B   : 0   (none)\r\n"
               L"  Scrolly flags  . . . . . . . . /Y   : 1   (Wrap)\r\n"
               L"\r\n  0 keys defined.\r\n");
    CHECK_TEXT(TakeOutput(1), Expected);
}

TEST(one_key_is_counted_in_the_singular)
{
    Start(false);
    ClearTable();
    Bind(0x1003D, 3);
    ShowSettings();
    const wchar_t *output = TakeOutput(1);
    CHECK(wcsstr(output, L"\r\n\r\n  1 key defined.\r\n") != nullptr);
    CHECK_TEXT(LineStarting(output, L"  Insert Last"),
               L"  Insert Last Args . . . . . . . /K3  : F3");
}

TEST(keys_of_one_action_are_joined_in_table_order)
{
    Start(false);
    ClearTable();
    Bind(0x10, 13);    // Ctrl-P
    Bind(0x1003D, 1);  // F3, another action between the two
    Bind(0x10017, 13); // Alt-I
    ListHotkeysByAction();
    const wchar_t *output = TakeOutput(1);
    CHECK_TEXT(LineStarting(output, L"  Custom Insert 1"),
               L"  Custom Insert 1  . . . . . . . /K13 : Ctrl-P \u00B7 Alt-I");
    CHECK_TEXT(LineStarting(output, L"  Swap Characters"),
               L"  Swap Characters  . . . . . . . /K1  : F3");
}

TEST(a_code_without_a_name_is_listed_as_unknown)
{
    Start(false);
    ClearTable();
    Bind(0x7FFFF, 2);
    ListHotkeysByAction();
    CHECK_TEXT(LineStarting(TakeOutput(1), L"  Swap Arguments"),
               L"  Swap Arguments . . . . . . . . /K2  : (unknown)");
}

TEST(setting_lines_show_values_and_names)
{
    Start(false);
    Settings.ErrorSound = 6;
    Settings.CopyChime = 0;
    Settings.LastArgsFlags = 15;
    Settings.AutoCloseFlags = 63;
    Settings.ScrollyFlags = 3;
    ShowSettings();
    const wchar_t *output = TakeOutput(1);
    CHECK_TEXT(LineStarting(output, L"  Error sound"),
               L"  Error sound  . . . . . . . . . /E   : 6   (Question)");
    CHECK_TEXT(LineStarting(output, L"  Copy chime"),
               L"  Copy chime . . . . . . . . . . /C   : 0   (Off)");
    CHECK_TEXT(LineStarting(output, L"  LastArgs"),
               L"  LastArgs flags . . . . . . . . /A   : 15  (Over, Slashes, KeepOld, Space)");
    CHECK_TEXT(LineStarting(output, L"  Auto-close"),
               L"  Auto-close flags . . . . . . . /B   : 63  (All)");
    CHECK_TEXT(LineStarting(output, L"  Scrolly"),
               L"  Scrolly flags  . . . . . . . . /Y   : 3   (Wrap, Visible)");

    Settings.AutoCloseFlags = 127;
    Settings.LastArgsFlags = 2147483647;
    Settings.ErrorSound = 1;
    Settings.CopyChime = 5;
    ShowSettings();
    output = TakeOutput(1);
    CHECK_TEXT(LineStarting(output, L"  Auto-close"),
               L"  Auto-close flags . . . . . . . /B   : 127  (All)");
    CHECK_TEXT(LineStarting(output, L"  LastArgs"), L"  LastArgs flags . . . . . . . . /A   : "
                                                    L"2147483647  (Over, Slashes, KeepOld, Space)");
    CHECK_TEXT(LineStarting(output, L"  Error sound"),
               L"  Error sound  . . . . . . . . . /E   : 1   (Honk)");
    CHECK_TEXT(LineStarting(output, L"  Copy chime"),
               L"  Copy chime . . . . . . . . . . /C   : 5   (Critical Stop)");
}

// Dozens of long names on one action do not fit in one list: it stops at the last whole name.
TEST(an_overlong_key_list_ends_at_a_whole_name)
{
    Start(true);
    ClearTable();
    static wchar_t name[KeyNameCapacity];
    for (int row = 0; row < KeyTableRows(true) && HotkeyTable.count < MaxHotkeys; row++)
        for (int column = 0; column < KeyTableColumns(true); column++) {
            int code = KeyTableCode(true, row, column);
            if (code <= 0 || HotkeyTable.count >= MaxHotkeys)
                continue;
            FormatKeyCode(name, code);
            if (wcslen(name) >= 16 && !HotkeyLookup(&HotkeyTable, code))
                Bind(code, 9);
        }
    CHECK_EQ(HotkeyTable.count, MaxHotkeys);
    ListHotkeysByAction();
    const wchar_t *line = LineStarting(TakeOutput(1), L"  Copy Word");
    const wchar_t *list = line + 40;
    CHECK(wcsncmp(line, L"  Copy Word  . . . . . . . . . . /K9  : ", 40) == 0);
    CHECK(wcslen(list) <= 1023);
    // The list is the longest run of whole names, in table order, that fits.
    static wchar_t expected[4096];
    expected[0] = 0;
    for (unsigned i = 0; i < HotkeyTable.count; i++) {
        FormatKeyCode(name, HotkeyTable.entries[i].code);
        size_t grown = wcslen(expected) + (expected[0] ? 3 : 0) + wcslen(name);
        if (grown > 1023)
            break;
        if (expected[0])
            TextAppend(expected, 4096, L" \u00B7 ");
        TextAppend(expected, 4096, name);
    }
    CHECK(wcslen(expected) > 1000);
    CHECK_TEXT(list, expected);
    Plugin.newerHost = false;
}
