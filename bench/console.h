// Print History against one WriteFile of the same bytes, and Clear Screen next to one console
// buffer query; printed to standard output.
#pragma once

void BenchConsoleActions(void);

// The benchmark's clock, in seconds (bench/bench.cpp).
double Seconds(void);
