// The shell's edit line: up to 65,535 characters with a cursor, insert or overwrite mode,
// and the editing operations of the launcher's own keys. Pure: no console here.
#pragma once
#include <stddef.h>

enum { EditLineCapacity = 65536 };

struct EditLine {
    wchar_t text[EditLineCapacity]; // the buffer handed to the hook as `line`
    int cursor;                     // character index of the insertion point
    bool insert;                    // insert mode (true) or overwrite mode
};

void EditClear(EditLine *line);
int EditLength(const EditLine *line);
// Replaces the whole text (cut to the capacity) and puts the cursor at its end.
void EditSetText(EditLine *line, const wchar_t *text);

// Types one character at the cursor, in the current mode. 0, or -1 when the line is full.
int EditType(EditLine *line, wchar_t ch);
// Inserts text at the cursor (always inserting); -1 when it does not fit (nothing changes).
int EditInsert(EditLine *line, const wchar_t *text);
// Removes count characters from position on (clipped to the line).
void EditDelete(EditLine *line, int position, int count);
// Backspace: removes the character before the cursor. False when there is none.
bool EditBackspace(EditLine *line);

void EditMoveTo(EditLine *line, int position); // clipped to 0..length
// Start of the previous word / end of the next word, from the cursor.
int EditWordLeft(const EditLine *line);
int EditWordRight(const EditLine *line);

// After the hook changed the buffer: clip a cursor that points outside the text.
void EditAdopt(EditLine *line, int cursor);
