#include "actions/line/autoclose.h"

#include "frame/host.h"
#include "frame/text.h"
#include "frame/textscan.h"
#include "keys/editline.h"
#include "settings/settings.h"

#include <string.h>
#include <wchar.h>
#include <wctype.h>

namespace
{

enum { InsertModeCapacity = 1024, LongestLineForPair = 0xFFFD };

enum Condition { Anywhere, AfterOpening, AfterPunctuation };

struct PairRow {
    wchar_t opening;
    unsigned int bit;
    wchar_t closing;
    Condition condition;
};

const PairRow Pairs[] = {
    {L'[', 1, L']', Anywhere},
    {L'(', 2, L')', Anywhere},
    {L'{', 4, L'}', Anywhere},
    {L'"', 8, L'"', AfterOpening},
    {L'\'', 16, L'\'', AfterPunctuation},
    {L'`', 32, L'`', AfterOpening},
};

const PairRow *RowFor(int code)
{
    for (const PairRow &row : Pairs)
        if (code == row.opening)
            return &row;
    return nullptr;
}

// A quote opens (rather than closes, or sits inside a word) at the start of the line, after
// white space, and after the characters that begin a value.
bool Opens(Condition condition, wchar_t previous)
{
    if (condition == Anywhere || previous == 0 || IsBlank(previous))
        return true;
    if (condition == AfterOpening)
        return previous == L':' || previous == L'=' || previous == L'[';
    return iswpunct(previous) != 0;
}

// True only when the shell's "%_insert" expands to exactly "1".
bool IsInsertMode(void)
{
    wchar_t text[InsertModeCapacity] = L"%_insert";
    ExpandVariables(text, 1);
    text[InsertModeCapacity - 1] = 0;
    return text[0] == L'1' && text[1] == 0;
}

} // namespace

bool IsAutoCloseKey(int code)
{
    return RowFor(code) != nullptr;
}

wchar_t AutoCloseCharacter(int code, unsigned int flags, wchar_t previous)
{
    const PairRow *row = RowFor(code);
    if (!row || !(flags & row->bit) || !Opens(row->condition, previous))
        return 0;
    return row->closing;
}

int AutoClosePair(KeyEvent *event)
{
    if (!event || !event->line || !event->cursor || !IsInsertMode())
        return 0;
    wchar_t *line = event->line;
    size_t length = TextLengthWithin(line, EditLineCapacity - 1);
    if (event->cursor < line || event->cursor > line + length)
        return 0;
    size_t k = (size_t)(event->cursor - line);
    wchar_t closing = AutoCloseCharacter(event->code, Settings.AutoCloseFlags, k ? line[k - 1] : 0);
    if (!closing || length > LongestLineForPair)
        return 0;
    memmove(line + k + 1, line + k, (length - k) * sizeof(wchar_t));
    line[k] = closing;
    line[length + 1] = 0;
    return 0;
}
