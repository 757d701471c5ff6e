#include "frame/help.h"

#include "frame/globals.h"
#include "frame/host.h"
#include "frame/paths.h"
#include "frame/text.h"

// The 32-bit product hands the viewer a record of 68 bytes.
static_assert(sizeof(void *) != 4 || sizeof(STARTUPINFOW) == 68, "STARTUPINFOW size");

namespace
{

// The viewer the plug-in started last, or null.
HANDLE Viewer;

// Large enough for a canonical path and its page; the command line holds two of them.
wchar_t Location[PathCapacity];
wchar_t TrueName[PathCapacity];
wchar_t ViewerPath[PathCapacity];
wchar_t CommandLine[2 * PathCapacity + 8];

const wchar_t *const LocationFormats[] = {
    L"%%[%sHelp]\\%s.chm",     L"%%[PluginHelp]\\%s.chm",    L"~\\%s.chm",
    L"~\\Help\\%s.chm",        L"%%@path[%%_cmdspec]%s.chm", L"%%@path[%%_cmdspec]help\\%s.chm",
    L"%%windir\\help\\%s.chm",
};

const wchar_t MissingFileFormat[] =
    L"I can\x2019t find the help file %s.chm.  It should be:\n\n"
    L"    \x2022  in a directory specified in %%%sHELP\n"
    L"    \x2022  in a directory specified in %%PLUGINHELP\n"
    L"    \x2022  in the same directory as the .DLL file\n"
    L"    \x2022  in a HELP directory within the .DLL\x2019s directory  \n"
    L"    \x2022  in the same directory as the command shell\n"
    L"    \x2022  in a HELP directory within the shell\x2019s directory  \n"
    L"    \x2022  or in %s\\Help.\n";

wchar_t LowerChar(wchar_t ch)
{
    return (wchar_t)(ULONG_PTR)CharLowerW((LPWSTR)(ULONG_PTR)ch);
}

bool SameItem(const wchar_t *item, size_t length, const wchar_t *topic)
{
    if (TextLength(topic) != length)
        return false;
    for (size_t i = 0; i < length; i++)
        if (LowerChar(item[i]) != LowerChar(topic[i]))
            return false;
    return true;
}

// The directory of the plug-in's own file, with its trailing backslash; empty when unknown.
void ModuleDirectory(wchar_t *out, size_t capacity)
{
    out[0] = 0;
    DWORD n = GetModuleFileNameW(Plugin.instance, out, (DWORD)capacity);
    if (n == 0 || n >= capacity) {
        out[0] = 0;
        return;
    }
    wchar_t *slash = wcsrchr(out, L'\\');
    if (slash)
        slash[1] = 0;
    else
        out[0] = 0;
}

void ShowMissingFile(void)
{
    wchar_t windows[260];
    UINT n = GetWindowsDirectoryW(windows, 260);
    if (n == 0 || n >= 260)
        windows[0] = 0;
    wchar_t upper[64];
    TextCopy(upper, 64, PLUGIN_NAME);
    CharUpperW(upper);
    static wchar_t text[2048];
    TextFormat(text, 2048, MissingFileFormat, PLUGIN_NAME, upper, windows);
    MessageBoxW(GetForegroundWindow(), text, L"Missing Help File", MB_OK);
}

} // namespace

int HelpPageForTopic(const wchar_t *topic, wchar_t *page, int capacity)
{
    if (!page || capacity <= 0)
        return 0;
    page[0] = 0;
    if (!topic)
        return 0;
    const wchar_t *implements = PLUGIN_IMPLEMENTS;
    for (const wchar_t *item = implements; item && *item;) {
        const wchar_t *end = wcschr(item, L',');
        size_t length = end ? (size_t)(end - item) : TextLength(item);
        if (SameItem(item, length, topic)) {
            const wchar_t *rest = item;
            if (item[0] == L'@') {
                TextCopy(page, capacity, L"f_");
                rest = item + 1;
                length--;
            } else if (item[0] == L'_') {
                TextCopy(page, capacity, L"v");
            }
            size_t used = TextLength(page);
            TextCopyCount(page + used, capacity - used, rest, length);
            CharLowerW(page);
            return 1;
        }
        item = end ? end + 1 : item + length;
    }
    return 0;
}

namespace
{

// 1 when a viewer was started on location (a format already filled in, "~\" for the plug-in's
// own directory, "%[Name]" for an environment directory) at page, else 0.
int OpenHelpAt(const wchar_t *location, const wchar_t *page)
{
    if (!location || !page)
        return 0;
    Location[0] = 0;
    if (location[0] == L'~' && location[1] == L'\\') {
        ModuleDirectory(Location, PathCapacity);
        if (!Location[0])
            return 0;
        if (TextAppend(Location, PathCapacity, location + 2) != 0)
            return 0;
    } else if (TextCopy(Location, PathCapacity, location) != 0) {
        return 0;
    }
    bool fromEnvironment = Location[0] == L'%' && Location[1] == L'[';

    if (ExpandVariables(Location, 1) != 0)
        return 0;
    // An unset variable leaves "\Linewise.chm", which would name the root of the current drive.
    if (fromEnvironment && Location[0] == L'\\')
        return 0;

    TrueName[0] = 0;
    QueryTrueName(Location, TrueName);
    if (!TrueName[0] || !IsPlainFile(TrueName))
        return 0;

    ViewerPath[0] = 0;
    DWORD n = SearchPathW(nullptr, L"hh.exe", nullptr, PathCapacity, ViewerPath, nullptr);
    if (n == 0 || n >= PathCapacity)
        return 0;

    if (TextAppendFormat(TrueName, PathCapacity, L"::/%s.html", page) < 0)
        return 0;
    if (TextFormat(CommandLine, 2 * PathCapacity + 8, L"\"%s\" \"%s\"", ViewerPath, TrueName) < 0)
        return 0;

    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    if (!CreateProcessW(ViewerPath, CommandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    EndHelpViewer();
    Viewer = process.hProcess;
    return 1;
}

} // namespace

int ShowHelp(const wchar_t *page)
{
    for (const wchar_t *format : LocationFormats) {
        wchar_t location[256];
        TextFormat(location, 256, format, PLUGIN_NAME, PLUGIN_NAME);
        if (OpenHelpAt(location, page))
            return 1;
    }
    ShowMissingFile();
    return 1;
}

void EndHelpViewer(void)
{
    if (!Viewer)
        return;
    TerminateProcess(Viewer, 0);
    CloseHandle(Viewer);
    Viewer = nullptr;
}
