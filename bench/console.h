// Benchmark rows of the console actions, into the table (bench/table.h): Print History's own
// work on the history against one WriteFile of the same bytes, and Clear Screen and
// Character Info next to one console buffer query.
#pragma once

void BenchConsoleActions(void);
