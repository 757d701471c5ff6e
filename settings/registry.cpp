#include "settings/registry.h"

#include "frame/text.h"
#include "keys/hotkeys.h"
#include "settings/settings.h"

#include <string.h>

static_assert(sizeof(Hotkey) == 8, "a stored Key n value is the in-memory slot byte for byte");

namespace
{

enum { CustomInsertCapacity = 8192, EnvValueCapacity = 1024, NameCapacity = 64 };

// The names of the stored values, read by the load and written by the save.
const wchar_t VersionValue[] = L"Version";
const wchar_t HotkeysValue[] = L"Hotkeys";
const wchar_t KeyValueFormat[] = L"Key %d";                           // numbered from 0
const wchar_t CustomInsertValueFormat[] = L"Custom Insert String %d"; // numbered from 1
const wchar_t CustomInsertVariableFormat[] = L"Insert-%u";

// The settings block's words, in the order they are stored, with the largest value a load
// accepts.
struct StoredWord {
    const wchar_t *name;
    unsigned int maximum;
    unsigned int SettingsBlock::*setting;
};
const StoredWord StoredWords[] = {
    {L"Error Sound", 6, &SettingsBlock::ErrorSound},
    {L"Copy Chime", 6, &SettingsBlock::CopyChime},
    {L"LastArgs Flags", 0xFFFFFFFF, &SettingsBlock::LastArgsFlags},
    {L"Scrolly Flags", 0xFFFFFFFF, &SettingsBlock::ScrollyFlags},
    {L"Auto Close Flags", 0xFFFFFFFF, &SettingsBlock::AutoCloseFlags},
};
enum { StoredWordCount = sizeof StoredWords / sizeof StoredWords[0] };

// The environment settings stored under their own names.
const wchar_t *const EnvValueNames[] = {L"SavePicDir",        L"SavePicExt",
                                        L"SavePicFlags",      L"PrintHistoryMaxLines",
                                        L"PrintHistoryFlags", L"PathExpandFlags"};

// A stored REG_SZ text into out (capacity units, terminator included). The registry does not
// promise a terminator, so the text ends at the first NUL within the data or at its end; data
// that leaves no room for a terminator does not fit. False, with out empty, for a missing
// value, another type or a text that does not fit.
bool QueryText(HKEY key, const wchar_t *name, wchar_t *out, DWORD capacity)
{
    DWORD type = 0;
    DWORD size = capacity * (DWORD)sizeof(wchar_t);
    LONG status = RegQueryValueExW(key, name, nullptr, &type, (BYTE *)out, &size);
    if (status != ERROR_SUCCESS || type != REG_SZ || size > capacity * sizeof(wchar_t)) {
        out[0] = 0;
        return false;
    }
    DWORD units = size / (DWORD)sizeof(wchar_t);
    for (DWORD i = 0; i < units; i++)
        if (out[i] == 0)
            return true;
    if (units >= capacity) {
        out[0] = 0;
        return false;
    }
    out[units] = 0;
    return true;
}

// A REG_DWORD whose data is shorter than four bytes would leave part of the word unset.
bool QueryDword(HKEY key, const wchar_t *name, DWORD *value)
{
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExW(key, name, nullptr, &type, (BYTE *)&data, &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return false;
    *value = data;
    return true;
}

// Everything a load reads before it changes anything.
struct StoredSettings {
    unsigned int hotkeyCount;
    unsigned int words[StoredWordCount];
    Hotkey hotkeys[MaxHotkeys];
    bool insertPresent[3];
    wchar_t inserts[3][CustomInsertCapacity];
};

// Static: three insert buffers are too large for the shell's stack to carry comfortably.
StoredSettings Stored;

void SetCustomInsert(int number, const wchar_t *text)
{
    wchar_t name[NameCapacity];
    TextFormat(name, NameCapacity, CustomInsertVariableFormat, (unsigned)number);
    SetEnvironmentVariableW(name, (text && text[0]) ? text : nullptr);
}

void RememberFailure(LONG status, LONG *failure)
{
    if (status != ERROR_SUCCESS)
        *failure = status;
}

void SetDword(HKEY key, const wchar_t *name, DWORD value, LONG *failure)
{
    RememberFailure(RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof value),
                    failure);
}

unsigned int ReadDwordValue(HKEY key, const wchar_t *name, unsigned int maximum, int *errors)
{
    DWORD value = 0;
    if (QueryDword(key, name, &value) && value <= maximum)
        return value;
    if (errors)
        (*errors)++;
    return 0;
}

void RestoreEnvValue(const wchar_t *name, HKEY key)
{
    wchar_t text[EnvValueCapacity];
    if (QueryText(key, name, text, EnvValueCapacity) && text[0])
        SetEnvironmentVariableW(name, text);
}

void SaveEnvValue(const wchar_t *name, HKEY key)
{
    wchar_t text[EnvValueCapacity];
    DWORD length = GetEnvironmentVariableW(name, text, EnvValueCapacity);
    if (length == 0 || length >= EnvValueCapacity)
        RegDeleteValueW(key, name);
    else
        RegSetValueExW(key, name, 0, REG_SZ, (const BYTE *)text,
                       (length + 1) * (DWORD)sizeof(wchar_t));
}

} // namespace

int LoadSettings(HKEY root)
{
    HKEY key;
    if (RegOpenKeyExW(root, SETTINGS_KEY_PATH, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 1;

    DWORD version = 0;
    if (!QueryDword(key, VersionValue, &version) || version != SettingsFormatVersion) {
        RegCloseKey(key);
        return -10;
    }

    int errors = 0;
    Stored.hotkeyCount = ReadDwordValue(key, HotkeysValue, MaxHotkeys, &errors);
    for (int i = 0; i < StoredWordCount; i++)
        Stored.words[i] = ReadDwordValue(key, StoredWords[i].name, StoredWords[i].maximum, &errors);
    if (errors) {
        RegCloseKey(key);
        return errors;
    }

    memset(Stored.hotkeys, 0, sizeof Stored.hotkeys);
    for (unsigned n = 0; n < Stored.hotkeyCount; n++) {
        wchar_t name[NameCapacity];
        TextFormat(name, NameCapacity, KeyValueFormat, (int)n);
        DWORD type = 0;
        DWORD size = sizeof(Hotkey);
        if (RegQueryValueExW(key, name, nullptr, &type, (BYTE *)&Stored.hotkeys[n], &size) !=
                ERROR_SUCCESS ||
            type != REG_BINARY || size != sizeof(Hotkey))
            errors++;
    }
    if (errors) {
        RegCloseKey(key);
        return errors;
    }

    for (int n = 1; n <= 3; n++) {
        wchar_t name[NameCapacity];
        TextFormat(name, NameCapacity, CustomInsertValueFormat, n);
        Stored.insertPresent[n - 1] =
            QueryText(key, name, Stored.inserts[n - 1], CustomInsertCapacity);
    }

    // Every check is behind us: from here on the load changes things.
    for (const wchar_t *name : EnvValueNames)
        RestoreEnvValue(name, key);

    memset(HotkeyTable.entries, 0, sizeof HotkeyTable.entries);
    memcpy(HotkeyTable.entries, Stored.hotkeys, Stored.hotkeyCount * sizeof(Hotkey));
    HotkeyTable.count = Stored.hotkeyCount;
    for (int i = 0; i < StoredWordCount; i++)
        Settings.*StoredWords[i].setting = Stored.words[i];

    for (int n = 1; n <= 3; n++)
        if (Stored.insertPresent[n - 1])
            SetCustomInsert(n, Stored.inserts[n - 1]);

    RegCloseKey(key);
    return 0;
}

int SaveSettings(HKEY root)
{
    HKEY key;
    LONG status = RegCreateKeyExW(root, SETTINGS_KEY_PATH, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return (int)status;

    // The count in memory is trusted no further than the table's size.
    unsigned count =
        HotkeyTable.count > (unsigned)MaxHotkeys ? (unsigned)MaxHotkeys : HotkeyTable.count;
    LONG failure = ERROR_SUCCESS;
    SetDword(key, VersionValue, SettingsFormatVersion, &failure);
    SetDword(key, HotkeysValue, count, &failure);
    for (const StoredWord &word : StoredWords)
        SetDword(key, word.name, Settings.*word.setting, &failure);

    for (unsigned n = 0; n < MaxHotkeys; n++) {
        wchar_t name[NameCapacity];
        TextFormat(name, NameCapacity, KeyValueFormat, (int)n);
        if (n < count) {
            Hotkey slot = HotkeyTable.entries[n];
            slot.reserved = 0;
            RememberFailure(
                RegSetValueExW(key, name, 0, REG_BINARY, (const BYTE *)&slot, sizeof slot),
                &failure);
        } else {
            RegDeleteValueW(key, name);
        }
    }

    static wchar_t insert[CustomInsertCapacity];
    for (int n = 1; n <= 3; n++) {
        wchar_t variable[NameCapacity], name[NameCapacity];
        TextFormat(variable, NameCapacity, CustomInsertVariableFormat, (unsigned)n);
        TextFormat(name, NameCapacity, CustomInsertValueFormat, n);
        // A text too long for the buffer is not saved cut short: the stored value goes.
        DWORD length = GetEnvironmentVariableW(variable, insert, CustomInsertCapacity);
        if (length == 0 || length >= CustomInsertCapacity)
            RegDeleteValueW(key, name);
        else
            RememberFailure(RegSetValueExW(key, name, 0, REG_SZ, (const BYTE *)insert,
                                           (length + 1) * (DWORD)sizeof(wchar_t)),
                            &failure);
    }

    for (const wchar_t *name : EnvValueNames)
        SaveEnvValue(name, key);

    RegCloseKey(key);
    return (int)failure;
}

HKEY LoadSettingsFromEitherRoot(void)
{
    if (LoadSettings(HKEY_CURRENT_USER) == 0)
        return HKEY_CURRENT_USER;
    if (LoadSettings(HKEY_LOCAL_MACHINE) == 0)
        return HKEY_LOCAL_MACHINE;
    return nullptr;
}
