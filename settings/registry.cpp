#include "settings/registry.h"

#include "frame/text.h"
#include "keys/hotkeys.h"
#include "settings/settings.h"

#include <string.h>

static_assert(sizeof(Hotkey) == 8, "a stored Key n value is the in-memory slot byte for byte");

namespace
{

enum { CustomInsertCapacity = 8192, EnvValueCapacity = 1024, NameCapacity = 64 };

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
    unsigned int errorSound;
    unsigned int copyChime;
    unsigned int lastArgsFlags;
    unsigned int scrollyFlags;
    unsigned int autoCloseFlags;
    Hotkey hotkeys[MaxHotkeys];
    bool insertPresent[3];
    wchar_t inserts[3][CustomInsertCapacity];
};

// Static: three insert buffers are too large for the shell's stack to carry comfortably.
StoredSettings Stored;

void SetCustomInsert(int number, const wchar_t *text)
{
    wchar_t name[NameCapacity];
    TextFormat(name, NameCapacity, L"Insert-%u", (unsigned)number);
    SetEnvironmentVariableW(name, (text && text[0]) ? text : nullptr);
}

void RememberFailure(LONG status, LONG *failure)
{
    if (status != ERROR_SUCCESS)
        *failure = status;
}

} // namespace

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

int LoadSettings(HKEY root)
{
    HKEY key;
    if (RegOpenKeyExW(root, SETTINGS_KEY_PATH, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 1;

    DWORD version = 0;
    if (!QueryDword(key, L"Version", &version) || version != SettingsFormatVersion) {
        RegCloseKey(key);
        return -10;
    }

    int errors = 0;
    Stored.hotkeyCount = ReadDwordValue(key, L"Hotkeys", MaxHotkeys, &errors);
    Stored.errorSound = ReadDwordValue(key, L"Error Sound", 6, &errors);
    Stored.copyChime = ReadDwordValue(key, L"Copy Chime", 6, &errors);
    Stored.lastArgsFlags = ReadDwordValue(key, L"LastArgs Flags", 0xFFFFFFFF, &errors);
    Stored.scrollyFlags = ReadDwordValue(key, L"Scrolly Flags", 0xFFFFFFFF, &errors);
    Stored.autoCloseFlags = ReadDwordValue(key, L"Auto Close Flags", 0xFFFFFFFF, &errors);
    if (errors) {
        RegCloseKey(key);
        return errors;
    }

    memset(Stored.hotkeys, 0, sizeof Stored.hotkeys);
    for (unsigned n = 0; n < Stored.hotkeyCount; n++) {
        wchar_t name[NameCapacity];
        TextFormat(name, NameCapacity, L"Key %d", (int)n);
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
        TextFormat(name, NameCapacity, L"Custom Insert String %d", n);
        Stored.insertPresent[n - 1] =
            QueryText(key, name, Stored.inserts[n - 1], CustomInsertCapacity);
    }

    // Every check is behind us: from here on the load changes things.
    for (const wchar_t *name : EnvValueNames)
        RestoreEnvValue(name, key);

    memset(HotkeyTable.entries, 0, sizeof HotkeyTable.entries);
    memcpy(HotkeyTable.entries, Stored.hotkeys, Stored.hotkeyCount * sizeof(Hotkey));
    HotkeyTable.count = Stored.hotkeyCount;
    Settings.ErrorSound = Stored.errorSound;
    Settings.CopyChime = Stored.copyChime;
    Settings.LastArgsFlags = Stored.lastArgsFlags;
    Settings.ScrollyFlags = Stored.scrollyFlags;
    Settings.AutoCloseFlags = Stored.autoCloseFlags;

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
    struct {
        const wchar_t *name;
        DWORD value;
    } const words[] = {
        {L"Version", SettingsFormatVersion},
        {L"Hotkeys", count},
        {L"Error Sound", Settings.ErrorSound},
        {L"Copy Chime", Settings.CopyChime},
        {L"LastArgs Flags", Settings.LastArgsFlags},
        {L"Scrolly Flags", Settings.ScrollyFlags},
        {L"Auto Close Flags", Settings.AutoCloseFlags},
    };
    LONG failure = ERROR_SUCCESS;
    for (const auto &word : words)
        RememberFailure(RegSetValueExW(key, word.name, 0, REG_DWORD, (const BYTE *)&word.value,
                                       sizeof word.value),
                        &failure);

    for (unsigned n = 0; n < MaxHotkeys; n++) {
        wchar_t name[NameCapacity];
        TextFormat(name, NameCapacity, L"Key %d", (int)n);
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
        TextFormat(variable, NameCapacity, L"Insert-%u", (unsigned)n);
        TextFormat(name, NameCapacity, L"Custom Insert String %d", n);
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
