// The plug-in loaded and started once per program for black-box tests of its actions: default
// settings and hotkeys, the honk as error sound (counted by the stand-in), no last-arguments
// flags, the shell's output captured, the modifier keys released.
#pragma once
#include "tests/support/plugindll.h"

PluginDll &StartedPlugin(void);

// Runs the command with the started plug-in and drops what it printed. Its result.
int RunLinewise(const wchar_t *arguments);
