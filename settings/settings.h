// The settings block's defaults (the block itself is frame/globals.h) and the texts that
// describe it; the shared number readers.
#pragma once
#include "frame/globals.h"
#include "keys/hotkeys.h"

enum {
    LastArgsOverwrite = 1,
    LastArgsBreakAtSlash = 2,
    LastArgsKeepOld = 4,
    LastArgsSpaceAround = 8,
    ScrollyWrap = 1,
    ScrollyVisible = 2,
};

// Defaults of the settings block and the 21 default hotkeys. The environment is untouched.
int SetDefaultSettings(void);

// The default bindings in table order, each with its key's name on the older hosts' table.
struct DefaultHotkey {
    const wchar_t *keyName;
    int code;
    ActionId action;
};
enum { DefaultHotkeyCount = 21 };
extern const DefaultHotkey DefaultHotkeys[DefaultHotkeyCount];

// Names of the set bits of the current flag words ("none" when no named bit is set).
const wchar_t *DescribeLastArgsFlags(void);
const wchar_t *DescribeAutoCloseFlags(void);
const wchar_t *DescribeScrollyFlags(void);

// Sound names by value 0..6.
extern const wchar_t *const ErrorSoundNames[7];
extern const wchar_t *const CopyChimeNames[7];

// An unsigned 32-bit number typed by the user: decimal, or hexadecimal after "0x". Without
// end the whole text must be the number. 0 success, -1 failure (outputs untouched).
int ParseNumber(const wchar_t *text, const wchar_t **end, unsigned int *value);

// An environment variable read as a number, or fallback; 0xFFFFFFFF for a missing name.
unsigned int GetEnvNumber(const wchar_t *name, unsigned int fallback);

// ":" and "=" separate an option letter from its value.
bool IsValueSeparator(wchar_t ch);
