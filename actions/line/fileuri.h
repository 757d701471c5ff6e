// "File to URI": the word at the cursor turns from a file name into a file:// URI or back.
// On the command line the shell reads "%" as the start of a variable, so a URI's percent
// signs are written doubled there.
#pragma once
#include "keys/keyevent.h"

enum { UriCapacity = 8192 };

// The action. Always consumes the key; a failure plays the error sound and leaves the line.
int FileToUri(KeyEvent *event);

// Replaces text (UriCapacity units) by the URI of the shell's full name for it, percent
// signs doubled. 0, or -1 for a null or blank text or one that does not convert or fit.
int PathToUrl(wchar_t *text);

// Copies source into destination (UriCapacity units) writing every "%" twice; the copy stops
// growing at UriCapacity - 1 characters and never splits a pair. The number of "%" doubled.
int DoublePercents(const wchar_t *source, wchar_t *destination);

// Replaces every "%%" by "%" in place. The number of pairs.
int UndoublePercents(wchar_t *text);

// The number of characters that make a path need quotes on the command line: white space,
// control characters and % & , ; < > |.
int NeedsQuoting(const wchar_t *text);
