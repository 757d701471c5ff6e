// The keystroke record the shell hands to the hook, and what an action does with it.
#pragma once

struct KeyEvent {
    int code;       // key code; set to 0 when the plug-in handled the key
    int homeRow;    // buffer row on which the edit line begins
    int homeColumn; // column at which the edit line begins
    int row;        // cursor row
    int column;     // cursor column
    wchar_t *line;  // the edit line, 65,536 units
    wchar_t *cursor;
    int redraw;       // 1 asks the shell to show the line again
    wchar_t *keyName; // newer hosts: the key's name, may be null
};

enum { ModifierCtrlShift = 0x20000, ModifierCtrlAlt = 0x40000, ModifierCtrlAltShift = 0x60000 };
enum { ExtendedKey = 0x10000, KeyEnter = 13, KeyEsc = 27, KeyEndExtended = 0x1004F };

// Marks the keystroke handled: code 0 and, on a newer host, an emptied key name.
void ConsumeKey(KeyEvent *event);

// The modifier bits to add for the given key states (true = held), as the hook adds them.
int ModifierBits(bool shift, bool ctrl, bool alt, bool newerHost);
