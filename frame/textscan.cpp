#include "frame/textscan.h"

#include "frame/text.h"

#include <stdint.h>
#include <wchar.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#define LW_TEXTSCAN_SSE2 1
#else
#define LW_TEXTSCAN_SSE2 0
#endif

namespace
{

enum { Step = 16 };

bool InSet(wchar_t ch, const UnitSet &set)
{
    for (int k = 0; k < set.count; k++)
        if (ch == set.units[k])
            return true;
    if (set.beyondAscii && ch >= 0x80)
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
// and 0x8000-0xFFFF become 0; beyond marks every unit from 0x80 on, high those from 0x8000.
struct Bytes {
    __m128i u;
    unsigned beyond, high;
};

inline Bytes Load(const wchar_t *text)
{
    __m128i a = _mm_loadu_si128((const __m128i *)text);
    __m128i b = _mm_loadu_si128((const __m128i *)(text + 8));
    Bytes r;
    r.u = _mm_packus_epi16(a, b);
    r.high = (unsigned)_mm_movemask_epi8(_mm_packs_epi16(a, b));
    r.beyond = (unsigned)_mm_movemask_epi8(r.u) | r.high;
    return r;
}

// Units equal to the ASCII unit c (c below 0x80).
inline unsigned Equal(const Bytes &b, wchar_t c)
{
    unsigned mask = (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(b.u, _mm_set1_epi8((char)c)));
    return c == 0 ? mask & ~b.high : mask;
}

// Units that may need a closer look: at most 0x22 (controls, blank, '"') or from 0x80 on.
inline unsigned LowOrBeyond(const Bytes &b)
{
    return (unsigned)_mm_movemask_epi8(_mm_cmplt_epi8(b.u, _mm_set1_epi8(0x23)));
}

// The blanks among the sixteen units at text.
inline unsigned Blanks(const Bytes &b, const wchar_t *text)
{
    __m128i shifted = _mm_sub_epi8(b.u, _mm_set1_epi8(9)); // 0x09-0x0D become 0-4
    __m128i controls = _mm_cmpeq_epi8(_mm_min_epu8(shifted, _mm_set1_epi8(4)), shifted);
    __m128i spaces = _mm_cmpeq_epi8(b.u, _mm_set1_epi8(' '));
    unsigned mask = (unsigned)_mm_movemask_epi8(_mm_or_si128(controls, spaces));
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

size_t LengthBySse2(const wchar_t *text, size_t max)
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
        // Four blocks at once while all four hold units below max.
        while (block - start + 64 <= maxBytes) {
            const __m128i *p = (const __m128i *)block;
            __m128i any = _mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi16(_mm_load_si128(p), zero),
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

size_t TextLengthWithin(const wchar_t *text, size_t max)
{
    if (!text || max == 0)
        return 0;
#if LW_TEXTSCAN_SSE2
    if (((uintptr_t)text & 1) == 0)
        return LengthBySse2(text, max);
#endif
    return wcsnlen(text, max);
}

size_t FindFirstInSet(const wchar_t *text, size_t from, size_t to, const UnitSet &set)
{
    size_t i = from;
#if LW_TEXTSCAN_SSE2
    // The ASCII members are compared sixteen at a time; the others, with the blanks beyond
    // ASCII, one by one among the units from 0x80 on.
    __m128i ascii[6];
    int asciiCount = 0;
    bool beyondMembers = false;
    for (int k = 0; k < set.count && k < 6; k++) {
        if (set.units[k] < 0x80)
            ascii[asciiCount++] = _mm_set1_epi8((char)set.units[k]);
        else
            beyondMembers = true;
    }
    for (; i + Step <= to; i += Step) {
        Bytes b = Load(text + i);
        __m128i hits = _mm_setzero_si128();
        for (int k = 0; k < asciiCount; k++)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(b.u, ascii[k]));
        // Units from 0x8000 on pack to 0: only a member 0 could take them for itself.
        unsigned mask = (unsigned)_mm_movemask_epi8(hits) & ~b.high;
        if (set.blanks)
            mask |= Blanks(b, text + i);
        if (set.beyondAscii)
            mask |= b.beyond;
        else if (beyondMembers)
            for (unsigned rest = b.beyond; rest; rest &= rest - 1)
                if (InSet(text[i + LowestBit(rest)], set))
                    mask |= rest & (0u - rest);
        if (mask)
            return i + LowestBit(mask);
    }
#endif
    for (; i < to; i++)
        if (InSet(text[i], set))
            return i;
    return to;
}

namespace
{

size_t FindLastBlankness(const wchar_t *text, size_t from, size_t to, bool blank)
{
    size_t i = to;
#if LW_TEXTSCAN_SSE2
    while (i >= from + Step) {
        i -= Step;
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

size_t FindLastNonBlank(const wchar_t *text, size_t from, size_t to)
{
    return FindLastBlankness(text, from, to, false);
}

size_t FindLastBlank(const wchar_t *text, size_t from, size_t to)
{
    return FindLastBlankness(text, from, to, true);
}

long long LastBlankOutsideQuotes(const wchar_t *text, size_t count, bool *quoted)
{
    bool inside = false;
    long long last = -1;
    size_t i = 0;
#if LW_TEXTSCAN_SSE2
    for (; i + Step <= count; i += Step) {
        Bytes b = Load(text + i);
        if (!LowOrBeyond(b))
            continue;
        unsigned quotes = Equal(b, L'"');
        unsigned states = PrefixParity(quotes) ^ (inside ? 0xFFFFu : 0u);
        unsigned breaking = Blanks(b, text + i) & ~states & 0xFFFF;
        if (breaking)
            last = (long long)(i + HighestBit(breaking));
        if (__builtin_popcount(quotes) & 1)
            inside = !inside;
    }
#endif
    for (; i < count; i++) {
        wchar_t ch = text[i];
        if (ch == L'"')
            inside = !inside;
        else if (!inside && IsBlank(ch))
            last = (long long)i;
    }
    if (quoted)
        *quoted = inside;
    return last;
}

size_t FirstBlankOutsideQuotes(const wchar_t *text, size_t from, size_t to, bool quoted)
{
    bool inside = quoted;
    size_t i = from;
#if LW_TEXTSCAN_SSE2
    for (; i + Step <= to; i += Step) {
        Bytes b = Load(text + i);
        if (!LowOrBeyond(b))
            continue;
        unsigned quotes = Equal(b, L'"');
        unsigned states = PrefixParity(quotes) ^ (inside ? 0xFFFFu : 0u);
        unsigned breaking = Blanks(b, text + i) & ~states & 0xFFFF;
        if (breaking)
            return i + LowestBit(breaking);
        if (__builtin_popcount(quotes) & 1)
            inside = !inside;
    }
#endif
    for (; i < to; i++) {
        wchar_t ch = text[i];
        if (ch == L'"')
            inside = !inside;
        else if (!inside && IsBlank(ch))
            return i;
    }
    return to;
}

unsigned AsciiCaseKinds(const wchar_t *text, size_t count)
{
    unsigned kinds = 0;
    size_t i = 0;
#if LW_TEXTSCAN_SSE2
    const __m128i upperFirst = _mm_set1_epi16('A' - 1), upperLast = _mm_set1_epi16('Z' + 1);
    const __m128i lowerFirst = _mm_set1_epi16('a' - 1), lowerLast = _mm_set1_epi16('z' + 1);
    const __m128i beyondBits = _mm_set1_epi16((short)0xFF80), zero = _mm_setzero_si128();
    __m128i upper = zero, lower = zero, ascii = _mm_cmpeq_epi16(zero, zero);
    for (; i + 8 <= count; i += 8) {
        __m128i x = _mm_loadu_si128((const __m128i *)(text + i));
        upper = _mm_or_si128(upper, _mm_and_si128(_mm_cmpgt_epi16(x, upperFirst),
                                                  _mm_cmplt_epi16(x, upperLast)));
        lower = _mm_or_si128(lower, _mm_and_si128(_mm_cmpgt_epi16(x, lowerFirst),
                                                  _mm_cmplt_epi16(x, lowerLast)));
        ascii = _mm_and_si128(ascii, _mm_cmpeq_epi16(_mm_and_si128(x, beyondBits), zero));
    }
    if (_mm_movemask_epi8(upper))
        kinds |= HasAsciiUpper;
    if (_mm_movemask_epi8(lower))
        kinds |= HasAsciiLower;
    if (_mm_movemask_epi8(ascii) != 0xFFFF)
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

// Adds delta to the units of text[0, count) from first to last.
void ShiftRange(wchar_t *text, size_t count, wchar_t first, wchar_t last, int delta)
{
    size_t i = 0;
#if LW_TEXTSCAN_SSE2
    const __m128i below = _mm_set1_epi16((short)(first - 1)), above = _mm_set1_epi16((short)(last + 1));
    const __m128i change = _mm_set1_epi16((short)delta);
    for (; i + 8 <= count; i += 8) {
        __m128i x = _mm_loadu_si128((const __m128i *)(text + i));
        __m128i in = _mm_and_si128(_mm_cmpgt_epi16(x, below), _mm_cmplt_epi16(x, above));
        _mm_storeu_si128((__m128i *)(text + i), _mm_add_epi16(x, _mm_and_si128(in, change)));
    }
#endif
    for (; i < count; i++)
        if (text[i] >= first && text[i] <= last)
            text[i] = (wchar_t)(text[i] + delta);
}

} // namespace

void AsciiToUpper(wchar_t *text, size_t count)
{
    ShiftRange(text, count, L'a', L'z', L'A' - L'a');
}

void AsciiToLower(wchar_t *text, size_t count)
{
    ShiftRange(text, count, L'A', L'Z', L'a' - L'A');
}
