// The settings block, its defaults and the texts that describe it; the shared number readers.
#pragma once

struct SettingsBlock {
    unsigned int ErrorSound;     // 0..6
    unsigned int CopyChime;      // 0..6
    unsigned int LastArgsFlags;  // 1 overwrite, 2 break at slash, 4 keep old, 8 space around
    unsigned int AutoCloseFlags; // 1 [] 2 () 4 {} 8 "" 16 '' 32 ``
    unsigned int ScrollyFlags;   // 1 wrap around, 2 visible marks
};
extern SettingsBlock Settings;

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
