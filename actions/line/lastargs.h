// Remembering the arguments of each entered line, and "Insert Last Args".
#pragma once
#include "keys/keyevent.h"

// Where the arguments of a command line begin, or null when it has none.
const wchar_t *FindArgsStart(const wchar_t *text);

int CaptureLastArgs(KeyEvent *event); // on Enter; never changes the record
int InsertLastArgs(KeyEvent *event);  // the action

const wchar_t *LastArgs(void); // remembered arguments, or null
void FreeLastArgs(void);       // shut-down
