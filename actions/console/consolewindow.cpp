#include "actions/console/consolewindow.h"

#include "frame/globals.h"
#include "frame/host.h"
#include "frame/text.h"
#include "settings/settings.h"

#include <stdlib.h>
#include <wchar.h>

HWND(WINAPI *ConsoleWindowSource)(void) = GetConsoleWindow;
DWORD(WINAPI *ConsoleProcessListSource)(DWORD *list, DWORD size) = GetConsoleProcessList;

namespace
{

enum {
    ClassCapacity = 1024,
    ReplyCapacity = 1024,
    TitleCapacity = 1024,
    TitleTries = 20,
    TitleWaitMs = 50,
    // GetParentPID may form a loop when process ids are reused; no real ancestry is deeper.
    MaxAncestors = 256,
};

enum { WindowSearchCapacity = 32 };

// Top-level windows of one class (compared exactly), in enumeration order, at most 32.
struct WindowClassSearch {
    const wchar_t *className;
    int capacity; // always WindowSearchCapacity
    int count;
    HWND windows[WindowSearchCapacity];
    DWORD *processIds; // optional, WindowSearchCapacity entries: each window's process
};

bool HasClass(HWND window, const wchar_t *className)
{
    static wchar_t found[ClassCapacity];
    found[0] = 0;
    if (!RealGetWindowClassW(window, found, ClassCapacity))
        return false;
    return wcscmp(found, className) == 0;
}

BOOL CALLBACK CollectOne(HWND window, LPARAM data)
{
    WindowClassSearch *search = (WindowClassSearch *)data;
    if (!HasClass(window, search->className))
        return TRUE;
    if (search->processIds) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        search->processIds[search->count] = processId;
    }
    search->windows[search->count++] = window;
    return search->count < search->capacity;
}

// Fills search->windows (and processIds when given) by EnumWindows; the count found.
int CollectWindows(WindowClassSearch *search)
{
    search->count = 0;
    if (search->capacity > WindowSearchCapacity || search->capacity <= 0)
        search->capacity = WindowSearchCapacity;
    EnumWindows(CollectOne, (LPARAM)search);
    return search->count;
}

// The first collected window that belongs to this process or, walking up through the
// shell's GetParentPID, to the nearest ancestor; null when none does. search must have
// processIds.
HWND FindAncestorWindow(const WindowClassSearch *search)
{
    if (search->count == 0 || !search->processIds)
        return nullptr;
    int processId = (int)GetCurrentProcessId();
    for (int step = 0; step < MaxAncestors && processId != 0 && processId != -1; step++) {
        for (int i = 0; i < search->count; i++)
            if (search->processIds[i] == (DWORD)processId)
                return search->windows[i];
        processId = GetParentPID(processId);
    }
    return nullptr;
}

HWND AskHost(const wchar_t *request, int *answer)
{
    static wchar_t reply[ReplyCapacity];
    ZeroMemory(reply, sizeof reply);
    *answer = TakeCommandIPC(request, reply);
    reply[ReplyCapacity - 1] = 0;
    HWND window = (HWND)ParseHostReply(reply);
    return (window && IsWindow(window)) ? window : nullptr;
}

HWND HostWindowOfClass(const wchar_t *variable)
{
    static wchar_t text[64];
    DWORD length = GetEnvironmentVariableW(variable, text, 64);
    if (length == 0 || length >= 64)
        return nullptr;
    HWND window = (HWND)ParseWindowHandleText(text);
    if (!window || !IsWindow(window) || !HasClass(window, L"VirtualConsoleClass"))
        return nullptr;
    return window;
}

struct TitleMatch {
    const wchar_t *title;
    HWND found;
};

BOOL CALLBACK MatchTitledView(HWND window, LPARAM data)
{
    TitleMatch *match = (TitleMatch *)data;
    static wchar_t text[TitleCapacity];
    if (!RealGetWindowClassW(window, text, ClassCapacity) || wcsncmp(text, L"Afx:", 4) != 0)
        return TRUE;
    text[0] = 0;
    GetWindowTextW(window, text, TitleCapacity);
    if (wcscmp(text, match->title) != 0)
        return TRUE;
    match->found = window;
    return FALSE;
}

unsigned int NextRandom(void)
{
    static unsigned int state;
    if (!state)
        state = GetTickCount() ^ (GetCurrentProcessId() << 16) ^ 0x9E3779B9u;
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0xFFFF;
}

// The graphical host names the tab of a console after the console's title: give the console a
// title nobody uses and look for the tab that shows it.
HWND FindViewByTitle(HWND mainWindow)
{
    HWND console = ConsoleWindowSource();
    static wchar_t saved[TitleCapacity];
    static wchar_t title[64];
    saved[0] = 0;
    if (console)
        GetWindowTextW(console, saved, TitleCapacity);
    TextFormat(title, 64, L"\x00A4 %04X-%04X", (unsigned int)GetCurrentProcessId(), NextRandom());
    if (console)
        SetWindowTextW(console, title);
    TitleMatch match = {title, nullptr};
    for (int attempt = 0; attempt < TitleTries; attempt++) {
        EnumChildWindows(mainWindow, MatchTitledView, (LPARAM)&match);
        if (match.found || attempt == TitleTries - 1)
            break;
        Sleep(TitleWaitMs);
    }
    if (console)
        SetWindowTextW(console, saved);
    return match.found;
}

HWND TakeCommandView(HWND mainWindow)
{
    int answer = 0;
    HWND view = AskHost(L"HVIEW", &answer);
    if (view)
        return view;
    if (answer == -1 && IsWindow(mainWindow))
        view = FindViewByTitle(mainWindow);
    return view ? view : mainWindow;
}

struct ChildSearch {
    const wchar_t *className;
    HWND found;
};

BOOL CALLBACK MatchChildClass(HWND window, LPARAM data)
{
    ChildSearch *search = (ChildSearch *)data;
    if (!HasClass(window, search->className))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindConsole2(void)
{
    DWORD processIds[WindowSearchCapacity];
    WindowClassSearch search = {L"Console_2_Main", WindowSearchCapacity, 0, {}, processIds};
    CollectWindows(&search);
    return FindAncestorWindow(&search);
}

HWND Console2View(HWND mainWindow)
{
    ChildSearch search = {L"Console_2_View", nullptr};
    EnumChildWindows(mainWindow, MatchChildClass, (LPARAM)&search);
    return search.found ? search.found : mainWindow;
}

// Output that leaves the screen as it was, so that the graphical host looks at this console
// and attaches to it before we ask which processes share it.
void NudgeGraphicalHost(void)
{
    static const wchar_t piece[] = L"A\bB\bC\bD\b \b";
    enum { PieceUnits = sizeof piece / sizeof piece[0] - 1, Repeats = 256 };
    static wchar_t text[PieceUnits * Repeats + 1];
    if (!text[0])
        for (int i = 0; i < Repeats; i++)
            wmemcpy(text + i * PieceUnits, piece, PieceUnits);
    HANDLE console = Plugin.console;
    bool opened = false;
    if (!console) {
        console =
            CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        opened = console != INVALID_HANDLE_VALUE;
    }
    if (console && console != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteConsoleW(console, text, PieceUnits * Repeats, &written, nullptr);
    }
    if (opened)
        CloseHandle(console);
    tty_yield(0);
}

HWND FindTakeCommandBySearch(void)
{
    DWORD windowProcesses[WindowSearchCapacity];
    WindowClassSearch search = {L"XTPMainFrame", WindowSearchCapacity, 0, {}, windowProcesses};
    if (CollectWindows(&search) == 0)
        return nullptr;
    NudgeGraphicalHost();

    DWORD small[64];
    DWORD *list = small;
    DWORD size = 64;
    DWORD count = ConsoleProcessListSource(list, size);
    // The list may grow between the calls; a few rounds are plenty.
    for (int round = 0; round < 4 && count > size; round++) {
        if (list != small)
            free(list);
        size = count + 16;
        list = (DWORD *)malloc(size * sizeof(DWORD));
        if (!list)
            return nullptr;
        count = ConsoleProcessListSource(list, size);
    }
    HWND found = nullptr;
    if (count <= size)
        for (DWORD i = 0; i < count && !found; i++) {
            if (list[i] == 0)
                continue;
            for (int w = 0; w < search.count; w++)
                if (windowProcesses[w] == list[i]) {
                    found = search.windows[w];
                    break;
                }
        }
    if (list != small)
        free(list);
    return found;
}

HWND Found(HWND window, HWND view, ConsoleHostKind kind, HWND *viewOut, ConsoleHostKind *kindOut)
{
    if (viewOut)
        *viewOut = view;
    if (kindOut)
        *kindOut = kind;
    return window;
}

} // namespace

ULONG_PTR ParseWindowHandleText(const wchar_t *text)
{
    unsigned int value = 0;
    if (ParseNumber(text, nullptr, &value) != 0)
        return 0;
    return value;
}

ULONG_PTR ParseHostReply(const wchar_t *text)
{
    if (!text)
        return 0;
    const ULONG_PTR limit = ~(ULONG_PTR)0;
    ULONG_PTR value = 0;
    for (const wchar_t *p = text; *p >= L'0' && *p <= L'9'; p++) {
        unsigned int digit = *p - L'0';
        if (value > (limit - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    return value;
}

HWND FindConsoleWindow(HWND *view, ConsoleHostKind *kind)
{
    if (view)
        *view = nullptr;
    if (kind)
        *kind = ConsoleHostNone;

    int answer = 0;
    HWND window = AskHost(L"HWND", &answer);
    if (window)
        return Found(window, view ? TakeCommandView(window) : nullptr, ConsoleHostTakeCommand, view,
                     kind);

    HWND console = ConsoleWindowSource();
    if (console && IsWindow(console) && IsWindowVisible(console) &&
        HasClass(console, L"ConsoleWindowClass")) {
        if (!MonitorFromWindow(console, MONITOR_DEFAULTTONULL)) {
            // Console2 keeps the real console window off every screen.
            HWND console2 = FindConsole2();
            if (console2)
                return Found(console2, console2, ConsoleHostConsole2, view, kind);
        }
        return Found(console, console, ConsoleHostClassic, view, kind);
    }

    static wchar_t className[ClassCapacity];
    className[0] = 0;
    if (console && RealGetWindowClassW(console, className, ClassCapacity) &&
        TextEqualNoCase(className, L"PseudoConsoleWindow")) {
        DWORD processIds[WindowSearchCapacity];
        WindowClassSearch search = {
            L"CASCADIA_HOSTING_WINDOW_CLASS", WindowSearchCapacity, 0, {}, processIds};
        CollectWindows(&search);
        HWND terminal = FindAncestorWindow(&search);
        if (terminal)
            return Found(terminal, terminal, ConsoleHostWindowsTerminal, view, kind);
    }

    HWND conEmu = HostWindowOfClass(L"ConEmuHWND");
    if (conEmu) {
        HWND drawn = view ? HostWindowOfClass(L"ConEmuDrawHWND") : nullptr;
        return Found(conEmu, drawn ? drawn : conEmu, ConsoleHostConEmu, view, kind);
    }

    HWND console2 = FindConsole2();
    if (console2)
        return Found(console2, view ? Console2View(console2) : nullptr, ConsoleHostConsole2, view,
                     kind);

    HWND takeCommand = FindTakeCommandBySearch();
    if (takeCommand)
        return Found(takeCommand, view ? TakeCommandView(takeCommand) : nullptr,
                     ConsoleHostTakeCommand, view, kind);
    return nullptr;
}
