// The linewise command: splitting, the checks of the first phase (nothing changes on any
// error), the order of the second phase, and every text it writes.
#include "actions/console/marks.h"
#include "frame/globals.h"
#include "frame/messages.h"
#include "frame/text.h"
#include "keys/hotkeys.h"
#include "keys/keytables.h"
#include "settings/command.h"
#include "settings/display.h"
#include "settings/registry.h"
#include "settings/settings.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"

#include <string.h>
#include <wchar.h>

namespace
{

const wchar_t Prefix[] = L"Linewise plugin: ";
const wchar_t KeyPath[] = L"Software\\JPPlugins\\Linewise";

const wchar_t ExpectedUsage[] =
    L"Display and change Linewise plugin settings. \n\nLINEWISE /A:n /B:n /C:n /D /E:n /Kn:key "
    L"/L /Q /R /S /X:key /Y:n  \r\n\n\t/A:\tchange the LastArgs flags  \t/A? for more info\n"
    L"\t/B:\tchange the auto-close flags \t/B? for more info\n\t/C:\tchange the copy chime "
    L"\t\t/C? for more info\n\t/D\trestore default plugin settings\n\t/E:\tchange the error "
    L"sound \t\t/E? for more info\n\t/K:\tdefine or change a hotkey\n\t/L\tlist all supported "
    L"hotkeys\n\t/Q\tquietly\n\t/R\trestore saved settings from the registry  \n\t/S\tsave the "
    L"current settings to the registry  \n\t/X:\tdelete a hotkey\n\t/Y:\tchange the Scrolly "
    L"flags \t/Y? for more info\n\nLINEWISE with no options displays the plugin’s current "
    L"settings.\n";
const wchar_t ExpectedVersionLine[] = L"\r\n\t\t\t\tLinewise  0.99.12.2 (x86)\r\n";

const wchar_t HelpA[] = L"LINEWISE /A:  — change the LastArgs flags:\n\n\t\t―――  Bitmapped  ―――\n"
                        L"\t1:\toverwrite text at cursor\n\t2:\tbreak at slash\n\t4:\tkeep old "
                        L"args\n\t8:\tspace around args\n";
const wchar_t HelpB[] = L"LINEWISE /B:  — change the AutoClose flags:\n\n\t\t―――  Bitmapped  ―――\n"
                        L"\t1\tsquare brackets \t[ ]\n\t2\tparentheses  \t\t( )\n\t4\tbraces "
                        L"\t\t\t{ }\n\t8\tquotation marks \t\" \"\n\t16\tapostrophes  \t\t' '\n"
                        L"\t32\tstrong quotes \t\t` `\n";
const wchar_t HelpC[] = L"LINEWISE /C:  — change the copy chime sound:\n\n\t0\tnone\n\t1\tchime "
                        L"sound (built into the plugin)\n\t2\tthe Windows “Asterisk” sound\n"
                        L"\t3\tthe Windows “Default Beep” sound\n\t4\tthe Windows “Exclamation” "
                        L"sound\n\t5\tthe Windows “Critical Stop” sound\n\t6\tthe Windows "
                        L"“Question” sound\n";
const wchar_t HelpE[] = L"LINEWISE /E:  — change the error sound:\n\n\t0\tnone\n\t1\tTCC’s "
                        L"internal beep\n\t2\tthe Windows “Asterisk” sound\n\t3\tthe Windows "
                        L"“Default Beep” sound\n\t4\tthe Windows “Exclamation” sound\n\t5\tthe "
                        L"Windows “Critical Stop” sound\n\t6\tthe Windows “Question” sound\n";
const wchar_t HelpY[] = L"LINEWISE /Y:  — Change the Scrolly flags:\n\n\t\t―――  Bitmapped  ―――\n"
                        L"\t1\twrap around\n\t2\tvisible marks\n";

wchar_t Out[65536], Err[65536], Expected[65536];

void Reset(void)
{
    Host().CaptureOutput(1);
    Plugin.newerHost = false;
    SetDefaultSettings();
    TakeOutput(1);
    TakeOutput(2);
}

// Runs the command and keeps both captured streams.
int Run(const wchar_t *arguments)
{
    TakeOutput(1);
    TakeOutput(2);
    int result = linewise(arguments);
    TextCopy(Out, 65536, TakeOutput(1));
    TextCopy(Err, 65536, TakeOutput(2));
    return result;
}

// The display as it stands now.
const wchar_t *Display(void)
{
    static wchar_t display[65536];
    TakeOutput(1);
    ShowSettings();
    TextCopy(display, 65536, TakeOutput(1));
    return display;
}

const wchar_t *ErrorText(const wchar_t *message)
{
    static wchar_t text[16384];
    TextFormat(text, 16384, L"%s%s", Prefix, message);
    return text;
}

struct Snapshot {
    SettingsBlock settings;
    HotkeyTableData table;
};

Snapshot Take(void)
{
    Snapshot s;
    s.settings = Settings;
    s.table = HotkeyTable;
    return s;
}

bool Same(const Snapshot &a, const Snapshot &b)
{
    return memcmp(&a.settings, &b.settings, sizeof a.settings) == 0 &&
           memcmp(&a.table, &b.table, sizeof a.table) == 0;
}

// A refused command: result 1, the exact message on standard error, nothing on standard
// output, nothing changed.
void CheckRefused(const wchar_t *arguments, const wchar_t *message)
{
    Snapshot before = Take();
    CHECK_EQ(Run(arguments), 1);
    CHECK_TEXT(Err, ErrorText(message));
    CHECK_TEXT(Out, L"");
    CHECK(Same(before, Take()));
}

void DeleteStoredSettings(void)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, KeyPath);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyPath);
}

bool KeyExists(HKEY root)
{
    HKEY key;
    if (RegOpenKeyExW(root, KeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

DWORD StoredDword(HKEY root, const wchar_t *name)
{
    DWORD value = 0xDEADBEEF, size = sizeof value;
    RegGetValueW(root, KeyPath, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

// A usable stored key with one hotkey (Alt-Q for Clear Screen) and error sound 4.
void StoreSettings(HKEY root)
{
    HKEY key;
    RegCreateKeyExW(root, KeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    const struct {
        const wchar_t *name;
        DWORD value;
    } words[] = {{L"Version", 0x10000},   {L"Hotkeys", 1},        {L"Error Sound", 4},
                 {L"Copy Chime", 0},      {L"LastArgs Flags", 8}, {L"Scrolly Flags", 1},
                 {L"Auto Close Flags", 3}};
    for (const auto &w : words)
        RegSetValueExW(key, w.name, 0, REG_DWORD, (const BYTE *)&w.value, sizeof w.value);
    const Hotkey slot = {0x10010, 4, 0};
    RegSetValueExW(key, L"Key 0", 0, REG_BINARY, (const BYTE *)&slot, sizeof slot);
    RegCloseKey(key);
}

void ClearTable(void)
{
    memset(&HotkeyTable, 0, sizeof HotkeyTable);
}

} // namespace

TEST(no_arguments_shows_the_settings_and_quiet_alone_prints_nothing)
{
    Reset();
    CHECK_EQ(Run(L""), 0);
    CHECK_TEXT(Out, Display());
    CHECK_TEXT(Err, L"");
    CHECK_EQ(Run(L"   "), 0);
    CHECK_TEXT(Out, Display());
    CHECK_EQ(Run(L"/q"), 0);
    CHECK_TEXT(Out, L"");
    CHECK_TEXT(Err, L"");
}

TEST(null_argument_text_is_refused_silently)
{
    Reset();
    Snapshot before = Take();
    CHECK_EQ(Run(nullptr), 1);
    CHECK_TEXT(Out, L"");
    CHECK_TEXT(Err, L"");
    CHECK(Same(before, Take()));
}

TEST(usage_text_and_version_line)
{
    Reset();
    CHECK_TEXT(UsageText, ExpectedUsage);
    CHECK_EQ(Run(L"/?"), 0);
    CHECK_TEXT(Out, ExpectedUsage);
    CHECK_TEXT(Err, L"");
    CHECK_EQ(Run(L"/??"), 0);
    TextFormat(Expected, 65536, L"%s%s", ExpectedUsage, ExpectedVersionLine);
    CHECK_TEXT(Out, Expected);
    // The usage request ends the command before later arguments are read or anything applied.
    Snapshot before = Take();
    CHECK_EQ(Run(L"/E:4 /? /Z"), 0);
    CHECK_TEXT(Out, ExpectedUsage);
    CHECK_TEXT(Err, L"");
    CHECK(Same(before, Take()));
}

TEST(help_pages_for_every_numeric_option_change_nothing)
{
    Reset();
    Snapshot before = Take();
    const wchar_t *forA[] = {L"/A?", L"/A:?", L"/a:1?", L"/A=?", L"/E:3 /A?"};
    for (const wchar_t *arguments : forA) {
        CHECK_EQ(Run(arguments), 0);
        CHECK_TEXT(Out, HelpA);
        CHECK_TEXT(Err, L"");
    }
    const struct {
        const wchar_t *arguments, *page;
    } pages[] = {{L"/B?", HelpB}, {L"/c:?", HelpC}, {L"/E=?", HelpE}, {L"/Y?", HelpY}};
    for (const auto &p : pages) {
        CHECK_EQ(Run(p.arguments), 0);
        CHECK_TEXT(Out, p.page);
        CHECK_TEXT(Err, L"");
    }
    CHECK(Same(before, Take()));
}

TEST(a_bad_argument_before_a_help_request_is_reported)
{
    Reset();
    CheckRefused(L"/E:9 /?", L"Error-sound value must be 0 - 6: 9\r\n");
    CheckRefused(L"/E:9 /A?", L"Error-sound value must be 0 - 6: 9\r\n");
}

TEST(numeric_options_accept_decimal_and_hexadecimal)
{
    Reset();
    CHECK_EQ(Run(L"/a:5x"), 0);
    CHECK_EQ(Settings.LastArgsFlags, 5u);
    CHECK_TEXT(Out, Display());
    CHECK_TEXT(Err, L"");
    CHECK_EQ(Run(L"/C:0x6 /Q"), 0);
    CHECK_EQ(Settings.CopyChime, 6u);
    CHECK_EQ(Run(L"/E=0 /B:63 /Y:0 /A:2147483647 /Q"), 0);
    CHECK_EQ(Settings.ErrorSound, 0u);
    CHECK_EQ(Settings.AutoCloseFlags, 63u);
    CHECK_EQ(Settings.ScrollyFlags, 0u);
    CHECK_EQ(Settings.LastArgsFlags, 0x7FFFFFFFu);
    CHECK_TEXT(Out, L"");
    // A later occurrence wins.
    CHECK_EQ(Run(L"/E:3 /E:5 /Q"), 0);
    CHECK_EQ(Settings.ErrorSound, 5u);
}

TEST(options_glued_by_slashes_are_separate)
{
    Reset();
    CHECK_EQ(Run(L"/A:1/B:2/q"), 0);
    CHECK_EQ(Settings.LastArgsFlags, 1u);
    CHECK_EQ(Settings.AutoCloseFlags, 2u);
    CHECK_TEXT(Out, L"");
}

TEST(numeric_option_messages)
{
    Reset();
    CheckRefused(L"/e:7", L"Error-sound value must be 0 - 6: 7\r\n");
    CheckRefused(L"/C:0x7", L"Copy-chime value must be 0 - 6: 7\r\n");
    CheckRefused(L"/A:2147483648", L"Value too large: 2147483648\r\n");
    CheckRefused(L"/B:4294967295", L"Value too large: 4294967295\r\n");
    CheckRefused(L"/Y:0x80000000", L"Value too large: 2147483648\r\n");
    CheckRefused(L"/A:4294967296", L"Bad LastArgs flags value: \"/A:4294967296\"\r\n");
    CheckRefused(L"/a", L"Missing LastArgs flags value: \"/A\"\r\n");
    CheckRefused(L"/b:", L"Missing auto-close flags value: \"/B:\"\r\n");
    CheckRefused(L"/C=", L"Missing copy-chime value: \"/C=\"\r\n");
    CheckRefused(L"/E", L"Missing error-sound value: \"/E\"\r\n");
    CheckRefused(L"/y:", L"Missing Scrolly flags value: \"/Y:\"\r\n");
    CheckRefused(L"/a:x1", L"Bad LastArgs flags value: \"/A:X1\"\r\n");
    CheckRefused(L"/B:-1", L"Bad auto-close flags value: \"/B:-1\"\r\n");
    CheckRefused(L"/c:one", L"Bad copy-chime value: \"/C:ONE\"\r\n");
    CheckRefused(L"/E::1", L"Bad error-sound value: \"/E::1\"\r\n");
    CheckRefused(L"/Y:\" 1\"", L"Bad Scrolly flags value: \"/Y: 1\"\r\n");
}

TEST(unknown_options_and_syntax_errors)
{
    Reset();
    CheckRefused(L"/e:3 /z", L"Unknown option: \"/Z\"\r\n");
    CHECK_EQ(Settings.ErrorSound, 2u);
    CheckRefused(L"hello", L"Syntax error: \"HELLO\"\r\n");
    CheckRefused(L"/DX", L"Unknown option: \"/DX\"\r\n");
    CheckRefused(L"/S!!", L"Unknown option: \"/S!!\"\r\n");
    CheckRefused(L"/", L"Unknown option: \"/\"\r\n");
}

// Every kind of change followed by one bad argument: none of them is applied.
TEST(one_error_leaves_everything_unchanged)
{
    Reset();
    DeleteStoredSettings();
    CheckRefused(L"/E:3 /A:4 /K0:F3 /K14:F5 /Y:2 /B:9 /C:0 /X:Ctrl-P /D /R /S /Z",
                 L"Unknown option: \"/Z\"\r\n");
    CHECK(!KeyExists(HKEY_CURRENT_USER));
}

TEST(hotkey_definitions)
{
    Reset();
    // Removing with action 0, then again when the key has no binding.
    CHECK_EQ(Run(L"/K0:F3 /Q"), 0);
    CHECK_EQ(HotkeyTable.count, 20u);
    CHECK(HotkeyLookup(&HotkeyTable, 0x1003D) == nullptr);
    CHECK_EQ(HotkeyTable.entries[2].code, 0x10026); // the later entries moved down in order
    CheckRefused(L"/K0:F3", L"Hotkey not found\r\n");
    // Rebinding an existing key changes its action in place.
    CHECK_EQ(Run(L"/K:14=alt-l /Q"), 0);
    CHECK_EQ(HotkeyTable.count, 20u);
    CHECK_EQ(HotkeyTable.entries[2].code, 0x10026);
    CHECK_EQ(HotkeyTable.entries[2].action, 14);
    // A new key is appended.
    CHECK_EQ(Run(L"/K3=F3 /Q"), 0);
    CHECK_EQ(HotkeyTable.count, 21u);
    CHECK_EQ(HotkeyTable.entries[20].code, 0x1003D);
    CHECK_EQ(HotkeyTable.entries[20].action, 3);
    CHECK_TEXT(Err, L"");
}

TEST(a_quoted_key_name_is_bound)
{
    Reset();
    ClearTable();
    CHECK_EQ(Run(L"/K13:\"Alt-I\""), 0);
    CHECK_EQ(HotkeyTable.count, 1u);
    CHECK_EQ(HotkeyTable.entries[0].code, 0x10017);
    CHECK_EQ(HotkeyTable.entries[0].action, 13);
    CHECK_EQ(HotkeyTable.entries[0].reserved, 0);
    CHECK(wcsstr(Out, L"  Custom Insert 1  . . . . . . . /K13 : Alt-I\r\n") != nullptr);
    CHECK(wcsstr(Out, L"\r\n  1 key defined.\r\n") != nullptr);
}

TEST(hotkey_option_messages)
{
    Reset();
    CheckRefused(L"/K24:F3", L"Action must be 1 - 23: 24\r\n");
    CheckRefused(L"/K5", L"Expected a colon or equals sign: \"/K5\"\r\n");
    CheckRefused(L"/K5-F3", L"Expected a colon or equals sign: \"/K5-F3\"\r\n");
    CheckRefused(L"/K5:", L"Missing key name: \"/K5:\"\r\n");
    CheckRefused(L"/K", L"Missing action value: \"/K\"\r\n");
    CheckRefused(L"/K:", L"Missing action value: \"/K:\"\r\n");
    CheckRefused(L"/KX:F3", L"Bad action value: \"/KX:F3\"\r\n");
    CheckRefused(L"/K5:Hyper-X", L"Unknown key name: \"HYPER-X\"\r\n");
    CheckRefused(L"/K5:Ctrl-C", L"Invalid hotkey: \"CTRL-C\"\r\n");
    CheckRefused(L"/K5:A", L"Key not allowed: \"A\"\r\n");
    CheckRefused(L"/X", L"Missing key name: \"/X\"\r\n");
    CheckRefused(L"/X:", L"Missing key name: \"/X:\"\r\n");
    CheckRefused(L"/X=Nokey", L"Unknown key name: \"NOKEY\"\r\n");
}

TEST(removing_hotkeys)
{
    Reset();
    CHECK_EQ(Run(L"/X:f3 /X=Ctrl-P /Q"), 0);
    CHECK_EQ(HotkeyTable.count, 19u);
    CHECK(HotkeyLookup(&HotkeyTable, 0x1003D) == nullptr);
    CHECK(HotkeyLookup(&HotkeyTable, 0x10) == nullptr);
    CheckRefused(L"/X:F3", L"Hotkey not found\r\n");
    // Changes accumulate on the working table in order: bound, then removed again.
    CHECK_EQ(Run(L"/K3:F3 /X:F3 /Q"), 0);
    CHECK_EQ(HotkeyTable.count, 19u);
}

TEST(the_sixty_fifth_key_is_refused)
{
    Reset();
    ClearTable();
    for (int i = 0; i < MaxHotkeys; i++) {
        HotkeyTable.entries[i].code = 0x70000 + i;
        HotkeyTable.entries[i].action = 1;
    }
    HotkeyTable.count = MaxHotkeys;
    CheckRefused(L"/K3:F3", L"Too many hotkeys (64 max)\r\n");
    // A key that is already bound can still change its action in a full table.
    HotkeyTable.entries[63].code = 0x1003D;
    CHECK_EQ(Run(L"/K2:F3 /Q"), 0);
    CHECK_EQ(HotkeyTable.entries[63].action, 2);
}

TEST(defaults_keep_the_changed_table_of_the_same_command)
{
    Reset();
    CHECK_EQ(Run(L"/X:F3 /E:5 /Q"), 0);
    Snapshot changed = Take();
    CHECK_EQ(Run(L"/D /K4:Alt-Q"), 0);
    CHECK_EQ(Settings.ErrorSound, 2u);
    CHECK_EQ(HotkeyTable.count, changed.table.count + 1);
    CHECK(memcmp(HotkeyTable.entries, changed.table.entries,
                 changed.table.count * sizeof(Hotkey)) == 0);
    CHECK_EQ(HotkeyTable.entries[changed.table.count].code, 0x10010);
    CHECK_EQ(HotkeyTable.entries[changed.table.count].action, 4);
    TextFormat(Expected, 65536, L"%s%s", L"Default plugin settings restored.\r\n", Display());
    CHECK_TEXT(Out, Expected);
    // Alone, /D brings back the default table as well.
    CHECK_EQ(Run(L"/d /q"), 0);
    CHECK_EQ(HotkeyTable.count, 21u);
    CHECK_TEXT(Out, L"");
}

TEST(restore_from_the_registry)
{
    Reset();
    DeleteStoredSettings();
    StoreSettings(HKEY_CURRENT_USER);
    Settings.ErrorSound = 6;
    CHECK_EQ(Run(L"/R /D"), 0);
    CHECK_EQ(Settings.ErrorSound, 4u);
    CHECK_EQ(Settings.AutoCloseFlags, 3u);
    CHECK_EQ(HotkeyTable.count, 1u);
    TextFormat(Expected, 65536, L"%s%s",
               L"Settings restored from the registry (HKCU\\Software\\JPPlugins\\Linewise).\r\n",
               Display());
    CHECK_TEXT(Out, Expected);
    CHECK_TEXT(Err, L"");

    // Only the machine key: that one is used.
    DeleteStoredSettings();
    StoreSettings(HKEY_LOCAL_MACHINE);
    SetDefaultSettings();
    CHECK_EQ(Run(L"/R /Y:3 /Q"), 0);
    CHECK_EQ(Settings.ErrorSound, 4u);
    CHECK_EQ(Settings.ScrollyFlags, 3u);
    CHECK_TEXT(Out, L"");
    CHECK_EQ(Run(L"/R"), 0);
    TextFormat(Expected, 65536, L"%s%s",
               L"Settings restored from the registry (HKLM\\Software\\JPPlugins\\Linewise).\r\n",
               Display());
    CHECK_TEXT(Out, Expected);
    DeleteStoredSettings();
}

TEST(restore_without_a_stored_key_falls_back_to_defaults)
{
    Reset();
    DeleteStoredSettings();
    Settings.ErrorSound = 6;
    CHECK_EQ(Run(L"/R /D"), 0);
    CHECK_EQ(Settings.ErrorSound, 2u);
    TextFormat(Expected, 65536, L"%s%s%s", L"Settings not found in the registry.\r\n",
               L"Default plugin settings restored.\r\n", Display());
    CHECK_TEXT(Out, Expected);
    CHECK_TEXT(Err, L"");
    Settings.ErrorSound = 6;
    CHECK_EQ(Run(L"/R"), 0);
    CHECK_EQ(Settings.ErrorSound, 6u);
    TextFormat(Expected, 65536, L"%s%s", L"Settings not found in the registry.\r\n", Display());
    CHECK_TEXT(Out, Expected);
}

TEST(saving_to_the_registry)
{
    Reset();
    DeleteStoredSettings();
    CHECK_EQ(Run(L"/E:3 /S /S!"), 0);
    CHECK(!KeyExists(HKEY_CURRENT_USER));
    CHECK(KeyExists(HKEY_LOCAL_MACHINE));
    CHECK_EQ(StoredDword(HKEY_LOCAL_MACHINE, L"Error Sound"), 3u);
    CHECK_EQ(StoredDword(HKEY_LOCAL_MACHINE, L"Version"), 65536u);
    TextFormat(Expected, 65536, L"%s%s", Display(),
               L"\r\nSettings saved to the registry (HKLM\\Software\\JPPlugins\\Linewise).\r\n");
    CHECK_TEXT(Out, Expected);
    CHECK_TEXT(Err, L"");

    CHECK_EQ(Run(L"/Y:2 /Q /S"), 0);
    CHECK_TEXT(Out, L"");
    CHECK_EQ(StoredDword(HKEY_CURRENT_USER, L"Scrolly Flags"), 2u);
    CHECK_EQ(StoredDword(HKEY_CURRENT_USER, L"Hotkeys"), 21u);
    CHECK_EQ(Run(L"/s"), 0);
    TextFormat(Expected, 65536, L"%s%s", Display(),
               L"\r\nSettings saved to the registry (HKCU\\Software\\JPPlugins\\Linewise).\r\n");
    CHECK_TEXT(Out, Expected);
    DeleteStoredSettings();
}

TEST(key_list_and_its_combinations)
{
    Reset();
    static wchar_t list[65536];
    TakeOutput(1);
    ListKeyNames();
    TextCopy(list, 65536, TakeOutput(1));
    CHECK(list[0] != 0);
    CHECK_EQ(Run(L"/L"), 0);
    CHECK_TEXT(Out, list);
    CHECK_EQ(Run(L"/q /l"), 0);
    CHECK_TEXT(Out, list);
    CHECK_TEXT(Err, L"");
    const wchar_t *combined[] = {L"/L /S",     L"/S! /L",   L"/L /R",   L"/L /D",
                                 L"/L /A:1",   L"/L /B:1",  L"/L /C:1", L"/E:1 /L",
                                 L"/L /K3:F5", L"/L /X:F3", L"/L /Y:1"};
    for (const wchar_t *arguments : combined)
        CheckRefused(arguments, L"Can’t combine /L with other options\r\n");
}

TEST(visible_marks_are_repainted_when_their_bit_changes)
{
    Reset();
    HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(console != INVALID_HANDLE_VALUE);
    CommandMarkBit = 0x2000;
    COORD origin = {0, 0};
    DWORD done;
    auto put = [&](WORD first, WORD second) {
        WORD cells[2] = {first, second};
        WriteConsoleOutputAttribute(console, cells, 2, origin, &done);
    };
    auto first = [&]() {
        WORD cell = 0;
        ReadConsoleOutputAttribute(console, &cell, 1, origin, &done);
        return cell;
    };
    Settings.ScrollyFlags = 1;
    put(0x2007, 0x000C);
    CHECK_EQ(Run(L"/Y:3 /Q"), 0);
    CHECK_EQ(first(), 0x201F);
    put(0x2007, 0x000C);
    CHECK_EQ(Run(L"/Y:2 /Q"), 0); // visible before and after: not repainted
    CHECK_EQ(first(), 0x2007);
    CHECK_EQ(Run(L"/Y:1 /Q"), 0);
    CHECK_EQ(first(), 0x200C);
    put(0x2007, 0x000C);
    CHECK_EQ(Run(L"/Y:1 /Q"), 0); // from 1 to 1
    CHECK_EQ(first(), 0x2007);
    CHECK_EQ(Run(L"/Y:0 /Q"), 0); // only the wrap bit changes
    CHECK_EQ(first(), 0x2007);
    put(0x0007, 0x0007);
    CloseHandle(console);
}

TEST(splitting_quotes_blanks_and_case)
{
    Reset();
    CHECK_EQ(SplitArguments(L"  /a:1   b\t\"c d\"e  "), 3);
    CHECK_TEXT(Argument(0), L"/A:1");
    CHECK_TEXT(Argument(1), L"B");
    CHECK_TEXT(Argument(2), L"C DE");
    CHECK(Argument(3) == nullptr);
    CHECK(Argument(-1) == nullptr);
    CHECK_EQ(ArgumentCount(), 3);
    // Quotes can stand anywhere and never end an argument; quoted trailing blanks go.
    CHECK_EQ(SplitArguments(L"/K13:\"Alt-I\" \"x  \" \"\" \"  y\""), 3);
    CHECK_TEXT(Argument(0), L"/K13:ALT-I");
    CHECK_TEXT(Argument(1), L"X");
    CHECK_TEXT(Argument(2), L"  Y");
    // Only a to z are upper-cased.
    CHECK_EQ(SplitArguments(L"\u00e9z\u00df"), 1);
    CHECK_TEXT(Argument(0), L"\u00e9Z\u00df");
    CHECK_EQ(SplitArguments(L""), 0);
    CHECK_EQ(SplitArguments(nullptr), 0);
}

TEST(splitting_slashes_and_links)
{
    Reset();
    CHECK_EQ(SplitArguments(L"/A:1/B:2//c"), 3);
    CHECK_TEXT(Argument(0), L"/A:1");
    CHECK_TEXT(Argument(1), L"/B:2");
    CHECK_TEXT(Argument(2), L"//C");
    // Slashes inside quotes, and in an argument that does not begin with one, stay.
    CHECK_EQ(SplitArguments(L"a/b/c \"/x:1/y\""), 2);
    CHECK_TEXT(Argument(0), L"A/B/C");
    CHECK_TEXT(Argument(1), L"/X:1/Y");
    // A scheme's "://" keeps the rest of the argument together, until the next blank.
    CHECK_EQ(SplitArguments(L"/x:http://host/a/b /q/r"), 3);
    CHECK_TEXT(Argument(0), L"/X:HTTP://HOST/A/B");
    CHECK_TEXT(Argument(1), L"/Q");
    CHECK_TEXT(Argument(2), L"/R");
    // Not a scheme: a colon after a digit, or followed by one slash only.
    CHECK_EQ(SplitArguments(L"/x:1://a /y:c:/d"), 4);
    CHECK_TEXT(Argument(0), L"/X:1:");
    CHECK_TEXT(Argument(1), L"//A");
    CHECK_TEXT(Argument(2), L"/Y:C:");
    CHECK_TEXT(Argument(3), L"/D");
}

TEST(splitting_limits)
{
    Reset();
    static wchar_t text[20000];
    // 1024 arguments are kept, the rest dropped.
    text[0] = 0;
    for (int i = 0; i < 1100; i++)
        TextAppend(text, 20000, L"a ");
    CHECK_EQ(SplitArguments(text), 1024);
    CHECK_TEXT(Argument(1023), L"A");
    CHECK(Argument(1024) == nullptr);
    // Exactly the buffer: two arguments of 4095 characters and their terminators.
    wmemset(text, L'b', 8191);
    text[4095] = L' ';
    text[8191] = 0;
    CHECK_EQ(SplitArguments(text), 2);
    CHECK_EQ(wcslen(Argument(1)), 4095u);
    CHECK_TEXT(TakeOutput(2), L"");
    // One unit more overflows.
    wmemset(text, L'b', 8192);
    text[4095] = L' ';
    text[8192] = 0;
    CHECK_EQ(SplitArguments(text), -1);
    CHECK_EQ(ArgumentCount(), 0);
    CHECK_TEXT(TakeOutput(2), ErrorText(L"Buffer overflow: b = 8192, MAX_ARG_LEN = 8192 \r\n"));
}

TEST(an_overflowing_argument_text_shows_the_settings_and_fails)
{
    Reset();
    static wchar_t text[10000];
    wmemset(text, L'e', 9000);
    text[0] = L'/';
    text[9000] = 0;
    Snapshot before = Take();
    CHECK_EQ(Run(text), 1);
    CHECK_TEXT(Err, ErrorText(L"Buffer overflow: b = 8192, MAX_ARG_LEN = 8192 \r\n"));
    CHECK_TEXT(Out, Display());
    CHECK(Same(before, Take()));
}

// A stable key cannot be created under a volatile one: the save fails after the settings in
// memory have changed and been shown.
TEST(a_failed_save_is_reported_and_gives_two)
{
    Reset();
    DeleteStoredSettings();
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\JPPlugins");
    HKEY parent;
    CHECK_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\JPPlugins", 0, nullptr,
                             REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &parent, nullptr),
             ERROR_SUCCESS);
    RegCloseKey(parent);
    CHECK_EQ(Run(L"/E:4 /S"), 2);
    CHECK_EQ(Settings.ErrorSound, 4u);
    CHECK(!KeyExists(HKEY_CURRENT_USER));
    wchar_t reason[1024];
    WindowsErrorText(reason, ERROR_CHILD_MUST_BE_VOLATILE);
    CHECK(reason[0] != 0);
    TextFormat(Expected, 65536, L"%s%s%s\r\n", Prefix,
               L"Error saving settings to the registry (HKCU\\Software\\JPPlugins\\Linewise) :"
               L"\r\n",
               reason);
    CHECK_TEXT(Err, Expected);
    TextFormat(Expected, 65536, L"%s\r\n", Display());
    CHECK_TEXT(Out, Expected);
    // Quiet: no display, but the line end and the error all the same.
    CHECK_EQ(Run(L"/Q /S"), 2);
    CHECK_TEXT(Out, L"\r\n");
    CHECK(wcsncmp(Err, Prefix, wcslen(Prefix)) == 0);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\JPPlugins");
}
