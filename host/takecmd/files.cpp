#include "host/takecmd/files.h"

#include "frame/host.h"
#include "frame/text.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace
{

const DWORD LongNameLimit = 1000;

wchar_t Fold(wchar_t ch)
{
    return (wchar_t)(ULONG_PTR)CharUpperW((LPWSTR)(ULONG_PTR)ch);
}

// Matches one character against the set starting after '['; gives the index after ']' in
// *end, or false with *end 0 when the set is not closed (the '[' is then an ordinary
// character).
bool InSet(const wchar_t *set, wchar_t ch, size_t *end)
{
    size_t i = 0;
    bool negate = set[0] == L'!' || set[0] == L'^';
    if (negate)
        i++;
    bool found = false;
    bool first = true;
    wchar_t c = Fold(ch);
    for (; set[i] && (set[i] != L']' || first); first = false) {
        wchar_t low = Fold(set[i]);
        if (set[i + 1] == L'-' && set[i + 2] && set[i + 2] != L']') {
            wchar_t high = Fold(set[i + 2]);
            if ((low <= c && c <= high) || (high <= c && c <= low))
                found = true;
            i += 3;
        } else {
            if (low == c)
                found = true;
            i++;
        }
    }
    if (set[i] != L']') {
        *end = 0;
        return false;
    }
    *end = i + 1;
    return found != negate;
}

bool IsSpecial(wchar_t ch)
{
    return IsBlank(ch) || (ch && wcschr(L"&|<>()^,;=+`", ch) != nullptr);
}

// A name the file queries answer for: one file, not a wildcard, not longer than a path.
bool IsQueryableName(const wchar_t *path)
{
    if (!path || !*path)
        return false;
    size_t length = wcsnlen(path, TrueNameUnits);
    return length < TrueNameUnits && !wcspbrk(path, L"*?");
}

} // namespace

bool WildcardMatch(const wchar_t *pattern, const wchar_t *name)
{
    if (!pattern || !name)
        return false;
    // Greedy matching with one back-tracking point, the last '*'.
    const wchar_t *star = nullptr, *resume = nullptr;
    for (;;) {
        if (!*name) {
            while (*pattern == L'*')
                pattern++;
            if (pattern[0] == L'.' && pattern[1] == L'*') {
                pattern += 2;
                while (*pattern == L'*')
                    pattern++;
            }
            return !*pattern;
        }
        bool step = false;
        size_t setEnd = 0;
        if (*pattern == L'*') {
            star = ++pattern;
            resume = name;
            continue;
        }
        if (*pattern == L'?') {
            step = true;
            pattern++;
        } else if (*pattern == L'[') {
            bool inSet = InSet(pattern + 1, *name, &setEnd);
            if (setEnd ? inSet : *name == L'[') {
                step = true;
                pattern += setEnd + 1;
            }
        } else if (*pattern && Fold(*pattern) == Fold(*name)) {
            step = true;
            pattern++;
        }
        if (step) {
            name++;
            continue;
        }
        if (!star)
            return false;
        pattern = star;
        name = ++resume;
    }
}

extern "C" {

TAKECMD_API int __stdcall QueryIsDirectory(const wchar_t *path)
{
    if (!IsQueryableName(path))
        return 0;
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TAKECMD_API int __stdcall QueryIsFileOrDirectory(const wchar_t *path)
{
    if (!IsQueryableName(path))
        return 0;
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

TAKECMD_API wchar_t *__stdcall QueryTrueName(const wchar_t *path, wchar_t *out)
{
    if (!out)
        return out;
    out[0] = 0;
    if (!path || !*path)
        return out;
    wchar_t *full = (wchar_t *)malloc(2 * TrueNameUnits * sizeof(wchar_t));
    if (!full)
        return out;
    // Quotes group a name on the command line; they are not part of it.
    wchar_t *unquoted = full + TrueNameUnits;
    size_t n = 0;
    for (; *path && n + 1 < TrueNameUnits; path++)
        if (*path != L'"')
            unquoted[n++] = *path;
    unquoted[n] = 0;
    if (*path || !unquoted[0]) {
        free(full);
        return out;
    }
    n = GetFullPathNameW(unquoted, (DWORD)TrueNameUnits, full, nullptr);
    if (n > 0 && n < TrueNameUnits) {
        // The long form with the file system's own spelling, where the path exists. Wine's
        // GetLongPathNameW overruns its stack on names of about 1024 units and more; those
        // keep the spelling given.
        DWORD m = n < LongNameLimit ? GetLongPathNameW(full, out, (DWORD)TrueNameUnits) : 0;
        if (m == 0 || m >= TrueNameUnits)
            TextCopy(out, TrueNameUnits, full);
    }
    free(full);
    return out;
}

TAKECMD_API int __stdcall WildcardComparison(const wchar_t *pattern, const wchar_t *name, int, int)
{
    return WildcardMatch(pattern, name) ? 0 : 1;
}

TAKECMD_API void __stdcall AddQuotes(wchar_t *name)
{
    size_t length = name ? wcsnlen(name, TrueNameUnits) : TrueNameUnits;
    if (length == 0 || length + 3 > TrueNameUnits || wcschr(name, L'"'))
        return;
    bool needed = false;
    for (size_t i = 0; i < length && !needed; i++)
        needed = IsSpecial(name[i]);
    if (!needed)
        return;
    memmove(name + 1, name, length * sizeof(wchar_t));
    name[0] = L'"';
    name[length + 1] = L'"';
    name[length + 2] = 0;
}
}
