// The time a press spends inside the shell's library and the system: the benchmark's own
// import entries for the shell's functions and for the system calls the actions make for
// their work (clipboard, environment, standard handles, files, registry, URL conversion) are
// pointed at timed stand-ins, so that a press's own part can be told from theirs in the very
// same press. The C runtime's functions (copies, lengths, character classes) stay the
// press's own. 64-bit builds only.
#pragma once

// Points the import entries at the timed stand-ins. False when the clock is not available
// (a 32-bit build) or nothing could be redirected.
bool StartImportClock(void);

// Points them back at the functions themselves.
void StopImportClock(void);

// Seconds spent inside those functions since the start, the calls they make into each other
// counted once.
double ImportSeconds(void);
