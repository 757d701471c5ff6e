// Benchmark of the smart keys and the clipboard actions on a full edit line.
#pragma once

// Prints each action's cost on a 65,535-unit line, at its worst cursor position, as a ratio
// to copyLine, the time of one copy of such a line measured by the caller.
void BenchSmartKeys(double copyLine);
