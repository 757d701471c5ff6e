// The shell's variables and options: the process environment, the internal variables
// (_4ver, _isodate, _cmdspec ...) and the options that @option reads, with the overrides set
// through HostSetVariable and HostSetOption (control.h).
#pragma once
#include <stddef.h>

// Value of a variable, names compared ignoring case. An override set by HostSetVariable wins,
// then the environment, then the built-in internal variable. Result: 0 when the variable
// exists, 1 when it does not (out empty), 2 when its value does not fit (out empty).
int LookupVariable(const wchar_t *name, wchar_t *out, size_t capacity);

// Value of an option (EscapeChar "^", UnixPaths "No", CommandSep "&", ...). Result: 0 when
// known, 1 when not (out empty), 2 when the value does not fit.
int LookupOption(const wchar_t *name, wchar_t *out, size_t capacity);

// The first character of the EscapeChar and CommandSep options.
wchar_t EscapeChar(void);
wchar_t CommandSeparator(void);
