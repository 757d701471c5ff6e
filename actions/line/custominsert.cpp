#include "actions/line/custominsert.h"

#include "frame/host.h"
#include "frame/messages.h"
#include "frame/text.h"
#include "frame/textscan.h"
#include "keys/editline.h"

#include <wchar.h>
#include <windows.h>

namespace
{

enum { NameCapacity = 1024 };

// Static: the shell's stack is not ours to fill with 16 KB.
wchar_t Text[CustomInsertCapacity];

int Fail(KeyEvent *event)
{
    ConsumeKey(event);
    PlayErrorSound();
    return 0;
}

// index 0, 1 or 2 for Insert-1 to Insert-3. 0; -1 for any other index (nothing done).
int InsertCustomText(int index, KeyEvent *event)
{
    if (index < 0 || index > 2)
        return -1;
    if (!event)
        return 0;
    wchar_t name[NameCapacity];
    TextFormat(name, NameCapacity, L"Insert-%u", (unsigned)(index + 1));
    DWORD length = GetEnvironmentVariableW(name, Text, CustomInsertCapacity);
    // A value that does not fit is refused rather than inserted cut or replaced by the date.
    if (length >= CustomInsertCapacity)
        return Fail(event);
    if (length == 0)
        TextCopy(Text, CustomInsertCapacity, L"%_isodate");
    if (wcschr(Text, L'%')) {
        if (ExpandQuietly(Text) != 0)
            return Fail(event);
        Text[CustomInsertCapacity - 1] = 0;
    }
    if (!Text[0] || !event->line)
        return Fail(event);

    wchar_t *line = event->line;
    size_t lineLength = TextLengthWithin(line, EditLineCapacity);
    size_t at = lineLength;
    if (event->cursor >= line && event->cursor < line + lineLength)
        at = (size_t)(event->cursor - line);
    // InsertText refuses a result longer than the line holds and then leaves it as it was.
    if (lineLength >= EditLineCapacity || InsertText((int)at, event, Text) != 0)
        return Fail(event);
    ConsumeKey(event);
    return 0;
}

} // namespace

int CustomInsert1(KeyEvent *event)
{
    return InsertCustomText(0, event);
}
int CustomInsert2(KeyEvent *event)
{
    return InsertCustomText(1, event);
}
int CustomInsert3(KeyEvent *event)
{
    return InsertCustomText(2, event);
}
