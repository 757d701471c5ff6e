// Scans of UTF-16 text sixteen units at a time (SSE2 where the build has it, unit by unit
// otherwise), for the passes over a whole 65,535-unit line that a keystroke may make. Blanks
// are IsBlank's; units from 0x80 on are asked of the runtime one by one, as IsBlank does.
// Reads stay within the range given, except TextLengthWithin's, which reads whole aligned
// 16-byte blocks: such a block never crosses a page, so no read can fault that the text's own
// units would not.
#pragma once
#include <stddef.h>

// Length of text up to its terminator, at most max units (as wcsnlen). 0 for a null text.
size_t TextLengthWithin(const wchar_t *text, size_t max);

// A set of units to look for: up to eight given units, the blanks, the blanks from 0x80 on
// only, every unit from 0x80 on.
struct UnitSet {
    wchar_t units[8];
    int count;
    bool blanks;
    bool blanksBeyondAscii;
    bool beyondAscii;
};

// Index of the first unit of text[from, to) in the set, or to.
size_t FindFirstInSet(const wchar_t *text, size_t from, size_t to, const UnitSet &set);

// Index of the first unit of text[from, to) that is in the set or is the terminator, or to,
// for a text whose length is not known: reads whole aligned 32-byte blocks (a block never
// crosses a page), none beyond the block of the last unit it looks at.
size_t FindInText(const wchar_t *text, size_t from, size_t to, const UnitSet &set);

// Index of the last unit of text[from, to) that is not a blank, or from - 1 (as size_t) when
// there is none.
size_t FindLastNonBlank(const wchar_t *text, size_t from, size_t to);

// Index of the last blank of text[from, to), or from - 1 (as size_t) when there is none.
size_t FindLastBlank(const wchar_t *text, size_t from, size_t to);

// Blanks outside double quotes: the quote state flips at every '"', starting unquoted at
// text[0]. The index of the last such blank in text[0, count), or -1; the walk ends early at
// a terminator, whose index *end receives (count when there is none); *quoted receives the
// state where the walk ended. Either out argument may be null.
long long LastBlankOutsideQuotes(const wchar_t *text, size_t count, bool *quoted, size_t *end);

// The first blank outside double quotes or terminator in text[from, to), given the quote
// state at from; or to. For a text whose length is not known: reads as FindInText does.
size_t FirstBlankOutsideQuotes(const wchar_t *text, size_t from, size_t to, bool quoted);

// The shell's quoting as a scan of arguments reads it: '"' flips the in-quotes state unless
// protected; the escape unit protects the unit after it unless itself protected (two in a
// row cancel), and so does the '=' of "%=" after an unprotected '%'.
struct QuoteState {
    bool quoted;        // inside double quotes after the units walked
    bool protectedNext; // the next unit is protected
    bool slashField;    // separator '/': the open field began with '/'
};

// The last field starts and ends a walk met, last first; the counts stop at 3.
struct FieldMarks {
    size_t starts[3], ends[3];
    int startCount, endCount;
};

// Walks text[from, to) as fields split, outside quotes and where not protected, by blanks
// (separator 0) or by the separator unit, until the first unit that is the terminator, lies
// from 0x80 on, is one of stops' units, or is a '%' that is the walk's last unit or not
// followed by '='. With blanks a field starts at a unit that is no blank where none is open
// and ends at the first splitting blank; a separator unit ends the open field and opens the
// next one at the unit after it. Separator '/' splits at blanks, and fields that begin with
// '/' also at each '/' (which begins the next such field); there a '/' that is the walk's
// last unit or followed by '/' stops the walk. The index of that unit, or to; *state and *fieldOpen
// become what they are there, and marks gets the field starts and ends met. The escape
// unit lies below 0x80 and is no blank, '"', '%', '=' nor the separator; where no field is
// open, nothing is quoted or protected. For a text whose length is not known: reads as
// FindInText does, and the unit after a '%' it walks.
size_t WalkFields(const wchar_t *text, size_t from, size_t to, wchar_t escape, wchar_t separator,
                  const UnitSet &stops, QuoteState *state, bool *fieldOpen, FieldMarks *marks);

// How many units of text[0, count) equal unit.
size_t CountUnit(const wchar_t *text, size_t count, wchar_t unit);

// Copies the ASCII units at the start of text[0, count) to out as bytes (their UTF-8 form):
// how many, up to the first unit from 0x80 on.
size_t NarrowAscii(const wchar_t *text, size_t count, char *out);

// Whether text[0, count) holds ASCII upper-case letters, ASCII lower-case letters, units from
// 0x80 on: a combination of these bits.
enum { HasAsciiUpper = 1, HasAsciiLower = 2, HasBeyondAscii = 4 };
unsigned AsciiCaseKinds(const wchar_t *text, size_t count);

// Maps the ASCII letters of text[0, count) to upper / lower case in place; nothing else
// changes.
void AsciiToUpper(wchar_t *text, size_t count);
void AsciiToLower(wchar_t *text, size_t count);
