// Search Path and Expand over a Path of 100 directories holding 10,000 files: the time per
// search and the file-system calls it made, into the table (bench/table.h).
#pragma once

void BenchSearchPath(void);
