// The test bench's icu.dll: ICU's u_charName for Unicode character names (name choice 0),
// from tables generated out of UnicodeData.txt, with ICU's buffer and error-code protocol.
// Windows has the real one in its system folder; Wine has none.
#include "icu_names.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace
{

enum {
    ZeroError = 0,
    IllegalArgumentError = 1,
    BufferOverflowError = 15,
    StringNotTerminatedWarning = -124,
};

// ICU's u_terminateChars: the terminator when it fits, else the warning or the error.
int32_t Terminate(char *buffer, int32_t capacity, int32_t length, int *error)
{
    if (length < capacity) {
        buffer[length] = 0;
        if (*error == StringNotTerminatedWarning)
            *error = ZeroError;
    } else if (length == capacity) {
        *error = StringNotTerminatedWarning;
    } else {
        *error = BufferOverflowError;
    }
    return length;
}

// Builds the name in a scratch buffer; the caller copies what fits.
int32_t NameOf(uint32_t code, char *out, size_t capacity)
{
    out[0] = 0;
    for (const NameRange &range : Ranges) {
        if (code < range.first || code > range.last)
            continue;
        if (range.kind == 1)
            return snprintf(out, capacity, "CJK UNIFIED IDEOGRAPH-%04X", code);
        if (range.kind == 2)
            return snprintf(out, capacity, "TANGUT IDEOGRAPH-%04X", code);
        uint32_t s = code - 0xAC00;
        return snprintf(out, capacity, "HANGUL SYLLABLE %s%s%s", JamoLeads[s / (21 * 28)],
                        JamoVowels[(s % (21 * 28)) / 28], JamoTails[s % 28]);
    }
    uint32_t low = 0, high = NamedCount;
    while (low < high) {
        uint32_t middle = (low + high) / 2;
        if (NamedCodes[middle] < code)
            low = middle + 1;
        else
            high = middle;
    }
    if (low == NamedCount || NamedCodes[low] != code)
        return 0;
    size_t length = 0;
    for (uint32_t w = NameStarts[low]; w < NameStarts[low + 1]; w++) {
        const char *word = Words + WordOffsets[NameWords[w]];
        size_t n = strlen(word);
        if (length + n + 2 > capacity)
            break;
        if (w != NameStarts[low])
            out[length++] = ' ';
        memcpy(out + length, word, n);
        length += n;
    }
    out[length] = 0;
    return (int32_t)length;
}

} // namespace

extern "C" __declspec(dllexport) int32_t
    __cdecl u_charName(int32_t code, int nameChoice, char *buffer, int32_t capacity, int *error)
{
    if (!error || *error > 0)
        return 0;
    if (nameChoice != 0 || capacity < 0 || (capacity > 0 && !buffer)) {
        *error = IllegalArgumentError;
        return 0;
    }
    char name[256];
    int32_t length =
        (code >= 0 && code <= 0x10FFFF) ? NameOf((uint32_t)code, name, sizeof name) : 0;
    if (length > 0 && capacity > 0)
        memcpy(buffer, name, (size_t)(length < capacity ? length : capacity));
    return Terminate(buffer, capacity, length, error);
}
