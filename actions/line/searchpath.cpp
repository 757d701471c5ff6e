#include "actions/line/searchpath.h"

#include "frame/host.h"
#include "frame/messages.h"
#include "frame/paths.h"
#include "frame/text.h"
#include "frame/textscan.h"
#include "keys/editline.h"
#include "settings/settings.h"

#include <stdint.h>
#include <wchar.h>

SearchCallCounts SearchCalls;

namespace
{

enum {
    ExtensionCapacity = 1024,
    VariableCapacity = 8192,
    KeyNameCapacity = 1024,
    ValueBytes = 65536,
    // An environment variable holds at most 32,767 characters: Path is read whole.
    PathVariableCapacity = 32768,
    // Path entries are at least two characters apart; the current directory adds one.
    MaxSearchedDirectories = PathVariableCapacity / 2 + 2,
    SearchedNamesCapacity = 0x10000,
};

const wchar_t AppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const wchar_t *const FixedExtensions[] = {L".exe", L".com", L".pif", L".bat", L".cmd", L".btm"};

// One keystroke at a time on the shell's thread: the buffers stay off its stack.
wchar_t Word[PathCapacity];
wchar_t Found[PathCapacity + 2]; // AddQuotes adds two quotes in place
wchar_t NamePart[PathCapacity];
wchar_t Mask[PathCapacity];
wchar_t Directory[PathCapacity];
wchar_t PathValue[PathVariableCapacity];
wchar_t Value[ValueBytes / 2 + 1];
wchar_t Expanded[PathCapacity];
wchar_t FullName[PathCapacity];

// The directories listed in the current search, by their full name folded to upper case:
// a hash to compare first, and the name itself where it fits the pool.
struct SearchedDirectory {
    uint64_t hash;
    unsigned int offset, length;
    bool kept;
};
SearchedDirectory Searched[MaxSearchedDirectories];
int SearchedCount;
wchar_t SearchedNames[SearchedNamesCapacity];
size_t SearchedNamesUsed;

wchar_t FoldUpper(wchar_t ch)
{
    if (ch < 0x80)
        return (ch >= L'a' && ch <= L'z') ? (wchar_t)(ch - L'a' + L'A') : ch;
    return (wchar_t)(ULONG_PTR)CharUpperW((LPWSTR)(ULONG_PTR)ch);
}

bool IsSlash(wchar_t ch)
{
    return ch == L'\\' || ch == L'/';
}

// Records directory as listed in this search; false when it already was (its full name,
// ignoring case and a trailing separator, equals one listed before).
bool FirstVisit(const wchar_t *directory)
{
    DWORD n = GetFullPathNameW(directory, PathCapacity, FullName, nullptr);
    if (n == 0 || n >= PathCapacity)
        TextCopy(FullName, PathCapacity, directory);
    size_t length = TextLength(FullName);
    while (length > 1 && IsSlash(FullName[length - 1]) && FullName[length - 2] != L':')
        length--;
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < length; i++) {
        FullName[i] = IsSlash(FullName[i]) ? L'\\' : FoldUpper(FullName[i]);
        hash = (hash ^ FullName[i]) * 1099511628211ull;
    }
    for (int i = 0; i < SearchedCount; i++) {
        const SearchedDirectory &s = Searched[i];
        if (s.hash != hash || s.length != length)
            continue;
        if (!s.kept || wmemcmp(SearchedNames + s.offset, FullName, length) == 0)
            return false;
    }
    if (SearchedCount >= MaxSearchedDirectories)
        return true;
    SearchedDirectory &s = Searched[SearchedCount++];
    s.hash = hash;
    s.length = (unsigned int)length;
    s.offset = (unsigned int)SearchedNamesUsed;
    s.kept = SearchedNamesUsed + length <= SearchedNamesCapacity;
    if (s.kept) {
        wmemcpy(SearchedNames + SearchedNamesUsed, FullName, length);
        SearchedNamesUsed += length;
    }
    return true;
}

// What a search takes from its pattern once, for every directory it lists: the pattern's
// own extension, and the listing's name mask.
struct PatternParts {
    const wchar_t *pattern;
    const wchar_t *extension;
    wchar_t name[PathCapacity];
};
PatternParts Parts;

void SplitPattern(const wchar_t *pattern, PatternParts *parts)
{
    // The file system lists what may match and the shell's own comparison decides: the mask
    // is the pattern's literal start and "*", a superset of the shell's matches whatever
    // wildcards follow, so that a directory of many files is not read whole.
    parts->pattern = pattern;
    parts->extension = FindExtension(nullptr, pattern);
    const UnitSet wildcards = {{L'*', L'?', L'['}, 3, false, false, false};
    const UnitSet separators = {{L'\\', L'/', L':'}, 3, false, false, false};
    size_t literal = FindInText(pattern, 0, ((size_t)-1) / 4, wildcards);
    if (FindInText(pattern, 0, literal, separators) < literal)
        literal = 0;
    TextCopyCount(parts->name, PathCapacity, pattern, literal);
    TextAppend(parts->name, PathCapacity, L"*");
}

int SearchSplitPattern(const wchar_t *directory, const PatternParts &parts, unsigned int flags,
                       wchar_t *result)
{
    TextCopy(Mask, PathCapacity, directory);
    if (AppendPathComponent(Mask, parts.name) != 0)
        return 0;

    WIN32_FIND_DATAW entry;
    SearchCalls.listings++;
    HANDLE find = FindFirstFileW(Mask, &entry);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    int found = 0;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (WildcardComparison(parts.pattern, entry.cFileName, 1, 1) != 0)
            continue;
        if (!parts.extension && !IsExecutableName(entry.cFileName, flags))
            continue;
        TextCopy(result, PathCapacity, directory);
        if (AppendPathComponent(result, entry.cFileName) != 0) {
            result[0] = 0;
            continue;
        }
        found = 1;
        break;
    } while (SearchCalls.entriesRead++, FindNextFileW(find, &entry));
    FindClose(find);
    return found;
}

int SearchNewDirectory(const wchar_t *directory, const wchar_t *pattern, unsigned int flags,
                       wchar_t *result)
{
    if (!FirstVisit(directory))
        return 0;
    // SearchForProgram split the pattern before the first directory.
    (void)pattern;
    return SearchSplitPattern(directory, Parts, flags, result);
}

// The default value of an App Paths subkey when it is text and not empty, without the
// quotes some installers put around it.
bool ReadDefaultValue(HKEY key, const wchar_t *name, DWORD *type)
{
    HKEY subkey;
    SearchCalls.registryCalls++;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, &subkey) != ERROR_SUCCESS)
        return false;
    DWORD size = ValueBytes;
    SearchCalls.registryCalls++;
    LONG status = RegQueryValueExW(subkey, nullptr, nullptr, type, (BYTE *)Value, &size);
    RegCloseKey(subkey);
    if (status != ERROR_SUCCESS || (*type != REG_SZ && *type != REG_EXPAND_SZ))
        return false;
    Value[size / sizeof(wchar_t)] = 0; // registry text need not be terminated
    size_t length = TextLength(Value);
    if (length >= 2 && Value[0] == L'"' && Value[length - 1] == L'"') {
        wmemmove(Value, Value + 1, length - 2);
        Value[length - 2] = 0;
    }
    return Value[0] != 0;
}

int Fail(void)
{
    PlayErrorSound();
    return 0;
}

} // namespace

const wchar_t *FileNamePart(const wchar_t *path, wchar_t *out)
{
    if (!path)
        return nullptr;
    const wchar_t *name = path;
    bool slash = false;
    for (const wchar_t *p = path; *p; p++) {
        if (IsSlash(*p)) {
            name = p + 1;
            slash = true;
        } else if (*p == L':' && !slash) {
            name = p + 1;
        }
    }
    if (out)
        TextCopy(out, PathCapacity, name);
    return name;
}

bool IsExecutableName(const wchar_t *name, unsigned int flags)
{
    const wchar_t *extension = FindExtension(nullptr, name);
    if (!extension || extension[0] != L'.' || TextLength(extension) >= ExtensionCapacity)
        return false;
    for (const wchar_t *fixed : FixedExtensions)
        if (TextEqualNoCase(extension, fixed))
            return true;
    if (!(flags & PathExpandVariableExtensions))
        return false;
    wchar_t value[VariableCapacity];
    return GetEnvironmentVariableW(extension, value, VariableCapacity) > 0;
}

int SearchDirectory(const wchar_t *directory, const wchar_t *pattern, unsigned int flags,
                    wchar_t *result)
{
    if (!directory || !pattern || !result)
        return -1;
    static PatternParts parts;
    SplitPattern(pattern, &parts);
    return SearchSplitPattern(directory, parts, flags, result);
}

int SearchAppPaths(HKEY root, const wchar_t *pattern, wchar_t *result, bool expand)
{
    if (!root || !pattern || !result)
        return -1;
    HKEY key;
    SearchCalls.registryCalls++;
    if (RegOpenKeyExW(root, AppPathsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    wchar_t name[KeyNameCapacity];
    int found = 0;
    for (DWORD index = 0; !found; index++) {
        SearchCalls.registryCalls++;
        LONG status = RegEnumKeyW(key, index, name, KeyNameCapacity);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS) // ERROR_NO_MORE_ITEMS, or a key gone from under us
            break;
        name[KeyNameCapacity - 1] = 0;
        if (!name[0] || WildcardComparison(pattern, name, 1, 1) != 0)
            continue;
        DWORD type = 0;
        if (!ReadDefaultValue(key, name, &type))
            continue;
        if (expand && type == REG_EXPAND_SZ && wcschr(Value, L'%')) {
            DWORD n = ExpandEnvironmentStringsW(Value, Expanded, PathCapacity);
            if (n > 0 && n <= PathCapacity && Expanded[0])
                TextCopy(Value, ValueBytes / 2 + 1, Expanded);
        }
        const wchar_t *extension = FindExtension(nullptr, Value);
        if (!extension || !TextEqualNoCase(extension, L".exe"))
            continue;
        if (!wcschr(Value, L'%')) {
            SearchCalls.fileTests++;
            if (!IsPlainFile(Value))
                continue;
        }
        if (TextCopy(result, PathCapacity, Value) == 0)
            found = 1;
    }
    RegCloseKey(key);
    return found;
}

int SearchForProgram(wchar_t *result, const wchar_t *pattern, unsigned int flags)
{
    if (!result || !pattern)
        return -1;
    result[0] = 0;
    SearchedCount = 0;
    SearchedNamesUsed = 0;
    SplitPattern(pattern, &Parts);

    if (flags & PathExpandCurrentDirectory) {
        DWORD n = GetCurrentDirectoryW(PathCapacity, Directory);
        if (n > 0 && n < PathCapacity && SearchNewDirectory(Directory, pattern, flags, result) == 1)
            return 1;
    }
    if (flags & PathExpandAppPaths) {
        bool expand = (flags & PathExpandExpandAppPaths) != 0;
        if (SearchAppPaths(HKEY_CURRENT_USER, pattern, result, expand) == 1 ||
            SearchAppPaths(HKEY_LOCAL_MACHINE, pattern, result, expand) == 1)
            return 1;
    }

    DWORD n = GetEnvironmentVariableW(L"Path", PathValue, PathVariableCapacity);
    if (n == 0 || n >= PathVariableCapacity)
        return 0;
    size_t length = 0;
    bool quoted = false;
    for (const wchar_t *p = PathValue;; p++) {
        wchar_t ch = *p;
        if (ch == L'"') {
            quoted = !quoted;
            continue;
        }
        if (ch && (ch != L';' || quoted)) {
            if (length == 0 && !quoted && IsBlank(ch))
                continue;
            if (length < PathCapacity - 1)
                Directory[length++] = ch;
            continue;
        }
        Directory[length] = 0;
        if (length > 0) {
            SearchCalls.directoryTests++;
            if (QueryIsDirectory(Directory) &&
                SearchNewDirectory(Directory, pattern, flags, result) == 1)
                return 1;
        }
        length = 0;
        if (!ch)
            break;
    }
    return 0;
}

int SearchPathAndExpand(KeyEvent *event)
{
    if (!event)
        return 0;
    unsigned int flags = GetEnvNumber(L"PathExpandFlags", PathExpandDefault);
    ConsumeKey(event);
    int start = 0, length = 0;
    if (!FindWordAtCursor(event, &start, &length, Word, PathCapacity) || length <= 0)
        return Fail();
    // No file name holds a quote: a quoted start of a name is looked up without them.
    size_t n = 0;
    for (size_t i = 0; Word[i]; i++) {
        if (Word[i] == L'/' || Word[i] == L'\\' || Word[i] == L':')
            return Fail();
        if (Word[i] != L'"')
            Word[n++] = Word[i];
    }
    Word[n] = 0;
    if (n == 0)
        return Fail();
    if (LastChar(Word) != L'*' && TextAppend(Word, PathCapacity, L"*") != 0)
        return Fail();

    if (SearchForProgram(Found, Word, flags) != 1)
        return Fail();
    if (flags & PathExpandFileNameOnly) {
        FileNamePart(Found, NamePart);
        TextCopy(Found, PathCapacity, NamePart);
    }
    AddQuotes(Found);
    Found[PathCapacity + 1] = 0;

    // A result too long for the line changes nothing.
    size_t newLength = TextLength(Found);
    if (ReplaceLineText(start, event, length, Found) != 0)
        return Fail();
    event->cursor = event->line + start + newLength;
    return 0;
}
