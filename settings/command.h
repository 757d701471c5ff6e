// The linewise command.
#pragma once
#include "frame/plugin.h"

enum { MaxArguments = 1024, ArgumentBufferCapacity = 8192 };

LINEWISE_EXPORT int __stdcall linewise(const wchar_t *arguments);

// Splits the command's text into upper-cased arguments. The count, or -1 on overflow.
int SplitArguments(const wchar_t *text);
// The arguments of the last split.
int ArgumentCount(void);
const wchar_t *Argument(int index);

// The usage text; its first line is the one-line description.
extern const wchar_t UsageText[];
