// Help as the shell gives it: a topic goes to the plug-in's Help export first, as the shell
// asks each plug-in; a topic the plug-in does not know gets the stand-in shell's own text.
#pragma once
#include <stddef.h>

// Shows help on a topic (null or empty: the list of this shell's commands and keys). True
// when the plug-in took the topic (its viewer or its message box shows it; a viewer that no
// display can show gets a note), false when the shell's own text was written to standard
// output.
bool ShowHelp(const wchar_t *topic);
// Whether the console is shown in a window, where the viewer shows too (wineconsole); and
// the note for a console in a terminal, where Wine shows no window.
bool HelpViewerVisible(void);
void ShowViewerNote(void);
// The shell's own text alone, on standard output.
void ShowShellHelp(const wchar_t *topic);

// The topic F1 asks about: the word under the cursor, or the one just before it (words end
// at blanks). False, with an empty topic, when there is none or it does not fit capacity.
bool HelpTopicAt(const wchar_t *line, int cursor, wchar_t *topic, size_t capacity);
