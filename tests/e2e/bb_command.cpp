// The linewise command and the registry round trip, seen from outside: the built DLL is
// loaded as the shell loads it, only its exports are called, and what it stores is read back
// from the registry by a later instance.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/platform.h"
#include "tests/support/plugindll.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

namespace
{

const wchar_t SettingsKey[] = L"Software\\JPPlugins\\Linewise";
const wchar_t ErrorPrefix[] = L"Linewise plugin: ";

void ForgetSettingsKeys(void)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, SettingsKey);
}

// What the plug-in last wrote, kept apart from the harness's shared capture buffers.
wchar_t Out[65536];
wchar_t Err[65536];
wchar_t StartupOut[1024];

void TakeBoth(void)
{
    wcsncpy(Out, TakeOutput(1), 65535);
    wcsncpy(Err, TakeOutput(2), 65535);
}

// Another black-box file may keep the DLL loaded between its own cases; then FreeLibrary
// does not unload it, and its settings are put back when a case here ends.
struct Borrowed {
    bool held;
    int count;
    wchar_t names[40][64];
    DWORD types[40];
    BYTE data[40][16400];
    DWORD sizes[40];
};
Borrowed Lender;

void ReadKeyInto(Borrowed &stash)
{
    stash.count = 0;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0; stash.count < 40; i++) {
        DWORD nameLength = 64, size = sizeof stash.data[0];
        if (RegEnumValueW(key, i, stash.names[stash.count], &nameLength, nullptr,
                          &stash.types[stash.count], stash.data[stash.count],
                          &size) != ERROR_SUCCESS)
            break;
        stash.sizes[stash.count++] = size;
    }
    RegCloseKey(key);
}

void WriteKeyFrom(const Borrowed &stash)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    for (int i = 0; i < stash.count; i++)
        RegSetValueExW(key, stash.names[i], 0, stash.types[i], stash.data[i], stash.sizes[i]);
    RegCloseKey(key);
}

// Begins a case: clean registry, and the settings of a DLL someone else holds set aside.
void BeginCase(void)
{
    Host();
    ForgetSettingsKeys();
    PluginDll held;
    Lender.held = FindLoadedPluginDll(held);
    if (Lender.held) {
        Host().CaptureOutput(1);
        held.linewise(L"/Q /S");
        TakeBoth();
        ReadKeyInto(Lender);
        ForgetSettingsKeys();
    }
}

void EndCase(void)
{
    ForgetSettingsKeys();
    Host().SetVariable(L"_4ver", nullptr);
    PluginDll held;
    if (Lender.held && FindLoadedPluginDll(held)) {
        WriteKeyFrom(Lender);
        Host().CaptureOutput(1);
        held.InitializePlugin();
        TakeBoth();
        ForgetSettingsKeys();
    }
}

// Loads and starts the plug-in as the shell does; version null keeps the stand-in's own.
PluginDll Start(const wchar_t *hostVersion)
{
    Host().SetVariable(L"_4ver", hostVersion);
    PluginDll plugin = LoadPluginDll();
    CHECK(plugin.GetPluginInfo() != nullptr);
    Host().CaptureOutput(1);
    TakeBoth();
    CHECK_EQ(plugin.InitializePlugin(), 0);
    TakeBoth();
    wcsncpy(StartupOut, Out, 1023);
    StartupOut[1023] = 0;
    CHECK_TEXT(Err, L"");
    return plugin;
}

void Stop(PluginDll &plugin)
{
    CHECK_EQ(plugin.ShutdownPlugin(0), 0);
    UnloadPluginDll(plugin);
}

int Run(const PluginDll &plugin, const wchar_t *arguments)
{
    TakeBoth();
    int result = plugin.linewise(arguments);
    TakeBoth();
    return result;
}

// ---- The expected display, built from the documented formats and tables.

const wchar_t *const ActionTitles[23] = {L"Swap Characters",
                                         L"Swap Arguments",
                                         L"Insert Last Args",
                                         L"Clear Screen",
                                         L"Math Word",
                                         L"Expand Expression",
                                         L"Unicode Entry",
                                         L"Copy Line",
                                         L"Copy Word",
                                         L"Cut Word",
                                         L"Swap Clipboard Word",
                                         L"Change Word Case",
                                         L"Custom Insert 1",
                                         L"Custom Insert 2",
                                         L"Custom Insert 3",
                                         L"Character Info",
                                         L"Scroll Up By Commands",
                                         L"Scroll Down By Commands",
                                         L"File to URI",
                                         L"Print Viewport",
                                         L"Save Viewport Picture",
                                         L"Print History",
                                         L"Search Path and Expand"};

const wchar_t *const ErrorSoundNames[7] = {
    L"Off", L"Honk", L"Asterisk", L"Default Beep", L"Exclamation", L"Critical Stop", L"Question"};
const wchar_t *const CopyChimeNames[7] = {
    L"Off", L"Chime", L"Asterisk", L"Default Beep", L"Exclamation", L"Critical Stop", L"Question"};

struct Binding {
    int action;
    const wchar_t *name;
};

enum { DefaultCount = 21, MathWordEntry = 4 };
const Binding DefaultBindings[DefaultCount] = {
    {1, L"Alt-;"},          {2, L"Alt-'"},       {3, L"F3"},
    {4, L"Alt-L"},          {5, L"Alt-="},       {6, L"Ctrl-Shift-X"},
    {7, L"Alt-U"},          {8, L"Alt-C"},       {9, L"Alt-W"},
    {10, L"Ctrl-Alt-W"},    {11, L"Ctrl-Alt-Z"}, {12, L"Ctrl-U"},
    {13, L"Alt-I"},         {16, L"Ctrl-A"},     {17, L"Ctrl-Alt-Up"},
    {18, L"Ctrl-Alt-Down"}, {19, L"Ctrl-Alt-F"}, {20, L"Ctrl-Shift-P"},
    {21, L"Ctrl-Shift-Q"},  {22, L"Ctrl-P"},     {23, L"Ctrl-Alt-E"}};

struct Expected {
    Binding bindings[64];
    int count;
    unsigned errorSound, copyChime, lastArgs, autoClose, scrolly;
    const wchar_t *lastArgsText, *autoCloseText, *scrollyText;
};

Expected Defaults(bool newerHost)
{
    Expected e = {};
    for (int i = 0; i < DefaultCount; i++)
        e.bindings[i] = DefaultBindings[i];
    if (newerHost)
        e.bindings[MathWordEntry].name = L"Alt-Plus";
    e.count = DefaultCount;
    e.errorSound = 2;
    e.copyChime = 1;
    e.lastArgs = 2;
    e.autoClose = 0;
    e.scrolly = 1;
    e.lastArgsText = L"Slashes";
    e.autoCloseText = L"none";
    e.scrollyText = L"Wrap";
    return e;
}

void Remove(Expected &e, const wchar_t *name)
{
    for (int i = 0; i < e.count; i++)
        if (wcscmp(e.bindings[i].name, name) == 0) {
            memmove(&e.bindings[i], &e.bindings[i + 1], (e.count - i - 1) * sizeof(Binding));
            e.count--;
            return;
        }
}

void Append(Expected &e, int action, const wchar_t *name)
{
    e.bindings[e.count++] = {action, name};
}

void Add(wchar_t *text, size_t capacity, const wchar_t *format, ...)
{
    size_t used = wcslen(text);
    va_list values;
    va_start(values, format);
    vswprintf(text + used, capacity - used, format, values);
    va_end(values);
}

// The dot leader: "." at even, blank at odd positions; an action name gets its last 29 - L.
const wchar_t *Leader(const wchar_t *title)
{
    static wchar_t dots[256];
    for (int i = 0; i < 255; i++)
        dots[i] = i % 2 == 0 ? L'.' : L' ';
    size_t length = wcslen(title);
    return length >= 29 ? L"" : dots + 255 - (29 - length);
}

const wchar_t *Display(const Expected &e)
{
    static wchar_t text[16384];
    text[0] = 0;
    Add(text, 16384, L"\r\nLinewise v0.99.12 settings:\r\n\n");
    for (int action = 1; action <= 23; action++) {
        wchar_t keys[1024] = L"";
        for (int i = 0; i < e.count; i++)
            if (e.bindings[i].action == action)
                Add(keys, 1024, L"%ls%ls", keys[0] ? L" \x00B7 " : L"", e.bindings[i].name);
        const wchar_t *title = ActionTitles[action - 1];
        Add(text, 16384, L"  %ls %ls /K%-2d : %ls\r\n", title, Leader(title), action, keys);
    }
    Add(text, 16384, L"  Error sound  . . . . . . . . . /E   : %-2d  (%ls)\r\n", e.errorSound,
        ErrorSoundNames[e.errorSound]);
    Add(text, 16384, L"  Copy chime . . . . . . . . . . /C   : %-2d  (%ls)\r\n", e.copyChime,
        CopyChimeNames[e.copyChime]);
    Add(text, 16384, L"  LastArgs flags . . . . . . . . /A   : %-2u  (%ls)\r\n", e.lastArgs,
        e.lastArgsText);
    Add(text, 16384, L"  Auto-close flags . . . . . . . /B   : %-2d  (%ls)\r\n", e.autoClose,
        e.autoCloseText);
    Add(text, 16384, L"  Scrolly flags  . . . . . . . . /Y   : %-2u  (%ls)\r\n", e.scrolly,
        e.scrollyText);
    Add(text, 16384, L"\r\n  %d %ls defined.\r\n", e.count, e.count == 1 ? L"key" : L"keys");
    return text;
}

const wchar_t *StartupLine(int count)
{
    static wchar_t line[128];
    swprintf(line, 128, L"Linewise v0.99.12 loaded.  %d %ls defined.\r\n", count,
             count == 1 ? L"key" : L"keys");
    return line;
}

// Compares two multi-line texts line by line, so a failure names the first differing line.
void CheckLines(const wchar_t *actual, const wchar_t *expected, int sourceLine)
{
    if (wcscmp(actual, expected) == 0)
        return;
    const wchar_t *a = actual, *e = expected;
    for (int line = 1;; line++) {
        const wchar_t *aEnd = wcschr(a, L'\n'), *eEnd = wcschr(e, L'\n');
        size_t aLength = aEnd ? (size_t)(aEnd - a + 1) : wcslen(a);
        size_t eLength = eEnd ? (size_t)(eEnd - e + 1) : wcslen(e);
        if (aLength != eLength || wcsncmp(a, e, aLength) != 0) {
            static wchar_t got[1100], want[1100];
            wcsncpy(got, a, aLength < 1024 ? aLength : 1024);
            got[aLength < 1024 ? aLength : 1024] = 0;
            wcsncpy(want, e, eLength < 1024 ? eLength : 1024);
            want[eLength < 1024 ? eLength : 1024] = 0;
            printf("display line %d differs:\n", line);
            CheckText(got, want, __FILE__, sourceLine, "display line");
            return;
        }
        a += aLength;
        e += eLength;
    }
}
#define CHECK_LINES(actual, expected) CheckLines((actual), (expected), __LINE__)

// ---- Environment settings.

const wchar_t *const EnvNames[9] = {L"Insert-1",
                                    L"Insert-2",
                                    L"Insert-3",
                                    L"SavePicDir",
                                    L"SavePicExt",
                                    L"SavePicFlags",
                                    L"PrintHistoryMaxLines",
                                    L"PrintHistoryFlags",
                                    L"PathExpandFlags"};
const wchar_t *const EnvValues[9] = {L"echo \"one\" %%x",
                                     L"two words  ",
                                     L"\x00E9t\x00E9 \x2014 3",
                                     L"C:\\Pictures\\Saved",
                                     L".jpg",
                                     L"3",
                                     L"250",
                                     L"1",
                                     L"4"};

void ClearEnvironment(void)
{
    for (const wchar_t *name : EnvNames)
        SetEnvironmentVariableW(name, nullptr);
}

const wchar_t *Env(const wchar_t *name)
{
    static wchar_t value[8192];
    value[0] = 0;
    if (!GetEnvironmentVariableW(name, value, 8192))
        wcscpy(value, L"(unset)");
    return value;
}

// ---- Direct registry access, for keys the command did not write.

void PutDword(HKEY key, const wchar_t *name, DWORD value)
{
    RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof value);
}

void PutSlot(HKEY key, int n, DWORD code, WORD action, DWORD size)
{
    BYTE slot[8] = {};
    memcpy(slot, &code, 4);
    memcpy(slot + 4, &action, 2);
    wchar_t name[16];
    swprintf(name, 16, L"Key %d", n);
    RegSetValueExW(key, name, 0, REG_BINARY, slot, size);
}

enum Damage {
    Sound,
    WrongVersion,
    NewerFormat,
    VersionAsText,
    TooManyHotkeys,
    ErrorSoundTooLarge,
    ShortSlot,
    MissingSlot,
    MissingFlags
};

// A user key by hand with three hotkeys and error sound 3, damaged as asked.
void WriteUserKey(Damage damage)
{
    HKEY key;
    CHECK_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                             &key, nullptr),
             ERROR_SUCCESS);
    if (damage == VersionAsText)
        RegSetValueExW(key, L"Version", 0, REG_SZ, (const BYTE *)L"65536", 12);
    else
        PutDword(key, L"Version",
                 damage == WrongVersion  ? 0x00010001
                 : damage == NewerFormat ? 0x00020000
                                         : 0x00010000);
    PutDword(key, L"Hotkeys", damage == TooManyHotkeys ? 65 : 3);
    PutDword(key, L"Error Sound", damage == ErrorSoundTooLarge ? 7 : 3);
    PutDword(key, L"Copy Chime", 0);
    PutDword(key, L"LastArgs Flags", 15);
    PutDword(key, L"Scrolly Flags", 3);
    if (damage != MissingFlags)
        PutDword(key, L"Auto Close Flags", 64);
    PutSlot(key, 0, 0x1003D, 3, 8); // F3
    PutSlot(key, 1, 0x15, 12, 8);   // Ctrl-U
    if (damage != MissingSlot)
        PutSlot(key, 2, 0x10017, 14, damage == ShortSlot ? 7 : 8); // Alt-I
    RegCloseKey(key);
}

DWORD ReadDword(HKEY root, const wchar_t *name, DWORD *type)
{
    DWORD value = 0xDEADBEEF, size = sizeof value;
    *type = 0;
    if (RegGetValueW(root, SettingsKey, name, RRF_RT_ANY, type, &value, &size) != ERROR_SUCCESS)
        *type = 0;
    return value;
}

bool HasValue(HKEY root, const wchar_t *name)
{
    return RegGetValueW(root, SettingsKey, name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

} // namespace

TEST(command_default_display_for_older_and_newer_hosts)
{
    struct {
        const wchar_t *version;
        bool newer;
    } hosts[] = {{L"23.00", false}, {L"33.00", true}, {nullptr, true}, {L"24.00", true}};
    for (const auto &host : hosts) {
        BeginCase();
        PluginDll plugin = Start(host.version);
        CHECK_TEXT(StartupOut, StartupLine(21));
        CHECK_EQ(Run(plugin, L""), 0);
        CHECK_LINES(Out, Display(Defaults(host.newer)));
        CHECK_TEXT(Err, L"");
        // The name table follows the host, whatever the display's other lines do.
        CHECK(wcsstr(Out, host.newer ? L"/K5  : Alt-Plus\r\n" : L"/K5  : Alt-=\r\n") != nullptr);
        CHECK_EQ(Run(plugin, L"/Q"), 0);
        CHECK_TEXT(Out, L"");
        Stop(plugin);
        EndCase();
    }

    // A few lines as they must look, so that the builder above cannot drift with the plug-in.
    BeginCase();
    PluginDll plugin = Start(L"23.00");
    Run(plugin, L"");
    CHECK(wcsstr(Out, L"\n  Swap Characters  . . . . . . . /K1  : Alt-;\r\n"));
    CHECK(wcsstr(Out, L"\r\n  Clear Screen . . . . . . . . . /K4  : Alt-L\r\n"));
    CHECK(wcsstr(Out, L"\r\n  Custom Insert 2  . . . . . . . /K14 : \r\n"));
    CHECK(wcsstr(Out, L"\r\n  Scroll Down By Commands  . . . /K18 : Ctrl-Alt-Down\r\n"));
    CHECK(wcsstr(Out, L"\r\n  Search Path and Expand . . . . /K23 : Ctrl-Alt-E\r\n"));
    CHECK(wcsstr(Out, L"\r\n  Error sound  . . . . . . . . . /E   : 2   (Asterisk)\r\n"));
    CHECK(wcsstr(Out, L"\r\n  Auto-close flags . . . . . . . /B   : 0   (none)\r\n"));
    CHECK(wcsstr(Out, L"\r\n\r\n  21 keys defined.\r\n") != nullptr);
    Stop(plugin);
    EndCase();
}

TEST(command_saved_settings_come_back_in_a_new_instance)
{
    BeginCase();
    ClearEnvironment();
    PluginDll plugin = Start(L"33.00");
    for (int i = 0; i < 9; i++)
        SetEnvironmentVariableW(EnvNames[i], EnvValues[i]);

    CHECK_EQ(Run(plugin, L"/K14:F5 /X:F3 /E:4 /C:0 /A:13 /B:63 /Y:3 /K15:Ctrl-Shift-F7"), 0);
    Expected changed = Defaults(true);
    Remove(changed, L"F3");
    Append(changed, 14, L"F5");
    Append(changed, 15, L"Ctrl-Shift-F7");
    changed.errorSound = 4;
    changed.copyChime = 0;
    changed.lastArgs = 13;
    changed.lastArgsText = L"Over, KeepOld, Space";
    changed.autoClose = 63;
    changed.autoCloseText = L"All";
    changed.scrolly = 3;
    changed.scrollyText = L"Wrap, Visible";
    CHECK_LINES(Out, Display(changed));
    CHECK_TEXT(Err, L"");

    static wchar_t before[16384];
    CHECK_EQ(Run(plugin, L""), 0);
    wcscpy(before, Out);
    CHECK_LINES(before, Display(changed));

    CHECK_EQ(Run(plugin, L"/S /Q"), 0);
    CHECK_TEXT(Out, L"");
    CHECK_TEXT(Err, L"");

    // The stored format, as another program reading the key would see it.
    DWORD type = 0;
    CHECK_EQ(ReadDword(HKEY_CURRENT_USER, L"Version", &type), 0x00010000);
    CHECK_EQ(type, REG_DWORD);
    CHECK_EQ(ReadDword(HKEY_CURRENT_USER, L"Hotkeys", &type), 22);
    CHECK_EQ(ReadDword(HKEY_CURRENT_USER, L"Error Sound", &type), 4);
    CHECK_EQ(ReadDword(HKEY_CURRENT_USER, L"Auto Close Flags", &type), 63);
    CHECK(HasValue(HKEY_CURRENT_USER, L"Key 21"));
    CHECK(!HasValue(HKEY_CURRENT_USER, L"Key 22"));
    CHECK(!HasValue(HKEY_LOCAL_MACHINE, L"Version"));
    Stop(plugin);

    ClearEnvironment();
    plugin = Start(L"33.00");
    CHECK_TEXT(StartupOut, StartupLine(22));
    CHECK_EQ(Run(plugin, L""), 0);
    CHECK_LINES(Out, before);
    for (int i = 0; i < 9; i++)
        CHECK_TEXT(Env(EnvNames[i]), EnvValues[i]);

    // Saving fewer keys drops the stale slots; empty variables drop their stored values.
    SetEnvironmentVariableW(L"Insert-2", nullptr);
    SetEnvironmentVariableW(L"SavePicDir", nullptr);
    CHECK_EQ(Run(plugin, L"/D /Q /S"), 0);
    CHECK_EQ(ReadDword(HKEY_CURRENT_USER, L"Hotkeys", &type), 21);
    CHECK(HasValue(HKEY_CURRENT_USER, L"Key 20"));
    CHECK(!HasValue(HKEY_CURRENT_USER, L"Key 21"));
    CHECK(!HasValue(HKEY_CURRENT_USER, L"Custom Insert String 2"));
    CHECK(!HasValue(HKEY_CURRENT_USER, L"SavePicDir"));
    CHECK(HasValue(HKEY_CURRENT_USER, L"Custom Insert String 3"));
    Stop(plugin);

    // A stored value that is absent leaves its variable alone at the next start.
    SetEnvironmentVariableW(L"Insert-2", L"kept");
    SetEnvironmentVariableW(L"SavePicDir", L"D:\\kept");
    SetEnvironmentVariableW(L"Insert-1", L"replaced");
    plugin = Start(L"33.00");
    CHECK_TEXT(StartupOut, StartupLine(21));
    CHECK_TEXT(Env(L"Insert-1"), EnvValues[0]);
    CHECK_TEXT(Env(L"Insert-2"), L"kept");
    CHECK_TEXT(Env(L"SavePicDir"), L"D:\\kept");
    CHECK_EQ(Run(plugin, L""), 0);
    CHECK_LINES(Out, Display(Defaults(true)));
    Stop(plugin);

    ClearEnvironment();
    EndCase();
}

TEST(command_damaged_user_key_falls_back_to_machine_key)
{
    if (!MachineKeyWritable()) {
        SkipCase("writes the machine-wide settings key, which needs administrator rights");
        return;
    }
    BeginCase();
    // The machine key, written by the command itself: 22 keys, error sound 5.
    PluginDll plugin = Start(L"23.00");
    CHECK_EQ(Run(plugin, L"/S /E:5 /K15:F7 /S! /Q"), 0); // the later target wins
    CHECK_TEXT(Err, L"");
    CHECK(HasValue(HKEY_LOCAL_MACHINE, L"Version"));
    CHECK(!HasValue(HKEY_CURRENT_USER, L"Version"));
    Stop(plugin);
    Expected machine = Defaults(false);
    machine.errorSound = 5;
    Append(machine, 15, L"F7");

    // A sound hand-written user key is used, and the machine key is ignored.
    Expected user = Defaults(false);
    user.count = 0;
    Append(user, 3, L"F3");
    Append(user, 12, L"Ctrl-U");
    Append(user, 14, L"Alt-I");
    user.errorSound = 3;
    user.copyChime = 0;
    user.lastArgs = 15;
    user.lastArgsText = L"Over, Slashes, KeepOld, Space";
    user.autoClose = 64;
    user.autoCloseText = L"none";
    user.scrolly = 3;
    user.scrollyText = L"Wrap, Visible";
    WriteUserKey(Sound);
    plugin = Start(L"23.00");
    CHECK_TEXT(StartupOut, StartupLine(3));
    Run(plugin, L"");
    CHECK_LINES(Out, Display(user));
    Stop(plugin);

    const Damage damages[] = {WrongVersion,       NewerFormat, VersionAsText, TooManyHotkeys,
                              ErrorSoundTooLarge, ShortSlot,   MissingSlot,   MissingFlags};
    for (Damage damage : damages) {
        RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKey);
        WriteUserKey(damage);
        plugin = Start(L"23.00");
        if (wcscmp(StartupOut, StartupLine(22)) != 0)
            printf("damage %d\n", (int)damage);
        CHECK_TEXT(StartupOut, StartupLine(22));
        Run(plugin, L"");
        CHECK_LINES(Out, Display(machine));

        // /R takes the same way and says where the settings came from.
        CHECK_EQ(Run(plugin, L"/D /Q"), 0);
        CHECK_EQ(Run(plugin, L"/R"), 0);
        static wchar_t expected[16384];
        swprintf(expected, 16384,
                 L"Settings restored from the registry (HKLM\\Software\\JPPlugins\\Linewise)."
                 L"\r\n%ls",
                 Display(machine));
        CHECK_LINES(Out, expected);
        Stop(plugin);
    }
    EndCase();
}

TEST(command_restore_defaults_and_refused_arguments)
{
    BeginCase();
    PluginDll plugin = Start(L"33.00");
    static wchar_t expected[16384];

    // No key anywhere: /R says so and changes nothing; quietly it says nothing.
    CHECK_EQ(Run(plugin, L"/E:0 /Q"), 0);
    Expected quiet = Defaults(true);
    quiet.errorSound = 0;
    CHECK_EQ(Run(plugin, L"/R"), 0);
    swprintf(expected, 16384, L"Settings not found in the registry.\r\n%ls", Display(quiet));
    CHECK_LINES(Out, expected);
    CHECK_EQ(Run(plugin, L"/R /Q"), 0);
    CHECK_TEXT(Out, L"");
    CHECK_EQ(Run(plugin, L"/R /D"), 0);
    swprintf(expected, 16384,
             L"Settings not found in the registry.\r\nDefault plugin settings restored.\r\n%ls",
             Display(Defaults(true)));
    CHECK_LINES(Out, expected);

    // With a user key: /R restores it and cancels /D.
    CHECK_EQ(Run(plugin, L"/E:3 /X:Ctrl-P /S"), 0);
    Expected saved = Defaults(true);
    saved.errorSound = 3;
    Remove(saved, L"Ctrl-P");
    swprintf(expected, 16384,
             L"%ls\r\nSettings saved to the registry (HKCU\\Software\\JPPlugins\\Linewise).\r\n",
             Display(saved));
    CHECK_LINES(Out, expected);
    CHECK_EQ(Run(plugin, L"/E:6 /K22:Ctrl-P /Q"), 0);
    CHECK_EQ(Run(plugin, L"/R /D"), 0);
    swprintf(expected, 16384,
             L"Settings restored from the registry (HKCU\\Software\\JPPlugins\\Linewise).\r\n%ls",
             Display(saved));
    CHECK_LINES(Out, expected);

    // /D alone brings the defaults back.
    CHECK_EQ(Run(plugin, L"/D"), 0);
    swprintf(expected, 16384, L"Default plugin settings restored.\r\n%ls", Display(Defaults(true)));
    CHECK_LINES(Out, expected);

    // Refused arguments: the message, the result, and the settings exactly as before.
    CHECK_EQ(Run(plugin, L"/E:5 /C:3 /K14:F5 /Q"), 0);
    static wchar_t before[16384];
    Run(plugin, L"");
    wcscpy(before, Out);
    struct {
        const wchar_t *arguments;
        int result;
        const wchar_t *message;
    } refused[] = {
        {L"/E:7", 1, L"Error-sound value must be 0 - 6: 7\r\n"},
        {L"/a:1 /e:3 /z", 1, L"Unknown option: \"/Z\"\r\n"},
        {L"/k14:f6 hello", 1, L"Syntax error: \"HELLO\"\r\n"},
        {L"/K24:F3", 1, L"Action must be 1 - 23: 24\r\n"},
        {L"/K5", 1, L"Expected a colon or equals sign: \"/K5\"\r\n"},
        {L"/K5:", 1, L"Missing key name: \"/K5:\"\r\n"},
        {L"/A:2147483648", 1, L"Value too large: 2147483648\r\n"},
        {L"/B:x", 1, L"Bad auto-close flags value: \"/B:X\"\r\n"},
        {L"/Y=", 1, L"Missing Scrolly flags value: \"/Y=\"\r\n"},
        {L"/C:0x7", 1, L"Copy-chime value must be 0 - 6: 7\r\n"},
        {L"/K0:F6", 1, L"Hotkey not found\r\n"},
        {L"/X:F3 /X:F3", 1, L"Hotkey not found\r\n"},
        {L"/L /S", 1, L"Can\x2019t combine /L with other options\r\n"},
        {L"/E:1 /S /E:9 /?", 1, L"Error-sound value must be 0 - 6: 9\r\n"},
    };
    for (const auto &r : refused) {
        CHECK_EQ(Run(plugin, r.arguments), r.result);
        swprintf(expected, 16384, L"%ls%ls", ErrorPrefix, r.message);
        CHECK_TEXT(Err, expected);
        CHECK_TEXT(Out, L"");
        Run(plugin, L"");
        CHECK_LINES(Out, before);
        if (wcscmp(Out, before) != 0)
            printf("after \"%s\"\n", Show(r.arguments));
    }
    DWORD type = 0;
    CHECK_EQ(ReadDword(HKEY_CURRENT_USER, L"Error Sound", &type), 3); // no save after an error

    // A null argument text is refused without a word.
    CHECK_EQ(Run(plugin, nullptr), 1);
    CHECK_TEXT(Out, L"");
    CHECK_TEXT(Err, L"");

    // A help page is not a change: result 0 and the settings stay.
    CHECK_EQ(Run(plugin, L"/E:3 /Y?"), 0);
    const wchar_t page[] = L"LINEWISE /Y:  \x2014 Change the Scrolly flags:\n";
    CHECK(wcsncmp(Out, page, wcslen(page)) == 0);
    Run(plugin, L"");
    CHECK_LINES(Out, before);

    Stop(plugin);
    EndCase();
}

TEST(command_save_failure_gives_two_and_keeps_the_change)
{
    BeginCase();
    // A volatile parent key refuses a lasting child: the save cannot create the settings key.
    // The parent is replaced only when it is empty, as earlier saves leave it.
    const wchar_t parentPath[] = L"Software\\JPPlugins";
    HKEY parent = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, parentPath, 0, KEY_READ, &parent) == ERROR_SUCCESS) {
        DWORD subkeys = 1, values = 1;
        RegQueryInfoKeyW(parent, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(parent);
        if (subkeys == 0 && values == 0)
            RegDeleteKeyW(HKEY_CURRENT_USER, parentPath);
    }
    DWORD disposition = 0;
    LONG made = RegCreateKeyExW(HKEY_CURRENT_USER, parentPath, 0, nullptr, REG_OPTION_VOLATILE,
                                KEY_WRITE, nullptr, &parent, &disposition);
    if (made == ERROR_SUCCESS)
        RegCloseKey(parent);
    if (made != ERROR_SUCCESS || disposition != REG_CREATED_NEW_KEY) {
        printf("Software\\JPPlugins is in use: save failure not tried\n");
        EndCase();
        return;
    }

    PluginDll plugin = Start(L"33.00");
    CHECK_EQ(Run(plugin, L"/E:4 /S"), 2);
    Expected changed = Defaults(true);
    changed.errorSound = 4;
    static wchar_t expected[16384];
    swprintf(expected, 16384, L"%ls\r\n", Display(changed));
    CHECK_LINES(Out, expected);
    swprintf(expected, 16384,
             L"%lsError saving settings to the registry (HKCU\\Software\\JPPlugins\\Linewise) :"
             L"\r\n",
             ErrorPrefix);
    CHECK(wcsncmp(Err, expected, wcslen(expected)) == 0);
    size_t length = wcslen(Err);
    CHECK(length > wcslen(expected) + 2 && wcscmp(Err + length - 2, L"\r\n") == 0);
    if (wcsncmp(Err, expected, wcslen(expected)) != 0)
        printf("stderr: %s\n", Show(Err));
    Run(plugin, L"");
    CHECK_LINES(Out, Display(changed));
    Stop(plugin);

    RegDeleteKeyW(HKEY_CURRENT_USER, parentPath);
    EndCase();
}

TEST(command_stored_values_load_as_they_stand)
{
    BeginCase();
    HKEY key;
    CHECK_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                             &key, nullptr),
             ERROR_SUCCESS);
    PutDword(key, L"Version", 0x00010000);
    PutDword(key, L"Hotkeys", 4);
    PutDword(key, L"Error Sound", 0);
    PutDword(key, L"Copy Chime", 6);
    PutDword(key, L"LastArgs Flags", 16);
    PutDword(key, L"Scrolly Flags", 0);
    PutDword(key, L"Auto Close Flags", 127);
    PutSlot(key, 0, 0x1003D, 3, 8);  // F3
    PutSlot(key, 1, 0x15, 3, 8);     // Ctrl-U, a second key for the same action
    PutSlot(key, 2, 0x7FFFF, 5, 8);  // a code no table names
    PutSlot(key, 3, 0x10017, 30, 8); // an action that does not exist
    RegSetValueExW(key, L"Key 4", 0, REG_SZ, (const BYTE *)L"stale", 12); // beyond the count
    const wchar_t fromRegistry[] = L"from the registry";
    RegSetValueExW(key, L"Custom Insert String 1", 0, REG_SZ, (const BYTE *)fromRegistry,
                   sizeof fromRegistry);
    RegSetValueExW(key, L"Custom Insert String 2", 0, REG_SZ, (const BYTE *)L"", 2);
    RegSetValueExW(key, L"Custom Insert String 3", 0, REG_EXPAND_SZ, (const BYTE *)L"%x%", 8);
    RegSetValueExW(key, L"SavePicDir", 0, REG_SZ, (const BYTE *)L"", 2);
    RegSetValueExW(key, L"SavePicExt", 0, REG_SZ, (const BYTE *)L".gif", 10);
    PutDword(key, L"PathExpandFlags", 5);
    RegCloseKey(key);

    ClearEnvironment();
    SetEnvironmentVariableW(L"Insert-1", L"old 1");
    SetEnvironmentVariableW(L"Insert-2", L"old 2");
    SetEnvironmentVariableW(L"Insert-3", L"old 3");
    SetEnvironmentVariableW(L"SavePicDir", L"C:\\old");
    SetEnvironmentVariableW(L"PathExpandFlags", L"6");

    PluginDll plugin = Start(L"23.00");
    CHECK_TEXT(StartupOut, StartupLine(4));
    CHECK_TEXT(Env(L"Insert-1"), fromRegistry);
    CHECK_TEXT(Env(L"Insert-2"), L"(unset)");
    CHECK_TEXT(Env(L"Insert-3"), L"old 3");
    CHECK_TEXT(Env(L"SavePicDir"), L"C:\\old");
    CHECK_TEXT(Env(L"SavePicExt"), L".gif");
    CHECK_TEXT(Env(L"PathExpandFlags"), L"6");

    Expected stored = Defaults(false);
    stored.count = 0;
    Append(stored, 3, L"F3");
    Append(stored, 3, L"Ctrl-U");
    Append(stored, 5, L"(unknown)");
    Append(stored, 30, L"Alt-I");
    stored.errorSound = 0;
    stored.copyChime = 6;
    stored.lastArgs = 16;
    stored.lastArgsText = L"none";
    stored.autoClose = 127;
    stored.autoCloseText = L"All";
    stored.scrolly = 0;
    stored.scrollyText = L"none";
    CHECK_EQ(Run(plugin, L""), 0);
    CHECK_LINES(Out, Display(stored));
    CHECK(wcsstr(Out, L"/K3  : F3 \x00B7 Ctrl-U\r\n") != nullptr);
    Stop(plugin);

    // One key, and none: the word follows the count in both lines.
    for (DWORD count = 0; count <= 1; count++) {
        RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, KEY_WRITE, &key);
        PutDword(key, L"Hotkeys", count);
        RegCloseKey(key);
        plugin = Start(L"23.00");
        CHECK_TEXT(StartupOut, StartupLine((int)count));
        stored.count = (int)count;
        Run(plugin, L"");
        CHECK_LINES(Out, Display(stored));
        Stop(plugin);
    }
    ClearEnvironment();
    EndCase();
}

TEST(command_key_list_version_line_and_overlong_arguments)
{
    BeginCase();
    struct {
        const wchar_t *version;
        int lines;
    } hosts[] = {{L"23.00", 74}, {L"33.00", 72}};
    for (const auto &host : hosts) {
        PluginDll plugin = Start(host.version);
        CHECK_EQ(Run(plugin, L"/L /Q"), 0);
        CHECK_TEXT(Err, L"");
        int lines = 0;
        for (const wchar_t *at = Out; (at = wcsstr(at, L"\r\n")) != nullptr; at += 2)
            lines++;
        CHECK_EQ(lines, host.lines);
        CHECK(wcsstr(Out, L"F1 \x00B7 Shift-F1 \x00B7 Ctrl-F1 \x00B7 Alt-F1 \x00B7 "
                          L"Ctrl-Shift-F1 \x00B7 Ctrl-Alt-F1") != nullptr);
        Stop(plugin);
    }

    PluginDll plugin = Start(L"33.00");
    static wchar_t before[16384];
    Run(plugin, L"");
    wcscpy(before, Out);

    CHECK_EQ(Run(plugin, L"/??"), 0);
    const wchar_t version[] = L"\r\n\t\t\t\tLinewise  0.99.12.2 (x86)\r\n";
    size_t length = wcslen(Out);
    CHECK(wcsncmp(Out, L"Display and change Linewise plugin settings. \n\nLINEWISE /A:n", 60) == 0);
    CHECK(length > wcslen(version) && wcscmp(Out + length - wcslen(version), version) == 0);

    // An argument text too long for the argument buffer: reported, nothing applied, and the
    // settings shown as for no arguments.
    static wchar_t overlong[9000];
    wcscpy(overlong, L"/E:5 /K14:F5 ");
    for (size_t i = wcslen(overlong); i < 8990; i++)
        overlong[i] = L'x';
    overlong[8990] = 0;
    int result = Run(plugin, overlong);
    CHECK(result != 0);
    CHECK(wcsncmp(Err, L"Linewise plugin: Buffer overflow: b = ", 38) == 0);
    const wchar_t tail[] = L", MAX_ARG_LEN = 8192 \r\n";
    length = wcslen(Err);
    CHECK(length > wcslen(tail) && wcscmp(Err + length - wcslen(tail), tail) == 0);
    CHECK_LINES(Out, before);
    Run(plugin, L"");
    CHECK_LINES(Out, before);
    Stop(plugin);
    EndCase();
}

TEST(command_accepted_argument_forms)
{
    BeginCase();
    PluginDll plugin = Start(L"33.00");

    // /D resets the block, but a hotkey change beside it applies to the table as it was.
    CHECK_EQ(Run(plugin, L"/E:3 /K14:F5 /Q"), 0);
    CHECK_EQ(Run(plugin, L"/D /K4:Alt-Q"), 0);
    Expected e = Defaults(true);
    Append(e, 14, L"F5");
    Append(e, 4, L"Alt-Q");
    static wchar_t expected[16384];
    swprintf(expected, 16384, L"Default plugin settings restored.\r\n%ls", Display(e));
    CHECK_LINES(Out, expected);

    // Options run together, lower case, text after a number, quotes, hexadecimal, and a
    // binding that moves to another action in its place.
    CHECK_EQ(Run(plugin, L"/a:5x/b:2 /c=0x6 /k15:\"alt-q\" /y:0 /e:\"1\""), 0);
    e.bindings[e.count - 1].action = 15;
    e.lastArgs = 5;
    e.lastArgsText = L"Over, KeepOld";
    e.autoClose = 2;
    e.autoCloseText = L"Parentheses";
    e.copyChime = 6;
    e.scrolly = 0;
    e.scrollyText = L"none";
    e.errorSound = 1;
    CHECK_LINES(Out, Display(e));
    CHECK_TEXT(Err, L"");

    // /K0 removes a binding; /X removes another; a repeated option takes its last value.
    CHECK_EQ(Run(plugin, L"/K0:Alt-Q /X=f5 /E:4 /E:0"), 0);
    Remove(e, L"Alt-Q");
    Remove(e, L"F5");
    e.errorSound = 0;
    CHECK_LINES(Out, Display(e));
    Stop(plugin);
    EndCase();
}
