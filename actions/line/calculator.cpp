#include "actions/line/calculator.h"

#include "frame/globals.h"
#include "frame/host.h"
#include "frame/text.h"
#include "frame/textscan.h"

#include <wchar.h>
#include <windows.h>

namespace
{

wchar_t Expression[CalculatorCapacity];
wchar_t Value[CalculatorCapacity];

// Attributes that stand out on each background colour, the second for when the first is the
// current attribute already.
const unsigned char FirstChoice[16] = {0x0F, 0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x70,
                                       0x8F, 0x9F, 0xA0, 0xB0, 0xCF, 0xD0, 0xE0, 0xF2};
const unsigned char SecondChoice[16] = {0x0E, 0x1B, 0x2B, 0x3E, 0x4B, 0x5B, 0x6B, 0x79,
                                        0x8B, 0x9B, 0xA9, 0xB9, 0xC0, 0xDE, 0xEC, 0xF0};

bool BeginsWithNoCase(const wchar_t *text, const wchar_t *prefix)
{
    return _wcsnicmp(text, prefix, TextLength(prefix)) == 0;
}

// The whole text as an unsigned hexadecimal number of at most 32 bits.
bool ParseHex(const wchar_t *text, unsigned long *value)
{
    unsigned long n = 0;
    if (!text[0])
        return false;
    for (const wchar_t *p = text; *p; p++) {
        unsigned digit;
        if (*p >= L'0' && *p <= L'9')
            digit = (unsigned)(*p - L'0');
        else if ((*p | 0x20) >= L'a' && (*p | 0x20) <= L'f')
            digit = (unsigned)((*p | 0x20) - L'a' + 10);
        else
            return false;
        if (n > 0x0FFFFFFFul)
            return false;
        n = (n << 4) | digit;
    }
    *value = n;
    return true;
}

// The REG_SZ value "Highlight" under root\keyPath into out (HighlightTextCapacity units). 0
// when a non-empty text was read; else the registry's error code, ERROR_INVALID_DATA for
// another type or ERROR_NO_DATA for an empty value, with out emptied; -1 for a missing
// argument.
int ReadHighlightValue(HKEY root, const wchar_t *keyPath, wchar_t *out)
{
    if (!root || !keyPath || !out)
        return -1;
    out[0] = 0;
    HKEY key;
    LONG error = RegOpenKeyExW(root, keyPath, 0, KEY_QUERY_VALUE, &key);
    if (error != ERROR_SUCCESS)
        return (int)error;
    // One unit more than the value may fill, for a terminator the value may lack.
    wchar_t text[HighlightTextCapacity + 1];
    DWORD type = 0, bytes = HighlightTextCapacity * sizeof(wchar_t);
    error = RegQueryValueExW(key, L"Highlight", nullptr, &type, (BYTE *)text, &bytes);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS)
        return (int)error;
    if (type != REG_SZ)
        return ERROR_INVALID_DATA;
    text[bytes / sizeof(wchar_t)] = 0;
    TextCopy(out, HighlightTextCapacity, text);
    if (!out[0])
        return ERROR_NO_DATA;
    return 0;
}

// The first non-empty description: the environment, then the registry's four places.
bool FindHighlightText(wchar_t *out)
{
    DWORD n = GetEnvironmentVariableW(L"Highlight", out, HighlightTextCapacity);
    if (n > 0 && n < HighlightTextCapacity)
        return true;
    wchar_t ownKey[256];
    TextFormat(ownKey, 256, L"%s\\%s", L"SOFTWARE\\JPPlugins", PLUGIN_NAME);
    const struct {
        HKEY root;
        const wchar_t *path;
    } places[] = {
        {HKEY_CURRENT_USER, ownKey},
        {HKEY_LOCAL_MACHINE, ownKey},
        {HKEY_CURRENT_USER, L"SOFTWARE\\JPPlugins"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\JPPlugins"},
    };
    for (const auto &place : places)
        if (ReadHighlightValue(place.root, place.path, out) == 0)
            return true;
    out[0] = 0;
    return false;
}

// The attribute to show the value in; *current receives the current attribute (low byte) so
// that it can be restored. The description comes from "Highlight" in the environment, then
// the registry; without one the colour is chosen to contrast with the current one.
int HighlightAttribute(int *current)
{
    unsigned short attribute = 0x07, other = 0;
    GetAttribute(&attribute, &other);
    int now = attribute & 0xFF;
    if (current)
        *current = now;
    wchar_t text[HighlightTextCapacity];
    FindHighlightText(text);
    return HighlightFor(now, text);
}

} // namespace

int HighlightFor(int current, const wchar_t *description)
{
    current &= 0xFF;
    int fg = current & 0xF, bg = current >> 4;
    if (fg == bg)
        return 7;
    if (!description || !description[0]) {
        if (!(fg & 8) && !(bg & 8) && fg != 0)
            return current | 8;
        return current == FirstChoice[bg] ? SecondChoice[bg] : FirstChoice[bg];
    }

    int f = -1, b = -1;
    if (BeginsWithNoCase(description, L"inv")) {
        f = bg;
        b = fg & 7;
    } else if (BeginsWithNoCase(description, L"0x")) {
        unsigned long number;
        if (ParseHex(description + 2, &number)) {
            f = (int)(number & 0xF);
            b = (int)((number >> 4) & 0xF);
        }
    } else {
        ParseColors(description, &f, &b);
    }
    if (b == 64) {
        if (f < 0)
            return current;
        if (f <= 15)
            b = -1;
    }
    // Colours outside 0-15 cannot be shown: the description is unreadable.
    if (f < 0 || f > 15 || b > 15)
        return current;
    if (b >= 0 && f != b && (f != fg || b != bg))
        return (b << 4) | f;
    if (b < 0 && f != fg && f != bg)
        return (bg << 4) | f;
    return current;
}

int CalculatorLine(KeyEvent *event)
{
    if (!event || !event->line || event->line[0] != L':' ||
        TextLengthWithin(event->line, CalculatorCapacity) >= CalculatorCapacity)
        return 0;
    TextCopy(Expression, CalculatorCapacity, event->line + 1);
    TrimBlanks(Expression);
    if (!Expression[0])
        return 0;
    CrLf();

    int result = 0;
    TextCopy(Value, CalculatorCapacity, Expression);
    bool expanded = !wcschr(Value, L'%') || ExpandVariables(Value, 1) == 0;
    if (expanded && Evaluate(Value) == 0) {
        Value[CalculatorCapacity - 1] = 0;
        int current;
        int highlight = HighlightAttribute(&current);
        Printf(L"%s = ", Expression);
        SetColors(highlight);
        QPuts(Value);
        SetColors(current);
        CrLf();
        SetEnvironmentVariableW(L"Ans", Value);
        result = 1;
    }

    // The output moved the screen under the edit line.
    int row = 0, column = 0;
    GetAbsCursorPosition(&row, &column);
    event->homeRow = event->row = row;
    event->homeColumn = event->column = 0;
    return result;
}
