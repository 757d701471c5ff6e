// Benchmark rows of the keys that act without a binding, into the table (bench/table.h): a
// whole Unicode entry (the action puts the marker, the hook turns marker and digits into the
// character) and an auto-closed pair, on a full edit line at their worst cursor position.
#pragma once

void BenchSmartKeys(void);
