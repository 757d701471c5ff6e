// The arithmetic evaluator behind Evaluate (frame/host.h) and @eval: integers and decimals,
// + - * / with \ for whole division, % or %% for the remainder, ** for powers, parentheses,
// unary signs and blanks. Whole-number arithmetic stays exact in 64 bits; anything else is
// done in double precision. The result is the shortest text: whole values without a decimal
// point, others with at most 15 significant digits and no trailing zeros.
#pragma once
#include <stddef.h>

// Evaluates expression into out. Result 0; on a syntax error, a division by zero, an empty
// expression or a result that does not fit, the shell's message goes to standard error, out
// is emptied and the result is non-zero.
int EvaluateText(const wchar_t *expression, wchar_t *out, size_t capacity);

// The same without any message; for the tests of the pure part.
int EvaluateSilently(const wchar_t *expression, wchar_t *out, size_t capacity);
