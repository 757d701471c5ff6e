#include "actions/console/printhistory.h"

#include "frame/host.h"
#include "frame/messages.h"
#include "frame/paths.h"
#include "frame/text.h"
#include "settings/settings.h"

#include <shellapi.h>
#include <stdlib.h>
#include <string.h>

namespace
{

wchar_t *FirstHistoryEntry(void)
{
    wchar_t *entry = HistoryStart();
    return entry && entry[0] ? entry : nullptr;
}

// The entry after one in the shell's history walk, or null where the walk ends: no entry, an
// empty one, or the same entry again.
wchar_t *NextHistoryStep(wchar_t *entry)
{
    if (!entry)
        return nullptr;
    wchar_t *next = NextHistoryEntry(entry);
    if (!next || !next[0] || next == entry)
        return nullptr;
    return next;
}

// A line's number as "%5u:  " makes it, without the runtime's formatter (10,000 lines make
// 10,000 calls): right-aligned in five places or as wide as it is, a colon, two spaces.
size_t FormatLineNumber(unsigned int number, wchar_t out[16])
{
    wchar_t digits[10];
    int count = 0;
    do {
        digits[count++] = (wchar_t)(L'0' + number % 10);
        number /= 10;
    } while (number);
    size_t length = 0;
    for (int pad = count; pad < 5; pad++)
        out[length++] = L' ';
    while (count)
        out[length++] = digits[--count];
    out[length++] = L':';
    out[length++] = L' ';
    out[length++] = L' ';
    return length;
}

// The file's whole content, gathered in its encoding so that it goes out in one write: a file
// write costs far more than the copy. Histories whose file fits go to a buffer kept for it
// (warm after the first print; a full history of the shell's largest size in UTF-8, numbered,
// fits); larger ones to memory that grows by doubling.
char KeptBytes[0x100000];

struct WholeFile {
    TextEncoding encoding;
    char *bytes;
    size_t size, capacity;
    bool grown; // bytes is the heap's
};

// Room for most more bytes. False when memory runs out.
bool Reserve(WholeFile *whole, size_t most)
{
    if (whole->size + most <= whole->capacity)
        return true;
    size_t capacity = whole->capacity * 2;
    while (capacity < whole->size + most)
        capacity *= 2;
    char *bytes = (char *)malloc(capacity);
    if (!bytes)
        return false;
    memcpy(bytes, whole->bytes, whole->size);
    if (whole->grown)
        free(whole->bytes);
    whole->bytes = bytes;
    whole->capacity = capacity;
    whole->grown = true;
    return true;
}

// False when memory runs out or the system cannot convert the text.
bool Add(WholeFile *whole, const wchar_t *text, size_t length)
{
    if (!Reserve(whole, TextEncodedBytes(whole->encoding, length)))
        return false;
    const long long added = EncodeText(whole->encoding, text, length, whole->bytes + whole->size);
    if (added < 0)
        return false;
    whole->size += (size_t)added;
    return true;
}

// ASCII units (a line's number, its end) need no conversion.
bool AddAscii(WholeFile *whole, const wchar_t *units, size_t length)
{
    if (!Reserve(whole, TextEncodedBytes(whole->encoding, length)))
        return false;
    char *out = whole->bytes + whole->size;
    if (whole->encoding == TextUtf16) {
        memcpy(out, units, length * sizeof(wchar_t));
        whole->size += length * sizeof(wchar_t);
    } else {
        for (size_t i = 0; i < length; i++)
            out[i] = (char)units[i];
        whole->size += length;
    }
    return true;
}

// The entries of one walk through the shell's history, so that counting, skipping and writing
// take one walk, not two (each step is a call into the shell). A history with more entries
// than the list holds is walked again instead.
enum { ListCapacity = 1 << 17 };
wchar_t *Listed[ListCapacity];
unsigned int ListedCount;

// The entries from the history's start into the list; false when they do not all fit.
bool ListEntries(void)
{
    ListedCount = 0;
    for (wchar_t *entry = FirstHistoryEntry(); entry; entry = NextHistoryStep(entry)) {
        if (ListedCount == ListCapacity)
            return false;
        Listed[ListedCount++] = entry;
    }
    return true;
}

// The entries from one on: through the list (index below ListedCount) or the shell's walk.
struct EntryWalk {
    wchar_t *entry;
    unsigned int index; // ListCapacity: not from the list
};

void Step(EntryWalk *walk)
{
    if (walk->index < ListCapacity) {
        walk->index++;
        walk->entry = walk->index < ListedCount ? Listed[walk->index] : nullptr;
    } else {
        walk->entry = NextHistoryStep(walk->entry);
    }
}

// An entry of ASCII units only, nearly every entry, is its own UTF-8: its line goes in unit by
// unit as it is read, with no length pass and no conversion call. False, with nothing added,
// for any other entry or when the room runs out.
bool AddAsciiLine(WholeFile *whole, const wchar_t *entry, const wchar_t *prefix,
                  size_t prefixLength)
{
    char *out = whole->bytes + whole->size;
    const char *last = whole->bytes + whole->capacity - 1; // room for the line feed
    if (out + prefixLength >= last)
        return false;
    for (size_t i = 0; i < prefixLength; i++)
        *out++ = (char)prefix[i];
    const wchar_t *unit = entry;
    while (*unit && *unit < 0x80 && out < last)
        *out++ = (char)*unit++;
    if (*unit)
        return false;
    *out++ = '\n';
    whole->size = (size_t)(out - whole->bytes);
    return true;
}

// The number of a line's prefix ("%5u:  ") made one greater in place, as a number is
// counted: false when it needs one more place than the prefix has.
bool CountUp(wchar_t *prefix, size_t length)
{
    for (size_t i = length - 3; i-- > 0;) {
        if (prefix[i] == L' ') {
            prefix[i] = L'1';
            return true;
        }
        if (prefix[i] < L'9') {
            prefix[i]++;
            return true;
        }
        prefix[i] = L'0';
    }
    return false;
}

// The same lines as WriteEntries writes, into memory.
bool GatherEntries(WholeFile *whole, EntryWalk walk, unsigned int number, bool numbered)
{
    if (!Add(whole, L"\xFEFF", 1))
        return false;
    wchar_t prefix[16];
    size_t prefixLength = numbered ? FormatLineNumber(number, prefix) : 0;
    for (wchar_t *entry; (entry = walk.entry) != nullptr; Step(&walk), number++) {
        if (!(whole->encoding == TextUtf8 && AddAsciiLine(whole, entry, prefix, prefixLength)) &&
            (!AddAscii(whole, prefix, prefixLength) || !Add(whole, entry, TextLength(entry)) ||
             !AddAscii(whole, L"\n", 1)))
            return false;
        if (numbered && !CountUp(prefix, prefixLength))
            prefixLength = FormatLineNumber(number + 1, prefix);
    }
    return true;
}

int WriteEntries(TextFileWriter *writer, EntryWalk walk, unsigned int number, bool numbered)
{
    WholeFile whole = {writer->encoding, KeptBytes, 0, sizeof KeptBytes, false};
    const bool gathered = GatherEntries(&whole, walk, number, numbered);
    const int written = gathered ? WriteEncodedBytes(writer, whole.bytes, whole.size) : 0;
    if (whole.grown)
        free(whole.bytes);
    if (gathered)
        return written;
    // Out of memory, or text the system does not convert: line by line, as blocks fill.
    int result = AppendText(writer, L"\xFEFF");
    for (wchar_t *entry; (entry = walk.entry) != nullptr && result == 0; Step(&walk), number++) {
        if (numbered) {
            wchar_t prefix[16];
            result = AppendTextCount(writer, prefix, FormatLineNumber(number, prefix));
        }
        if (result == 0)
            result = AppendText(writer, entry);
        if (result == 0)
            result = AppendTextCount(writer, L"\n", 1);
    }
    return result;
}

} // namespace

unsigned int CountHistoryEntries(void)
{
    unsigned int count = 0;
    for (wchar_t *entry = FirstHistoryEntry(); entry; entry = NextHistoryStep(entry))
        count++;
    return count;
}

int WriteHistoryFile(const wchar_t *path, unsigned int maxLines, unsigned int flags)
{
    const bool listed = ListEntries();
    const unsigned int count = listed ? ListedCount : CountHistoryEntries();
    if (count == 0)
        return -1;
    EntryWalk walk = {FirstHistoryEntry(), listed ? 0u : (unsigned int)ListCapacity};
    unsigned int number = 1;
    if (maxLines != 0 && count > maxLines) {
        if (listed) {
            walk.index = count - maxLines;
            walk.entry = Listed[walk.index];
        } else {
            for (unsigned int skip = count - maxLines; skip > 0; skip--) {
                Step(&walk);
                if (!walk.entry)
                    return -1;
            }
        }
        number = count - maxLines + 1;
    }
    if (!walk.entry)
        return -1;
    TextFileWriter *writer =
        OpenTextFileWriter((flags & PrintHistoryUtf16) ? TextUtf16 : TextUtf8, path);
    if (!writer) {
        const int error = (int)GetLastError();
        return error ? error : ERROR_INVALID_DATA;
    }
    const int written = WriteEntries(writer, walk, number, (flags & PrintHistoryNumbered) != 0);
    // A failed append still gets the one more flush that closing makes; the writer is closed
    // and released exactly once either way.
    const int closed = CloseTextFileWriter(writer);
    return written != 0 ? written : closed;
}

int WriteHistoryToPrint(wchar_t *path, unsigned int *flags)
{
    unsigned int maxLines = GetEnvNumber(L"PrintHistoryMaxLines", DefaultPrintHistoryLines);
    if (maxLines == 0)
        maxLines = DefaultPrintHistoryLines;
    *flags = GetEnvNumber(L"PrintHistoryFlags", 0);

    path[0] = 0;
    if (!FirstHistoryEntry())
        return -1;
    NewScratchFileName(path, L".txt");
    if (!path[0])
        return -1;
    return WriteHistoryFile(path, maxLines, *flags);
}

int PrintHistory(KeyEvent *event)
{
    ConsumeKey(event);
    static wchar_t path[PathCapacity];
    unsigned int flags = 0;
    if (WriteHistoryToPrint(path, &flags) != 0) {
        PlayErrorSound();
        return 0;
    }
    if (flags & PrintHistoryOpen)
        ShellExecuteW(nullptr, nullptr, path, nullptr, nullptr, SW_SHOW);
    else
        ShellExecuteW(nullptr, L"Print", path, nullptr, nullptr, SW_HIDE);
    return 0;
}
