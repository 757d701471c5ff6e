// Command marks in the console buffer and scrolling the window by commands.
#pragma once
#include "keys/keyevent.h"

#include <windows.h>

extern unsigned short CommandMarkBit;

// 0x0800 from Windows 10.0 build 19041 on, else 0x2000.
unsigned short ChooseCommandMarkBit(const OSVERSIONINFOEXW *version);

void MarkCommandLine(int row);

enum ScrollDirection { ScrollUp, ScrollDown };
int ScrollByCommands(ScrollDirection direction); // 0 moved, else error sound played

// The two actions: scroll, then consume the key.
int ScrollUpByCommands(KeyEvent *event);
int ScrollDownByCommands(KeyEvent *event);

// Number of marked rows recoloured, or -1.
int RepaintCommandMarks(void);

// The decisions behind the three operations above, free of console calls.

// Mark colours (low byte): white on blue, and yellow on red for cells whose background is
// already blue.
enum { MarkColours = 0x1F, MarkColoursOnBlue = 0x4E };

// The attribute a cell gets when its row is marked. Without visible marks, or on a cell that
// already carries a mark, only the mark bit is added.
unsigned short MarkedAttribute(unsigned short old, unsigned short markBit, bool visible);

// The attribute of a marked cell after "visible marks" changed: white on blue when on, else
// the colours of its right-hand neighbour. The high byte and the mark stay.
unsigned short RepaintedAttribute(unsigned short marked, unsigned short neighbour,
                                  unsigned short markBit, bool visible);

// Marked rows seen by a scan, relative to the window's top row T; each -1 until found.
struct CommandMarkRows {
    int first; // first marked row of the buffer
    int above; // last marked row before T
    int below; // first marked row after T
    int last;  // last marked row of the buffer
};
void ClearCommandMarkRows(CommandMarkRows *rows);
// Rows must be noted in ascending order.
void NoteCommandMark(CommandMarkRows *rows, int row, int top);

// Notes the marked rows of a block read from column 0: cells[i * stride] is the cell of row
// firstRow + i, for count rows.
void ScanCommandMarkBlock(const CHAR_INFO *cells, int stride, int count, int firstRow, int top,
                          unsigned short markBit, CommandMarkRows *rows);

// Recolours the marked rows of a block read from columns 0 and 1 (two cells per row, the
// second valid only when columns is 2). Result: the number of marked rows; *changed tells
// whether any cell was rewritten.
int RepaintCommandMarkBlock(CHAR_INFO *cells, int count, int columns, unsigned short markBit,
                            bool visible, bool *changed);

// Where the window goes: the marked row chosen and the window's new top row, both -1 when
// there is nowhere to go. The new top keeps the window inside a buffer of bufferHeight rows.
struct CommandScroll {
    int target;
    int top;
};
CommandScroll ChooseCommandScroll(const CommandMarkRows *rows, int top, int bufferHeight,
                                  int windowHeight, ScrollDirection direction, bool wrap);
