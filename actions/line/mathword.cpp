#include "actions/line/mathword.h"

#include "frame/host.h"
#include "frame/messages.h"
#include "frame/text.h"
#include "frame/textscan.h"
#include "keys/editline.h"

#include <string.h>
#include <wchar.h>

namespace
{

// The word and then its value; the new line is built in the second buffer so that the shell's
// line is only written once the value is known.
wchar_t Expression[MathWordCapacity];
wchar_t NewLine[MathWordCapacity];

// Removes a pair of double quotes around the whole text (at least two characters) in place.
// 2 when it removed them, 0 when the text is unchanged.
int StripQuotesOfLength(wchar_t *text, size_t length)
{
    if (length < 2 || text[0] != L'"' || text[length - 1] != L'"')
        return 0;
    memmove(text, text + 1, (length - 2) * sizeof(wchar_t));
    text[length - 2] = 0;
    return 2;
}

} // namespace

int EvaluateWord(int *cursor, wchar_t *line)
{
    if (!cursor || !line)
        return -1;
    if (!line[0])
        return 0;
    KeyEvent probe = {};
    probe.line = line;
    probe.cursor = line + *cursor;
    int start = 0, length = 0;
    if (*cursor < 0 || !FindWordAtCursor(&probe, &start, &length, nullptr, 0))
        return 0;
    if (length + 8 > MathWordCapacity - 1)
        return -2;

    // The word lies within the line: no terminator inside it.
    memcpy(Expression, line + start, (size_t)length * sizeof(wchar_t));
    Expression[length] = 0;
    StripQuotesOfLength(Expression, (size_t)length);
    if (!Expression[0])
        return 0;
    if (EvaluateQuietly(Expression) != 0)
        return 0;
    // The shell's value is text of its own making: never trust it to be terminated.
    Expression[MathWordCapacity - 1] = 0;

    // Before the word, the value, and what follows the word, cut at the line's capacity.
    size_t lineLength = TextLengthWithin(line, EditLineCapacity - 1);
    size_t tail = (size_t)(start + length);
    size_t valueLength = TextLength(Expression);
    size_t room = MathWordCapacity - 1 - (size_t)start;
    if (valueLength > room)
        valueLength = room;
    size_t tailLength = lineLength - tail;
    if (tailLength > room - valueLength)
        tailLength = room - valueLength;
    memcpy(NewLine, line, (size_t)start * sizeof(wchar_t));
    memcpy(NewLine + start, Expression, valueLength * sizeof(wchar_t));
    memcpy(NewLine + start + valueLength, line + tail, tailLength * sizeof(wchar_t));
    size_t newLength = (size_t)start + valueLength + tailLength;
    NewLine[newLength] = 0;
    ClearEditLine(line);
    memcpy(line, NewLine, (newLength + 1) * sizeof(wchar_t));

    *cursor = (int)((size_t)start + valueLength);
    return 1;
}

int MathWord(KeyEvent *event)
{
    if (!event)
        return 0;
    int cursor = event->line && event->cursor ? (int)(event->cursor - event->line) : 0;
    if (EvaluateWord(&cursor, event->line) == 1) {
        event->cursor = event->line + cursor;
        event->redraw = 1;
    } else {
        PlayErrorSound();
    }
    ConsumeKey(event);
    return 0;
}
