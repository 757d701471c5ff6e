// The command history of the stand-in shell: HistoryStart and NextHistoryEntry (frame/host.h)
// walk it oldest first; HostClearHistory and HostAddHistory (control.h) fill it. The entries
// live in one buffer as null-terminated texts, one after the other; when it is full the oldest
// entries make room. Empty entries and entries longer than the whole buffer are not kept.
#pragma once
#include <stddef.h>

// As large as the shell's own largest history, so 10,000 commands fit.
const size_t HistoryUnits = 262144;
