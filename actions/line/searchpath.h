// "Search Path and Expand": the word at the cursor is the start of a program's name; it is
// replaced by the full path of the first executable file whose name begins with it, found in
// the current directory, the registry's App Paths lists and the directories of Path.
#pragma once
#include "keys/keyevent.h"

#include <windows.h>

// PathExpandFlags, read from the environment at every use; 6 when missing or unreadable.
enum : unsigned int {
    PathExpandDefault = 6,
    PathExpandCurrentDirectory = 1,   // search the current directory first
    PathExpandAppPaths = 2,           // search App Paths (current user, then local machine)
    PathExpandVariableExtensions = 4, // an extension naming a defined variable is executable
    PathExpandFileNameOnly = 0x40,    // insert the file name alone
    PathExpandExpandAppPaths = 0x80,  // expand REG_EXPAND_SZ App Paths values
};

// The action. Always consumes the key; a failure plays the error sound and leaves the line.
int SearchPathAndExpand(KeyEvent *event);

// Looks for pattern (the shell's wildcards) as the flags say; result holds 32,768 units.
// 1 found (full path in result), 0 not found, -1 for a missing argument. No directory is
// listed twice in one search.
int SearchForProgram(wchar_t *result, const wchar_t *pattern, unsigned int flags);

// The first file of directory matching pattern that is executable, or that matches a pattern
// with its own extension. 1 found (directory and name joined in result), 0 not, -1 missing
// argument.
int SearchDirectory(const wchar_t *directory, const wchar_t *pattern, unsigned int flags,
                    wchar_t *result);

// The first App Paths subkey under root matching pattern whose default value names an
// existing .exe file (or still holds a "%"). 1 found (the value in result), 0 not, -1 missing
// argument. expand: expand REG_EXPAND_SZ values holding "%".
int SearchAppPaths(HKEY root, const wchar_t *pattern, wchar_t *result, bool expand);

// True when the name's extension is .exe .com .pif .bat .cmd or .btm (any case), or, with
// PathExpandVariableExtensions, names an environment variable that is set and not empty.
bool IsExecutableName(const wchar_t *name, unsigned int flags);

// The part of path after its last "\" or "/", or after a ":" before any slash; also copied
// into out (32,768 units) when out is given. Null for a null path.
const wchar_t *FileNamePart(const wchar_t *path, wchar_t *out);

// File-system and registry calls made by searches since the last reset, for the benchmark.
struct SearchCallCounts {
    long directoryTests; // QueryIsDirectory on a Path entry
    long listings;       // FindFirstFileW
    long entriesRead;    // FindNextFileW
    long fileTests;      // IsPlainFile on an App Paths value
    long registryCalls;  // opens, enumerations and value reads
};
extern SearchCallCounts SearchCalls;
