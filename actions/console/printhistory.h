// Print History: the most recent entries of the shell's command history go to a text file in
// the scratch directory, which the Windows shell then prints or opens.
#pragma once
#include "actions/console/textfilewriter.h"
#include "keys/keyevent.h"

enum {
    DefaultPrintHistoryLines = 100,
    PrintHistoryNumbered = 1,
    PrintHistoryUtf16 = 0x10,
    PrintHistoryOpen = 0x400,
};

// The action: consumes the key; the error sound on any failure up to the hand-over, whose own
// result is not reported. 0.
int PrintHistory(KeyEvent *event);

// The action's work before the hand-over to the Windows shell: the file of the last entries
// (PrintHistoryMaxLines, PrintHistoryFlags) made in the scratch directory; path holds
// PathCapacity units and *flags receives the flags read. 0 with the file's path in path;
// -1 for an empty history or no file name; else WriteHistoryFile's error.
int WriteHistoryToPrint(wchar_t *path, unsigned int *flags);

// Entries in the walk from the history's start.
unsigned int CountHistoryEntries(void);

// Writes the last maxLines entries (0: all) to a new file at path, with the byte-order mark,
// one "\n"-ended line each, numbered "%5u:  " by their place in the whole history when asked.
// 0; -1 for an empty history or a walk that ended while skipping; else the Windows error of
// the file (the writer is then closed once and the partly written file stays).
int WriteHistoryFile(const wchar_t *path, unsigned int maxLines, unsigned int flags);
