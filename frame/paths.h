// Path helpers and the plug-in's scratch directory. Path buffers hold 32,768 units.
#pragma once

enum { PathCapacity = 32768 };

// Joins name to directory in place with at most one separator. 0, or -1 for null arguments.
int AppendPathComponent(wchar_t *directory, const wchar_t *name);

// The extension of a name (from its last "." outside directory parts), or null. With out,
// also copies it there and returns out.
const wchar_t *FindExtension(wchar_t *out, const wchar_t *name);

// 1 when path names something that exists and is neither a directory nor a device.
int IsPlainFile(const wchar_t *path);

// Makes the scratch directory in the temporary directory: 1 when one was made, else 0.
int MakeScratchDirectory(void);

// A new unique time-stamped path in the scratch directory: 0, or a Windows error code.
int NewScratchFileName(wchar_t *out, const wchar_t *extension);

// Removes a directory and all it holds: 1 removed, 0 not, -1 null or empty path.
int RemoveTree(const wchar_t *path);

// The recorded scratch directory, or null.
const wchar_t *ScratchDirectory(void);

// Removes the scratch directory with its files and forgets it (shut-down).
void ReleaseScratchDirectory(void);
