// Console, colours and the edit line of the stand-in shell (declared in frame/host.h and
// control.h): honk, ClearEditLine, GetAttribute, ParseColors, SetColors,
// GetAbsCursorPosition, and the counters and edit-line registration the tests read and set.
// The console is reached through CONOUT$, so redirected standard handles do not matter, except
// for SetColors, which sets the attribute of standard output as the shell does.
//
// ClearEditLine blanks the cells that show the registered edit line from the given character
// to the line's current end, counting from the line's first cell and wrapping at the buffer
// width; a pointer outside the line, or no line registered, is only counted. GetAttribute
// gives the current attribute in both values. honk beeps and counts.
//
// Colour descriptions: [bright] [blink] colour [on [bright] [blink] colour], or "on" and a
// background alone. Colours are black, blue, green, cyan, red, magenta, yellow, white (any
// prefix of three letters or more, "grey"/"gray" for bright black) or numbers 0-15; words are
// matched ignoring case. "bright" adds 8 to the colour that follows; "blink" adds 8 to the
// background. ParseColors gives -1 for a part not given and returns the text after the
// description (blanks skipped), or null, with both parts -1, when there is no description or
// "on" is not followed by a colour.
#pragma once

// The parser behind ParseColors; returns the index after the description, or -1.
int ParseColorText(const wchar_t *text, int *foreground, int *background);
