// The process's open handles and committed memory, for tests that check an operation or a
// load of the plug-in gives back what it takes.
#pragma once
#include <stddef.h>
#include <stdint.h>

// Under Wine a new handle takes the lowest free slot, so the value of a fresh one tells how
// many are open (the lowest free slot, to be exact: compare before and after, never absolute).
uintptr_t HandleCount(void);

// Bytes of committed memory that belong to the process alone (heaps, stacks, mapped views),
// without the images of loaded modules: Wine leaves GetProcessMemoryInfo's PrivateUsage at 0,
// so the address space is walked.
size_t CommittedBytes(void);

// The lowest free thread-local storage slot: a library that takes one at every load and never
// gives it back ends the process after about 1,000 loads.
unsigned long FreeTlsSlot(void);
