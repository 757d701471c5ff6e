// Every action the hotkeys can run, by id. An action takes the keystroke record, does its work
// and consumes the key (apart from the cases its family names); its result is the hook's.
#pragma once
#include "keys/keyevent.h"

typedef int (*ActionFunction)(KeyEvent *event);

// The function bound to an action id, or null for id 0, an id out of range, or an action not
// part of this build (its key then stays with the shell like an unbound key).
ActionFunction FindAction(int id);
