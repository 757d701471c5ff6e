// Search Path and Expand over a Path of 100 directories holding 10,000 files: the time per
// search and the file-system calls it made. Prints to standard output and, when given, to copy.
#pragma once
#include <stdio.h>

void BenchSearchPath(FILE *copy);
