#include "actions/line/unicodeentry.h"

#include "frame/globals.h"
#include "frame/messages.h"
#include "frame/text.h"
#include "frame/textscan.h"
#include "keys/editline.h"

#include <wchar.h>

namespace
{

// Where the marker was put; meaningful while Plugin.unicodeEntry is on.
size_t MarkerIndex;

unsigned int HexValue(wchar_t ch)
{
    if (ch <= L'9')
        return (unsigned int)(ch - L'0');
    if (ch <= L'F')
        return (unsigned int)(ch - L'A' + 10);
    return (unsigned int)(ch - L'a' + 10);
}

// The cursor's index, or -1 when it is not within the line.
long long CursorIndex(const KeyEvent *event, size_t length)
{
    if (!event->line || !event->cursor || event->cursor < event->line ||
        event->cursor > event->line + length)
        return -1;
    return event->cursor - event->line;
}

} // namespace

bool ReadUnicodeEntryNumber(const wchar_t *text, unsigned int *value, int *units)
{
    if (!text || !IsHexDigit(text[0]))
        return false;
    const wchar_t *p = text;
    if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X') && IsHexDigit(p[2]))
        p += 2;
    unsigned long long number = 0;
    for (; IsHexDigit(*p); p++) {
        number = number * 16 + HexValue(*p);
        if (number > 0xFFFFFFFFull)
            number = 0x100000000ull; // stays above 32 bits however many digits follow
    }
    if (value)
        *value = number > 0xFFFFFFFFull ? 0xFFFFFFFFu : (unsigned int)number;
    if (units)
        *units = (int)(p - text);
    return true;
}

int UnicodeEntryCharacter(unsigned int value, wchar_t out[3])
{
    out[0] = 0;
    if (value == 0 || value > 0x10FFFF)
        return 0;
    if (value < 0x10000) {
        out[0] = (wchar_t)value;
        out[1] = 0;
        return 1;
    }
    out[0] = (wchar_t)(((value - 0x10000) >> 10) | 0xD800);
    out[1] = (wchar_t)((value & 0x3FF) | 0xDC00);
    out[2] = 0;
    return 2;
}

int StartUnicodeEntry(KeyEvent *event)
{
    if (!event)
        return 0;
    if (Plugin.unicodeEntry)
        FinishUnicodeEntry(event, false);
    size_t length = event->line ? TextLengthWithin(event->line, EditLineCapacity - 1) : 0;
    long long k = CursorIndex(event, length);
    const wchar_t marker[2] = {UnicodeEntryMarker, 0};
    if (k < 0 || InsertText((int)k, event, marker) != 0) {
        PlayErrorSound(); // no line, a cursor outside it, or a full line
        ConsumeKey(event);
        return 0;
    }
    MarkerIndex = (size_t)k;
    Plugin.unicodeEntry = true;
    ConsumeKey(event);
    return 0;
}

int FinishUnicodeEntry(KeyEvent *event, bool consume)
{
    if (!Plugin.unicodeEntry)
        return 0;
    Plugin.unicodeEntry = false;
    if (!event || !event->line)
        return 0;
    wchar_t *line = event->line;
    size_t length = TextLengthWithin(line, EditLineCapacity - 1);
    long long k = CursorIndex(event, length);
    if (k < 0 || MarkerIndex >= (size_t)k || line[MarkerIndex] != UnicodeEntryMarker) {
        PlayErrorSound();
        return 0;
    }
    if (consume)
        ConsumeKey(event);

    int at = (int)MarkerIndex;
    unsigned int value = 0;
    int digits = 0;
    if (!ReadUnicodeEntryNumber(line + at + 1, &value, &digits)) {
        DeleteText(at, event, 1);
        PlayErrorSound();
        return 0;
    }
    wchar_t character[3];
    bool valid = UnicodeEntryCharacter(value, character) > 0;
    if (!valid) {
        DeleteText(at, event, 1 + digits);
        PlayErrorSound();
        return 0;
    }
    // At least one digit goes, so the character always fits where it was.
    ReplaceLineText(at, event, 1 + digits, character);
    return 1;
}

bool UnicodeEntryKey(KeyEvent *event, int c)
{
    int own = event->code;
    if (Plugin.unicodeEntry && !(own & ExtendedKey) && IsPrintableChar((wchar_t)own) &&
        !IsHexDigit((wchar_t)own))
        FinishUnicodeEntry(event, false);
    if (Plugin.unicodeEntry && c == KeyEnter)
        FinishUnicodeEntry(event, false);
    if (Plugin.unicodeEntry && (c == KeyEsc || c == KeyEndExtended)) {
        FinishUnicodeEntry(event, true);
        return true;
    }
    return false;
}
