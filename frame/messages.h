// Error messages and feedback sounds.
#pragma once

enum { ErrorTextCapacity = 1024 };

// Writes "Linewise plugin: " (and, inside a batch file, its name and line) to standard error.
int ReportErrorPrefix(void);

// True when failure messages and the start-up line may be written: the shell is neither
// transient nor a pipe.
bool MessagesAllowed(void);

// The text of a Windows error code in out (1024 units). 0, or -1 for a null out.
int WindowsErrorText(wchar_t *out, int code);

// Play the configured sound asynchronously; never fail visibly.
int PlayErrorSound(void);
int PlayCopyChime(void);

// Stops a sound the plug-in started, waiting until the player no longer reads this module's
// memory; for shut-down, before the shell may unload the library. 0.
int StopSounds(void);

// What a sound value plays: 0 nothing, 1 the honk (error) or the chime (copy), 2..6 the
// system alias. Values above 6, compared unsigned, play what 1 plays.
enum SoundKind { SoundNone, SoundHonk, SoundChime, SoundAlias };
SoundKind SoundFor(unsigned int value, bool copyChime, unsigned int *alias);
