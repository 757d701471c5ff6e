// Benchmark rows of the reload cycle, into the table (bench/table.h): what 1,000 cycles of
// load, start, an action with a sound, shut-down and unload of the built DLL leave in the
// process, as counts against their bound: handles, committed memory and thread-local storage
// slots.
#pragma once

void BenchReload(void);
