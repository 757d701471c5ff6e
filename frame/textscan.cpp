#include "frame/textscan.h"

#include "frame/text.h"

#include <stdint.h>
#include <wchar.h>

#if defined(__SSE2__) && !defined(LW_TEXTSCAN_PLAIN_FORMS)
#include <emmintrin.h>
#define LW_TEXTSCAN_SSE2 1
#else
#define LW_TEXTSCAN_SSE2 0
#endif

// The 32-bit build's baseline processor has no SSE2, so this file is compiled a second time
// with it (textscan_sse2.cpp), where every scan is named Sse2...; here each scan hands over to
// that form when the processor has SSE2, so the real product gets the fast scans too. A third
// copy, with LW_TEXTSCAN_PLAIN_FORMS, names every scan Plain... and leaves SSE2 off: the
// unit-by-unit forms, for the tests of a build that always has SSE2.
#if defined(LW_TEXTSCAN_SSE2_FORMS)
#define SCAN(name) Sse2##name
#define LW_TEXTSCAN_HAND_OVER 0
#elif defined(LW_TEXTSCAN_PLAIN_FORMS)
#define SCAN(name) Plain##name
#define LW_TEXTSCAN_HAND_OVER 0
#else
#define SCAN(name) name
#if !LW_TEXTSCAN_SSE2 && defined(_WIN32) && defined(__i386__)
#define LW_TEXTSCAN_HAND_OVER 1
#else
#define LW_TEXTSCAN_HAND_OVER 0
#endif
#endif

// The SSE2 copy is built for size; the scans a keystroke makes over a whole line (the length,
// the skips and the argument walk) are built for speed.
#if defined(LW_TEXTSCAN_SSE2_FORMS)
#define LW_FOR_SPEED __attribute__((optimize("O2")))
#else
#define LW_FOR_SPEED
#endif

#if LW_TEXTSCAN_HAND_OVER
#include <windows.h>

size_t Sse2TextLengthWithin(const wchar_t *text, size_t max);
size_t Sse2FindFirstInSet(const wchar_t *text, size_t from, size_t to, const UnitSet &set);
size_t Sse2FindInText(const wchar_t *text, size_t from, size_t to, const UnitSet &set);
size_t Sse2FindLastNonBlank(const wchar_t *text, size_t from, size_t to);
size_t Sse2FindLastBlank(const wchar_t *text, size_t from, size_t to);
long long Sse2LastBlankOutsideQuotes(const wchar_t *text, size_t count, bool *quoted, size_t *end);
size_t Sse2FirstBlankOutsideQuotes(const wchar_t *text, size_t from, size_t to, bool quoted);
size_t Sse2CountUnit(const wchar_t *text, size_t count, wchar_t unit);
size_t Sse2WalkFields(const wchar_t *text, size_t from, size_t to, wchar_t escape,
                      wchar_t separator, const UnitSet &stops, QuoteState *state, bool *fieldOpen,
                      FieldMarks *marks);
size_t Sse2NarrowAscii(const wchar_t *text, size_t count, char *out);
unsigned Sse2AsciiCaseKinds(const wchar_t *text, size_t count);
void Sse2AsciiToUpper(wchar_t *text, size_t count);
void Sse2AsciiToLower(wchar_t *text, size_t count);

namespace
{
const bool ProcessorHasSse2 = IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0;
} // namespace
#endif

namespace
{

enum { Step = 16 };

bool InSet(wchar_t ch, const UnitSet &set)
{
    for (int k = 0; k < set.count && k < 8; k++)
        if (ch == set.units[k])
            return true;
    if (ch >= 0x80 && (set.beyondAscii || (set.blanksBeyondAscii && IsBlankBeyondAscii(ch))))
        return true;
    return set.blanks && IsBlank(ch);
}

#if LW_TEXTSCAN_SSE2

inline unsigned LowestBit(unsigned mask)
{
    return (unsigned)__builtin_ctz(mask);
}

inline unsigned HighestBit(unsigned mask)
{
    return 31u - (unsigned)__builtin_clz(mask);
}

// Sixteen units as sixteen bytes: ASCII stays itself, 0x80-0xFF too, 0x100-0x7FFF become 0xFF
// and 0x8000-0xFFFF become 0.
inline __m128i Pack(const wchar_t *text)
{
    return _mm_packus_epi16(_mm_loadu_si128((const __m128i *)text),
                            _mm_loadu_si128((const __m128i *)(text + 8)));
}

// The bytes, with beyond marking every unit from 0x80 on and high those from 0x8000.
struct Bytes {
    __m128i u;
    unsigned beyond, high;
};

inline Bytes Bytes16(__m128i a, __m128i b)
{
    Bytes r;
    r.u = _mm_packus_epi16(a, b);
    r.high = (unsigned)_mm_movemask_epi8(_mm_packs_epi16(a, b));
    r.beyond = (unsigned)_mm_movemask_epi8(r.u) | r.high;
    return r;
}

inline Bytes Load(const wchar_t *text)
{
    return Bytes16(_mm_loadu_si128((const __m128i *)text),
                   _mm_loadu_si128((const __m128i *)(text + 8)));
}

// The same from a 32-byte boundary: such a block never crosses a page.
inline Bytes LoadAligned(const wchar_t *block)
{
    return Bytes16(_mm_load_si128((const __m128i *)block),
                   _mm_load_si128((const __m128i *)(block + 8)));
}

// Bytes below limit (limit at most 0x80), with every unit from 0x80 on: the units worth a
// closer look.
inline __m128i Below(__m128i bytes, char limit)
{
    return _mm_cmplt_epi8(bytes, _mm_set1_epi8(limit));
}

// Units equal to the ASCII unit c (c below 0x80).
inline unsigned Equal(const Bytes &b, wchar_t c)
{
    unsigned mask = (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(b.u, _mm_set1_epi8((char)c)));
    return c == 0 ? mask & ~b.high : mask;
}

// The ASCII blanks among packed bytes.
inline unsigned AsciiBlanks(__m128i bytes)
{
    __m128i shifted = _mm_sub_epi8(bytes, _mm_set1_epi8(9)); // 0x09-0x0D become 0-4
    __m128i controls = _mm_cmpeq_epi8(_mm_min_epu8(shifted, _mm_set1_epi8(4)), shifted);
    __m128i spaces = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '));
    return (unsigned)_mm_movemask_epi8(_mm_or_si128(controls, spaces));
}

// The blanks among the sixteen units at text.
inline unsigned Blanks(const Bytes &b, const wchar_t *text)
{
    unsigned mask = AsciiBlanks(b.u);
    for (unsigned rest = b.beyond; rest; rest &= rest - 1) {
        unsigned i = LowestBit(rest);
        if (IsBlankBeyondAscii(text[i]))
            mask |= 1u << i;
    }
    return mask;
}

// Bit i set when an odd number of bits 0..i of mask are set.
inline unsigned PrefixParity(unsigned mask)
{
    mask ^= mask << 1;
    mask ^= mask << 2;
    mask ^= mask << 4;
    mask ^= mask << 8;
    return mask & 0xFFFF;
}

LW_FOR_SPEED size_t LengthBySse2(const wchar_t *text, size_t max)
{
    const uintptr_t start = (uintptr_t)text;
    const size_t maxBytes = max > ((size_t)-1) / 4 ? ((size_t)-1) / 2 : max * 2;
    uintptr_t block = start & ~(uintptr_t)15;
    const __m128i zero = _mm_setzero_si128();
    unsigned mask =
        (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_load_si128((const __m128i *)block), zero));
    mask &= 0xFFFFu << (start - block);
    for (;;) {
        if (mask) {
            size_t units = (block - start + LowestBit(mask)) / 2;
            return units < max ? units : max;
        }
        block += 16;
        if (block - start >= maxBytes)
            return max;
        // Four blocks at once while all four hold units below max: only from a 64-byte
        // boundary on, so that the four lie in one page, as the unit before them does.
        while ((block & 63) == 0 && block - start + 64 <= maxBytes) {
            const __m128i *p = (const __m128i *)block;
            __m128i any = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(_mm_load_si128(p), zero),
                                                    _mm_cmpeq_epi16(_mm_load_si128(p + 1), zero)),
                                       _mm_or_si128(_mm_cmpeq_epi16(_mm_load_si128(p + 2), zero),
                                                    _mm_cmpeq_epi16(_mm_load_si128(p + 3), zero)));
            if (_mm_movemask_epi8(any))
                break;
            block += 64;
        }
        if (block - start >= maxBytes)
            return max;
        mask = (unsigned)_mm_movemask_epi8(
            _mm_cmpeq_epi16(_mm_load_si128((const __m128i *)block), zero));
    }
}

#endif

} // namespace

LW_FOR_SPEED size_t SCAN(TextLengthWithin)(const wchar_t *text, size_t max)
{
#if LW_TEXTSCAN_HAND_OVER
    if (ProcessorHasSse2)
        return Sse2TextLengthWithin(text, max);
#endif
    if (!text || max == 0)
        return 0;
#if LW_TEXTSCAN_SSE2
    if (((uintptr_t)text & 1) == 0)
        return LengthBySse2(text, max);
#endif
    return wcsnlen(text, max);
}

namespace
{

#if LW_TEXTSCAN_SSE2
// The quick look of the set searches: bytes below a limit (controls and blanks when blanks
// count, the units beyond ASCII, 0 standing for the high ones) and the other ASCII members.
// Only the units it marks get the exact answer.
struct QuickSet {
    __m128i limit;
    __m128i members[8];
    int count;

    explicit QuickSet(const UnitSet &set)
    {
        char below = set.blanks ? 0x21 : 1;
        limit = _mm_set1_epi8(below);
        count = 0;
        for (int k = 0; k < set.count && k < 8; k++)
            if (set.units[k] < 0x80 && set.units[k] >= (wchar_t)below)
                members[count++] = _mm_set1_epi8((char)set.units[k]);
    }

    unsigned Candidates(__m128i bytes) const
    {
        __m128i hits = _mm_cmplt_epi8(bytes, limit);
        for (int k = 0; k < count; k++)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, members[k]));
        return (unsigned)_mm_movemask_epi8(hits);
    }
};
#endif

} // namespace

size_t SCAN(FindFirstInSet)(const wchar_t *text, size_t from, size_t to, const UnitSet &set)
{
#if LW_TEXTSCAN_HAND_OVER
    if (ProcessorHasSse2)
        return Sse2FindFirstInSet(text, from, to, set);
#endif
    size_t i = from;
#if LW_TEXTSCAN_SSE2
    QuickSet quick(set);
    for (; i + Step <= to; i += Step) {
        for (unsigned c = quick.Candidates(Pack(text + i)); c; c &= c - 1) {
            size_t at = i + LowestBit(c);
            if (InSet(text[at], set))
                return at;
        }
    }
#endif
    for (; i < to; i++)
        if (InSet(text[i], set))
            return i;
    return to;
}

LW_FOR_SPEED size_t SCAN(FindInText)(const wchar_t *text, size_t from, size_t to,
                                     const UnitSet &set)
{
#if LW_TEXTSCAN_HAND_OVER
    if (ProcessorHasSse2)
        return Sse2FindInText(text, from, to, set);
#endif
    size_t i = from;
#if LW_TEXTSCAN_SSE2
    if (((uintptr_t)text & 1) == 0 && i < to) {
        QuickSet quick(set);
        // The aligned block holding unit i; the units before i are masked off.
        const wchar_t *block = (const wchar_t *)((uintptr_t)(text + i) & ~(uintptr_t)31);
        size_t base = (size_t)(block - text); // may wrap below 0: only sums with it are used
        unsigned skip = (unsigned)(i - base);
        for (;;) {
            const __m128i *p = (const __m128i *)block;
            __m128i bytes = _mm_packus_epi16(_mm_load_si128(p), _mm_load_si128(p + 1));
            unsigned c = quick.Candidates(bytes) & (0xFFFFu << skip);
            for (; c; c &= c - 1) {
                size_t at = base + LowestBit(c);
                if (at >= to)
                    return to;
                if (text[at] == 0 || InSet(text[at], set))
                    return at;
            }
            base += Step;
            block += Step;
            skip = 0;
            if (base >= to)
                return to;
        }
    }
#endif
    for (; i < to; i++)
        if (text[i] == 0 || InSet(text[i], set))
            return i;
    return to;
}

namespace
{

LW_FOR_SPEED size_t FindLastBlankness(const wchar_t *text, size_t from, size_t to, bool blank)
{
    size_t i = to;
#if LW_TEXTSCAN_SSE2
    while (i >= from + Step) {
        i -= Step;
        __m128i u = Pack(text + i);
        unsigned candidates = (unsigned)_mm_movemask_epi8(Below(u, 0x21));
        if (blank && !candidates)
            continue;
        // The last ASCII unit above the blank is the answer when no unit after it needs a
        // closer look.
        unsigned plain = ~candidates & 0xFFFF;
        if (!blank && plain && (!candidates || HighestBit(plain) > HighestBit(candidates)))
            return i + HighestBit(plain);
        unsigned mask = Blanks(Load(text + i), text + i);
        if (!blank)
            mask = ~mask & 0xFFFF;
        if (mask)
            return i + HighestBit(mask);
    }
#endif
    while (i > from) {
        i--;
        if (IsBlank(text[i]) == blank)
            return i;
    }
    return from - 1;
}

} // namespace

size_t SCAN(FindLastNonBlank)(const wchar_t *text, size_t from, size_t to)
{
#if LW_TEXTSCAN_HAND_OVER
    if (ProcessorHasSse2)
        return Sse2FindLastNonBlank(text, from, to);
#endif
    return FindLastBlankness(text, from, to, false);
}

size_t SCAN(FindLastBlank)(const wchar_t *text, size_t from, size_t to)
{
#if LW_TEXTSCAN_HAND_OVER
    if (ProcessorHasSse2)
        return Sse2FindLastBlank(text, from, to);
#endif
    return FindLastBlankness(text, from, to, true);
}

namespace
{

// One unit of the quote walk, unit by unit: false at a terminator.
inline bool QuoteStep(wchar_t ch, bool *inside, bool *breaking)
{
    *breaking = false;
    if (ch == 0)
        return false;
    if (ch == L'"')
        *inside = !*inside;
    else if (!*inside && IsBlank(ch))
        *breaking = true;
    return true;
}

} // namespace

size_t SCAN(CountUnit)(const wchar_t *text, size_t count, wchar_t unit);

long long SCAN(LastBlankOutsideQuotes)(const wchar_t *text, size_t count, bool *quoted, size_t *end)
{
#if LW_TEXTSCAN_HAND_OVER
    if (ProcessorHasSse2)
        return Sse2LastBlankOutsideQuotes(text, count, quoted, end);
#endif
    // The walk's end comes from a quick length pass; the blank is then looked for backwards
    // from the end, where it mostly stands close by. Only a blank needs the quote state from
    // the text's start: the quotes before the first block with one are counted once, and
    // the state is carried back from there.
    size_t stop = SCAN(TextLengthWithin)(text, count);
    if (end)
        *end = stop;
    bool flips = false;  // an odd number of quotes in text[i, stop)
    bool known = false;  // whether inside is known
    bool inside = false; // the state at text[i], once known
    long long found = -1;
    size_t i = stop;
#if LW_TEXTSCAN_SSE2
    while (i >= Step && found < 0) {
        i -= Step;
        __m128i u = Pack(text + i);
        __m128i look = _mm_or_si128(Below(u, 0x21), _mm_cmpeq_epi8(u, _mm_set1_epi8('"')));
        if (!_mm_movemask_epi8(look))
            continue;
        Bytes b = Load(text + i);
        unsigned quotes = Equal(b, L'"');
        bool odd = (__builtin_popcount(quotes) & 1) != 0;
        flips ^= odd;
        inside ^= known && odd;
        unsigned blanks = Blanks(b, text + i);
        if (!blanks)
            continue;
        if (!known) {
            inside = (SCAN(CountUnit)(text, i, L'"') & 1) != 0;
            known = true;
        }
        unsigned breaking = blanks & ~(PrefixParity(quotes) ^ (inside ? 0xFFFFu : 0u)) & 0xFFFF;
        if (breaking)
            found = (long long)(i + HighestBit(breaking));
    }
#endif
    while (i > 0 && found < 0) {
        i--;
        wchar_t ch = text[i];
        if (ch == L'"') {
            flips = !flips;
            inside ^= known;
        } else if (IsBlank(ch)) {
            if (!known) {
                inside = (SCAN(CountUnit)(text, i, L'"') & 1) != 0;
                known = true;
            }
            if (!inside)
                found = (long long)i;
        }
    }
    if (quoted)
        *quoted = known ? inside != flips : flips;
    return found;
}

size_t SCAN(FirstBlankOutsideQuotes)(const wchar_t *text, size_t from, size_t to, bool quoted)
{
#if LW_TEXTSCAN_HAND_OVER
    if (ProcessorHasSse2)
        return Sse2FirstBlankOutsideQuotes(text, from, to, quoted);
#endif
    bool inside = quoted;
    size_t i = from;
#if LW_TEXTSCAN_SSE2
    // The text's end is not known: whole aligned 32-byte blocks, as FindInText reads them.
    if (((uintptr_t)text & 1) == 0 && i < to) {
        const wchar_t *block = (const wchar_t *)((uintptr_t)(text + i) & ~(uintptr_t)31);
        size_t base = (size_t)(block - text); // may wrap below 0: only sums with it are used
        unsigned valid = (0xFFFFu << (unsigned)(i - base)) & 0xFFFF;
        for (;;) {
            if (to - base < Step)
                valid &= (1u << (to - base)) - 1;
            Bytes b = LoadAligned(block);
            unsigned look = (unsigned)_mm_movemask_epi8(Below(b.u, 0x23)) & valid;
            if (look) {
                unsigned zeros = Equal(b, 0) & valid;
                if (zeros)
                    valid &= (zeros & (0u - zeros)) - 1; // the units before the terminator
                unsigned quotes = Equal(b, L'"') & valid;
                unsigned states = PrefixParity(quotes) ^ (inside ? 0xFFFFu : 0u);
                unsigned breaking = Blanks(b, block) & ~states & valid;
                if (breaking)
                    return base + LowestBit(breaking);
                if (zeros)
                    return base + LowestBit(zeros);
                if (__builtin_popcount(quotes) & 1)
                    inside = !inside;
            }
            base += Step;
            block += Step;
            valid = 0xFFFF;
            if (base >= to)
                return to;
        }
    }
#endif
    for (; i < to; i++) {
        bool breaking;
        if (!QuoteStep(text[i], &inside, &breaking) || breaking)
            return i;
    }
    return to;
}

namespace
{

inline void Mark(size_t *list, int *count, size_t at)
{
    list[2] = list[1];
    list[1] = list[0];
    list[0] = at;
    if (*count < 3)
        (*count)++;
}

inline bool IsStopUnit(wchar_t ch, const UnitSet &stops)
{
    if (ch == 0 || ch >= 0x80)
        return true;
    for (int k = 0; k < stops.count && k < 8; k++)
        if (ch == stops.units[k])
            return true;
    return false;
}

#if LW_TEXTSCAN_SSE2
// The units of fields that began with '/', from each field start to the next, given whether
// the field open before the block did (*slashField, then as it stands after the block).
__attribute__((noinline)) unsigned SlashRegion(unsigned fieldStarts, unsigned slashes, unsigned all,
                                               bool *slashField)
{
    unsigned region = 0, from = 0;
    bool inside = *slashField;
    for (unsigned rest = fieldStarts; rest; rest &= rest - 1) {
        const unsigned at = LowestBit(rest);
        if (inside)
            region |= ((1u << at) - 1) & ~((1u << from) - 1);
        inside = ((slashes >> at) & 1) != 0;
        from = at;
    }
    if (inside)
        region |= all & ~((1u << from) - 1);
    *slashField = inside;
    return region;
}

// The same, where mostly no field starts: the open field's kind holds throughout.
inline unsigned SlashRegionOf(unsigned fieldStarts, unsigned slashes, unsigned all,
                              bool *slashField)
{
    if (!fieldStarts)
        return *slashField ? all : 0u;
    return SlashRegion(fieldStarts, slashes, all, slashField);
}

// The marks of a kind, as one mask per block (bit k: base + k), for the last Ring blocks:
// one store a block, and the last three are picked out when the walk ends or the ring is full.
struct BlockMarks {
    enum { Ring = 64 };
    unsigned masks[Ring];

    // Into the marks, oldest first, as the unit-by-unit walk marks them: of blocks
    // [0, count), block k at firstBase + k * Step. Out of line, where it costs the loop
    // nothing but its size.
    __attribute__((noinline)) void Put(size_t firstBase, int count, size_t *list, int *marked) const
    {
        size_t found[3];
        int n = 0;
        for (int k = count - 1; k >= 0 && n < 3; k--)
            for (unsigned rest = masks[k]; rest && n < 3; rest &= ~(1u << HighestBit(rest)))
                found[n++] = firstBase + (size_t)k * Step + HighestBit(rest);
        while (n > 0)
            Mark(list, marked, found[--n]);
    }
};

// Which units the escape unit and the '=' of "%=" protect, in order: an unprotected escape
// unit, or the '=' after an unprotected '%', protects the unit after it. carry holds what the
// block before protects here.
inline unsigned Protection(unsigned escapes, unsigned signs, unsigned carry)
{
    unsigned protectedUnits = carry | (escapes | signs) << 1;
    // Mostly none of them is itself protected, and each protects the unit after it.
    if (!(protectedUnits & (escapes | signs >> 1)))
        return protectedUnits;
    protectedUnits = carry;
    for (unsigned rest = escapes | signs; rest; rest &= rest - 1) {
        const unsigned bit = rest & (0u - rest);
        const bool active =
            (escapes & bit) ? !(protectedUnits & bit) : !(protectedUnits & (bit >> 1));
        if (active)
            protectedUnits |= bit << 1;
    }
    return protectedUnits;
}

// Thirty-two packed units as a mask: lo holds the first sixteen.
inline unsigned Mask32(__m128i lo, __m128i hi)
{
    return (unsigned)_mm_movemask_epi8(lo) | (unsigned)_mm_movemask_epi8(hi) << 16;
}

inline unsigned Equal32(__m128i lo, __m128i hi, __m128i unit)
{
    return Mask32(_mm_cmpeq_epi8(lo, unit), _mm_cmpeq_epi8(hi, unit));
}
#endif

} // namespace

LW_FOR_SPEED size_t SCAN(WalkFields)(const wchar_t *text, size_t from, size_t to, wchar_t escape,
                                     wchar_t separator, const UnitSet &stops, QuoteState *state,
                                     bool *fieldOpen, FieldMarks *marks)
{
#if LW_TEXTSCAN_HAND_OVER
    if (ProcessorHasSse2)
        return Sse2WalkFields(text, from, to, escape, separator, stops, state, fieldOpen, marks);
#endif
    bool quoted = state->quoted, protect = state->protectedNext, open = *fieldOpen;
    size_t i = from;
#if LW_TEXTSCAN_SSE2
    if (((uintptr_t)text & 1) == 0 && i < to) {
        const wchar_t *block = (const wchar_t *)((uintptr_t)(text + i) & ~(uintptr_t)31);
        size_t base = (size_t)(block - text); // may wrap below 0: only sums with it are used
        unsigned valid = (0xFFFFu << (unsigned)(i - base)) & 0xFFFF;
        __m128i stopBytes[8];
        int stopCount = 0;
        bool percentStops = false;
        for (int k = 0; k < stops.count && k < 8; k++) {
            percentStops |= stops.units[k] == L'%';
            if (stops.units[k] > 0 && stops.units[k] < 0x80)
                stopBytes[stopCount++] = _mm_set1_epi8((char)stops.units[k]);
        }
        const __m128i escapeByte = _mm_set1_epi8((char)escape);
        const __m128i separatorByte = _mm_set1_epi8((char)separator);
        const bool slashMode = separator == L'/';
        bool slashField = state->slashField;
        bool signBefore = false; // the block before ended in an unprotected '%' of "%="
        BlockMarks starts, ends;
        size_t firstBase = base;
        int blocks = 0;
        const __m128i pairStop = stopCount == 1 ? stopBytes[0] : _mm_setzero_si128();
        for (;;) {
            // Two blocks at once, from a 64-byte boundary (so within one page), where the walk
            // goes on past them and nothing in them needs the block-by-block path below: no
            // stop, no '%' without its '=', no protected escape unit or "%=", no '/' that
            // ends the pair or doubles.
            if (((uintptr_t)block & 63) == 0 && valid == 0xFFFFu && stopCount <= 1 &&
                to - base > 2 * Step) {
                const wchar_t next = block[2 * Step]; // the unit after the pair, in the walk
                const __m128i a0 = _mm_load_si128((const __m128i *)block);
                const __m128i a1 = _mm_load_si128((const __m128i *)(block + 8));
                const __m128i a2 = _mm_load_si128((const __m128i *)(block + 16));
                const __m128i a3 = _mm_load_si128((const __m128i *)(block + 24));
                const __m128i lo = _mm_packus_epi16(a0, a1), hi = _mm_packus_epi16(a2, a3);
                const unsigned percents = Equal32(lo, hi, _mm_set1_epi8('%'));
                const unsigned equals = Equal32(lo, hi, _mm_set1_epi8('='));
                // Units from 0x80 on pack to a set top bit or to 0, as the terminator does.
                const unsigned followed = (equals >> 1) | (next == L'=' ? 0x80000000u : 0u);
                unsigned unusual = Mask32(lo, hi) | Equal32(lo, hi, _mm_setzero_si128()) |
                                   Equal32(lo, hi, pairStop) | (percents & ~followed);
                const unsigned slashes = slashMode ? Equal32(lo, hi, _mm_set1_epi8('/')) : 0;
                unusual |= (slashes & slashes >> 1) | (next == L'/' ? slashes & 0x80000000u : 0u);
                const unsigned escapes = Equal32(lo, hi, escapeByte);
                const unsigned signs = equals & percents << 1;
                const unsigned triggers = escapes | signs;
                const unsigned protectedUnits =
                    (protect ? 1u : 0u) | (signBefore ? 2u : 0u) | triggers << 1;
                unusual |= protectedUnits & (escapes | signs >> 1);
                if (!unusual) {
                    unsigned inside = Equal32(lo, hi, _mm_set1_epi8('"')) & ~protectedUnits;
                    inside ^= inside << 1;
                    inside ^= inside << 2;
                    inside ^= inside << 4;
                    inside ^= inside << 8;
                    inside ^= inside << 16;
                    inside ^= quoted ? 0xFFFFFFFFu : 0u;
                    if (separator == 0 || slashMode) {
                        const unsigned blanks = AsciiBlanks(lo) | AsciiBlanks(hi) << 16;
                        const unsigned splits = blanks & ~inside & ~protectedUnits;
                        const unsigned before = splits << 1 | (open ? 0u : 1u);
                        const unsigned fieldStarts = ~blanks & before;
                        unsigned slashSplits = 0;
                        if (slashes)
                            slashSplits =
                                SlashRegionOf(fieldStarts, slashes, 0xFFFFFFFFu, &slashField) &
                                slashes & ~fieldStarts & ~inside & ~protectedUnits;
                        else if (fieldStarts)
                            slashField = false;
                        const unsigned startMask = fieldStarts | slashSplits;
                        const unsigned endMask = (splits & ~before) | slashSplits;
                        starts.masks[blocks] = startMask & 0xFFFFu;
                        starts.masks[blocks + 1] = startMask >> 16;
                        ends.masks[blocks] = endMask & 0xFFFFu;
                        ends.masks[blocks + 1] = endMask >> 16;
                        open = !(splits >> 31);
                    } else {
                        const unsigned endMask =
                            Equal32(lo, hi, separatorByte) & ~inside & ~protectedUnits;
                        starts.masks[blocks] = (endMask << 1) & 0xFFFFu;
                        starts.masks[blocks + 1] = endMask >> 15;
                        ends.masks[blocks] = endMask & 0xFFFFu;
                        ends.masks[blocks + 1] = endMask >> 16;
                    }
                    quoted = inside >> 31;
                    protect = triggers >> 31;
                    signBefore = (percents >> 31) && !(protectedUnits >> 31);
                    blocks += 2;
                    if (blocks >= BlockMarks::Ring - 1) {
                        starts.Put(firstBase, blocks, marks->starts, &marks->startCount);
                        ends.Put(firstBase, blocks, marks->ends, &marks->endCount);
                        firstBase += (size_t)blocks * Step;
                        blocks = 0;
                    }
                    base += 2 * Step;
                    block += 2 * Step;
                    continue;
                }
            }
            const unsigned limit = to - base < Step ? (unsigned)(to - base) : (unsigned)Step;
            if (limit < Step)
                valid &= (1u << limit) - 1;
            Bytes b = LoadAligned(block);
            const unsigned percents = Equal(b, L'%');
            const unsigned equals = Equal(b, L'=');
            unsigned stop = Equal(b, 0) | b.beyond | (percents & ~(equals >> 1));
            for (int k = 0; k < stopCount; k++)
                stop |= (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(b.u, stopBytes[k]));
            // The walk's last unit, when this block holds it.
            const unsigned lastUnit = to - base <= Step ? 1u << (to - base - 1) : 0;
            stop |= percents & lastUnit; // a '%' the walk ends with
            const unsigned slashes = slashMode ? Equal(b, L'/') : 0;
            if (slashMode) {
                stop |= (slashes & slashes >> 1) | (slashes & lastUnit);
                if ((slashes & 0x8000u) && base + Step < to && text[base + Step] == L'/')
                    stop |= 0x8000u;
            }
            stop &= valid;
            // A '%' ending the block is followed by the next block's first unit.
            if (stop == 0x8000u && (percents & 0x8000u) && !percentStops && base + Step < to &&
                text[base + Step] == L'=')
                stop = 0;
            const unsigned work = stop ? valid & ((stop & (0u - stop)) - 1) : valid;

            // Protection runs in order: an unprotected escape unit, or the '=' after an
            // unprotected '%', protects the unit after it.
            const unsigned escapes =
                (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(b.u, escapeByte)) & work;
            const unsigned signs = equals & (percents & work) << 1 & work;
            const unsigned protectedUnits = Protection(
                escapes, signs, (protect ? valid & (0u - valid) : 0) | (signBefore ? 2 : 0));
            signBefore = (work & percents & 0x8000u) && !(protectedUnits & 0x8000u);
            const unsigned quotes = Equal(b, L'"') & work & ~protectedUnits;
            const unsigned inside = PrefixParity(quotes) ^ (quoted ? 0xFFFFu : 0u);
            unsigned startMask, endMask;
            if (separator == 0 || slashMode) {
                const unsigned blanks = AsciiBlanks(b.u) & work;
                const unsigned splits = blanks & ~inside & ~protectedUnits;
                const unsigned before = (splits << 1 | (open ? 0u : work & (0u - work))) & work;
                const unsigned fieldStarts = work & ~blanks & before;
                unsigned slashSplits = 0;
                if (slashes & work)
                    slashSplits = SlashRegionOf(fieldStarts, slashes, 0xFFFFu, &slashField) &
                                  slashes & ~fieldStarts & ~inside & ~protectedUnits & work;
                else if (fieldStarts)
                    slashField = false;
                startMask = fieldStarts | slashSplits;
                endMask = (splits & ~before) | slashSplits;
                if (work)
                    open = !((splits >> HighestBit(work)) & 1);
            } else {
                endMask = (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(b.u, separatorByte)) & work &
                          ~inside & ~protectedUnits;
                startMask = endMask << 1; // each opens the next field at the unit after it
            }
            starts.masks[blocks] = startMask;
            ends.masks[blocks] = endMask;
            blocks++;
            quoted = (inside >> 15) & 1; // the state after the block's last unit
            if (stop || limit < Step || base + Step >= to) {
                const unsigned at = stop ? LowestBit(stop) : limit;
                starts.Put(firstBase, blocks, marks->starts, &marks->startCount);
                ends.Put(firstBase, blocks, marks->ends, &marks->endCount);
                state->quoted = quoted;
                state->slashField = slashField;
                state->protectedNext = ((protectedUnits >> at) & 1) != 0;
                *fieldOpen = open;
                return stop ? base + at : to;
            }
            protect = ((protectedUnits >> 16) & 1) != 0;
            if (blocks >= BlockMarks::Ring - 1) {
                starts.Put(firstBase, blocks, marks->starts, &marks->startCount);
                ends.Put(firstBase, blocks, marks->ends, &marks->endCount);
                firstBase += (size_t)blocks * Step;
                blocks = 0;
            }
            base += Step;
            block += Step;
            valid = 0xFFFF;
        }
    }
#endif
    const bool slashes = separator == L'/';
    bool slashField = state->slashField;
    for (; i < to; i++) {
        const wchar_t ch = text[i];
        if (IsStopUnit(ch, stops) || (ch == L'%' && (i + 1 >= to || text[i + 1] != L'=')) ||
            (slashes && ch == L'/' && (i + 1 >= to || text[i + 1] == L'/')))
            break;
        const bool isProtected = protect;
        protect = false;
        const bool blank = IsBlank(ch);
        const bool splits =
            !quoted && !isProtected && (separator && !slashes ? ch == separator : blank);
        if (separator == 0 || slashes) {
            if (splits) {
                if (open)
                    Mark(marks->ends, &marks->endCount, i);
                open = false;
            } else if (!open && !blank) {
                Mark(marks->starts, &marks->startCount, i);
                open = true;
                slashField = ch == L'/';
            } else if (ch == L'/' && slashField && !quoted && !isProtected) {
                Mark(marks->ends, &marks->endCount, i);
                Mark(marks->starts, &marks->startCount, i);
            }
        } else if (splits) {
            Mark(marks->ends, &marks->endCount, i);
            Mark(marks->starts, &marks->startCount, i + 1);
        }
        if (ch == L'"' && !isProtected)
            quoted = !quoted;
        else if (ch == escape && !isProtected)
            protect = true;
        else if (ch == L'%' && !isProtected) {
            i++; // the '=' after it, a unit of the field that protects the next
            protect = true;
        }
    }
    state->quoted = quoted;
    state->protectedNext = protect;
    state->slashField = slashField;
    *fieldOpen = open;
    return i;
}

size_t SCAN(CountUnit)(const wchar_t *text, size_t count, wchar_t unit)
{
#if LW_TEXTSCAN_HAND_OVER
    if (ProcessorHasSse2)
        return Sse2CountUnit(text, count, unit);
#endif
    size_t found = 0, i = 0;
#if LW_TEXTSCAN_SSE2
    // Each 16-bit lane counts its matches (a match compares as -1); the lanes are added up
    // before any can reach 32,768.
    const __m128i wanted = _mm_set1_epi16((short)unit);
    while (i + 16 <= count) {
        __m128i a = _mm_setzero_si128(), b = _mm_setzero_si128();
        for (int round = 0; round < 8192 && i + 16 <= count; round++, i += 16) {
            a = _mm_sub_epi16(
                a, _mm_cmpeq_epi16(_mm_loadu_si128((const __m128i *)(text + i)), wanted));
            b = _mm_sub_epi16(
                b, _mm_cmpeq_epi16(_mm_loadu_si128((const __m128i *)(text + i + 8)), wanted));
        }
        __m128i sum = _mm_madd_epi16(_mm_add_epi16(a, b), _mm_set1_epi16(1));
        sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(1, 0, 3, 2)));
        sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(2, 3, 0, 1)));
        found += (size_t)(unsigned)_mm_cvtsi128_si32(sum);
    }
#endif
    for (; i < count; i++)
        found += text[i] == unit;
    return found;
}

size_t SCAN(NarrowAscii)(const wchar_t *text, size_t count, char *out)
{
#if LW_TEXTSCAN_HAND_OVER
    if (ProcessorHasSse2)
        return Sse2NarrowAscii(text, count, out);
#endif
    size_t i = 0;
#if LW_TEXTSCAN_SSE2
    const __m128i beyondBits = _mm_set1_epi16((short)0xFF80);
    for (; i + Step <= count; i += Step) {
        __m128i a = _mm_loadu_si128((const __m128i *)(text + i));
        __m128i b = _mm_loadu_si128((const __m128i *)(text + i + 8));
        __m128i beyond = _mm_and_si128(_mm_or_si128(a, b), beyondBits);
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(beyond, _mm_setzero_si128())) != 0xFFFF)
            break;
        _mm_storeu_si128((__m128i *)(out + i), _mm_packus_epi16(a, b));
    }
#endif
    for (; i < count && text[i] < 0x80; i++)
        out[i] = (char)text[i];
    return i;
}

unsigned SCAN(AsciiCaseKinds)(const wchar_t *text, size_t count)
{
#if LW_TEXTSCAN_HAND_OVER
    if (ProcessorHasSse2)
        return Sse2AsciiCaseKinds(text, count);
#endif
    unsigned kinds = 0;
    size_t i = 0;
#if LW_TEXTSCAN_SSE2
    // Letters are told apart on the packed bytes; whether any unit lies beyond ASCII, from
    // all the units or-ed together.
    const __m128i zero = _mm_setzero_si128(), letters = _mm_set1_epi8(25);
    const __m128i upperA = _mm_set1_epi8('A'), lowerA = _mm_set1_epi8('a');
    __m128i all = zero, upper = zero, lower = zero;
    for (; i + Step <= count; i += Step) {
        __m128i a = _mm_loadu_si128((const __m128i *)(text + i));
        __m128i b = _mm_loadu_si128((const __m128i *)(text + i + 8));
        all = _mm_or_si128(all, _mm_or_si128(a, b));
        __m128i u = _mm_packus_epi16(a, b);
        __m128i up = _mm_sub_epi8(u, upperA), low = _mm_sub_epi8(u, lowerA);
        upper = _mm_or_si128(upper, _mm_cmpeq_epi8(_mm_min_epu8(up, letters), up));
        lower = _mm_or_si128(lower, _mm_cmpeq_epi8(_mm_min_epu8(low, letters), low));
    }
    if (_mm_movemask_epi8(upper))
        kinds |= HasAsciiUpper;
    if (_mm_movemask_epi8(lower))
        kinds |= HasAsciiLower;
    __m128i beyond = _mm_and_si128(all, _mm_set1_epi16((short)0xFF80));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(beyond, zero)) != 0xFFFF)
        kinds |= HasBeyondAscii;
#endif
    for (; i < count; i++) {
        wchar_t ch = text[i];
        if (ch >= L'A' && ch <= L'Z')
            kinds |= HasAsciiUpper;
        else if (ch >= L'a' && ch <= L'z')
            kinds |= HasAsciiLower;
        else if (ch >= 0x80)
            kinds |= HasBeyondAscii;
    }
    return kinds;
}

namespace
{

// Adds delta to the units of text[0, count) from first to first + 25.
void ShiftLetters(wchar_t *text, size_t count, wchar_t first, int delta)
{
    size_t i = 0;
#if LW_TEXTSCAN_SSE2
    // Moved so that the letters become the lowest 26 signed values, one comparison finds them.
    const __m128i move = _mm_set1_epi16((short)(0x8000 - first));
    const __m128i above = _mm_set1_epi16((short)(-0x8000 + 26));
    const __m128i change = _mm_set1_epi16((short)delta);
    for (; i + 8 <= count; i += 8) {
        __m128i x = _mm_loadu_si128((const __m128i *)(text + i));
        __m128i in = _mm_cmplt_epi16(_mm_add_epi16(x, move), above);
        _mm_storeu_si128((__m128i *)(text + i), _mm_add_epi16(x, _mm_and_si128(in, change)));
    }
#endif
    for (; i < count; i++)
        if (text[i] >= first && text[i] <= first + 25)
            text[i] = (wchar_t)(text[i] + delta);
}

} // namespace

void SCAN(AsciiToUpper)(wchar_t *text, size_t count)
{
#if LW_TEXTSCAN_HAND_OVER
    if (ProcessorHasSse2) {
        Sse2AsciiToUpper(text, count);
        return;
    }
#endif
    ShiftLetters(text, count, L'a', L'A' - L'a');
}

void SCAN(AsciiToLower)(wchar_t *text, size_t count)
{
#if LW_TEXTSCAN_HAND_OVER
    if (ProcessorHasSse2) {
        Sse2AsciiToLower(text, count);
        return;
    }
#endif
    ShiftLetters(text, count, L'A', L'a' - L'A');
}
