#include "host/launcher/keynames.h"

#include "frame/text.h"

namespace
{

struct NamedKey {
    const wchar_t *name;
    WORD vk;
    wchar_t plain;   // the character the key types, 0 for none
    wchar_t shifted; // the character it types with Shift
};

// A US keyboard, which is what the key tables' punctuation names assume.
const NamedKey NamedKeys[] = {
    {L"Enter", VK_RETURN, 13, 13},
    {L"Return", VK_RETURN, 13, 13},
    {L"Esc", VK_ESCAPE, 27, 27},
    {L"Escape", VK_ESCAPE, 27, 27},
    {L"Tab", VK_TAB, 9, 0},
    {L"Space", VK_SPACE, L' ', L' '},
    {L"Backspace", VK_BACK, 8, 8},
    {L"BkSp", VK_BACK, 8, 8},
    {L"Home", VK_HOME, 0, 0},
    {L"End", VK_END, 0, 0},
    {L"PgUp", VK_PRIOR, 0, 0},
    {L"PageUp", VK_PRIOR, 0, 0},
    {L"PgDn", VK_NEXT, 0, 0},
    {L"PageDown", VK_NEXT, 0, 0},
    {L"Ins", VK_INSERT, 0, 0},
    {L"Insert", VK_INSERT, 0, 0},
    {L"Del", VK_DELETE, 0, 0},
    {L"Delete", VK_DELETE, 0, 0},
    {L"Up", VK_UP, 0, 0},
    {L"Down", VK_DOWN, 0, 0},
    {L"Left", VK_LEFT, 0, 0},
    {L"Right", VK_RIGHT, 0, 0},
    {L"`", VK_OEM_3, L'`', L'~'},
    {L"Grave", VK_OEM_3, L'`', L'~'},
    {L"Backquote", VK_OEM_3, L'`', L'~'},
    {L"-", VK_OEM_MINUS, L'-', L'_'},
    {L"Minus", VK_OEM_MINUS, L'-', L'_'},
    {L"=", VK_OEM_PLUS, L'=', L'+'},
    {L"Equals", VK_OEM_PLUS, L'=', L'+'},
    {L"Plus", VK_OEM_PLUS, L'=', L'+'},
    {L"[", VK_OEM_4, L'[', L'{'},
    {L"]", VK_OEM_6, L']', L'}'},
    {L"\\", VK_OEM_5, L'\\', L'|'},
    {L"Backslash", VK_OEM_5, L'\\', L'|'},
    {L";", VK_OEM_1, L';', L':'},
    {L"Semicolon", VK_OEM_1, L';', L':'},
    {L"Semi", VK_OEM_1, L';', L':'},
    {L"'", VK_OEM_7, L'\'', L'"'},
    {L"Apostrophe", VK_OEM_7, L'\'', L'"'},
    {L"Apos", VK_OEM_7, L'\'', L'"'},
    {L",", VK_OEM_COMMA, L',', L'<'},
    {L"Comma", VK_OEM_COMMA, L',', L'<'},
    {L".", VK_OEM_PERIOD, L'.', L'>'},
    {L"Period", VK_OEM_PERIOD, L'.', L'>'},
    {L"Dot", VK_OEM_PERIOD, L'.', L'>'},
    {L"Decimal", VK_OEM_PERIOD, L'.', L'>'},
    {L"/", VK_OEM_2, L'/', L'?'},
    {L"Slash", VK_OEM_2, L'/', L'?'},
    {L"Divide", VK_OEM_2, L'/', L'?'},
    {L"*", VK_MULTIPLY, L'*', L'*'},
    {L"Multiply", VK_MULTIPLY, L'*', L'*'},
};

// Number digit keys with their shifted characters.
const wchar_t DigitShifted[10] = {L')', L'!', L'@', L'#', L'$', L'%', L'^', L'&', L'*', L'('};

bool IsModifierWord(const wchar_t *word, size_t length, bool *shift, bool *ctrl, bool *alt)
{
    wchar_t text[16];
    if (length == 0 || length >= 16)
        return false;
    TextCopyCount(text, 16, word, length);
    // No one-letter forms: a text piece such as "a-b" must stay text.
    if (TextEqualNoCase(text, L"shift"))
        *shift = true;
    else if (TextEqualNoCase(text, L"ctrl") || TextEqualNoCase(text, L"ctl") ||
             TextEqualNoCase(text, L"control"))
        *ctrl = true;
    else if (TextEqualNoCase(text, L"alt"))
        *alt = true;
    else
        return false;
    return true;
}

// The key part of a name: the named keys, F1-F24, and single letters and digits.
bool FindKey(const wchar_t *name, WORD *vk, wchar_t *plain, wchar_t *shifted)
{
    for (const NamedKey &key : NamedKeys)
        if (TextEqualNoCase(name, key.name)) {
            *vk = key.vk;
            *plain = key.plain;
            *shifted = key.shifted;
            return true;
        }
    size_t length = TextLength(name);
    if ((name[0] == L'F' || name[0] == L'f') && length >= 2 && length <= 3) {
        int number = 0;
        for (size_t i = 1; i < length; i++) {
            if (name[i] < L'0' || name[i] > L'9')
                return false;
            number = number * 10 + (name[i] - L'0');
        }
        if (number < 1 || number > 24)
            return false;
        *vk = (WORD)(VK_F1 + number - 1);
        *plain = *shifted = 0;
        return true;
    }
    if (length != 1)
        return false;
    wchar_t ch = name[0];
    if (ch >= L'a' && ch <= L'z')
        ch = (wchar_t)(ch - L'a' + L'A');
    if (ch >= L'A' && ch <= L'Z') {
        *vk = ch;
        *plain = (wchar_t)(ch - L'A' + L'a');
        *shifted = ch;
        return true;
    }
    if (ch >= L'0' && ch <= L'9') {
        *vk = ch;
        *plain = ch;
        *shifted = DigitShifted[ch - L'0'];
        return true;
    }
    return false;
}

} // namespace

bool ParseScriptKey(const wchar_t *text, KEY_EVENT_RECORD *out)
{
    if (!text || !text[0] || !out)
        return false;
    bool shift = false, ctrl = false, alt = false;
    const wchar_t *start = text;
    // A "-" ends a modifier word only when the word has at least one character, so "Alt--"
    // is Alt with the minus key.
    for (const wchar_t *p = text; *p; p++)
        if (*p == L'-' && p > start && p[1]) {
            if (!IsModifierWord(start, (size_t)(p - start), &shift, &ctrl, &alt))
                return false;
            start = p + 1;
        }
    bool modified = shift || ctrl || alt;
    if (!modified && TextLength(start) == 1)
        return false;
    WORD vk = 0;
    wchar_t plain = 0, shifted = 0;
    if (!FindKey(start, &vk, &plain, &shifted))
        return false;

    KEY_EVENT_RECORD record = {};
    record.bKeyDown = TRUE;
    record.wRepeatCount = 1;
    record.wVirtualKeyCode = vk;
    record.wVirtualScanCode = (WORD)MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    wchar_t ch = shift ? shifted : plain;
    if (ctrl && vk >= 'A' && vk <= 'Z')
        ch = (wchar_t)(vk - 'A' + 1);
    else if (ctrl && vk == VK_BACK)
        ch = 0x7F;
    else if (ctrl)
        ch = 0;
    record.uChar.UnicodeChar = ch;
    record.dwControlKeyState =
        (shift ? SHIFT_PRESSED : 0) | (ctrl ? LEFT_CTRL_PRESSED : 0) | (alt ? LEFT_ALT_PRESSED : 0);
    if (vk >= VK_PRIOR && vk <= VK_DELETE)
        record.dwControlKeyState |= ENHANCED_KEY;
    *out = record;
    return true;
}

KEY_EVENT_RECORD CharacterKeyEvent(wchar_t ch)
{
    KEY_EVENT_RECORD record = {};
    record.bKeyDown = TRUE;
    record.wRepeatCount = 1;
    SHORT scan = VkKeyScanW(ch);
    // Without modifiers every key that types a character passes that character, so the
    // virtual key only has to be plausible; an unmapped character gets none.
    record.wVirtualKeyCode = scan == -1 ? 0 : (WORD)(scan & 0xFF);
    record.uChar.UnicodeChar = ch;
    return record;
}

const wchar_t *ScriptKeyNamesHelp(void)
{
    return L"Key names: Enter Esc Tab Space Backspace Home End PgUp PgDn Ins Del Up Down\r\n"
           L"Left Right F1-F24, letters, digits and the punctuation keys ` - = [ ] \\ ; ' , . /\r\n"
           L"(also Grave Minus Equals Plus Backslash Semicolon Apostrophe Comma Period Slash),\r\n"
           L"with any of the prefixes Shift- Ctrl- Alt-, e.g. Alt-; Ctrl-U Ctrl-Shift-F1.\r\n";
}
