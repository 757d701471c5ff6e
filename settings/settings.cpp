#include "settings/settings.h"

#include "frame/text.h"
#include "keys/hotkeys.h"

#include <wchar.h>
#include <windows.h>

SettingsBlock Settings;

const wchar_t *const ErrorSoundNames[7] = {
    L"Off", L"Honk", L"Asterisk", L"Default Beep", L"Exclamation", L"Critical Stop", L"Question"};
const wchar_t *const CopyChimeNames[7] = {
    L"Off", L"Chime", L"Asterisk", L"Default Beep", L"Exclamation", L"Critical Stop", L"Question"};

namespace
{

const Hotkey DefaultHotkeys[] = {
    {0x10027, ActionSwapCharacters, 0},       // Alt-;
    {0x10028, ActionSwapArguments, 0},        // Alt-'
    {0x1003D, ActionInsertLastArgs, 0},       // F3
    {0x10026, ActionClearScreen, 0},          // Alt-L
    {0x10083, ActionMathWord, 0},             // Alt-= / Alt-Plus
    {0x20018, ActionExpandExpression, 0},     // Ctrl-Shift-X
    {0x10016, ActionUnicodeEntry, 0},         // Alt-U
    {0x1002E, ActionCopyLine, 0},             // Alt-C
    {0x10011, ActionCopyWord, 0},             // Alt-W
    {0x50011, ActionCutWord, 0},              // Ctrl-Alt-W
    {0x5002C, ActionSwapClipboardWord, 0},    // Ctrl-Alt-Z
    {0x15, ActionChangeWordCase, 0},          // Ctrl-U
    {0x10017, ActionCustomInsert1, 0},        // Alt-I
    {0x1, ActionCharacterInfo, 0},            // Ctrl-A
    {0x5008D, ActionScrollUpByCommands, 0},   // Ctrl-Alt-Up
    {0x50091, ActionScrollDownByCommands, 0}, // Ctrl-Alt-Down
    {0x50021, ActionFileToUri, 0},            // Ctrl-Alt-F
    {0x20010, ActionPrintViewport, 0},        // Ctrl-Shift-P
    {0x20011, ActionSaveViewportPicture, 0},  // Ctrl-Shift-Q
    {0x10, ActionPrintHistory, 0},            // Ctrl-P
    {0x50012, ActionSearchPathAndExpand, 0},  // Ctrl-Alt-E
};

struct BitName {
    unsigned int bit;
    const wchar_t *name;
};

const BitName LastArgsBits[] = {{1, L"Over"}, {2, L"Slashes"}, {4, L"KeepOld"}, {8, L"Space"}};
const BitName AutoCloseBits[] = {{1, L"Brackets"}, {2, L"Parentheses"},  {4, L"Braces"},
                                 {8, L"Quotes"},   {16, L"Apostrophes"}, {32, L"Strong quotes"}};
const BitName ScrollyBits[] = {{1, L"Wrap"}, {2, L"Visible"}};

const wchar_t *Describe(wchar_t *out, size_t capacity, unsigned int value, const BitName *bits,
                        size_t count)
{
    out[0] = 0;
    for (size_t i = 0; i < count; i++)
        if (value & bits[i].bit) {
            if (out[0])
                TextAppend(out, capacity, L", ");
            TextAppend(out, capacity, bits[i].name);
        }
    if (!out[0])
        TextCopy(out, capacity, L"none");
    return out;
}

bool IsDecimalDigit(wchar_t ch)
{
    return ch >= L'0' && ch <= L'9';
}

} // namespace

int SetDefaultSettings(void)
{
    ZeroMemory(HotkeyTable.entries, sizeof HotkeyTable.entries);
    const unsigned count = sizeof DefaultHotkeys / sizeof DefaultHotkeys[0];
    for (unsigned i = 0; i < count; i++)
        HotkeyTable.entries[i] = DefaultHotkeys[i];
    HotkeyTable.count = count;
    Settings.ErrorSound = 2;
    Settings.CopyChime = 1;
    Settings.LastArgsFlags = 2;
    Settings.ScrollyFlags = 1;
    Settings.AutoCloseFlags = 0;
    return 0;
}

const wchar_t *DescribeLastArgsFlags(void)
{
    static wchar_t text[128];
    return Describe(text, 128, Settings.LastArgsFlags, LastArgsBits, 4);
}

const wchar_t *DescribeAutoCloseFlags(void)
{
    static wchar_t text[128];
    if ((Settings.AutoCloseFlags & 0x3F) == 0x3F) {
        TextCopy(text, 128, L"All");
        return text;
    }
    return Describe(text, 128, Settings.AutoCloseFlags, AutoCloseBits, 6);
}

const wchar_t *DescribeScrollyFlags(void)
{
    static wchar_t text[1024];
    return Describe(text, 1024, Settings.ScrollyFlags, ScrollyBits, 2);
}

int ParseNumber(const wchar_t *text, const wchar_t **end, unsigned int *value)
{
    if (!text || !value)
        return -1;
    const wchar_t *digits;
    unsigned base;
    if (text[0] == L'0' && (text[1] == L'x' || text[1] == L'X') && IsHexDigit(text[2])) {
        digits = text + 2;
        base = 16;
    } else if (IsDecimalDigit(text[0])) {
        digits = text;
        base = 10;
    } else {
        return -1;
    }
    unsigned long long number = 0;
    const wchar_t *p = digits;
    for (;; p++) {
        unsigned digit;
        if (IsDecimalDigit(*p))
            digit = *p - L'0';
        else if (base == 16 && *p >= L'a' && *p <= L'f')
            digit = *p - L'a' + 10;
        else if (base == 16 && *p >= L'A' && *p <= L'F')
            digit = *p - L'A' + 10;
        else
            break;
        number = number * base + digit;
        if (number > 0xFFFFFFFFull)
            return -1;
    }
    if (!end && *p)
        return -1;
    *value = (unsigned int)number;
    if (end)
        *end = p;
    return 0;
}

unsigned int GetEnvNumber(const wchar_t *name, unsigned int fallback)
{
    if (!name || !name[0])
        return 0xFFFFFFFF;
    wchar_t text[1024];
    DWORD length = GetEnvironmentVariableW(name, text, 1024);
    if (length == 0 || length >= 1024)
        return fallback;
    const wchar_t *p = text;
    while (*p && IsBlank(*p))
        p++;
    if (!IsDecimalDigit(*p))
        return fallback;
    unsigned int value;
    if (ParseNumber(p, nullptr, &value) != 0)
        return fallback;
    return value;
}

bool IsValueSeparator(wchar_t ch)
{
    return ch == L':' || ch == L'=';
}
