#include "actions/line/expandexpr.h"

#include "frame/host.h"
#include "frame/messages.h"
#include "frame/text.h"
#include "frame/textscan.h"
#include "keys/editline.h"

#include <wchar.h>
#include <windows.h>

namespace
{

// The expansion is made here: the shell expands in place within this size.
wchar_t Expansion[ExpansionCapacity];

// The characters the scan acts on; every other one only clears a pending escape.
UnitSet SpecialUnits(wchar_t escape)
{
    UnitSet set = {{L'%', L'"', L'(', L')', L']', L'}', escape}, 7, false, false, false};
    return set;
}

// True when the construct ends at line[j]; *last is then its last index.
bool EndsAt(ShellConstruct kind, const wchar_t *line, int j, int level, int *last)
{
    wchar_t ch = line[j];
    *last = j;
    switch (kind) {
    case ConstructFunction:
    case ConstructArray:
    case ConstructBracket:
        return ch == L']';
    case ConstructDoubleBracket:
        *last = j + 1;
        return ch == L']' && line[j + 1] == L']';
    case ConstructBrace:
        return ch == L'}';
    case ConstructParen:
        return ch == L')' && level == 0;
    case ConstructDoubleParen:
        *last = j + 1;
        return ch == L')' && line[j + 1] == L')' && level == 0;
    default:
        return false;
    }
}

// The best construct so far: first and last index (inclusive) and depth, -1 while none.
struct Candidate {
    int start;
    int end;
    int depth;
};

// The span becomes the candidate when it holds the cursor (or ends just before it) and is
// deeper than the candidate so far; the first of equal depth stays.
void Offer(Candidate *best, int start, int last, int cursor, int depth)
{
    if (cursor >= start && last >= cursor - 1 && best->depth < depth)
        *best = {start, last, depth};
}

// Walks the contents of one construct (its '%' at percent, contents from contents on) at the
// given depth, making it or a construct inside it the candidate when it holds the cursor and
// is deeper than the candidate so far. 1 when the construct was closed (*end is its last
// index), 0 when the line ended first, -1 when nesting went past MaxConstructDepth.
int ScanConstruct(const wchar_t *line, int percent, int contents, int cursor, int depth,
                  ShellConstruct kind, wchar_t escape, int *end, Candidate *best)
{
    bool escaped = false, quoted = false;
    int level = 0;
    for (int j = contents; line[j]; j++) {
        // Ordinary characters change nothing while no escape is pending: skip them quickly.
        if (!escaped) {
            j = (int)FindInText(line, (size_t)j, ((size_t)-1) / 4, SpecialUnits(escape));
            if (!line[j])
                break;
        }
        wchar_t ch = line[j];
        bool keepEscaped = false;
        if (ch == escape)
            escaped = !escaped;
        else if (ch == L'"' && !escaped)
            quoted = !quoted;

        int last;
        if (!quoted && !escaped && EndsAt(kind, line, j, level, &last)) {
            Offer(best, percent, last, cursor, depth);
            *end = last;
            return 1;
        }
        if (ch == L'%' && !escaped) {
            if (line[j + 1] == L'%') {
                j++; // a literal percent sign
            } else {
                const ConstructOpening inner = ClassifyPercent(line, j, EditLineCapacity);
                if (inner.kind == ConstructVariable || inner.kind == ConstructSeparator) {
                    Offer(best, j, inner.last, cursor, depth + 1);
                } else if (inner.kind == ConstructEscape) {
                    Offer(best, j, inner.last, cursor, depth + 1);
                    j = inner.last;
                    escaped = keepEscaped = true;
                } else if (inner.kind != ConstructNone) {
                    if (depth + 1 > MaxConstructDepth)
                        return -1;
                    int innerEnd;
                    int closed = ScanConstruct(line, j, inner.contents, cursor, depth + 1,
                                               inner.kind, escape, &innerEnd, best);
                    // An unclosed construct has walked the rest of the line already.
                    if (closed != 1)
                        return closed;
                    j = innerEnd;
                }
            }
        } else if (ch == L'(') {
            level++;
        } else if (ch == L')' && level > 0) {
            level--;
        }
        if (ch != escape && !keepEscaped)
            escaped = false;
    }
    return 0;
}

} // namespace

int FindExpression(const wchar_t *line, int cursor, wchar_t escape, int *start, int *end)
{
    if (!line)
        return 0;
    Candidate best = {0, 0, -1};
    int last;
    // The line itself is walked as a construct that never closes.
    if (ScanConstruct(line, -1, 0, cursor, 0, ConstructNone, escape, &last, &best) < 0)
        return -1;
    if (best.depth < 0)
        return 0;
    if (start)
        *start = best.start;
    if (end)
        *end = best.end;
    return 1;
}

namespace
{

bool Expand(KeyEvent *event)
{
    wchar_t *line = event->line;
    if (!line || !line[0] || !event->cursor)
        return false;
    int start, end;
    if (FindExpression(line, (int)(event->cursor - line), GetEscapeChar(), &start, &end) != 1)
        return false;
    int count = end - start + 1;
    // A construct that does not fit the shell's buffer is refused, never cut.
    if (count >= ExpansionCapacity)
        return false;
    TextCopyCount(Expansion, ExpansionCapacity, line + start, (size_t)count);
    if (ExpandQuietly(Expansion) != 0)
        return false;
    Expansion[ExpansionCapacity - 1] = 0;
    size_t length = TextLengthWithin(line, EditLineCapacity - 1);
    if (length - (size_t)count + TextLength(Expansion) > EditLineCapacity - 1)
        return false;
    ReplaceLineText(start, event, count, Expansion);
    return true;
}

} // namespace

int ExpandExpression(KeyEvent *event)
{
    if (!event)
        return 0;
    if (!Expand(event))
        PlayErrorSound();
    ConsumeKey(event);
    return 0;
}
