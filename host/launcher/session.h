// One interactive session of the shell: the prompt, the edit line, every keystroke offered
// to the plug-in's hook first, Enter running the line.
#pragma once
#include <windows.h>

struct SessionOptions {
    bool newerHost; // pass key names along with the codes, as hosts from version 24 on do
};

void SessionStart(const SessionOptions &options);
// One keystroke, from the keyboard or from a script. False once the session has ended.
bool SessionKey(const KEY_EVENT_RECORD &record);
// Reads the keyboard until the session ends. False when there is no console to read.
bool SessionReadKeyboard(void);
bool SessionEnded(void);
int SessionExitCode(void);
