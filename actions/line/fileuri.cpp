#include "actions/line/fileuri.h"

#include "frame/host.h"
#include "frame/messages.h"
#include "frame/paths.h"
#include "frame/text.h"
#include "frame/textscan.h"
#include "keys/editline.h"

#include <shlwapi.h>
#include <wchar.h>

namespace
{

enum { WordCapacity = 0x8000 };

// One keystroke at a time on the shell's thread: the buffers stay off its stack.
wchar_t Word[WordCapacity];
wchar_t Converted[UriCapacity + 2]; // a path in quotes
wchar_t TrueName[PathCapacity];
wchar_t Uri[UriCapacity];
wchar_t PathText[UriCapacity];

bool IsControlChar(wchar_t ch)
{
    return ch < 0x20 || (ch >= 0x7F && ch <= 0x9F);
}

bool IsUriScheme(const wchar_t *word)
{
    const wchar_t *scheme = L"file://";
    for (int i = 0; scheme[i]; i++) {
        wchar_t ch = word[i];
        if (ch >= L'A' && ch <= L'Z')
            ch = (wchar_t)(ch - L'A' + L'a');
        if (ch != scheme[i])
            return false;
    }
    return true;
}

int CountPercents(const wchar_t *text)
{
    int count = 0;
    for (; *text; text++)
        if (*text == L'%')
            count++;
    return count;
}

// The path for a file:// word (its percent pairs already undone), in quotes where the
// command line needs them. False when it does not convert.
bool UrlToQuotedPath(const wchar_t *url, wchar_t *out)
{
    wchar_t *path = PathText;
    path[0] = 0;
    DWORD size = UriCapacity;
    if (FAILED(PathCreateFromUrlW(url, path, &size, 0)))
        return false;
    path[UriCapacity - 1] = 0;
    if (!path[0])
        return false;
    if (NeedsQuoting(path))
        return TextFormat(out, UriCapacity + 2, L"\"%s\"", path) >= 0;
    return TextCopy(out, UriCapacity + 2, path) == 0;
}

int Fail(void)
{
    PlayErrorSound();
    return 0;
}

} // namespace

int DoublePercents(const wchar_t *source, wchar_t *destination)
{
    if (!destination)
        return 0;
    destination[0] = 0;
    if (!source)
        return 0;
    size_t n = 0;
    int doubled = 0;
    for (; *source; source++) {
        size_t units = *source == L'%' ? 2 : 1;
        if (n + units > UriCapacity - 1)
            break;
        destination[n++] = *source;
        if (units == 2) {
            destination[n++] = L'%';
            doubled++;
        }
    }
    destination[n] = 0;
    return doubled;
}

int UndoublePercents(wchar_t *text)
{
    if (!text)
        return 0;
    int pairs = 0;
    wchar_t *out = text;
    for (const wchar_t *in = text; *in; in++) {
        *out++ = *in;
        if (in[0] == L'%' && in[1] == L'%') {
            in++;
            pairs++;
        }
    }
    *out = 0;
    return pairs;
}

int NeedsQuoting(const wchar_t *text)
{
    if (!text)
        return 0;
    int count = 0;
    for (; *text; text++) {
        wchar_t ch = *text;
        if (IsBlank(ch) || IsControlChar(ch) || ch == L'%' || ch == L'&' || ch == L',' ||
            ch == L';' || ch == L'<' || ch == L'>' || ch == L'|')
            count++;
    }
    return count;
}

int PathToUrl(wchar_t *text)
{
    if (!text || TrimBlanks(text) != 0 || !text[0])
        return -1;
    // The shell's full name may be longer than what it was given: it gets a path-sized
    // buffer, and a name that no longer fits the text is refused rather than cut.
    TrueName[0] = 0;
    QueryTrueName(text, TrueName);
    TrueName[PathCapacity - 1] = 0;
    if (!TrueName[0] || TextCopy(text, UriCapacity, TrueName) != 0)
        return -1;

    DWORD size = UriCapacity;
    HRESULT result = UrlCreateFromPathW(text, Uri, &size, 0);
    if (result != S_OK && result != S_FALSE)
        return -1;
    Uri[UriCapacity - 1] = 0;
    size_t length = TextLength(Uri);
    if (length == 0 || length + (size_t)CountPercents(Uri) > UriCapacity - 1)
        return -1; // doubling would cut the URI short
    DoublePercents(Uri, text);
    return 0;
}

int FileToUri(KeyEvent *event)
{
    if (!event)
        return 0;
    ConsumeKey(event);
    int start = 0, length = 0;
    if (!FindWordAtCursor(event, &start, &length, Word, WordCapacity) || length <= 0 || !Word[0])
        return Fail();

    if (IsUriScheme(Word)) {
        UndoublePercents(Word);
        if (!UrlToQuotedPath(Word, Converted))
            return Fail();
    } else {
        if (PathToUrl(Word) != 0)
            return Fail();
        TextCopy(Converted, UriCapacity + 2, Word);
    }

    // A result too long for the line changes nothing.
    size_t newLength = TextLength(Converted);
    if (ReplaceLineText(start, event, length, Converted) != 0)
        return Fail();
    event->cursor = event->line + start + newLength;
    return 0;
}
