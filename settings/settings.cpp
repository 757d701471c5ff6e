#include "settings/settings.h"

#include "frame/text.h"
#include "keys/hotkeys.h"

#include <wchar.h>
#include <windows.h>

const wchar_t *const ErrorSoundNames[7] = {
    L"Off", L"Honk", L"Asterisk", L"Default Beep", L"Exclamation", L"Critical Stop", L"Question"};
const wchar_t *const CopyChimeNames[7] = {
    L"Off", L"Chime", L"Asterisk", L"Default Beep", L"Exclamation", L"Critical Stop", L"Question"};

// clang-format off
const DefaultHotkey DefaultHotkeys[] = {
    {L"Alt-;",          0x10027, ActionSwapCharacters},
    {L"Alt-'",          0x10028, ActionSwapArguments},
    {L"F3",             0x1003D, ActionInsertLastArgs},
    {L"Alt-L",          0x10026, ActionClearScreen},
    {L"Alt-=",          0x10083, ActionMathWord},          // Alt-Plus on newer hosts
    {L"Ctrl-Shift-X",   0x20018, ActionExpandExpression},
    {L"Alt-U",          0x10016, ActionUnicodeEntry},
    {L"Alt-C",          0x1002E, ActionCopyLine},
    {L"Alt-W",          0x10011, ActionCopyWord},
    {L"Ctrl-Alt-W",     0x50011, ActionCutWord},
    {L"Ctrl-Alt-Z",     0x5002C, ActionSwapClipboardWord},
    {L"Ctrl-U",         0x15,    ActionChangeWordCase},
    {L"Alt-I",          0x10017, ActionCustomInsert1},
    {L"Ctrl-A",         0x1,     ActionCharacterInfo},
    {L"Ctrl-Alt-Up",    0x5008D, ActionScrollUpByCommands},
    {L"Ctrl-Alt-Down",  0x50091, ActionScrollDownByCommands},
    {L"Ctrl-Alt-F",     0x50021, ActionFileToUri},
    {L"Ctrl-Shift-P",   0x20010, ActionPrintViewport},
    {L"Ctrl-Shift-Q",   0x20011, ActionSaveViewportPicture},
    {L"Ctrl-P",         0x10,    ActionPrintHistory},
    {L"Ctrl-Alt-E",     0x50012, ActionSearchPathAndExpand},
};
// clang-format on

namespace
{

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
    for (unsigned i = 0; i < DefaultHotkeyCount; i++)
        HotkeyTable.entries[i] = Hotkey{DefaultHotkeys[i].code, DefaultHotkeys[i].action, 0};
    HotkeyTable.count = DefaultHotkeyCount;
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
