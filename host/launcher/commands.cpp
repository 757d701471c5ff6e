#include "host/launcher/commands.h"

#include "frame/text.h"
#include "host/launcher/editline.h"
#include "host/launcher/help.h"
#include "host/launcher/history.h"
#include "host/launcher/screen.h"
#include "host/launcher/shelllib.h"

#include <wchar.h>
#include <windows.h>

namespace
{

enum { NameCapacity = 256, ExpandCapacity = 8192 };

const wchar_t *SkipBlanks(const wchar_t *p)
{
    while (*p && IsBlank(*p))
        p++;
    return p;
}

// Expands into out; on failure says why and gives false.
bool Expand(const wchar_t *text, wchar_t *out, size_t capacity)
{
    if (TextCopy(out, capacity, text) != 0 || ShellExpand(out, capacity) != 0) {
        OutError(L"The text is too long or cannot be expanded (8191 characters at most).\r\n");
        return false;
    }
    return true;
}

int Echo(const wchar_t *arguments)
{
    static wchar_t text[ExpandCapacity];
    if (!*arguments) {
        Out(L"ECHO is ON\r\n");
        return 0;
    }
    if (!Expand(arguments, text, ExpandCapacity))
        return 1;
    Out(text);
    Out(L"\r\n");
    return 0;
}

void ListEnvironment(void)
{
    wchar_t *block = GetEnvironmentStringsW();
    if (!block)
        return;
    for (const wchar_t *p = block; *p; p += wcslen(p) + 1)
        if (*p != L'=') {
            Out(p);
            Out(L"\r\n");
        }
    FreeEnvironmentStringsW(block);
}

int Set(const wchar_t *arguments)
{
    if (!*arguments) {
        ListEnvironment();
        return 0;
    }
    static wchar_t value[ExpandCapacity];
    wchar_t name[NameCapacity];
    const wchar_t *equals = wcschr(arguments, L'=');
    size_t nameLength = equals ? (size_t)(equals - arguments) : wcslen(arguments);
    while (nameLength > 0 && IsBlank(arguments[nameLength - 1]))
        nameLength--;
    if (nameLength == 0 || nameLength >= NameCapacity) {
        OutError(L"Syntax: set [name[=value]]\r\n");
        return 1;
    }
    TextCopyCount(name, NameCapacity, arguments, nameLength);
    if (!equals) {
        DWORD n = GetEnvironmentVariableW(name, value, ExpandCapacity);
        if (n == 0 || n >= ExpandCapacity) {
            OutFormat(L"Not in environment \"%s\"\r\n", name);
            return 1;
        }
        OutFormat(L"%s=%s\r\n", name, value);
        return 0;
    }
    if (!Expand(equals + 1, value, ExpandCapacity))
        return 1;
    // An empty value removes the variable, as the shell's own set does.
    SetEnvironmentVariableW(name, value[0] ? value : nullptr);
    return 0;
}

// option name shows what %@option[name] gives; option name=value changes it, and
// option name= brings back the shell's default (EscapeChar, UnixPaths, ...).
int Option(const wchar_t *arguments)
{
    static wchar_t value[ExpandCapacity];
    wchar_t name[NameCapacity];
    const wchar_t *equals = wcschr(arguments, L'=');
    size_t nameLength = equals ? (size_t)(equals - arguments) : wcslen(arguments);
    while (nameLength > 0 && IsBlank(arguments[nameLength - 1]))
        nameLength--;
    if (nameLength == 0 || nameLength >= NameCapacity || wcscspn(arguments, L"[]%") < nameLength) {
        OutError(L"Syntax: option name[=value]\r\n");
        return 1;
    }
    TextCopyCount(name, NameCapacity, arguments, nameLength);
    if (equals) {
        // Taken as typed: an escape character must be settable to any character.
        ShellSetOption(name, equals[1] ? equals + 1 : nullptr);
        return 0;
    }
    TextFormat(value, ExpandCapacity, L"%%@option[%s]", name);
    if (ShellExpand(value, ExpandCapacity) != 0) {
        OutError(L"The option cannot be read.\r\n");
        return 1;
    }
    OutFormat(L"%s=%s\r\n", name, value);
    return 0;
}

int History(void)
{
    for (int i = 0; i < HistoryCount(); i++) {
        Out(HistoryEntry(i));
        Out(L"\r\n");
    }
    return 0;
}

// Prints the clipboard's text, so that the clipboard actions can be seen at work. Line
// breaks are shown as the console's own; text not ending in one gets one.
int Paste(void)
{
    if (!OpenClipboard(nullptr)) {
        OutError(L"paste: the clipboard is in use by another program.\r\n");
        return 1;
    }
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t *text = data ? (const wchar_t *)GlobalLock(data) : nullptr;
    if (!text) {
        CloseClipboard();
        OutError(L"paste: the clipboard holds no text.\r\n");
        return 1;
    }
    // Bounded by the block: another program's text need not end in a NUL.
    size_t count = wcsnlen(text, GlobalSize(data) / sizeof(wchar_t));
    static wchar_t piece[1024];
    size_t used = 0;
    wchar_t last = 0;
    for (size_t i = 0; i < count; i++) {
        last = text[i];
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r'))
            piece[used++] = L'\r';
        piece[used++] = text[i];
        if (used >= 1022 || i + 1 == count) {
            piece[used] = 0;
            Out(piece);
            used = 0;
        }
    }
    GlobalUnlock(data);
    CloseClipboard();
    if (last != L'\n')
        Out(L"\r\n");
    return 0;
}

// help alone lists the commands; help NAME asks the plug-in first, as the shell does.
int Help(const wchar_t *arguments)
{
    wchar_t topic[NameCapacity] = L"";
    if (*arguments && !HelpTopicAt(arguments, 0, topic, NameCapacity)) {
        OutError(L"help: the topic is too long.\r\n");
        return 1;
    }
    ShowHelp(topic);
    return 0;
}

int Linewise(const wchar_t *arguments)
{
    if (!PluginHasCommand(L"linewise")) {
        OutError(L"linewise: the plug-in is not loaded, so its command is not available.\r\n");
        return 1;
    }
    // The plug-in gets a copy it may not outgrow; the shell's command buffers hold 8192.
    static wchar_t copy[ExpandCapacity];
    if (TextCopy(copy, ExpandCapacity, arguments) != 0) {
        OutError(L"linewise: the arguments are too long.\r\n");
        return 1;
    }
    return PluginCommand(copy);
}

} // namespace

void ReportUnknownCommand(const wchar_t *name)
{
    static wchar_t text[1024];
    TextFormat(text, 1024, L"\"%s\" is not a command of this shell.\r\n", name);
    OutError(text);
}

int RunCommandLine(const wchar_t *line, int *exitCode)
{
    const wchar_t *start = SkipBlanks(line);
    // A line that starts with a colon is a label (and the calculator line of the plug-in).
    if (!*start || *start == L':')
        return CommandDone;
    const wchar_t *end = start;
    while (*end && !IsBlank(*end))
        end++;
    wchar_t name[NameCapacity];
    if (TextCopyCount(name, NameCapacity, start, (size_t)(end - start)) != 0) {
        ReportUnknownCommand(name);
        return CommandDone;
    }
    const wchar_t *arguments = SkipBlanks(end);

    if (TextEqualNoCase(name, L"echo"))
        Echo(arguments);
    else if (TextEqualNoCase(name, L"set"))
        Set(arguments);
    else if (TextEqualNoCase(name, L"option"))
        Option(arguments);
    else if (TextEqualNoCase(name, L"history"))
        History();
    else if (TextEqualNoCase(name, L"paste"))
        Paste();
    else if (TextEqualNoCase(name, L"linewise"))
        Linewise(arguments);
    else if (TextEqualNoCase(name, L"help"))
        Help(arguments);
    else if (TextEqualNoCase(name, L"exit")) {
        *exitCode = (int)wcstol(arguments, nullptr, 10);
        return CommandExit;
    } else
        ReportUnknownCommand(name);
    return CommandDone;
}
