#include "actions/line/swapargs.h"

#include "frame/host.h"
#include "frame/messages.h"
#include "frame/text.h"
#include "frame/textscan.h"
#include "keys/editline.h"

#include <string.h>
#include <wchar.h>
#include <wctype.h>

namespace
{

enum { None = -1 };

enum ListKind {
    RootList = 0,          // the line after the command word
    FunctionList = 1,      // %@name[a,b]
    ArrayList = 2,         // %name[a,b]
    DoubleParenList = 3,   // %((a b))
    DoubleBracketList = 4, // %[[a b]]
    BracketList = 5,       // %[a b]
};

// One level of nesting during the scan. savedStart and savedQuotes hold this level's own open
// argument and quote state while a child list is open.
struct Context {
    int kind;
    int opening; // position of the opener's last character
    int previousStart, previousLength;
    int currentStart, currentLength;
    int savedStart;
    bool savedQuotes;
};

// The open levels, root first. Fixed, so that no path has anything to free.
Context Contexts[MaxSwapNesting + 1];

// Inside an open, unescaped argument most units change nothing. These sets name the units
// that may, per list kind and inside quotes (the escape character and the terminator always
// among them); the scan skips the rest sixteen units at a time. Units from 0x80 on stop it
// only when blank.
UnitSet StopSet(const wchar_t *units, bool blanks, wchar_t escape)
{
    UnitSet set = {{escape}, 1, blanks, true, false};
    for (const wchar_t *u = units; *u; u++)
        set.units[set.count++] = *u;
    return set;
}

// The ASCII units of a set, and the terminator, as bits, for a quick look at the next few
// units before a scan is started: in a dense line the next stop is mostly a unit or two away,
// where starting a block scan costs more than it saves.
struct StopBits {
    unsigned words[4];
};

StopBits BitsOf(const UnitSet &set)
{
    StopBits bits = {{1u}}; // the terminator
    for (int k = 0; k < set.count; k++)
        if (set.units[k] < 0x80)
            bits.words[set.units[k] >> 5] |= 1u << (set.units[k] & 31);
    if (set.blanks) {
        bits.words[0] |= 0x3E00u; // 0x09-0x0D
        bits.words[1] |= 1u;      // the space
    }
    return bits;
}

// Whether the next four units are all below 0x80 and outside the set (none is the terminator).
inline bool FourPlain(const wchar_t *s, const StopBits &bits)
{
    for (int k = 0; k < 4; k++) {
        unsigned u = s[k];
        if (u >= 0x80 || (bits.words[u >> 5] >> (u & 31)) & 1)
            return false;
    }
    return true;
}

struct StopSets {
    UnitSet kinds[6];
    UnitSet quoted;
    UnitSet plain;        // at the top level outside quotes: what is more than a blank or a letter
    UnitSet walkStops[6]; // what a walk leaves to the step-by-step scan, per list kind
    StopBits kindBits[6], quotedBits, plainBits, walkBits[6];
    bool fastTopLevel, walkable;

    explicit StopSets(wchar_t escape)
    {
        kinds[RootList] = StopSet(L"\"%/", true, escape);
        kinds[FunctionList] = kinds[ArrayList] = StopSet(L"\"%,]", false, escape);
        kinds[DoubleParenList] = StopSet(L"\"%)", true, escape);
        kinds[DoubleBracketList] = kinds[BracketList] = StopSet(L"\"%]", true, escape);
        quoted = StopSet(L"\"%", false, escape);
        for (int k = 0; k < 6; k++)
            kindBits[k] = BitsOf(kinds[k]);
        quotedBits = BitsOf(quoted);
        plain = StopSet(L"\"%/", false, escape);
        plain.beyondAscii = true;
        plainBits = BitsOf(plain);
        // An escape character that is a blank or the terminator changes what a blank means.
        fastTopLevel = escape != 0 && !IsBlank(escape);
        const UnitSet none = {{0}, 0, false, false, false};
        const UnitSet bracket = {{L']'}, 1, false, false, false};
        const UnitSet paren = {{L')'}, 1, false, false, false};
        walkStops[RootList] = none;
        walkStops[FunctionList] = walkStops[ArrayList] = bracket;
        walkStops[DoubleParenList] = paren;
        walkStops[DoubleBracketList] = walkStops[BracketList] = bracket;
        for (int k = 0; k < 6; k++)
            walkBits[k] = BitsOf(walkStops[k]);
        // The walk reads the escape character as an ASCII unit of its own; any other is
        // scanned step by step.
        walkable = escape > L' ' && escape < 0x7F && !wcschr(L"\"%=,/])", escape);
    }
};

// A first walk goes this far at most: where the line turns plain again, the skip is faster.
// Each walk that follows the last with little skipped between goes twice as far, as each
// restart costs about as much as walking a few hundred units.
enum { WalkChunk = 1024 };

// The first position that makes a line too long: the result may grow by up to four units.
enum { Limit = EditLineCapacity - 4 };

// The new line is built here, so that a failure leaves the shell's line untouched.
wchar_t Result[EditLineCapacity];

// The list opened by the '%' at line[p], or 0 for none; *opening receives the position of
// the opener's last character. Of the shell's constructs five hold lists, an array's name
// beginning with a letter.
int FindOpener(const wchar_t *line, int p, int *opening)
{
    const ConstructOpening construct = ClassifyPercent(line, p, Limit);
    *opening = construct.contents - 1;
    switch (construct.kind) {
    case ConstructFunction:
        return FunctionList;
    case ConstructArray:
        return IsShellNameLetter(line[p + 1]) ? ArrayList : 0;
    case ConstructDoubleParen:
        return DoubleParenList;
    case ConstructDoubleBracket:
        return DoubleBracketList;
    case ConstructBracket:
        return BracketList;
    default:
        return 0;
    }
}

void Shift(Context *context, int start, int end, int cursor)
{
    if (start > cursor && context->previousStart != None)
        return;
    context->previousStart = context->currentStart;
    context->previousLength = context->currentLength;
    context->currentStart = start;
    context->currentLength = end - start;
}

// The top level outside quotes, with no escape pending, from p up to the cursor: a stretch of
// blanks and units that are none of '"', '%', '/', the escape character and the terminator
// (nor beyond ASCII) holds nothing but blank-separated arguments, all ending before the
// cursor. Only the last two of them can count, so they are found from the stretch's end
// backwards, and *start becomes the argument still open at its end. The position where the
// scan goes on unit by unit.
int SkipPlainArguments(const wchar_t *line, int p, int cursor, const StopSets &sets, int *start,
                       Context *context)
{
    const size_t from = (size_t)p;
    const size_t end = FindInText(line, from, (size_t)cursor, sets.plain);
    if (end == from)
        return p;
    const size_t none = from - 1;
    size_t blank = FindLastBlank(line, from, end);
    if (blank == none) {
        if (*start == None)
            *start = p; // the stretch is one argument's units
        return (int)end;
    }
    // Arguments that end in the stretch, last first: at most two count.
    int starts[2], ends[2], found = 0;
    size_t before = blank; // a blank; the units before it are searched
    while (found < 2) {
        size_t last = FindLastNonBlank(line, from, before);
        if (last == none) {
            // Blanks back to the stretch's start: only an argument open before it ends here.
            if (*start != None) {
                starts[found] = *start;
                ends[found++] = p;
            }
            break;
        }
        size_t gap = FindLastBlank(line, from, last);
        int first = gap == none ? (*start != None ? *start : p) : (int)gap + 1;
        starts[found] = first;
        ends[found++] = (int)last + 1;
        if (gap == none)
            break;
        before = gap;
    }
    for (int i = found - 1; i >= 0; i--)
        Shift(context, starts[i], ends[i], cursor);
    *start = blank + 1 == end ? None : (int)blank + 1;
    return (int)end;
}

// How a walk splits a list kind's items: at commas, or at blanks, at the top level also at
// the '/' of switches.
wchar_t SeparatorOf(int kind)
{
    return kind == FunctionList || kind == ArrayList ? L',' : kind == RootList ? L'/' : 0;
}

// From p up to to, no escape pending and, where no argument is open, outside quotes: walks
// the stretch sixteen units at a time (frame/textscan.h) and shifts in, of the arguments
// that end there, the last two, the only ones that can count (all start before the cursor).
// The position where the scan goes on step by step.
int WalkArguments(const wchar_t *line, int p, int to, wchar_t escape, const UnitSet &stops,
                  Context *context, int *start, bool *quoted, bool *escaped, int cursor)
{
    const wchar_t separator = SeparatorOf(context->kind);
    bool open = *start != None;
    QuoteState state = {*quoted, false, open && line[*start] == L'/' && line[*start + 1] != L'/'};
    FieldMarks marks = {};
    const int stop = (int)WalkFields(line, (size_t)p, (size_t)to, escape, separator, stops, &state,
                                     &open, &marks);
    if (stop == p)
        return p;
    // The fields met alternate start, end, start...: the last ones pair up from the end, and
    // the field open at the walk's start supplies a start that came before it.
    const bool openAtEnd = separator == L',' ? true : open;
    const int skip = openAtEnd && marks.endCount > 0 ? 1 : 0; // the open field's own start
    int starts[2] = {None, None}, ends[2] = {None, None};
    for (int k = 0; k < 2 && k < marks.endCount; k++) {
        ends[k] = (int)marks.ends[k];
        starts[k] = k + skip < marks.startCount ? (int)marks.starts[k + skip] : *start;
    }
    for (int k = 1; k >= 0; k--)
        if (ends[k] != None)
            Shift(context, starts[k], ends[k], cursor);
    if (!openAtEnd)
        *start = None;
    else if (marks.endCount > 0 || (*start == None && marks.startCount > 0))
        *start = (int)marks.starts[0];
    *quoted = state.quoted;
    *escaped = state.protectedNext;
    return stop;
}

void StartContext(Context *context, int kind, int opening)
{
    context->kind = kind;
    context->opening = opening;
    context->previousStart = context->currentStart = None;
    context->previousLength = context->currentLength = 0;
    context->savedStart = None;
    context->savedQuotes = false;
}

ArgumentPair PairOf(const Context &context, int depth)
{
    ArgumentPair pair = {context.previousStart, context.previousLength, context.currentStart,
                         context.currentLength, depth};
    return pair;
}

// Bounded appending to the result.
struct Writer {
    wchar_t *out;
    int capacity;
    int length;
    bool overflow;
};

void Put(Writer &w, const wchar_t *text, int count)
{
    if (count <= 0)
        return;
    if (w.length + count > w.capacity - 1) {
        w.overflow = true;
        return;
    }
    memcpy(w.out + w.length, text, (size_t)count * sizeof(wchar_t));
    w.length += count;
}

// At the top level a space keeps two exchanged pieces from running into each other.
void Separate(Writer &w, bool topLevel, wchar_t next)
{
    if (topLevel && w.length > 0 && NeedsSpace(w.out[w.length - 1], next))
        Put(w, L" ", 1);
}

} // namespace

bool NeedsSpace(wchar_t before, wchar_t after)
{
    return (before == L'%' || iswalnum(before)) && iswgraph(after);
}

int FindArgumentPair(const wchar_t *line, int cursor, wchar_t escape, bool unixPaths,
                     ArgumentPair *pair, int *length)
{
    if (!line || !pair || !length)
        return SwapLineTooLong;

    // The command word. Here an escape character stays in force up to the next one.
    const StopSets sets(escape);
    UnitSet wordStops = {{escape, L'"', L'/'}, unixPaths ? 2 : 3, true, false, false};
    bool escaped = false, quoted = false;
    int p = 0;
    while (p < Limit && IsBlank(line[p]))
        p++;
    for (; p < Limit; p++) {
        p = (int)FindInText(line, (size_t)p, Limit, wordStops);
        if (p >= Limit || !line[p])
            break;
        wchar_t ch = line[p];
        if (ch == escape)
            escaped = !escaped;
        if (!escaped && ch == L'"')
            quoted = !quoted;
        if (!quoted && (IsBlank(ch) || (ch == L'/' && !unixPaths)))
            break;
    }
    while (p < Limit && IsBlank(line[p]))
        p++;
    if (p >= Limit)
        return SwapLineTooLong;
    if (!line[p])
        return SwapNoArguments;

    int depth = 0;
    Context *context = Contexts;
    StartContext(context, RootList, None);
    int chosenDepth = 0;
    ArgumentPair chosen = {};
    int start = None; // the open argument
    const int walkTo = cursor < Limit ? cursor : Limit;
    int chunk = WalkChunk;
    for (;; p++) {
        // Plain stretches go fastest by the skips; where quotes, escapes and "%=" come thick,
        // by the walk.
        const int from = p;
        if (depth == 0 && !quoted && !escaped && p + 4 < cursor && sets.fastTopLevel &&
            FourPlain(line + p, sets.plainBits))
            p = SkipPlainArguments(line, p, walkTo, sets, &start, context);
        if (start != None && !escaped &&
            FourPlain(line + p, quoted ? sets.quotedBits : sets.kindBits[context->kind]))
            p = (int)FindInText(line, (size_t)p, Limit,
                                quoted ? sets.quoted : sets.kinds[context->kind]);
        if (p - from >= 64)
            chunk = WalkChunk;
        else if (!escaped && p + 4 < walkTo && sets.walkable &&
                 (start != None || (!quoted && SeparatorOf(context->kind) != L',')) &&
                 FourPlain(line + p, sets.walkBits[context->kind])) {
            const int end = p + chunk < walkTo ? p + chunk : walkTo;
            p = WalkArguments(line, p, end, escape, sets.walkStops[context->kind], context, &start,
                              &quoted, &escaped, cursor);
            chunk = p == end && chunk < Limit ? chunk * 2 : WalkChunk;
        }
        if (p >= Limit)
            return SwapLineTooLong;
        wchar_t ch = line[p];
        if (ch == escape)
            escaped = !escaped;
        if (!escaped && ch == L'"')
            quoted = !quoted;

        // A closer ends its list even when no argument is open ("%[a ]", "%@f[]").
        int end = None;
        bool ended = false;
        if (ch == 0) {
            end = p;
            ended = true;
            if (cursor > p)
                cursor = p; // a cursor beyond the line stands at its end
        } else if (!quoted && !escaped) {
            switch (context->kind) {
            case RootList:
                if (IsBlank(ch) ||
                    (ch == L'/' && start != None && line[start] == L'/' && line[start + 1] != L'/'))
                    end = p;
                break;
            case FunctionList:
            case ArrayList:
                if (ch == L',' || ch == L']') {
                    end = p;
                    ended = ch == L']';
                }
                break;
            case DoubleParenList:
            case DoubleBracketList: {
                wchar_t closer = context->kind == DoubleParenList ? L')' : L']';
                if (IsBlank(ch)) {
                    end = p;
                } else if (ch == closer && line[p + 1] == closer) {
                    end = p;
                    ended = true;
                    p++;
                }
                break;
            }
            case BracketList:
                if (IsBlank(ch) || ch == L']') {
                    end = p;
                    ended = ch == L']';
                }
                break;
            }
        }
        if (end != None && start != None) {
            Shift(context, start, end, cursor);
            start = None;
            // Nothing later can change the answer: later arguments start after the cursor,
            // and so do later lists.
            if (depth == 0 && end >= cursor && context->previousStart != None)
                break;
        }

        if (!ended) {
            if (start == None && !IsBlank(ch))
                start = depth > 0 && ch == L',' ? p + 1 : p;
            if (ch == L'%' && !escaped) {
                if (line[p + 1] == L'=') {
                    p++; // %= is the escape character: it protects what follows
                    escaped = true;
                    continue;
                }
                int opening = 0, kind = FindOpener(line, p, &opening);
                if (kind) {
                    if (depth == MaxSwapNesting)
                        return SwapTooDeep;
                    context->savedStart = start;
                    context->savedQuotes = quoted;
                    depth++;
                    context++;
                    StartContext(context, kind, opening);
                    escaped = quoted = false;
                    start = None;
                    p = opening;
                }
            }
        }
        if (line[p] != escape)
            escaped = false;
        if (!ended)
            continue;
        if (depth == 0)
            break; // the end of the line

        if (chosenDepth < depth && context->previousStart != None && context->opening < cursor &&
            cursor <= p) {
            chosenDepth = depth;
            chosen = PairOf(*context, depth);
        }
        context--;
        depth--;
        quoted = context->savedQuotes;
        start = context->savedStart;
        if (ch == 0)
            break; // an unclosed list ends only itself; the levels around it stay uncounted
    }

    p += (int)TextLengthWithin(line + p, (size_t)(Limit - p));
    if (p >= Limit)
        return SwapLineTooLong;
    *length = p;

    if (chosenDepth == 0) {
        if (Contexts[0].previousStart == None)
            return SwapNoPair;
        chosen = PairOf(Contexts[0], 0);
    }
    *pair = chosen;
    return SwapFound;
}

int BuildSwappedLine(const wchar_t *line, int length, const ArgumentPair &pair, wchar_t *out,
                     int capacity, int *newLength)
{
    int aStart = pair.firstStart, aEnd = pair.firstStart + pair.firstLength;
    int bStart = pair.secondStart, bEnd = pair.secondStart + pair.secondLength;
    if (!line || !out || capacity <= 0 || aStart < 0 || aEnd < aStart || bStart < aEnd ||
        bEnd < bStart || bEnd > length)
        return -1;
    bool topLevel = pair.depth == 0;
    Writer w = {out, capacity, 0, false};
    Put(w, line, aStart);
    Separate(w, topLevel, bEnd > bStart ? line[bStart] : 0);
    Put(w, line + bStart, bEnd - bStart);
    if (aEnd < bStart) {
        Separate(w, topLevel, line[aEnd]);
        Put(w, line + aEnd, bStart - aEnd);
    }
    Separate(w, topLevel, aEnd > aStart ? line[aStart] : 0);
    Put(w, line + aStart, aEnd - aStart);
    int cursor = w.length;
    if (bEnd < length) {
        Separate(w, topLevel, line[bEnd]);
        Put(w, line + bEnd, length - bEnd);
    }
    if (w.overflow)
        return -1;
    out[w.length] = 0;
    if (newLength)
        *newLength = w.length;
    return cursor;
}

int SwapArguments(KeyEvent *event)
{
    if (!event)
        return 0;
    wchar_t *line = event->line;
    // No length pass of its own: the scan finds the end (measuring alone costs a copy or more).
    int cursor = EditLineCapacity;
    if (line && event->cursor >= line && event->cursor < line + EditLineCapacity)
        cursor = (int)(event->cursor - line);

    ArgumentPair pair;
    int length = 0, newCursor = -1, newLength = 0;
    if (line && FindArgumentPair(line, cursor, GetEscapeChar(), UnixPathsMode(), &pair, &length) ==
                    SwapFound)
        newCursor = BuildSwappedLine(line, length, pair, Result, EditLineCapacity, &newLength);
    ConsumeKey(event);
    if (newCursor < 0) {
        PlayErrorSound();
        return 0;
    }
    memcpy(line, Result, ((size_t)newLength + 1) * sizeof(wchar_t));
    event->cursor = line + newCursor;
    event->redraw = 1;
    return 0;
}
