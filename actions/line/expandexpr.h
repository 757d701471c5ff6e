// "Expand Expression": the innermost variable reference or variable function around the
// cursor replaced by the shell's expansion of it.
#pragma once
#include "keys/keyevent.h"

// Nesting deeper than this is refused rather than followed (the scan recurses once per level).
enum { MaxConstructDepth = 256 };

// The constructs that begin at an unescaped '%'.
enum ConstructKind {
    ConstructNone,
    ConstructVariable,      // %name: ends at its last name character
    ConstructFunction,      // %@name[ ... ]
    ConstructArray,         // %name[ ... ]
    ConstructDoubleParen,   // %(( ... )) : the second ')' of "))" at parenthesis level 0
    ConstructParen,         // %( ... )   : ')' at parenthesis level 0
    ConstructDoubleBracket, // %[[ ... ]]
    ConstructBracket,       // %[ ... ]
    ConstructBrace,         // %{ ... }
    ConstructEscape,        // %= : the character after it counts as escaped
    ConstructSeparator,     // %+
};

// The best construct so far: first and last index (inclusive) and depth, -1 while none.
struct Candidate {
    int start;
    int end;
    int depth;
};

// Walks the contents of one construct (its '%' at percent, contents from contents on) at the
// given depth, making it or a construct inside it the candidate when it holds the cursor and
// is deeper than the candidate so far. 1 when the construct was closed (*end is its last
// index), 0 when the line ended first, -1 when nesting went past MaxConstructDepth.
int ScanConstruct(const wchar_t *line, int percent, int contents, int cursor, int depth,
                  ConstructKind kind, wchar_t escape, int *end, Candidate *best);

// The innermost construct holding the cursor or ending just before it. 1 when found (first
// and last index in *start and *end), 0 when there is none, -1 when nesting is too deep.
int FindExpression(const wchar_t *line, int cursor, wchar_t escape, int *start, int *end);

int ExpandExpression(KeyEvent *event); // the action; always consumes the key
