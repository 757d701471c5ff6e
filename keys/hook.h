// The keystroke hook that the shell calls for every key typed on its command line.
#pragma once
#include "frame/plugin.h"
#include "keys/keyevent.h"

LINEWISE_EXPORT int __stdcall key(KeyEvent *event);
