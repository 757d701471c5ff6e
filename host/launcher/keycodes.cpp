#include "host/launcher/keycodes.h"

#include "frame/text.h"

namespace
{

const int X = ShellExtended;

// One key: its virtual key, the name a newer host gives it, and its code in each modifier
// column. 0 means the key has no code of its own there: the character it types, if any, is
// passed instead.
struct KeyRow {
    WORD vk;
    const wchar_t *name;
    int codes[ColumnCount];
};

// Keys that both host styles report alike.
const KeyRow CommonRows[] = {
    {VK_F1, L"F1", {X | 0x3B, X | 0x54, X | 0x5E, X | 0x68, X | 0x54, X | 0x5E, X | 0x5E}},
    {VK_F2, L"F2", {X | 0x3C, X | 0x55, X | 0x5F, X | 0x69, X | 0x55, X | 0x5F, X | 0x5F}},
    {VK_F3, L"F3", {X | 0x3D, X | 0x56, X | 0x60, X | 0x6A, X | 0x56, X | 0x60, X | 0x60}},
    {VK_F4, L"F4", {X | 0x3E, X | 0x57, X | 0x61, X | 0x6B, X | 0x57, X | 0x61, X | 0x61}},
    {VK_F5, L"F5", {X | 0x3F, X | 0x58, X | 0x62, X | 0x6C, X | 0x58, X | 0x62, X | 0x62}},
    {VK_F6, L"F6", {X | 0x40, X | 0x59, X | 0x63, X | 0x6D, X | 0x59, X | 0x63, X | 0x63}},
    {VK_F7, L"F7", {X | 0x41, X | 0x5A, X | 0x64, X | 0x6E, X | 0x5A, X | 0x64, X | 0x64}},
    {VK_F8, L"F8", {X | 0x42, X | 0x5B, X | 0x65, X | 0x6F, X | 0x5B, X | 0x65, X | 0x65}},
    {VK_F9, L"F9", {X | 0x43, X | 0x5C, X | 0x66, X | 0x70, X | 0x5C, X | 0x66, X | 0x66}},
    {VK_F10, L"F10", {X | 0x44, X | 0x5D, X | 0x67, X | 0x71, X | 0x5D, X | 0x67, X | 0x67}},
    {VK_F11, L"F11", {X | 0x85, X | 0x87, X | 0x89, X | 0x8B, X | 0x87, X | 0x89, X | 0x89}},
    {VK_F12, L"F12", {X | 0x86, X | 0x88, X | 0x8A, X | 0x8C, X | 0x88, X | 0x8A, X | 0x8A}},
    {VK_HOME, L"Home", {X | 0x47, X | 0xCA, X | 0x77, X | 0x97, X | 0xCA, X | 0x77, X | 0x77}},
    {VK_END, L"End", {X | 0x4F, X | 0xCB, X | 0x75, X | 0x9F, X | 0xCB, X | 0x75, X | 0x75}},
    {VK_PRIOR, L"PgUp", {X | 0x49, X | 0x49, X | 0x84, X | 0x99, X | 0x49, X | 0x84, X | 0x84}},
    {VK_NEXT, L"PgDn", {X | 0x51, X | 0x51, X | 0x76, X | 0xA1, X | 0x51, X | 0x76, X | 0x76}},
    {VK_INSERT, L"Ins", {X | 0x52, X | 0x52, X | 0x92, X | 0xA2, X | 0x52, X | 0x92, X | 0x92}},
    {VK_DELETE, L"Del", {X | 0x53, X | 0x53, X | 0x93, X | 0xA3, X | 0x53, X | 0x93, X | 0x93}},
    {VK_UP, L"Up", {X | 0x48, X | 0x48, X | 0x8D, X | 0x98, X | 0x48, X | 0x8D, X | 0x8D}},
    {VK_DOWN, L"Down", {X | 0x50, X | 0x50, X | 0x91, X | 0xA0, X | 0x50, X | 0x91, X | 0x91}},
    {VK_LEFT, L"Left", {X | 0x4B, X | 0xC8, X | 0x73, X | 0xF4, X | 0xCC, X | 0x73, X | 0x73}},
    {VK_RIGHT, L"Right", {X | 0x4D, X | 0xC9, X | 0x74, X | 0xF6, X | 0xCD, X | 0x74, X | 0x74}},
    {VK_ESCAPE, L"Esc", {27, 27, 27, 27, 27, 27, 27}},
    {VK_TAB, L"Tab", {9, X | 0x0F, X | 0x94, X | 0xA5, X | 0x0F, X | 0x94, X | 0x94}},
    {VK_MULTIPLY, L"*", {0, 0, X | 0x37, X | 0x2A, X | 0x37, X | 0x37, X | 0x37}},
};

const KeyRow OlderRows[] = {
    {VK_BACK, L"Backspace", {8, 8, 0x7F, X | 0x0E, X | 0x0E, X | 0x0E, X | 0x0E}},
    {VK_RETURN, L"Enter", {13, 13, 10, 13, 13, 13, 13}},
    {VK_OEM_3, L"`", {0, 0, 0, X | 0x29, 0, X | 0x29, X | 0x29}},
    {VK_OEM_MINUS, L"Minus", {0, 0, 0, X | 0x82, 0, X | 0x82, X | 0x82}},
    {VK_OEM_PLUS, L"Plus", {0, 0, 0, X | 0x83, 0, X | 0x83, X | 0x83}},
    {VK_OEM_4, L"[", {0, 0, 27, X | 0x1A, 0, X | 0x1A, X | 0x1A}},
    {VK_OEM_6, L"]", {0, 0, 29, X | 0x1B, 0, X | 0x1B, X | 0x1B}},
    {VK_OEM_5, L"\\", {0, 0, 0x1C, X | 0x2B, 0, X | 0x2B, X | 0x2B}},
    {VK_OEM_1, L";", {0, 0, 0, X | 0x27, 0, X | 0x27, X | 0x27}},
    {VK_OEM_7, L"'", {0, 0, 0, X | 0x28, 0, X | 0x28, X | 0x28}},
    {VK_OEM_COMMA, L",", {0, 0, 0, X | 0x33, 0, X | 0x33, X | 0x33}},
    {VK_OEM_PERIOD, L"Decimal", {0, 0, 0, X | 0x34, 0, X | 0x34, X | 0x34}},
    {VK_OEM_2, L"Divide", {0, 0, 0, X | 0x35, 0, X | 0x35, X | 0x35}},
    {VK_DIVIDE, L"Divide", {0, 0, 0, 0, X | 0x35, 0, 0}},
    {VK_SUBTRACT, L"Minus", {0, 0, X | 0x4A, 0, X | 0x4A, X | 0x4A, X | 0x4A}},
    {VK_ADD, L"Plus", {0, 0, X | 0x4E, 0, X | 0x4E, X | 0x4E, X | 0x4E}},
};

const KeyRow NewerRows[] = {
    {VK_BACK, L"Backspace", {8, 0x87F, 0x7F, X | 0x0E, X | 0x0E, X | 0x0E, X | 0x0E}},
    {VK_RETURN, L"Enter", {13, 0x80D, 0xC0D, 13, 0x80D, 0x80D, 0x80D}},
    {VK_OEM_3, L"`", {0, 0, 0x860, X | 0x860, 0x860, X | 0x860, X | 0x860}},
    {VK_OEM_MINUS, L"Minus", {0, 0, 0x8BD, X | 0x8BD, 0x8BD, X | 0x8BD, X | 0x8BD}},
    {VK_OEM_PLUS, L"Plus", {0, 0, 0x8BB, X | 0x83, 0x8BB, X | 0x8BB, X | 0x8BB}},
    {VK_OEM_4, L"[", {0, 0, 0x8DB, X | 0x1A, 0x8DB, X | 0x1A, X | 0x1A}},
    {VK_OEM_6, L"]", {0, 0, 0x8DD, X | 0x1B, 0x8DD, X | 0x1B, X | 0x1B}},
    {VK_OEM_5, L"\\", {0, 0, 0x8DC, X | 0x2B, 0x8DC, X | 0x2B, X | 0x2B}},
    {VK_OEM_2, L"Divide", {0, 0, 0x835, X | 0x35, 0x35, X | 0x35, X | 0x35}},
    {VK_DIVIDE, L"Divide", {0, 0, 0x835, X | 0x35, 0x35, X | 0x35, X | 0x35}},
    {VK_OEM_1, L";", {0, 0, 0x827, X | 0x27, 0x27, X | 0x27, X | 0x27}},
    {VK_OEM_7, L"'", {0, 0, 0x828, X | 0x28, 0x28, X | 0x28, X | 0x28}},
    {VK_OEM_COMMA, L",", {0, 0, 0x833, X | 0x33, 0x33, X | 0x33, X | 0x33}},
    {VK_OEM_PERIOD, L"Decimal", {0, 0, 0x834, X | 0x34, 0x34, X | 0x34, X | 0x34}},
    {VK_DECIMAL, L"Decimal", {0, 0, 0x834, X | 0x34, 0x34, X | 0x34, X | 0x34}},
    {VK_SUBTRACT, L"Minus", {0, 0, 0x8BD, X | 0x8BD, 0x8BD, X | 0x8BD, X | 0x8BD}},
    {VK_ADD, L"Plus", {0, 0, 0x8BB, X | 0x83, 0x8BB, X | 0x8BB, X | 0x8BB}},
};

// Scan codes of the letter keys, A to Z: the shell reports Alt-letters by them.
const unsigned char LetterScan[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                      0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                      0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

const wchar_t *const ColumnPrefix[ColumnCount] = {
    L"", L"Shift-", L"Ctrl-", L"Alt-", L"Ctrl-Shift-", L"Ctrl-Alt-", L"Ctrl-Alt-Shift-"};

const KeyRow *FindRow(const KeyRow *rows, size_t count, WORD vk)
{
    for (size_t i = 0; i < count; i++)
        if (rows[i].vk == vk)
            return &rows[i];
    return nullptr;
}

// Letters and digits follow a rule rather than a table: a letter's Ctrl code is its control
// character and its Alt code its scan code; a digit's Alt code runs from 0xE2 for 1 to 0xEB
// for 0, and newer hosts give Ctrl-digits that value without the extended bit.
int LetterOrDigitCode(WORD vk, int column, bool newerHost)
{
    if (vk >= 'A' && vk <= 'Z') {
        int control = vk - 'A' + 1;
        int alt = X | LetterScan[vk - 'A'];
        const int codes[ColumnCount] = {0, 0, control, alt, control, alt, alt};
        return codes[column];
    }
    int value = 0xE2 + (vk == '0' ? 9 : vk - '1');
    int ctrl = newerHost ? value : 0;
    const int codes[ColumnCount] = {0, 0, ctrl, X | value, ctrl, X | value, X | value};
    return codes[column];
}

bool IsModifierKey(WORD vk)
{
    switch (vk) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
    case VK_LWIN:
    case VK_RWIN:
        return true;
    default:
        return false;
    }
}

} // namespace

int ColumnOf(bool shift, bool ctrl, bool alt)
{
    if (ctrl && alt)
        return shift ? ColumnCtrlAltShift : ColumnCtrlAlt;
    if (ctrl)
        return shift ? ColumnCtrlShift : ColumnCtrl;
    if (alt)
        return ColumnAlt;
    return shift ? ColumnShift : ColumnPlain;
}

bool TranslateKeyEvent(const KEY_EVENT_RECORD &record, bool newerHost, ShellKey *out)
{
    if (!out || !record.bKeyDown || IsModifierKey(record.wVirtualKeyCode))
        return false;
    DWORD state = record.dwControlKeyState;
    out->shift = (state & SHIFT_PRESSED) != 0;
    out->ctrl = (state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) != 0;
    out->alt = (state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) != 0;
    out->column = ColumnOf(out->shift, out->ctrl, out->alt);
    out->name[0] = 0;
    out->character = false;

    WORD vk = record.wVirtualKeyCode;
    wchar_t ch = record.uChar.UnicodeChar;
    const wchar_t *name = nullptr;
    wchar_t single[2] = {0, 0};
    int code = 0;
    const KeyRow *row = FindRow(CommonRows, sizeof CommonRows / sizeof *CommonRows, vk);
    if (!row)
        row = newerHost ? FindRow(NewerRows, sizeof NewerRows / sizeof *NewerRows, vk)
                        : FindRow(OlderRows, sizeof OlderRows / sizeof *OlderRows, vk);
    if (row) {
        code = row->codes[out->column];
        name = row->name;
    } else if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
        code = LetterOrDigitCode(vk, out->column, newerHost);
        single[0] = (wchar_t)vk;
        name = single;
    }

    if (code == 0) {
        // A key without a code of its own in this column types its character, if it has
        // one. With Alt alone it types nothing: Alt-combinations are codes or nothing.
        if (ch == 0 || (out->alt && !out->ctrl))
            return false;
        code = ch;
        out->character = true;
        single[0] = ch;
        TextCopy(out->name, ShellKeyNameCapacity, single);
        out->code = code;
        return true;
    }
    out->code = code;
    if (name)
        TextFormat(out->name, ShellKeyNameCapacity, L"%s%s", ColumnPrefix[out->column], name);
    return true;
}
