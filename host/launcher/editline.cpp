#include "host/launcher/editline.h"

#include "frame/text.h"

#include <string.h>
#include <wchar.h>

void EditClear(EditLine *line)
{
    line->text[0] = 0;
    line->cursor = 0;
}

int EditLength(const EditLine *line)
{
    return (int)wcsnlen(line->text, EditLineCapacity - 1);
}

void EditSetText(EditLine *line, const wchar_t *text)
{
    TextCopy(line->text, EditLineCapacity, text);
    line->cursor = EditLength(line);
}

int EditType(EditLine *line, wchar_t ch)
{
    int length = EditLength(line);
    if (!line->insert && line->cursor < length) {
        line->text[line->cursor++] = ch;
        return 0;
    }
    wchar_t one[2] = {ch, 0};
    return EditInsert(line, one);
}

int EditInsert(EditLine *line, const wchar_t *text)
{
    int length = EditLength(line);
    int count = (int)TextLength(text);
    if (count == 0)
        return 0;
    if (length + count > EditLineCapacity - 1)
        return -1;
    wchar_t *at = line->text + line->cursor;
    memmove(at + count, at, (size_t)(length - line->cursor + 1) * sizeof(wchar_t));
    memcpy(at, text, (size_t)count * sizeof(wchar_t));
    line->cursor += count;
    return 0;
}

void EditDelete(EditLine *line, int position, int count)
{
    int length = EditLength(line);
    if (position < 0 || position >= length || count <= 0)
        return;
    if (count > length - position)
        count = length - position;
    wchar_t *at = line->text + position;
    memmove(at, at + count, (size_t)(length - position - count + 1) * sizeof(wchar_t));
    if (line->cursor >= position + count)
        line->cursor -= count;
    else if (line->cursor > position)
        line->cursor = position;
}

bool EditBackspace(EditLine *line)
{
    if (line->cursor == 0)
        return false;
    EditDelete(line, line->cursor - 1, 1);
    return true;
}

void EditMoveTo(EditLine *line, int position)
{
    int length = EditLength(line);
    line->cursor = position < 0 ? 0 : position > length ? length : position;
}

int EditWordLeft(const EditLine *line)
{
    int i = line->cursor;
    while (i > 0 && IsBlank(line->text[i - 1]))
        i--;
    while (i > 0 && !IsBlank(line->text[i - 1]))
        i--;
    return i;
}

int EditWordRight(const EditLine *line)
{
    int length = EditLength(line);
    int i = line->cursor;
    while (i < length && !IsBlank(line->text[i]))
        i++;
    while (i < length && IsBlank(line->text[i]))
        i++;
    return i;
}

void EditAdopt(EditLine *line, int cursor)
{
    // A plug-in may leave the buffer unterminated only by a fault; the last unit is ours.
    line->text[EditLineCapacity - 1] = 0;
    EditMoveTo(line, cursor);
}
