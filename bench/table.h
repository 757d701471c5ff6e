// The benchmark's clock and its table: every row goes to standard output and, when a copy
// is open, as plain text to that file (under Wine's console in a terminal the standard
// output carries the console's cursor-control sequences).
#pragma once
#include <stdio.h>

// Seconds on the performance counter.
double Seconds(void);

// The plain-text copy of the table, or null.
void SetTableCopy(FILE *copy);

// One line of text as it is (a note, a header), on both outputs.
void TableLine(const char *format, ...);

// The column heads.
void TableHeader(void);

// A measured row: time against a floor measured in the same run, the goal as a ratio (0:
// no goal, the cost is only reported next to the floor). ours, when not negative, is the
// action's own time with what the shell or the system spent for it taken off; it meets the
// goal on its own when the whole does not. note names the floor (and what was taken off).
void TableRow(const char *name, double time, double floor, double goal, double ours,
              const char *note);

// A row that was not measured, with the reason.
void TableSkip(const char *name, const char *reason);
