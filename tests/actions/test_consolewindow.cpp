// Console window discovery with windows made here and in helper processes: every host kind,
// the ancestor choice, ConEmu's variables, the graphical host's replies and the title search.
// Wine's console window can be neither a classic console nor a pseudo console, so those two
// come through ConsoleWindowSource.
#include "actions/console/consolewindow.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"

#include <stdio.h>

namespace
{

HWND FakeConsole;
HWND MirrorTarget; // gets every title given to FakeConsole, like the host's tab
wchar_t TemporaryTitle[64];

HWND WINAPI FakeConsoleWindow(void)
{
    return FakeConsole;
}

// Wine lists the attached processes with id 0: a list of its own, with a zero entry first and
// long enough that it does not fit the first 64 entries.
DWORD OtherProcessId;
int ProcessListCalls;
DWORD WINAPI FakeProcessList(DWORD *list, DWORD size)
{
    ProcessListCalls++;
    enum { Count = 70 };
    if (size < Count)
        return Count;
    for (DWORD i = 0; i < Count; i++)
        list[i] = i == 0           ? 0
                  : i < Count - 2  ? 100000 + i
                  : i == Count - 2 ? OtherProcessId
                                   : GetCurrentProcessId();
    return Count;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT && window == FakeConsole) {
        const wchar_t *text = (const wchar_t *)lParam;
        if (text[0] == 0xA4)
            wcsncpy(TemporaryTitle, text, 63);
        if (MirrorTarget)
            SetWindowTextW(MirrorTarget, text);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

enum { MaxMade = 32 };
HWND Made[MaxMade];
int MadeCount;

HWND Make(const wchar_t *className, HWND parent = nullptr, bool visible = true, int x = 100,
          int y = 100)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    DWORD style = parent ? WS_CHILD : WS_OVERLAPPEDWINDOW;
    HWND window = CreateWindowExW(0, className, L"", style | (visible ? WS_VISIBLE : 0), x, y, 300,
                                  200, parent, nullptr, windowClass.hInstance, nullptr);
    if (!window)
        printf("cannot make a window of class %ls (error %lu)\n", className, GetLastError());
    if (!parent && MadeCount < MaxMade)
        Made[MadeCount++] = window;
    return window;
}

struct Helper {
    PROCESS_INFORMATION process;
    HWND window;
    const wchar_t *className;
};

BOOL CALLBACK FindHelperWindow(HWND window, LPARAM data)
{
    Helper *helper = (Helper *)data;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[64] = {};
    RealGetWindowClassW(window, className, 64);
    // The helper has other windows too (IME and the like).
    if (processId != helper->process.dwProcessId || wcscmp(className, helper->className) != 0)
        return TRUE;
    helper->window = window;
    return FALSE;
}

// Another process with a window of the given class, its process id and the window.
Helper StartHelper(const wchar_t *className)
{
    Helper helper = {};
    helper.className = className;
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    wchar_t *slash = wcsrchr(path, L'\\');
    wchar_t command[2 * MAX_PATH];
    swprintf(command, 2 * MAX_PATH, L"\"%.*ls\\hostwindows.exe\" %ls", (int)(slash - path), path,
             className);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &helper.process)) {
        printf("cannot start %ls\n", command);
        return helper;
    }
    for (int i = 0; i < 200 && !helper.window; i++) {
        EnumWindows(FindHelperWindow, (LPARAM)&helper);
        if (!helper.window)
            Sleep(25);
    }
    if (!helper.window)
        printf("helper made no window\n");
    return helper;
}

void StopHelper(Helper &helper)
{
    if (!helper.process.hProcess)
        return;
    if (helper.window)
        PostMessageW(helper.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(helper.process.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(helper.process.hProcess, 1);
    CloseHandle(helper.process.hProcess);
    CloseHandle(helper.process.hThread);
    helper = Helper{};
}

// Back to no host at all between cases.
void Reset(void)
{
    for (int i = 0; i < MadeCount; i++)
        DestroyWindow(Made[i]);
    MadeCount = 0;
    FakeConsole = nullptr;
    MirrorTarget = nullptr;
    ConsoleWindowSource = FakeConsoleWindow;
    ConsoleProcessListSource = FakeProcessList;
    OtherProcessId = 0;
    ProcessListCalls = 0;
    Host().SetGraphicalHost(0, nullptr);
    Host().SetParentPID(0, 0);
    SetEnvironmentVariableW(L"ConEmuHWND", nullptr);
    SetEnvironmentVariableW(L"ConEmuDrawHWND", nullptr);
}

struct Result {
    HWND window;
    HWND view;
    ConsoleHostKind kind;
};

Result Find(void)
{
    Result result = {};
    result.kind = (ConsoleHostKind)99;
    result.window = FindConsoleWindow(&result.view, &result.kind);
    return result;
}

#define CHECK_FOUND(result, window_, view_, kind_)                                                 \
    do {                                                                                           \
        CHECK((result).window == (window_));                                                       \
        CHECK((result).view == (view_));                                                           \
        CHECK_EQ((result).kind, (kind_));                                                          \
    } while (0)

void SetHandleVariable(const wchar_t *name, const wchar_t *format, HWND window)
{
    wchar_t text[64];
    swprintf(text, 64, format, (unsigned long long)(ULONG_PTR)window);
    SetEnvironmentVariableW(name, text);
}

} // namespace

TEST(window_handle_texts)
{
    struct Row {
        const wchar_t *text;
        unsigned long long expected;
    } rows[] = {
        {L"0x1A2b", 0x1A2B}, {L"0X00ff", 0xFF},  {L"6699", 6699},     {L"0xFFFFFFFF", 0xFFFFFFFF},
        {L"0x", 0},          {L"0", 0},          {L"0x0", 0},         {L"12ab", 0},
        {L"0x12g", 0},       {L"", 0},           {L" 12", 0},         {L"-5", 0},
        {L"+5", 0},          {L"4294967296", 0}, {L"0x100000000", 0}, {L"12 ", 0},
    };
    for (const Row &row : rows)
        CHECK_ROW_EQ(Show(row.text), (long long)ParseWindowHandleText(row.text),
                     (long long)row.expected);
    CHECK_EQ(ParseWindowHandleText(nullptr), 0);

    struct ReplyRow {
        const wchar_t *text;
        unsigned long long expected;
    } replies[] = {
        {L"123", 123}, {L"123abc", 123}, {L"abc", 0},
        {L"", 0},      {L"0x10", 0},     {L"99999999999999999999999", 0},
    };
    for (const ReplyRow &row : replies)
        CHECK_ROW_EQ(Show(row.text), (long long)ParseHostReply(row.text), (long long)row.expected);
}

TEST(nothing_found)
{
    Reset();
    Result result = Find();
    CHECK_FOUND(result, nullptr, nullptr, ConsoleHostNone);
    // Wine's own console window: of neither class, so it is no host either.
    ConsoleWindowSource = GetConsoleWindow;
    result = Find();
    CHECK_FOUND(result, nullptr, nullptr, ConsoleHostNone);
    Reset();
}

TEST(classic_console)
{
    Reset();
    FakeConsole = Make(L"ConsoleWindowClass");
    Result result = Find();
    CHECK_FOUND(result, FakeConsole, FakeConsole, ConsoleHostClassic);
    CHECK(FindConsoleWindow() == FakeConsole);

    // Off every monitor and no Console2 of ours: still the classic console.
    SetWindowPos(FakeConsole, nullptr, -5000, -5000, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    CHECK(MonitorFromWindow(FakeConsole, MONITOR_DEFAULTTONULL) == nullptr);
    result = Find();
    CHECK_FOUND(result, FakeConsole, FakeConsole, ConsoleHostClassic);

    // Off every monitor with a Console2 main window of ours: that window, also as the view.
    HWND console2 = Make(L"Console_2_Main");
    Make(L"Console_2_View", console2);
    result = Find();
    CHECK_FOUND(result, console2, console2, ConsoleHostConsole2);

    // Hidden: not a classic console; the search goes on to Console2 (with its view).
    SetWindowPos(FakeConsole, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(FakeConsole, SW_HIDE);
    result = Find();
    CHECK(result.window == console2);
    CHECK(result.view != console2 && result.view != nullptr);
    CHECK_EQ(result.kind, ConsoleHostConsole2);
    Reset();
}

TEST(console2_and_terminal_by_ancestor)
{
    Reset();
    DWORD self = GetCurrentProcessId();
    Helper parentHelper = StartHelper(L"Console_2_Main");
    Helper grandparentHelper = StartHelper(L"Console_2_Main");
    Helper stranger = StartHelper(L"Console_2_Main");
    int parentId = (int)parentHelper.process.dwProcessId,
        grandparentId = (int)grandparentHelper.process.dwProcessId;

    struct Row {
        const char *name;
        int parentOfSelf, parentOfParent;
        bool own;
        HWND expected;
    } rows[] = {
        {"parent before grandparent", parentId, grandparentId, false, parentHelper.window},
        {"grandparent when the parent has none", 4444, grandparentId, false,
         grandparentHelper.window},
        {"own window first", parentId, grandparentId, true, nullptr},
        {"no ancestor owns one", 4444, 0, false, nullptr},
        {"walk ends at -1", -1, parentId, false, nullptr},
        {"a loop in the parents ends", 4444, (int)self, false, nullptr},
    };
    for (const Row &row : rows) {
        Host().SetParentPID((int)self, row.parentOfSelf);
        Host().SetParentPID(row.parentOfSelf == -1 ? 4444 : row.parentOfSelf, row.parentOfParent);
        HWND own = row.own ? Make(L"Console_2_Main") : nullptr;
        HWND expected = row.own ? own : row.expected;
        Result result = Find();
        CHECK_ROW(row.name, result.window == expected);
        CHECK_ROW_EQ(row.name, result.kind, expected ? ConsoleHostConsole2 : ConsoleHostNone);
        // No "Console_2_View" child: the main window is the view.
        CHECK_ROW(row.name, result.view == expected);
        Reset();
    }

    // Windows Terminal: the same search among terminal windows, for a pseudo console only.
    Helper terminal = StartHelper(L"CASCADIA_HOSTING_WINDOW_CLASS");
    Host().SetParentPID((int)self, 4444);
    Host().SetParentPID(4444, (int)terminal.process.dwProcessId);
    FakeConsole = Make(L"PSEUDOCONSOLEWINDOW", nullptr, false);
    Result result = Find();
    CHECK_FOUND(result, terminal.window, terminal.window, ConsoleHostWindowsTerminal);
    // A console window of another class does not look for terminals.
    FakeConsole = Make(L"SomeOtherConsoleClass", nullptr, false);
    Host().SetParentPID((int)self, 4444);
    Host().SetParentPID(4444, (int)terminal.process.dwProcessId);
    result = Find();
    CHECK_FOUND(result, nullptr, nullptr, ConsoleHostNone);
    Reset();

    StopHelper(parentHelper);
    StopHelper(grandparentHelper);
    StopHelper(stranger);
    StopHelper(terminal);
}

TEST(console2_view_child)
{
    Reset();
    HWND main = Make(L"Console_2_Main");
    HWND frame = Make(L"Console_2_Frame", main);
    HWND view = Make(L"Console_2_View", frame);
    Result result = Find();
    CHECK_FOUND(result, main, view, ConsoleHostConsole2);
    CHECK(FindConsoleWindow() == main);
    Reset();
}

TEST(conemu_variables)
{
    Reset();
    HWND main = Make(L"VirtualConsoleClass");
    HWND drawn = Make(L"VirtualConsoleClass", main);
    HWND wrong = Make(L"OtherClass");
    struct Row {
        const char *name;
        const wchar_t *mainFormat; // null: variable unset
        HWND mainWindow;
        const wchar_t *drawFormat;
        HWND drawWindow;
        HWND expected, expectedView;
    } rows[] = {
        {"hex main, decimal view", L"0x%llx", main, L"%llu", drawn, main, drawn},
        {"upper-case hex", L"0X%llX", main, L"0X%llX", drawn, main, drawn},
        {"decimal main, no view variable", L"%llu", main, nullptr, nullptr, main, main},
        {"view of the wrong class", L"%llu", main, L"%llu", wrong, main, main},
        {"malformed view", L"%llu", main, L"%llux", drawn, main, main},
        {"trailing letters", L"%lluabc", main, nullptr, nullptr, nullptr, nullptr},
        {"0x alone", L"0x", main, nullptr, nullptr, nullptr, nullptr},
        {"zero", L"0", main, nullptr, nullptr, nullptr, nullptr},
        {"main of the wrong class", L"%llu", wrong, L"%llu", drawn, nullptr, nullptr},
        {"no window", L"%llu", (HWND)(ULONG_PTR)0x7ffff0, nullptr, nullptr, nullptr, nullptr},
    };
    for (const Row &row : rows) {
        SetHandleVariable(L"ConEmuHWND", row.mainFormat, row.mainWindow);
        if (row.drawFormat)
            SetHandleVariable(L"ConEmuDrawHWND", row.drawFormat, row.drawWindow);
        else
            SetEnvironmentVariableW(L"ConEmuDrawHWND", nullptr);
        Result result = Find();
        CHECK_ROW(row.name, result.window == row.expected);
        CHECK_ROW(row.name, result.view == row.expectedView);
        CHECK_ROW_EQ(row.name, result.kind, row.expected ? ConsoleHostConEmu : ConsoleHostNone);
    }
    Reset();
}

TEST(take_command_by_request)
{
    Reset();
    FakeConsole = Make(L"TestConsoleWindow", nullptr, false);
    SetWindowTextW(FakeConsole, L"Original title");
    HWND main = Make(L"TakeCommandMain");
    HWND view = Make(L"Afx:TabView", main);
    HWND mirror = Make(L"Afx:Mirror", main);
    MirrorTarget = mirror;
    // Console2 is there too: the request comes first.
    Make(L"Console_2_Main");

    Host().SetGraphicalHost(1, main);
    Host().SetGraphicalView(1, view);
    Result result = Find();
    CHECK_FOUND(result, main, view, ConsoleHostTakeCommand);

    // "HVIEW" answered with no window: the main window, and no title search (the mirror
    // would have been found).
    Host().SetGraphicalView(1, (void *)(ULONG_PTR)0x7ffff0);
    result = Find();
    CHECK_FOUND(result, main, main, ConsoleHostTakeCommand);

    // "HVIEW" fails: the tab that shows the temporary title, and the title comes back.
    Host().SetGraphicalView(-1, nullptr);
    result = Find();
    CHECK_FOUND(result, main, mirror, ConsoleHostTakeCommand);
    wchar_t title[64] = {};
    GetWindowTextW(FakeConsole, title, 64);
    CHECK_TEXT(title, L"Original title");
    // "¤ " and two numbers of at least four hexadecimal digits, the first our process id.
    unsigned int processId = 0, number = 0;
    CHECK_EQ(swscanf(TemporaryTitle + 2, L"%X-%X", &processId, &number), 2);
    CHECK_EQ(processId, GetCurrentProcessId());
    CHECK(wcslen(TemporaryTitle) >= 11);

    // No tab takes the title: twenty tries of 50 ms, then the main window; title restored.
    MirrorTarget = nullptr;
    DWORD start = GetTickCount();
    result = Find();
    DWORD elapsed = GetTickCount() - start;
    CHECK_FOUND(result, main, main, ConsoleHostTakeCommand);
    CHECK(elapsed >= 800 && elapsed < 3000);
    GetWindowTextW(FakeConsole, title, 64);
    CHECK_TEXT(title, L"Original title");

    // Without the view no search at all.
    start = GetTickCount();
    CHECK(FindConsoleWindow() == main);
    CHECK(GetTickCount() - start < 500);

    // "HWND" answered with something that is no window: the search goes on (to Console2).
    Host().SetGraphicalHost(1, (void *)(ULONG_PTR)0x7ffff0);
    result = Find();
    CHECK_EQ(result.kind, ConsoleHostConsole2);
    Reset();
}

TEST(take_command_by_search)
{
    Reset();
    // No such window: the console is not even asked.
    Result result = Find();
    CHECK_FOUND(result, nullptr, nullptr, ConsoleHostNone);
    CHECK_EQ(ProcessListCalls, 0);

    // Only in another process, not attached to our console.
    Helper other = StartHelper(L"XTPMainFrame");
    result = Find();
    CHECK_FOUND(result, nullptr, nullptr, ConsoleHostNone);
    CHECK_EQ(ProcessListCalls, 2);

    HWND main = Make(L"XTPMainFrame");
    HWND view = Make(L"Afx:TabView", main);
    Host().SetGraphicalHost(1, (void *)(ULONG_PTR)0x7ffff0); // answers, but with no window
    Host().SetGraphicalView(1, view);
    result = Find();
    CHECK_FOUND(result, main, view, ConsoleHostTakeCommand);
    CHECK(FindConsoleWindow() == main);

    // Both attached: the first in the console's list wins.
    OtherProcessId = other.process.dwProcessId;
    result = Find();
    CHECK_FOUND(result, other.window, view, ConsoleHostTakeCommand);
    StopHelper(other);
    Reset();
}
