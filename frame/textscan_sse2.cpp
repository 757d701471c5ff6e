// The scans' SSE2 forms, named Sse2..., for the 32-bit build: its baseline processor has no
// SSE2, so this copy alone is compiled with it, and textscan.cpp hands over to it when the
// processor has SSE2. Built for any other processor the copy is unused and dropped.
#define LW_TEXTSCAN_SSE2_FORMS 1
#include "frame/textscan.cpp"
