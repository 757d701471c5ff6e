// "Swap Characters" and "Change Word Case".
#pragma once
#include "keys/keyevent.h"

int SwapCharacters(KeyEvent *event);
int ChangeWordCase(KeyEvent *event);
