// File queries and names of the stand-in shell (declared in frame/host.h):
// QueryIsDirectory and QueryIsFileOrDirectory (by the file system's attributes: a trailing
// separator is accepted, a wildcard, an empty or a too-long name gives 0),
// QueryTrueName (the full, absolute name with the file system's own spelling where the path
// exists; double quotes are dropped, relative names, "." and ".." resolved against the current
// directory, UNC names kept, the spelling checked only for names under 1000 units; an empty
// result for an empty or too-long name; writes up to 32768 units),
// WildcardComparison (* ? and [set] with ranges and [!set], ignoring case; a pattern ending
// in ".*" also matches a name without extension) and AddQuotes (quotes a name holding white
// space or one of the shell's special characters, unless it already holds a quote; the buffer
// must have room for two more units, and a name too long for a path is left alone).
#pragma once
#include <stddef.h>

const size_t TrueNameUnits = 32768;

// The matcher behind WildcardComparison: true when name matches pattern.
bool WildcardMatch(const wchar_t *pattern, const wchar_t *name);
