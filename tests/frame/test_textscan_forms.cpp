// The text scans' unit-by-unit forms (what a 32-bit processor without SSE2 runs) against the
// forms this build uses: the same answers, the same bytes written, on edge cases, on a
// pseudo-random sweep, and on texts that end at an inaccessible page, where a read past the
// text would fault.
#define LW_TEXTSCAN_PLAIN_FORMS 1
#include "frame/textscan.cpp"

#include "tests/support/check.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

namespace
{

// Units where the scans' packing and masks could go wrong: ASCII edges, saturation edges,
// blanks beyond ASCII, surrogate halves, units whose low byte is a blank, quote or letter.
const wchar_t Alphabet[] = {L'a',   L'z',   L'A',   L'Z',   L'@',   L'[',   L'`', L'{',   L' ',
                            L'\t',  L'\r',  L'"',   L'x',   0x7F,   0x80,   0xFF, 0x100,  0x120,
                            0x122,  0x7FFF, 0x8000, 0xFF22, 0xFFFF, 0x3000, 0xA0, 0x2028, 0xD800,
                            0xDC00, L'^',   L'%',   L'=',   L',',   L'/',   L']'};
const size_t AlphabetSize = sizeof Alphabet / sizeof Alphabet[0];

enum { MaxText = 128, ShownFailures = 12 };

int failures = 0;

// What is being compared, for the failure lines.
struct Context {
    const char *name;
    const wchar_t *text;
    size_t length, from, to;
};
Context current;

void Differ(const char *scan, long long plain, long long used)
{
    if (++failures > ShownFailures)
        return;
    wchar_t shown[MaxText + 1];
    size_t n = current.length < (size_t)MaxText ? current.length : (size_t)MaxText;
    for (size_t i = 0; i < n; i++)
        shown[i] = current.text[i] ? current.text[i] : L'0';
    shown[n] = 0;
    char what[200];
    snprintf(what, sizeof what, "%s: %s over [%u, %u) of %u units: plain %lld, used %lld",
             current.name, scan, (unsigned)current.from, (unsigned)current.to,
             (unsigned)current.length, plain, used);
    CheckFailed(__FILE__, __LINE__, what, Show(shown));
}

void Same(const char *scan, long long plain, long long used)
{
    if (plain != used)
        Differ(scan, plain, used);
}

#define SAME(name, ...)                                                                            \
    Same(#name, (long long)Plain##name(__VA_ARGS__), (long long)name(__VA_ARGS__))

// The argument walk in both forms, from each state a scan can enter it in, over blanks, commas
// and switches: where it stops, the state there and the marks.
void CompareWalks(const wchar_t *text, size_t from, size_t to)
{
    const UnitSet slash = {{L'/'}, 1, false, false, false};
    const UnitSet bracket = {{L']'}, 1, false, false, false};
    const struct {
        wchar_t separator;
        const UnitSet &stops;
        bool open, quoted, protect, slashField;
    } walks[] = {
        {0, slash, false, false, false, false},    {0, slash, true, true, true, false},
        {0, slash, true, false, false, false},     {L',', bracket, true, false, true, false},
        {L',', bracket, true, true, false, false}, {L'/', bracket, false, false, false, false},
        {L'/', bracket, true, false, false, true}, {L'/', bracket, true, true, true, true}};
    for (const auto &w : walks) {
        QuoteState plainState = {w.quoted, w.protect, w.slashField}, usedState = plainState;
        bool plainOpen = w.open, usedOpen = w.open;
        FieldMarks plain = {}, used = {};
        Same("WalkFields",
             (long long)PlainWalkFields(text, from, to, L'^', w.separator, w.stops, &plainState,
                                        &plainOpen, &plain),
             (long long)WalkFields(text, from, to, L'^', w.separator, w.stops, &usedState,
                                   &usedOpen, &used));
        Same("WalkFields state",
             plainState.quoted * 2 + plainState.protectedNext + plainOpen * 4 +
                 plainState.slashField * 8,
             usedState.quoted * 2 + usedState.protectedNext + usedOpen * 4 +
                 usedState.slashField * 8);
        Same("WalkFields marks", plain.startCount * 4 + plain.endCount,
             used.startCount * 4 + used.endCount);
        for (int k = 0; k < plain.startCount && k < used.startCount; k++)
            Same("WalkFields starts", (long long)plain.starts[k], (long long)used.starts[k]);
        for (int k = 0; k < plain.endCount && k < used.endCount; k++)
            Same("WalkFields ends", (long long)plain.ends[k], (long long)used.ends[k]);
    }
}

// Every scan of text[from, to) in both forms; the text's n units stay readable and, for the
// in-place scans, writable. Units from text[n] on may be inaccessible.
void CompareForms(wchar_t *text, size_t n, size_t from, size_t to, const UnitSet &set)
{
    current.text = text;
    current.length = n;
    current.from = from;
    current.to = to;
    const size_t count = to - from;
    SAME(TextLengthWithin, text, to);
    SAME(TextLengthWithin, text + from, count);
    SAME(FindFirstInSet, text, from, to, set);
    SAME(FindInText, text, from, to, set);
    SAME(FindLastNonBlank, text, from, to);
    SAME(FindLastBlank, text, from, to);
    SAME(FirstBlankOutsideQuotes, text, from, to, false);
    SAME(FirstBlankOutsideQuotes, text, from, to, true);
    bool plainQuoted = false, usedQuoted = true;
    size_t plainEnd = 1, usedEnd = 0;
    SAME(LastBlankOutsideQuotes, text + from, count, nullptr, nullptr);
    Same("LastBlankOutsideQuotes", PlainLastBlankOutsideQuotes(text, to, &plainQuoted, &plainEnd),
         LastBlankOutsideQuotes(text, to, &usedQuoted, &usedEnd));
    Same("LastBlankOutsideQuotes quoted", plainQuoted, usedQuoted);
    Same("LastBlankOutsideQuotes end", (long long)plainEnd, (long long)usedEnd);
    const wchar_t units[] = {L'"', 0, 0xFFFF, from < to ? text[from] : L'a'};
    for (wchar_t unit : units)
        SAME(CountUnit, text + from, count, unit);
    SAME(AsciiCaseKinds, text + from, count);
    CompareWalks(text, from, to);

    char plainOut[MaxText + 16], usedOut[MaxText + 16];
    memset(plainOut, 0xBD, sizeof plainOut);
    memset(usedOut, 0xBD, sizeof usedOut);
    const size_t skew = from % 2; // an odd target too
    Same("NarrowAscii", (long long)PlainNarrowAscii(text + from, count, plainOut + skew),
         (long long)NarrowAscii(text + from, count, usedOut + skew));
    Same("NarrowAscii bytes written", memcmp(plainOut, usedOut, sizeof plainOut) == 0, true);

    // In place: each form on the same text, the whole text compared and then restored.
    wchar_t saved[MaxText], plainText[MaxText];
    memcpy(saved, text, n * sizeof *text);
    typedef void (*InPlace)(wchar_t *, size_t);
    const struct {
        const char *name;
        InPlace plain, used;
    } inPlace[] = {{"AsciiToUpper", PlainAsciiToUpper, AsciiToUpper},
                   {"AsciiToLower", PlainAsciiToLower, AsciiToLower}};
    for (const auto &scan : inPlace) {
        scan.plain(text + from, count);
        memcpy(plainText, text, n * sizeof *text);
        memcpy(text, saved, n * sizeof *text);
        scan.used(text + from, count);
        Same(scan.name, memcmp(plainText, text, n * sizeof *text) == 0, true);
        memcpy(text, saved, n * sizeof *text);
    }
}

// Sets of 0 to 8 units, with the blanks, the blanks beyond ASCII, everything beyond ASCII.
UnitSet SetOf(size_t units, unsigned flags, const wchar_t *from)
{
    UnitSet set = {};
    set.count = (int)units;
    for (size_t k = 0; k < units; k++)
        set.units[k] = from[k];
    set.blanks = flags & 1;
    set.blanksBeyondAscii = (flags & 2) != 0;
    set.beyondAscii = (flags & 4) != 0;
    return set;
}

const wchar_t SetUnits[] = {L'"', L'a', 0x3000, L' ', 0x80, 0, 0xFFFF, L'Z'};

// A few ranges of an n-unit text, across the block boundaries.
void CompareRanges(const char *name, wchar_t *text, size_t n, const UnitSet &set)
{
    current.name = name;
    const size_t edge[][2] = {{0, n},  {1, n},   {0, n - 1},        {16, n},
                              {17, n}, {15, 33}, {n / 2, n - n / 4}};
    for (const auto &range : edge)
        if (range[0] <= range[1] && range[1] <= n)
            CompareForms(text, n, range[0], range[1], set);
}

// The n-unit text repeating fill, with insert over it at position at.
size_t Compose(wchar_t *text, const wchar_t *fill, size_t n, const wchar_t *insert,
               size_t insertLength, size_t at)
{
    size_t fillLength = wcslen(fill);
    for (size_t i = 0; i < n; i++)
        text[i] = fill[i % fillLength];
    for (size_t k = 0; k < insertLength && at + k < n; k++)
        text[at + k] = insert[k];
    text[n] = 0;
    return n;
}

// A small deterministic generator (xorshift).
struct Random {
    unsigned long long state;
    unsigned Next(unsigned below)
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return (unsigned)(state % below);
    }
};

enum { Everywhere = -1 };

// A read of the inaccessible page ends the program at once with the range being scanned,
// rather than leaving it to the debugger.
char *guardPage, *guardPageEnd;

LONG CALLBACK OnGuardPage(EXCEPTION_POINTERS *info)
{
    const EXCEPTION_RECORD *record = info->ExceptionRecord;
    char *address = (char *)record->ExceptionInformation[1];
    if (record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || !guardPage || address < guardPage ||
        address >= guardPageEnd)
        return EXCEPTION_CONTINUE_SEARCH;
    printf("FAIL a scan read past the text: [%u, %u) of %u units at %p\n", (unsigned)current.from,
           (unsigned)current.to, (unsigned)current.length, (void *)current.text);
    fflush(stdout);
    ExitProcess(3);
}

TEST(textscan_forms_agree_on_edge_cases)
{
    const struct {
        const char *name;
        const wchar_t *fill;
        size_t length;
        const wchar_t *insert;
        size_t insertLength;
        int at; // or Everywhere: every position in turn
    } cases[] = {
        {"empty text", L"a", 0, L"", 0, 0},
        {"terminator at each position", L"ab \"c d\" e\t", 41, L"\0", 1, Everywhere},
        {"the saturation edges", L"\x7F\x80\xFF\x100\x7FFF\x8000\xFFFF ", 64, L"", 0, 0},
        {"0x8000 among ASCII", L"abc d", 48, L"\x8000", 1, Everywhere},
        {"0xFFFF among ASCII", L"abc d", 48, L"\xFFFF", 1, Everywhere},
        {"0x80 and 0xFF among ASCII", L"abc d", 48, L"\x80\xFF", 2, Everywhere},
        {"0x7F and 0x100 among ASCII", L"abc d", 48, L"\x7F\x100", 2, Everywhere},
        {"U+3000 among letters", L"abcd", 48, L"\x3000", 1, Everywhere},
        {"U+00A0 among letters", L"abcd", 48, L"\xA0", 1, Everywhere},
        {"low bytes of blank and quote", L"\x120\x122\xFF22\x2028", 48, L" ", 1, Everywhere},
        {"blanks inside quotes", L"\"a b\tc\"", 48, L"\"", 1, Everywhere},
        {"blanks outside quotes", L"\"ab\" c ", 48, L"\x3000", 1, Everywhere},
        {"unbalanced quote", L"ab cd ef gh", 48, L"\"", 1, Everywhere},
        {"quoted stretch across the blocks", L"\"a b\" c,\"d, e\"", 48, L"\"", 1, Everywhere},
        {"escape at each position", L"a^ b \"c^\" d\",e, ", 48, L"^", 1, Everywhere},
        {"%= at each position", L"a%= b^%=\" c, d%", 48, L"%=", 2, Everywhere},
        {"switches at each position", L"/a/b c/d \"/e\" //f/g /", 48, L"/", 1, Everywhere},
        {"surrogate halves", L"\xD83D\xDE00 a\xDC00\xD800", 48, L"\xDBFF", 1, Everywhere},
        {"upper-case letter", L"1@[`{", 48, L"A", 1, Everywhere},
        {"lower-case letter", L"1@[`{", 48, L"z", 1, Everywhere},
        {"letters at the letter edges", L"@[`{", 48, L"AZaz", 4, Everywhere},
        {"only blanks", L" \t\n\r\v\f", 100, L"", 0, 0},
        {"only blanks beyond ASCII", L"\x3000\xA0\x2028", 100, L"", 0, 0},
        {"no blank, no quote", L"x", 100, L"", 0, 0},
        {"quote in two-block strides", L"\"a b\" c ", 100, L"\"", 1, Everywhere},
        {"escape in two-block strides", L"a^ b \"c^\"d\" ", 100, L"^", 1, Everywhere},
        {"%= in two-block strides", L"a%= b \"%=\" ,c", 100, L"%= ", 3, Everywhere},
        {"switch in two-block strides", L"/a/b c /d", 100, L"/", 1, Everywhere},
    };
    alignas(64) wchar_t text[MaxText + 1]; // two-block strides start at 64-byte boundaries
    failures = 0;
    for (const auto &row : cases) {
        size_t first = row.at == Everywhere ? 0 : (size_t)row.at;
        size_t last = row.at == Everywhere ? row.length : first;
        for (size_t at = first; at <= last; at++) {
            size_t n = Compose(text, row.fill, row.length, row.insert, row.insertLength, at);
            for (size_t units = 0; units <= 8; units++)
                CompareRanges(row.name, text, n, SetOf(units, (unsigned)units % 8, SetUnits));
        }
    }
    CHECK_EQ(failures, 0);
}

TEST(textscan_forms_agree_on_random_texts)
{
    // Lengths around the 8-, 16- and 32-unit blocks half of the time.
    const size_t edges[] = {0, 1, 7, 8, 9, 15, 16, 17, 31, 32, 33, 47, 48, 49, 63, 64, 65, 100};
    Random random = {0x9E3779B97F4A7C15ull};
    alignas(32) wchar_t buffer[MaxText + 48];
    wchar_t set[8];
    failures = 0;
    for (int round = 0; round < 300000; round++) {
        size_t n =
            random.Next(2) ? edges[random.Next(sizeof edges / sizeof edges[0])] : random.Next(101);
        wchar_t *text = buffer + random.Next(16);
        for (size_t i = 0; i < n; i++)
            text[i] = random.Next(64) == 0 ? 0 : Alphabet[random.Next(AlphabetSize)];
        text[n] = 0;
        for (wchar_t &unit : set)
            unit = Alphabet[random.Next(AlphabetSize)];
        UnitSet units = SetOf(random.Next(9), random.Next(8), set);
        current.name = "random text";
        size_t from = random.Next((unsigned)n + 1);
        CompareForms(text, n, from, from + random.Next((unsigned)(n - from) + 1), units);
        CompareForms(text, n, 0, n, units);
        SAME(TextLengthWithin, text + from, (size_t)-1); // terminated: no bound needed
    }
    CHECK_EQ(failures, 0);
}

TEST(textscan_forms_stay_before_an_inaccessible_page)
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const size_t page = system.dwPageSize;
    char *pages = (char *)VirtualAlloc(nullptr, 2 * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    CHECK(pages != nullptr);
    if (!pages)
        return;
    DWORD old;
    CHECK(VirtualProtect(pages + page, page, PAGE_NOACCESS, &old));
    char *pageEnd = pages + page;
    guardPage = pageEnd;
    guardPageEnd = pageEnd + page;
    void *handler = AddVectoredExceptionHandler(1, OnGuardPage);
    Random random = {12345};
    failures = 0;
    // The text starts at each alignment and ends at the page, or a byte before it when it
    // starts at an odd address: no terminator, so every scan runs to the text's last unit.
    for (size_t align = 0; align < 32; align++) {
        for (size_t blocks = 0; blocks <= 4; blocks++) {
            size_t bytes = 32 * blocks + ((32 - align) & 31);
            size_t n = bytes / 2;
            wchar_t *text = (wchar_t *)(pageEnd - bytes);
            for (int content = 0; content < 3; content++) {
                for (size_t i = 0; i < n; i++)
                    text[i] = content == 0   ? L'x'
                              : content == 1 ? L' '
                                             : Alphabet[random.Next(AlphabetSize)];
                const UnitSet sets[] = {SetOf(0, 0, SetUnits), SetOf(8, 3, SetUnits)};
                for (const UnitSet &set : sets)
                    CompareRanges("text at the page's end", text, n, set);
            }
        }
    }
    RemoveVectoredExceptionHandler(handler);
    guardPage = nullptr;
    VirtualFree(pages, 0, MEM_RELEASE);
    CHECK_EQ(failures, 0);
}

} // namespace
