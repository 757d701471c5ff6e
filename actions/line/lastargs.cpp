#include "actions/line/lastargs.h"

#include "frame/host.h"
#include "frame/messages.h"
#include "frame/text.h"
#include "frame/textscan.h"
#include "keys/editline.h"
#include "settings/settings.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace
{

// The arguments of the last line run with Enter; never an empty string. Their length is kept
// with them.
wchar_t *lastArgs;
size_t lastArgsLength;

} // namespace

const wchar_t *FindArgsStart(const wchar_t *text)
{
    if (!text || !text[0])
        return nullptr;
    const wchar_t *p = text;
    while (*p && IsBlank(*p))
        p++;
    bool slashBreaks = (Settings.LastArgsFlags & LastArgsBreakAtSlash) && *p != L'/';

    bool quoted = false;
    for (; *p; p++) {
        if (*p == L'"')
            quoted = !quoted;
        if (quoted)
            continue;
        if (IsBlank(*p) || (slashBreaks && *p == L'/'))
            break;
    }
    while (*p && IsBlank(*p))
        p++;
    return *p ? p : nullptr;
}

int CaptureLastArgs(KeyEvent *event)
{
    if (!event || !event->line)
        return 0;
    const wchar_t *args = FindArgsStart(event->line);
    if (!args) {
        if (!(Settings.LastArgsFlags & LastArgsKeepOld))
            FreeLastArgs();
        return 0;
    }
    FreeLastArgs();
    size_t length = TextLengthWithin(args, EditLineCapacity - 1);
    lastArgs = (wchar_t *)malloc((length + 1) * sizeof(wchar_t));
    if (!lastArgs) {
        PlayErrorSound();
        return 0;
    }
    memcpy(lastArgs, args, length * sizeof(wchar_t));
    lastArgs[length] = 0;
    lastArgsLength = length;
    return 0;
}

// When the line with the arguments would pass the line's 65,535 characters, the action plays
// the error sound and leaves the line as it was: a cut-off argument list is worse than none.
int InsertLastArgs(KeyEvent *event)
{
    if (!event)
        return 0;
    ConsumeKey(event);
    wchar_t *line = event->line;
    if (!lastArgs || !line) {
        PlayErrorSound();
        return 0;
    }
    size_t length = TextLengthWithin(line, EditLineCapacity - 1);
    size_t c = length;
    if (event->cursor && event->cursor >= line && event->cursor <= line + length)
        c = (size_t)(event->cursor - line);
    unsigned int flags = Settings.LastArgsFlags;
    bool spaceAround = (flags & LastArgsSpaceAround) != 0;
    bool overwrite = (flags & LastArgsOverwrite) != 0;
    size_t argsLength = lastArgsLength;

    // The pieces of the new line, measured once: the line up to the cursor, a blank, the
    // arguments, a blank and the rest of the line.
    bool blankBefore = c >= 1 && spaceAround && !IsBlank(line[c - 1]);
    bool keepRest = !overwrite && line[c];
    bool blankAfter =
        keepRest && spaceAround && !IsBlank(lastArgs[argsLength - 1]) && !IsBlank(line[c]);
    size_t restLength = keepRest ? length - c : 0;
    size_t newLength = c + blankBefore + argsLength + blankAfter + restLength;
    if (newLength > EditLineCapacity - 1) {
        PlayErrorSound();
        return 0;
    }

    // The length is checked, so the line is rebuilt in place: the rest moves once, then the
    // arguments and blanks go in before it. The shell clears the screen first.
    ClearEditLine(line + c);
    wchar_t *out = line + c;
    size_t added = (size_t)blankBefore + argsLength + (size_t)blankAfter;
    memmove(out + added, line + c, restLength * sizeof(wchar_t));
    line[newLength] = 0;
    if (blankBefore)
        *out++ = L' ';
    memcpy(out, lastArgs, argsLength * sizeof(wchar_t));
    out += argsLength;
    if (blankAfter)
        *out = L' ';
    event->cursor = overwrite ? line + newLength : line + c + added;
    event->redraw = 1;
    return 0;
}

const wchar_t *LastArgs(void)
{
    return lastArgs;
}

void FreeLastArgs(void)
{
    free(lastArgs);
    lastArgs = nullptr;
    lastArgsLength = 0;
}
