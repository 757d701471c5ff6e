// Benchmark rows of the line actions on the shapes of line that take their scans down other
// paths, into the table (bench/table.h): Swap Arguments on 65,531-unit lines of one-letter
// arguments, words, quoted arguments with blanks, escaped blanks, "%=", switches split at '/'
// and the five inner-list kinds nested deep, and Expand Expression with the construct at the
// far end of a 65,535-unit line, each with the cursor at the far end, against one line copy.
#pragma once

void BenchLineShapes(void);
