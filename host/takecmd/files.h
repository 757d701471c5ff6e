// File queries and names of the stand-in shell (declared in frame/host.h):
// QueryIsDirectory, QueryIsFileOrDirectory, QueryTrueName (32768-unit result),
// WildcardComparison (* ? and [set] with ranges and [!set], ignoring case; a pattern ending
// in ".*" also matches a name without extension) and AddQuotes (quotes a name holding white
// space or one of the shell's special characters, unless it already holds a quote; the buffer
// must have room for two more units, and a name too long for a path is left alone).
#pragma once
#include <stddef.h>

const size_t TrueNameUnits = 32768;

// The matcher behind WildcardComparison: true when name matches pattern.
bool WildcardMatch(const wchar_t *pattern, const wchar_t *name);
