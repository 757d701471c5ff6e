#include "actions/console/charinfo.h"

#include "actions/console/popup.h"
#include "frame/globals.h"
#include "frame/host.h"
#include "frame/messages.h"
#include "frame/text.h"

namespace
{

const wchar_t *const LowControlNames[32] = {
    L"NUL", L"SOH", L"STX", L"ETX", L"EOT", L"ENQ", L"ACK", L"BEL", L"BS",  L"HT",  L"LF",
    L"VT",  L"FF",  L"CR",  L"SO",  L"SI",  L"DLE", L"DC1", L"DC2", L"DC3", L"DC4", L"NAK",
    L"SYN", L"ETB", L"CAN", L"EM",  L"SUB", L"ESC", L"FS",  L"GS",  L"RS",  L"US",
};

const wchar_t *const HighControlNames[32] = {
    L"XXX", L"XXX", L"BPH", L"NBH", L"IND", L"NEL", L"SSA", L"ESA", L"HTS", L"HTJ", L"VTS",
    L"PLD", L"PLU", L"RI",  L"SS2", L"SS3", L"DCS", L"PU1", L"PU2", L"STS", L"CCH", L"MW",
    L"SPA", L"EPA", L"SOS", L"XXX", L"SCI", L"CSI", L"ST",  L"OSC", L"PM",  L"APC",
};

inline unsigned int PairCodePoint(wchar_t high, wchar_t low)
{
    return ((((unsigned int)high & 0x3FF) << 10) | ((unsigned int)low & 0x3FF)) + 0x10000;
}

void FormatUtf8(unsigned int c, wchar_t *out, size_t capacity)
{
    unsigned int bytes[4];
    int count;
    if (c < 0x80) {
        bytes[0] = c;
        count = 1;
    } else if (c < 0x800) {
        bytes[0] = 0xC0 | (c >> 6);
        bytes[1] = 0x80 | (c & 0x3F);
        count = 2;
    } else if (c < 0x10000) {
        bytes[0] = 0xE0 | (c >> 12);
        bytes[1] = 0x80 | ((c >> 6) & 0x3F);
        bytes[2] = 0x80 | (c & 0x3F);
        count = 3;
    } else {
        bytes[0] = 0xF0 | (c >> 18);
        bytes[1] = 0x80 | ((c >> 12) & 0x3F);
        bytes[2] = 0x80 | ((c >> 6) & 0x3F);
        bytes[3] = 0x80 | (c & 0x3F);
        count = 4;
    }
    out[0] = 0;
    for (int i = 0; i < count; i++)
        TextAppendFormat(out, capacity, i ? L" %02X" : L"%02X", bytes[i]);
}

} // namespace

long CodePointAtCursor(const wchar_t *line, const wchar_t *cursor)
{
    if (!line || !line[0])
        return -1;
    size_t length = TextLength(line);
    size_t i = (cursor && cursor > line) ? (size_t)(cursor - line) : 0;
    if (i >= length)
        i = length - 1;
    wchar_t unit = line[i];
    if (IsHighSurrogate(unit) && i + 1 < length && IsLowSurrogate(line[i + 1]))
        return (long)PairCodePoint(unit, line[i + 1]);
    if (IsLowSurrogate(unit) && i > 0 && IsHighSurrogate(line[i - 1]))
        return (long)PairCodePoint(line[i - 1], unit);
    return unit;
}

void DescribeCharacter(unsigned int c, const char *name, CharacterDescription *out)
{
    out->codePoint = c;
    out->high = out->low = 0;
    if (c >= 0x10000) {
        out->high = (wchar_t)(0xD800 + ((c - 0x10000) >> 10));
        out->low = (wchar_t)(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
    const size_t units = sizeof out->character / sizeof out->character[0];
    if (c < 32)
        TextFormat(out->character, units, L"^%c  (%s)", (wchar_t)(c + 64), LowControlNames[c]);
    else if (c == 127)
        TextCopy(out->character, units, L"DEL");
    else if (c >= 128 && c <= 159)
        TextCopy(out->character, units, HighControlNames[c - 128]);
    else if (c == 160)
        TextCopy(out->character, units, L"NBSP");
    else if (c == 173)
        TextCopy(out->character, units, L"SHY");
    else if (c == 0xFEFF)
        TextCopy(out->character, units, L"BOM");
    else if (c < 0x10000)
        TextFormat(out->character, units, L"%c", (wchar_t)c);
    else
        TextFormat(out->character, units, L"%c%c", out->high, out->low);
    FormatUtf8(c, out->utf8, sizeof out->utf8 / sizeof out->utf8[0]);
    size_t n = 0;
    if (name)
        for (; name[n] && n + 1 < sizeof out->name; n++)
            out->name[n] = name[n];
    out->name[n] = 0;
}

int FormatStatusLine(const CharacterDescription *d, wchar_t *out, size_t capacity)
{
    TextFormat(out, capacity,
               L"[\x200A%s\x200A] \x2001\x2001U+%04X   (%d decimal) \x2001\x2001UTF-8: %s",
               d->character, d->codePoint, (int)d->codePoint, d->utf8);
    if (d->codePoint >= 0x10000)
        TextAppendFormat(out, capacity, L" \x2001\x2001UTF-16: %04X %04X", d->high, d->low);
    if (d->name[0])
        TextAppendFormat(out, capacity, L" \x2001\x2001%S", d->name);
    return TextLength(out) + 1 < capacity ? (int)TextLength(out) : -1;
}

int FormatPopupText(const CharacterDescription *d, wchar_t *out, size_t capacity)
{
    TextFormat(out, capacity,
               L"Character: \t%s\n\nValue: \t\tU+%04X  (%d decimal)\nUTF-8: \t\t%s\n", d->character,
               d->codePoint, (int)d->codePoint, d->utf8);
    if (d->codePoint >= 0x10000)
        TextAppendFormat(out, capacity, L"UTF-16: \t%04X %04X\n", d->high, d->low);
    if (d->name[0])
        TextAppendFormat(out, capacity, L"\n%S\n", d->name);
    return TextLength(out) + 1 < capacity ? (int)TextLength(out) : -1;
}

int ShowCharacterInfo(KeyEvent *event)
{
    long c = CodePointAtCursor(event->line, event->cursor);
    if (c < 0) {
        PlayErrorSound();
        ConsumeKey(event);
        return 0;
    }
    char name[64] = {};
    if (Plugin.u_charName) {
        int error = 0;
        int length = Plugin.u_charName((int)c, 0, name, 64, &error);
        // A name that does not fit, or one without its terminator, is no name.
        if (error > 0 || length <= 0 || length >= 64)
            name[0] = 0;
    }
    CharacterDescription description;
    DescribeCharacter((unsigned int)c, name, &description);

    static wchar_t text[DescriptionCapacity];
    FormatStatusLine(&description, text, DescriptionCapacity);
    if (TakeCommandIPC(L"STATUSBAR", text) == 0) {
        if (Plugin.popup)
            DestroyWindow(Plugin.popup);
        ConsumeKey(event);
        return 0;
    }
    FormatPopupText(&description, text, DescriptionCapacity);
    if (ShowCharInfoPopup(text) != 0)
        MessageBoxW(GetConsoleWindow(), text, L"Character Info", MB_SETFOREGROUND);
    ConsumeKey(event);
    return 0;
}
