// The process's open handles, for tests that check an operation closes what it opens.
#pragma once
#include <stdint.h>

// Under Wine a new handle takes the lowest free slot, so the value of a fresh one tells how
// many are open (the lowest free slot, to be exact: compare before and after, never absolute).
uintptr_t HandleCount(void);
