// The registry store on the Wine prefix's own HKCU and HKLM.
#include "keys/hotkeys.h"
#include "settings/registry.h"
#include "settings/settings.h"
#include "tests/support/check.h"
#include "tests/support/handles.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

namespace
{

const wchar_t *const KeyPath = L"Software\\JPPlugins\\Linewise";
enum { LoadsPerHandleCheck = 8 };

// Everything a load may change: the block, the table and nine environment variables.
const wchar_t *const EnvNames[9] = {L"Insert-1",
                                    L"Insert-2",
                                    L"Insert-3",
                                    L"SavePicDir",
                                    L"SavePicExt",
                                    L"SavePicFlags",
                                    L"PrintHistoryMaxLines",
                                    L"PrintHistoryFlags",
                                    L"PathExpandFlags"};
enum { EnvCapacity = 8300 };

struct State {
    SettingsBlock block;
    HotkeyTableData table;
    bool exists[9];
    wchar_t env[9][EnvCapacity];
};
State Before, After, Expected;

void Capture(State *state)
{
    state->block = Settings;
    state->table = HotkeyTable;
    for (int i = 0; i < 9; i++) {
        SetLastError(0);
        DWORD length = GetEnvironmentVariableW(EnvNames[i], state->env[i], EnvCapacity);
        state->exists[i] = !(length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND);
        if (length == 0 || length >= EnvCapacity)
            state->env[i][0] = 0;
    }
}

void CheckSame(const State &actual, const State &expected, const char *label, int line)
{
    char what[160];
    if (memcmp(&actual.block, &expected.block, sizeof actual.block) != 0) {
        snprintf(what, sizeof what, "%s: settings block differs", label);
        CheckFailed(__FILE__, line, what, nullptr);
    }
    if (actual.table.count != expected.table.count ||
        memcmp(actual.table.entries, expected.table.entries, sizeof actual.table.entries) != 0) {
        snprintf(what, sizeof what, "%s: hotkey table differs (count %u, expected %u)", label,
                 actual.table.count, expected.table.count);
        CheckFailed(__FILE__, line, what, nullptr);
    }
    for (int i = 0; i < 9; i++)
        if (actual.exists[i] != expected.exists[i] || wcscmp(actual.env[i], expected.env[i]) != 0) {
            snprintf(what, sizeof what, "%s: variable %s differs: got %s", label, Show(EnvNames[i]),
                     actual.exists[i] ? "" : "(missing)");
            CheckFailed(__FILE__, line, what, Show(actual.env[i]));
        }
}
#define CHECK_SAME(actual, expected, label) CheckSame((actual), (expected), (label), __LINE__)

void CleanKeys(void)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, KeyPath);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyPath);
}

void PutData(HKEY root, const wchar_t *name, DWORD type, const void *data, DWORD bytes)
{
    HKEY key;
    if (RegCreateKeyExW(root, KeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        CheckFailed(__FILE__, __LINE__, "cannot create the test key", nullptr);
        return;
    }
    if (RegSetValueExW(key, name, 0, type, (const BYTE *)data, bytes) != ERROR_SUCCESS)
        CheckFailed(__FILE__, __LINE__, "cannot write a test value", Show(name));
    RegCloseKey(key);
}

void PutDword(HKEY root, const wchar_t *name, DWORD value)
{
    PutData(root, name, REG_DWORD, &value, sizeof value);
}

void PutText(HKEY root, const wchar_t *name, const wchar_t *text, DWORD type = REG_SZ)
{
    PutData(root, name, type, text, (DWORD)(wcslen(text) + 1) * sizeof(wchar_t));
}

void Remove(HKEY root, const wchar_t *name)
{
    HKEY key;
    if (RegOpenKeyExW(root, KeyPath, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, name);
        RegCloseKey(key);
    }
}

// A stored value read back: its type and bytes; false when it does not exist.
struct StoredValue {
    DWORD type;
    DWORD size;
    BYTE data[20000];
};
StoredValue Value;

bool Get(HKEY root, const wchar_t *name)
{
    HKEY key;
    if (RegOpenKeyExW(root, KeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    Value.size = sizeof Value.data;
    LONG status = RegQueryValueExW(key, name, nullptr, &Value.type, Value.data, &Value.size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// What a key holds; a null text is a value that is not stored.
struct Fixture {
    DWORD errorSound, copyChime, lastArgsFlags, scrollyFlags, autoCloseFlags;
    unsigned count;
    Hotkey keys[4];
    const wchar_t *inserts[3];
    const wchar_t *env[6]; // in the order of EnvNames[3..8]
};

const Fixture User = {6,
                      0,
                      0xFFFFFFFF,
                      0,
                      0x3F,
                      3,
                      {{0x10041, 14, 0}, {0x20042, 15, 0}, {0x50043, 22, 0}},
                      {L"user one", L"", nullptr},
                      {L"D:\\pics", L".jpg", L"3", L"250", L"1", L"7"}};

const Fixture Machine = {0,
                         6,
                         5,
                         2,
                         1,
                         2,
                         {{0x10051, 1, 0}, {0x10052, 2, 0}},
                         {nullptr, L"machine two", L"machine three"},
                         {L"E:\\shots", nullptr, L"", L"50", nullptr, L"2"}};

void WriteKey(HKEY root, const Fixture &f)
{
    PutDword(root, L"Version", 0x00010000);
    PutDword(root, L"Hotkeys", f.count);
    PutDword(root, L"Error Sound", f.errorSound);
    PutDword(root, L"Copy Chime", f.copyChime);
    PutDword(root, L"LastArgs Flags", f.lastArgsFlags);
    PutDword(root, L"Scrolly Flags", f.scrollyFlags);
    PutDword(root, L"Auto Close Flags", f.autoCloseFlags);
    for (unsigned n = 0; n < f.count; n++) {
        wchar_t name[16];
        swprintf(name, 16, L"Key %u", n);
        PutData(root, name, REG_BINARY, &f.keys[n], 8);
    }
    for (int n = 0; n < 3; n++)
        if (f.inserts[n]) {
            wchar_t name[32];
            swprintf(name, 32, L"Custom Insert String %d", n + 1);
            PutText(root, name, f.inserts[n]);
        }
    for (int i = 0; i < 6; i++)
        if (f.env[i])
            PutText(root, EnvNames[3 + i], f.env[i]);
}

// The state a successful load of f leaves after the state before.
void ExpectLoaded(const Fixture &f, const State &before, State *expected)
{
    *expected = before;
    expected->block.ErrorSound = f.errorSound;
    expected->block.CopyChime = f.copyChime;
    expected->block.LastArgsFlags = f.lastArgsFlags;
    expected->block.ScrollyFlags = f.scrollyFlags;
    expected->block.AutoCloseFlags = f.autoCloseFlags;
    memset(expected->table.entries, 0, sizeof expected->table.entries);
    memcpy(expected->table.entries, f.keys, f.count * sizeof(Hotkey));
    expected->table.count = f.count;
    for (int n = 0; n < 3; n++)
        if (f.inserts[n]) {
            expected->exists[n] = f.inserts[n][0] != 0;
            wcscpy(expected->env[n], f.inserts[n]);
        }
    for (int i = 0; i < 6; i++)
        if (f.env[i] && f.env[i][0]) {
            expected->exists[3 + i] = true;
            wcscpy(expected->env[3 + i], f.env[i]);
        }
}

// A memory state unlike both fixtures.
void SetMemoryState(void)
{
    SetDefaultSettings();
    Settings.ErrorSound = 4;
    Settings.CopyChime = 3;
    Settings.LastArgsFlags = 0x8000000F;
    Settings.AutoCloseFlags = 0x21;
    Settings.ScrollyFlags = 3;
    HotkeyTable.entries[5].action = 9;
    const wchar_t *values[9] = {L"memory one", L"memory two", nullptr, L"C:\\memory", nullptr,
                                L"1",          nullptr,       L"2",    nullptr};
    for (int i = 0; i < 9; i++)
        SetEnvironmentVariableW(EnvNames[i], values[i]);
}

void ClearEnvironment(void)
{
    for (const wchar_t *name : EnvNames)
        SetEnvironmentVariableW(name, nullptr);
}

// A text of length units, repeating a pattern that includes non-ASCII characters.
wchar_t *LongText(wchar_t *out, size_t length, wchar_t first = L'a')
{
    const wchar_t pattern[] = {first, L'\x00E9', L' ', L'\x4E2D', L'\xD83D', L'\xDE00', L'%'};
    for (size_t i = 0; i < length; i++)
        out[i] = pattern[i % 7];
    out[length] = 0;
    return out;
}

struct Damage {
    const char *label;
    void (*apply)(void);
    int result;
};

const Damage Damages[] = {
    {"Version 0x00010001", [] { PutDword(HKEY_CURRENT_USER, L"Version", 0x00010001); }, -10},
    {"Version 0x00020000", [] { PutDword(HKEY_CURRENT_USER, L"Version", 0x00020000); }, -10},
    {"Version as text", [] { PutText(HKEY_CURRENT_USER, L"Version", L"65536"); }, -10},
    {"Version as binary",
     [] {
         const BYTE bytes[4] = {0, 0, 1, 0};
         PutData(HKEY_CURRENT_USER, L"Version", REG_BINARY, bytes, 4);
     },
     -10},
    {"Version missing", [] { Remove(HKEY_CURRENT_USER, L"Version"); }, -10},
    {"Hotkeys 65", [] { PutDword(HKEY_CURRENT_USER, L"Hotkeys", 65); }, 1},
    {"Hotkeys as text", [] { PutText(HKEY_CURRENT_USER, L"Hotkeys", L"3"); }, 1},
    {"Error Sound 7", [] { PutDword(HKEY_CURRENT_USER, L"Error Sound", 7); }, 1},
    {"Copy Chime 0xFFFFFFFF", [] { PutDword(HKEY_CURRENT_USER, L"Copy Chime", 0xFFFFFFFF); }, 1},
    {"Error Sound of two bytes",
     [] {
         const WORD two = 2;
         PutData(HKEY_CURRENT_USER, L"Error Sound", REG_DWORD, &two, 2);
     },
     1},
    {"Scrolly Flags missing", [] { Remove(HKEY_CURRENT_USER, L"Scrolly Flags"); }, 1},
    {"LastArgs Flags missing", [] { Remove(HKEY_CURRENT_USER, L"LastArgs Flags"); }, 1},
    {"Auto Close Flags as text", [] { PutText(HKEY_CURRENT_USER, L"Auto Close Flags", L"1"); }, 1},
    {"LastArgs Flags as a quad word",
     [] {
         const ULONGLONG wide = 2;
         PutData(HKEY_CURRENT_USER, L"LastArgs Flags", REG_QWORD, &wide, 8);
     },
     1},
    {"Error Sound 7 and Copy Chime missing",
     [] {
         PutDword(HKEY_CURRENT_USER, L"Error Sound", 7);
         Remove(HKEY_CURRENT_USER, L"Copy Chime");
     },
     2},
    {"Key 2 of 7 bytes", [] { PutData(HKEY_CURRENT_USER, L"Key 2", REG_BINARY, &User.keys[2], 7); },
     1},
    {"Key 2 of 9 bytes",
     [] {
         const BYTE bytes[9] = {0x43, 0, 5, 0, 22, 0, 0, 0, 0};
         PutData(HKEY_CURRENT_USER, L"Key 2", REG_BINARY, bytes, 9);
     },
     1},
    {"Key 1 missing", [] { Remove(HKEY_CURRENT_USER, L"Key 1"); }, 1},
    {"Keys 0 and 2 missing",
     [] {
         Remove(HKEY_CURRENT_USER, L"Key 0");
         Remove(HKEY_CURRENT_USER, L"Key 2");
     },
     2},
    {"Key 0 as a double word", [] { PutDword(HKEY_CURRENT_USER, L"Key 0", 0x10041); }, 1},
    {"Key 1 as text of 8 bytes", [] { PutData(HKEY_CURRENT_USER, L"Key 1", REG_SZ, L"abc", 8); },
     1},
};

} // namespace

TEST(RefusedLoadsChangeNothingAndFallBackToTheMachineKey)
{
    for (const Damage &damage : Damages) {
        CleanKeys();
        WriteKey(HKEY_CURRENT_USER, User);
        WriteKey(HKEY_LOCAL_MACHINE, Machine);
        damage.apply();
        SetMemoryState();
        Capture(&Before);

        int result = LoadSettings(HKEY_CURRENT_USER);
        if (result != damage.result) {
            char what[120];
            snprintf(what, sizeof what, "%s: LoadSettings gave %d, expected %d", damage.label,
                     result, damage.result);
            CheckFailed(__FILE__, __LINE__, what, nullptr);
        }
        Capture(&After);
        CHECK_SAME(After, Before, damage.label);

        // A refused load closes the key it opened: at start-up a leak would cost a handle
        // every time the shell starts.
        uintptr_t handlesBefore = HandleCount();
        for (int i = 0; i < LoadsPerHandleCheck; i++)
            LoadSettings(HKEY_CURRENT_USER);
        uintptr_t handlesAfter = HandleCount();
        if (handlesAfter - handlesBefore > 1) {
            char what[120];
            snprintf(what, sizeof what, "%s: %d handles more after %d loads", damage.label,
                     (int)(handlesAfter - handlesBefore), (int)LoadsPerHandleCheck);
            CheckFailed(__FILE__, __LINE__, what, nullptr);
        }

        if (LoadSettingsFromEitherRoot() != HKEY_LOCAL_MACHINE)
            CheckFailed(__FILE__, __LINE__, damage.label, "the machine key was not used");
        Capture(&After);
        ExpectLoaded(Machine, Before, &Expected);
        CHECK_SAME(After, Expected, damage.label);
    }
    CleanKeys();
    ClearEnvironment();
}

TEST(AMissingKeyIsRefusedAndAUserKeyIsNeverMergedWithTheMachineKey)
{
    CleanKeys();
    SetMemoryState();
    Capture(&Before);
    CHECK_EQ(LoadSettings(HKEY_CURRENT_USER), 1);
    CHECK_EQ(LoadSettings(HKEY_LOCAL_MACHINE), 1);
    CHECK(LoadSettingsFromEitherRoot() == nullptr);
    Capture(&After);
    CHECK_SAME(After, Before, "no key anywhere");

    WriteKey(HKEY_LOCAL_MACHINE, Machine);
    CHECK(LoadSettingsFromEitherRoot() == HKEY_LOCAL_MACHINE);
    Capture(&After);
    ExpectLoaded(Machine, Before, &Expected);
    CHECK_SAME(After, Expected, "machine key only");

    // The machine key's Insert-3 and PathExpandFlags must not leak into a user load.
    WriteKey(HKEY_CURRENT_USER, User);
    SetMemoryState();
    Capture(&Before);
    CHECK(LoadSettingsFromEitherRoot() == HKEY_CURRENT_USER);
    Capture(&After);
    ExpectLoaded(User, Before, &Expected);
    CHECK_SAME(After, Expected, "user key");
    CHECK(!After.exists[2]);

    // An unusable root handle is a key that cannot be opened or created.
    HKEY bogus = (HKEY)(ULONG_PTR)0x12340;
    CHECK_EQ(LoadSettings(bogus), 1);
    CHECK(SaveSettings(bogus) != 0);
    CleanKeys();
    ClearEnvironment();
}

TEST(HotkeyCountDecidesWhichKeysAreRead)
{
    CleanKeys();
    WriteKey(HKEY_CURRENT_USER, User);
    // Beyond the count: neither read nor required, even when damaged.
    PutData(HKEY_CURRENT_USER, L"Key 3", REG_BINARY, "\x01\x02\x03", 3);
    PutDword(HKEY_CURRENT_USER, L"Key 4", 7);
    PutData(HKEY_CURRENT_USER, L"Key 63", REG_BINARY, &Machine.keys[0], 8);
    SetMemoryState();
    Capture(&Before);
    CHECK_EQ(LoadSettings(HKEY_CURRENT_USER), 0);
    Capture(&After);
    ExpectLoaded(User, Before, &Expected);
    CHECK_SAME(After, Expected, "three hotkeys");

    PutDword(HKEY_CURRENT_USER, L"Hotkeys", 0);
    Remove(HKEY_CURRENT_USER, L"Key 0");
    SetMemoryState();
    CHECK_EQ(LoadSettings(HKEY_CURRENT_USER), 0);
    CHECK_EQ(HotkeyTable.count, 0);
    static const Hotkey zero[MaxHotkeys] = {};
    CHECK(memcmp(HotkeyTable.entries, zero, sizeof zero) == 0);

    // Stored bindings are not checked: unknown codes and actions load as they are.
    const BYTE odd[8] = {0xFF, 0xFF, 0xFF, 0x7F, 0xE7, 0x03, 0, 0};
    PutDword(HKEY_CURRENT_USER, L"Hotkeys", 1);
    PutData(HKEY_CURRENT_USER, L"Key 0", REG_BINARY, odd, 8);
    CHECK_EQ(LoadSettings(HKEY_CURRENT_USER), 0);
    CHECK_EQ(HotkeyTable.count, 1);
    CHECK_EQ(HotkeyTable.entries[0].code, 0x7FFFFFFF);
    CHECK_EQ(HotkeyTable.entries[0].action, 999);
    CHECK_EQ(HotkeyTable.entries[1].code, 0);

    // Sixty-four is the most the table holds, and it loads.
    PutDword(HKEY_CURRENT_USER, L"Hotkeys", 64);
    for (int n = 0; n < 64; n++) {
        wchar_t name[16];
        swprintf(name, 16, L"Key %d", n);
        const Hotkey slot = {0x10000 + n, (unsigned short)(n % 23 + 1), 0};
        PutData(HKEY_CURRENT_USER, name, REG_BINARY, &slot, 8);
    }
    CHECK_EQ(LoadSettings(HKEY_CURRENT_USER), 0);
    CHECK_EQ(HotkeyTable.count, 64);
    CHECK_EQ(HotkeyTable.entries[63].code, 0x1003F);
    CHECK_EQ(HotkeyTable.entries[63].action, 63 % 23 + 1);
    CleanKeys();
    ClearEnvironment();
}

TEST(CustomInsertStringsAreRestoredOnlyWhenStoredAsText)
{
    CleanKeys();
    WriteKey(HKEY_CURRENT_USER, User);
    PutText(HKEY_CURRENT_USER, L"Custom Insert String 1", L"from the key");
    PutText(HKEY_CURRENT_USER, L"Custom Insert String 2", L"");
    PutText(HKEY_CURRENT_USER, L"Custom Insert String 3", L"expand %me%", REG_EXPAND_SZ);
    SetMemoryState();
    SetEnvironmentVariableW(L"Insert-3", L"memory three");
    CHECK_EQ(LoadSettings(HKEY_CURRENT_USER), 0);
    Capture(&After);
    CHECK_TEXT(After.env[0], L"from the key");
    CHECK(!After.exists[1]); // an empty stored string removes the variable
    CHECK_TEXT(After.env[2], L"memory three");

    Remove(HKEY_CURRENT_USER, L"Custom Insert String 1");
    Remove(HKEY_CURRENT_USER, L"Custom Insert String 2");
    SetMemoryState();
    CHECK_EQ(LoadSettings(HKEY_CURRENT_USER), 0);
    Capture(&After);
    CHECK_TEXT(After.env[0], L"memory one");
    CHECK_TEXT(After.env[1], L"memory two");
    CleanKeys();
    ClearEnvironment();
}

TEST(StoredTextsAreReadWithinTheirBuffersWhateverTheirShape)
{
    static wchar_t text[9000], expected[9000];
    struct Case {
        const wchar_t *value;
        DWORD type;
        size_t units;  // stored length in UTF-16 units
        bool withNul;  // a terminator stored after them
        int oddByte;   // one stray byte after them
        size_t loaded; // units expected in the variable; -1: left as it was
    };
    const size_t Unchanged = (size_t)-1;
    // Custom inserts go through 8192 units, the six other variables through 1024.
    const Case cases[] = {
        {L"Custom Insert String 1", REG_SZ, 3, false, 0, 3},
        {L"Custom Insert String 1", REG_SZ, 3, false, 1, 3},
        {L"Custom Insert String 1", REG_SZ, 8191, true, 0, 8191},
        {L"Custom Insert String 1", REG_SZ, 8191, false, 0, 8191},
        {L"Custom Insert String 1", REG_SZ, 8192, false, 0, Unchanged},
        {L"Custom Insert String 1", REG_SZ, 8192, true, 0, Unchanged},
        {L"Custom Insert String 1", REG_SZ, 20000, true, 0, Unchanged},
        {L"Custom Insert String 1", REG_MULTI_SZ, 3, true, 0, Unchanged},
        {L"Custom Insert String 1", REG_BINARY, 3, true, 0, Unchanged},
        {L"Custom Insert String 1", REG_SZ, 0, false, 0, 0},
        {L"SavePicDir", REG_SZ, 3, false, 0, 3},
        {L"SavePicDir", REG_SZ, 3, false, 1, 3},
        {L"SavePicDir", REG_SZ, 1023, true, 0, 1023},
        {L"SavePicDir", REG_SZ, 1023, false, 0, 1023},
        {L"SavePicDir", REG_SZ, 1024, false, 0, Unchanged},
        {L"SavePicDir", REG_SZ, 1024, true, 0, Unchanged},
        {L"SavePicDir", REG_EXPAND_SZ, 3, true, 0, Unchanged},
        {L"SavePicDir", REG_SZ, 0, true, 0, Unchanged},
        {L"SavePicDir", REG_SZ, 0, false, 0, Unchanged},
    };
    static BYTE data[2 * 20001 + 1];
    for (const Case &c : cases) {
        CleanKeys();
        WriteKey(HKEY_CURRENT_USER, User);
        LongText(text, c.units > 8500 ? 8500 : c.units, L'q');
        size_t bytes = c.units * 2 + (c.withNul ? 2 : 0) + c.oddByte;
        // No zero after the data: the registry would take it for a forgotten terminator.
        memset(data, 0xFF, sizeof data);
        for (size_t i = 0; i < c.units; i++) {
            wchar_t ch = i < 8500 ? text[i] : L'z';
            data[2 * i] = (BYTE)ch;
            data[2 * i + 1] = (BYTE)(ch >> 8);
        }
        if (c.withNul)
            data[2 * c.units] = data[2 * c.units + 1] = 0;
        if (c.oddByte)
            data[c.units * 2 + (c.withNul ? 2 : 0)] = 'Z';
        PutData(HKEY_CURRENT_USER, c.value, c.type, data, (DWORD)bytes);
        SetMemoryState();
        Capture(&Before);
        CHECK_EQ(LoadSettings(HKEY_CURRENT_USER), 0);
        Capture(&After);
        int index = c.value[0] == L'C' ? 0 : 3;
        char label[120];
        snprintf(label, sizeof label, "%s, type %lu, %u units%s%s", Show(c.value),
                 (unsigned long)c.type, (unsigned)c.units, c.withNul ? " and a terminator" : "",
                 c.oddByte ? " and a stray byte" : "");
        if (c.loaded == Unchanged) {
            wcscpy(expected, Before.env[index]);
        } else {
            LongText(expected, c.loaded, L'q');
        }
        bool exists = c.loaded == Unchanged ? Before.exists[index] : c.loaded > 0;
        if (wcscmp(After.env[index], expected) != 0 || After.exists[index] != exists)
            CheckFailed(__FILE__, __LINE__, label, Show(After.env[index]));
    }
    // Text after an embedded terminator is not part of the value.
    CleanKeys();
    WriteKey(HKEY_CURRENT_USER, User);
    PutData(HKEY_CURRENT_USER, L"Custom Insert String 2", REG_SZ, L"ab\0cd", 12);
    PutData(HKEY_CURRENT_USER, L"SavePicExt", REG_SZ, L".gif\0.bmp", 20);
    SetMemoryState();
    CHECK_EQ(LoadSettings(HKEY_CURRENT_USER), 0);
    Capture(&After);
    CHECK_TEXT(After.env[1], L"ab");
    CHECK_TEXT(After.env[4], L".gif");
    CleanKeys();
    ClearEnvironment();
}

TEST(AnEmptyStoredVariableNeverRemovesOne)
{
    CleanKeys();
    WriteKey(HKEY_CURRENT_USER, User);
    PutText(HKEY_CURRENT_USER, L"SavePicDir", L"");
    Remove(HKEY_CURRENT_USER, L"SavePicFlags");
    PutText(HKEY_CURRENT_USER, L"PrintHistoryFlags", L"9", REG_EXPAND_SZ);
    SetMemoryState();
    CHECK_EQ(LoadSettings(HKEY_CURRENT_USER), 0);
    Capture(&After);
    CHECK_TEXT(After.env[3], L"C:\\memory");
    CHECK_TEXT(After.env[5], L"1");
    CHECK_TEXT(After.env[7], L"2");
    CHECK_TEXT(After.env[4], L".jpg");
    CHECK_TEXT(After.env[6], L"250");
    CHECK_TEXT(After.env[8], L"7");
    CleanKeys();
    ClearEnvironment();
}

TEST(SaveWritesEveryValueAndDropsStaleOnes)
{
    CleanKeys();
    // A key left by earlier saves: more hotkeys, every text, a version of another kind.
    PutText(HKEY_CURRENT_USER, L"Version", L"old");
    for (int n = 0; n < 64; n++) {
        wchar_t name[16];
        swprintf(name, 16, L"Key %d", n);
        PutData(HKEY_CURRENT_USER, name, REG_BINARY, &Machine.keys[0], 8);
    }
    for (int n = 0; n < 3; n++) {
        wchar_t name[32];
        swprintf(name, 32, L"Custom Insert String %d", n + 1);
        PutText(HKEY_CURRENT_USER, name, L"stale");
    }
    for (int i = 3; i < 9; i++)
        PutText(HKEY_CURRENT_USER, EnvNames[i], L"stale");

    static wchar_t text[9000];
    SetDefaultSettings();
    HotkeyTable.count = 3;
    HotkeyTable.entries[0] = Hotkey{0x50091, 18, 0};
    HotkeyTable.entries[1] = Hotkey{(int)0x80010005, 0xFFFF, 0x1234}; // spare bytes not saved
    Settings.ErrorSound = 5;
    Settings.CopyChime = 4;
    Settings.LastArgsFlags = 0x7FFFFFFF;
    Settings.ScrollyFlags = 0xFFFFFFFF;
    Settings.AutoCloseFlags = 0x40;
    ClearEnvironment();
    SetEnvironmentVariableW(L"Insert-1", LongText(text, 8192)); // too long to save
    SetEnvironmentVariableW(L"Insert-2", L"two");
    SetEnvironmentVariableW(L"SavePicExt", LongText(text, 1024));           // too long
    SetEnvironmentVariableW(L"PrintHistoryMaxLines", LongText(text, 1023)); // fits
    SetEnvironmentVariableW(L"PathExpandFlags", L"0x10");

    CHECK_EQ(SaveSettings(HKEY_CURRENT_USER), 0);

    const struct {
        const wchar_t *name;
        DWORD value;
    } words[] = {{L"Version", 65536},
                 {L"Hotkeys", 3},
                 {L"Error Sound", 5},
                 {L"Copy Chime", 4},
                 {L"LastArgs Flags", 0x7FFFFFFF},
                 {L"Scrolly Flags", 0xFFFFFFFF},
                 {L"Auto Close Flags", 0x40}};
    for (const auto &word : words) {
        CHECK(Get(HKEY_CURRENT_USER, word.name));
        CHECK_EQ(Value.type, REG_DWORD);
        CHECK_EQ(Value.size, 4);
        DWORD stored = 0;
        memcpy(&stored, Value.data, 4);
        if (stored != word.value)
            CheckFailed(__FILE__, __LINE__, "stored double word differs", Show(word.name));
    }
    const BYTE key0[8] = {0x91, 0x00, 0x05, 0x00, 18, 0, 0, 0};
    const BYTE key1[8] = {0x05, 0x00, 0x01, 0x80, 0xFF, 0xFF, 0, 0};
    const BYTE key2[8] = {0x3D, 0x00, 0x01, 0x00, 3, 0, 0, 0}; // the default in slot 2
    const BYTE *keys[3] = {key0, key1, key2};
    for (int n = 0; n < 64; n++) {
        wchar_t name[16];
        swprintf(name, 16, L"Key %d", n);
        bool present = Get(HKEY_CURRENT_USER, name);
        if (n >= 3) {
            if (present)
                CheckFailed(__FILE__, __LINE__, "stale hotkey value kept", Show(name));
            continue;
        }
        CHECK(present);
        CHECK_EQ(Value.type, REG_BINARY);
        CHECK_EQ(Value.size, 8);
        CHECK(memcmp(Value.data, keys[n], 8) == 0);
    }
    CHECK(!Get(HKEY_CURRENT_USER, L"Custom Insert String 1"));
    CHECK(Get(HKEY_CURRENT_USER, L"Custom Insert String 2"));
    CHECK_EQ(Value.type, REG_SZ);
    CHECK_EQ(Value.size, 8);
    CHECK(memcmp(Value.data, L"two", 8) == 0);
    CHECK(!Get(HKEY_CURRENT_USER, L"Custom Insert String 3"));
    CHECK(!Get(HKEY_CURRENT_USER, L"SavePicDir"));
    CHECK(!Get(HKEY_CURRENT_USER, L"SavePicExt"));
    CHECK(!Get(HKEY_CURRENT_USER, L"SavePicFlags"));
    CHECK(Get(HKEY_CURRENT_USER, L"PrintHistoryMaxLines"));
    CHECK_EQ(Value.type, REG_SZ);
    CHECK_EQ(Value.size, 2048);
    CHECK(memcmp(Value.data, LongText(text, 1023), 2048) == 0);
    CHECK(!Get(HKEY_CURRENT_USER, L"PrintHistoryFlags"));
    CHECK(Get(HKEY_CURRENT_USER, L"PathExpandFlags"));
    CHECK_EQ(Value.size, 10);
    CHECK(memcmp(Value.data, L"0x10", 10) == 0);

    // The longest custom insert that fits is saved whole.
    SetEnvironmentVariableW(L"Insert-1", LongText(text, 8191));
    CHECK_EQ(SaveSettings(HKEY_CURRENT_USER), 0);
    CHECK(Get(HKEY_CURRENT_USER, L"Custom Insert String 1"));
    CHECK_EQ(Value.size, 16384);
    CHECK(memcmp(Value.data, text, 16384) == 0);
    CleanKeys();
    ClearEnvironment();
}

TEST(SaveThenLoadRestoresEverythingBitForBit)
{
    static wchar_t text[9000];
    CleanKeys();
    SetDefaultSettings();
    for (int n = 0; n < MaxHotkeys; n++)
        HotkeyTable.entries[n] =
            Hotkey{0x10000 * (n % 7) + 0x21 + n, (unsigned short)(n % 23 + 1), 0};
    HotkeyTable.count = MaxHotkeys;
    Settings = SettingsBlock{6, 0, 0x8000000D, 0xFFFFFFFF, 0x12345678};
    SetEnvironmentVariableW(L"Insert-1", LongText(text, 8191));
    SetEnvironmentVariableW(L"Insert-2", L"\x263A two %path% \"quoted\"");
    SetEnvironmentVariableW(L"Insert-3", L"3");
    SetEnvironmentVariableW(L"SavePicDir", LongText(text, 1023, L'd'));
    SetEnvironmentVariableW(L"SavePicExt", L".tiff");
    SetEnvironmentVariableW(L"SavePicFlags", L"0x1F");
    SetEnvironmentVariableW(L"PrintHistoryMaxLines", L"  250");
    SetEnvironmentVariableW(L"PrintHistoryFlags", L"not a number");
    SetEnvironmentVariableW(L"PathExpandFlags", L"\x00E9");
    Capture(&Before);

    CHECK_EQ(SaveSettings(HKEY_CURRENT_USER), 0);
    SetDefaultSettings();
    ClearEnvironment();
    CHECK(LoadSettingsFromEitherRoot() == HKEY_CURRENT_USER);
    Capture(&After);
    CHECK_SAME(After, Before, "round trip through HKCU");

    // And through the machine key, with an emptier state: no hotkeys, no inserts.
    CleanKeys();
    HotkeyTable = HotkeyTableData{};
    ClearEnvironment();
    Settings = SettingsBlock{0, 6, 0, 0, 0};
    Capture(&Before);
    CHECK_EQ(SaveSettings(HKEY_LOCAL_MACHINE), 0);
    SetMemoryState();
    ClearEnvironment();
    CHECK(LoadSettingsFromEitherRoot() == HKEY_LOCAL_MACHINE);
    Capture(&After);
    CHECK_SAME(After, Before, "round trip through HKLM");
    CleanKeys();
    ClearEnvironment();
}
