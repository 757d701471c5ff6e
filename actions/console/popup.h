// The Character Info popup: a modeless, semi-transparent tool window from dialog 102 that
// sits next to the console window, follows it, never keeps the keyboard, and remembers its
// place per console (volatile) and, closed with Shift and Ctrl held, for all consoles.
// Plugin.popup holds it while open; DestroyWindow closes it (and saves its place).
#pragma once
#include <windows.h>

enum {
    CharInfoDialog = 102,
    FollowTimer = 5267, // every 300 ms: move with the owner
    CloseTimer = 5266,  // once, 100 ms after a click on the close button
};

// Creates the popup, or only replaces its text (when text is given) if it is open. 0, or -1
// when the window cannot be made.
int ShowCharInfoPopup(const wchar_t *text);
