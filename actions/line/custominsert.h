// "Custom Insert 1" to "Custom Insert 3": the text of the environment variable Insert-1 to
// Insert-3 (today's ISO date when it is unset or empty), with the shell's variables in it
// expanded, goes in at the cursor.
#pragma once
#include "keys/keyevent.h"

// Text and expansion buffer, the terminator included.
enum { CustomInsertCapacity = 8192 };

// The actions (ids 13, 14, 15).
int CustomInsert1(KeyEvent *event);
int CustomInsert2(KeyEvent *event);
int CustomInsert3(KeyEvent *event);
