// Variable expansion, the shell's ExpandVariables (declared in frame/host.h):
//   %name and %name%   a variable; name characters are letters, digits, _ and $, the first a
//                      letter or _ (a digit after % is a batch parameter, and outside a batch
//                      it stays as written, so 10%3 keeps its percent sign)
//   %[name]            a variable whose name is itself expanded first
//   %@func[argument]   a variable function; the argument is expanded first
//   %((expression))    the value of an arithmetic expression, expanded first (as @eval)
//   %%  %=  %+         a percent sign, the escape character, the command separator
// The shell's other forms are not part of this stand-in: in %(...) and %{...} the percent sign
// stays as written and the rest is ordinary text, %name[...] is the variable followed by the
// text "[...]", and %[[name]] looks up a variable named "[name]".
// The escape character protects the character after it (both are kept for the parser).
// Unknown variables give an empty text. An unknown function, an unclosed bracket or "))", or a
// result longer than the 8192-unit buffer writes the shell's message to standard error and fails
// with the text unchanged. The flag is accepted for the shell's interface and has no effect here.
#pragma once
#include <stddef.h>

const size_t ExpansionUnits = 8192;
