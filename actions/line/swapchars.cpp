#include "actions/line/swapchars.h"

#include "frame/host.h"
#include "frame/messages.h"
#include "frame/text.h"
#include "frame/textscan.h"
#include "keys/editline.h"

#include <wchar.h>

namespace
{

// Units of the character starting at text: 2 for a complete surrogate pair, else 1.
size_t CharUnits(const wchar_t *text)
{
    return (IsHighSurrogate(text[0]) && IsLowSurrogate(text[1])) ? 2 : 1;
}

// Rewrites the two adjacent characters at first (firstUnits long) in swapped order.
void SwapAdjacent(wchar_t *first, size_t firstUnits, size_t secondUnits)
{
    wchar_t saved[4];
    for (size_t i = 0; i < firstUnits + secondUnits; i++)
        saved[i] = first[i];
    for (size_t i = 0; i < secondUnits; i++)
        first[i] = saved[firstUnits + i];
    for (size_t i = 0; i < firstUnits; i++)
        first[secondUnits + i] = saved[i];
}

// Letters are classified and mapped by the system; ASCII, the bulk of any command line, is
// answered inline with the system's own results so that a word of 65,535 units costs no call
// per unit.
enum LetterKind { NotALetter = 0, CaselessLetter = 1, UpperLetter = 2, LowerLetter = 4 };

// A letter may be upper and lower case at once (the titlecase letters such as U+01C5).
int LetterKinds(wchar_t ch)
{
    if (ch < 0x80) {
        if (ch >= L'A' && ch <= L'Z')
            return UpperLetter;
        if (ch >= L'a' && ch <= L'z')
            return LowerLetter;
        return NotALetter;
    }
    if (!IsCharAlphaW(ch))
        return NotALetter;
    int kinds = CaselessLetter;
    if (IsCharUpperW(ch))
        kinds |= UpperLetter;
    if (IsCharLowerW(ch))
        kinds |= LowerLetter;
    return kinds;
}

bool IsLetter(wchar_t ch)
{
    return LetterKinds(ch) != NotALetter;
}

wchar_t ToUpper(wchar_t ch)
{
    if (ch < 0x80)
        return (ch >= L'a' && ch <= L'z') ? (wchar_t)(ch - 0x20) : ch;
    return (wchar_t)(ULONG_PTR)CharUpperW((LPWSTR)(ULONG_PTR)ch);
}
wchar_t ToLower(wchar_t ch)
{
    if (ch < 0x80)
        return (ch >= L'A' && ch <= L'Z') ? (wchar_t)(ch + 0x20) : ch;
    return (wchar_t)(ULONG_PTR)CharLowerW((LPWSTR)(ULONG_PTR)ch);
}

} // namespace

namespace
{

// CycleCase's capitalising step on a word of ASCII units holding no upper-case letter: the
// first letter of each part goes to upper case; the others are lower case already.
void CapitaliseAsciiParts(wchar_t *word, size_t length)
{
    UnitSet separators = {{L'-'}, 1, true, false, false};
    size_t i = 0;
    while (i < length) {
        wchar_t ch = word[i];
        if (ch == L'-' || IsBlank(ch)) {
            i++;
        } else if ((ch >= L'a' && ch <= L'z')) {
            word[i] = ToUpper(ch);
            // No letter changes before the next separator.
            i = FindFirstInSet(word, i + 1, length, separators);
        } else {
            i++;
        }
    }
}

} // namespace

bool CycleCase(wchar_t *word, size_t length)
{
    // Words of ASCII units only, the bulk of any command line, go sixteen units at a time.
    unsigned ascii = AsciiCaseKinds(word, length);
    if (!(ascii & HasBeyondAscii)) {
        if (ascii == (HasAsciiUpper | HasAsciiLower))
            AsciiToUpper(word, length);
        else if (ascii == HasAsciiUpper)
            AsciiToLower(word, length);
        else if (ascii == HasAsciiLower)
            CapitaliseAsciiParts(word, length);
        else
            return false;
        return true;
    }

    // Upper- and lower-case letters are counted each on their own, so a titlecase letter
    // counts as both.
    int kinds = NotALetter;
    for (size_t i = 0; i < length; i++)
        kinds |= LetterKinds(word[i]);
    if (kinds == NotALetter)
        return false;

    bool anyUpper = (kinds & UpperLetter) != 0, anyLower = (kinds & LowerLetter) != 0;
    if (anyUpper && anyLower) {
        for (size_t i = 0; i < length; i++)
            word[i] = ToUpper(word[i]);
    } else if (anyUpper) {
        for (size_t i = 0; i < length; i++)
            word[i] = ToLower(word[i]);
    } else if (anyLower) {
        bool startOfPart = true;
        for (size_t i = 0; i < length; i++) {
            wchar_t ch = word[i];
            if (IsBlank(ch) || ch == L'-') {
                startOfPart = true;
            } else if (IsLetter(ch)) {
                word[i] = startOfPart ? ToUpper(ch) : ToLower(ch);
                startOfPart = false;
            }
        }
    }
    return true;
}

int SwapCharacters(KeyEvent *event)
{
    if (!event)
        return 0;
    wchar_t *line = event->line;
    size_t length = TextLengthWithin(line, EditLineCapacity - 1);
    if (length < 2 || !event->cursor || event->cursor < line || event->cursor > line + length) {
        PlayErrorSound();
        event->code = 0;
        return 0;
    }

    if (IsHighSurrogate(event->cursor[0]) && IsLowSurrogate(event->cursor[1]))
        event->cursor++;
    size_t limit = (size_t)(event->cursor - line);

    // Starting a few units back is enough to see the character before the cursor, even when
    // both are surrogate pairs; a pair cut by the start only skews characters further back.
    size_t i = limit >= 6 ? limit - 6 : 0;
    bool havePrevious = false;
    size_t previous = 0, previousUnits = 0;
    while (i < length) {
        size_t units = CharUnits(line + i);
        bool atLimit = i + units - 1 >= limit;
        bool lastOfLine = i + units >= length;
        if (havePrevious && (atLimit || lastOfLine)) {
            SwapAdjacent(line + previous, previousUnits, units);
            ClearEditLine(line + previous);
            event->redraw = 1;
            event->code = 0;
            return 0;
        }
        havePrevious = true;
        previous = i;
        previousUnits = units;
        i += units;
    }

    PlayErrorSound();
    event->code = 0;
    return 0;
}

int ChangeWordCase(KeyEvent *event)
{
    if (!event)
        return 0;
    int start = 0, length = 0;
    if (!FindWordAtCursor(event, &start, &length, nullptr, 0) || length <= 0 ||
        !CycleCase(event->line + start, (size_t)length)) {
        PlayErrorSound();
        ConsumeKey(event);
        return 0;
    }
    ClearEditLine(event->line + start);
    event->cursor = event->line + start + length;
    event->redraw = 1;
    ConsumeKey(event);
    return 0;
}
