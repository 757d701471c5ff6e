// The stand-in shell's history, names, colours, edit line and host links.
#include "frame/host.h"
#include "frame/text.h"
#include "host/takecmd/history.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"

#include <string.h>

static int CountHistory(void)
{
    int n = 0;
    for (wchar_t *entry = HistoryStart(); entry && *entry && n < 100000;
         entry = NextHistoryEntry(entry))
        n++;
    return n;
}

TEST(history_walks_oldest_first)
{
    Host().ClearHistory();
    CHECK(HistoryStart() == nullptr);
    Host().AddHistory(L"dir");
    Host().AddHistory(L"");
    Host().AddHistory(nullptr);
    Host().AddHistory(L"echo two");
    Host().AddHistory(L"cd \\");
    wchar_t *entry = HistoryStart();
    CHECK_TEXT(entry, L"dir");
    entry = NextHistoryEntry(entry);
    CHECK_TEXT(entry, L"echo two");
    entry = NextHistoryEntry(entry);
    CHECK_TEXT(entry, L"cd \\");
    CHECK(NextHistoryEntry(entry) == nullptr);
    CHECK(NextHistoryEntry(nullptr) == nullptr);
    wchar_t stranger[] = L"x";
    CHECK(NextHistoryEntry(stranger) == nullptr);
    Host().ClearHistory();
    CHECK(HistoryStart() == nullptr);
}

TEST(full_history_drops_the_oldest)
{
    Host().ClearHistory();
    // Entries of 1,000 units, numbered, twice as many as the history holds.
    const int fits = (int)(HistoryUnits / 1001), total = 2 * fits;
    static wchar_t entry[1001];
    for (int i = 0; i < 1000; i++)
        entry[i] = L'e';
    entry[1000] = 0;
    for (int i = 0; i < total; i++) {
        TextFormat(entry, 8, L"%06d", i);
        entry[6] = entry[7] = L'e';
        Host().AddHistory(entry);
    }
    int n = CountHistory();
    CHECK(n > fits / 2 && n <= fits);
    wchar_t *last = HistoryStart();
    for (wchar_t *next = last; next; next = NextHistoryEntry(next))
        last = next;
    wchar_t number[8];
    TextFormat(number, 8, L"%06d", total - 1);
    CHECK_EQ(wcsncmp(last, number, 6), 0);
    TextFormat(number, 8, L"%06d", total - n);
    CHECK_EQ(wcsncmp(HistoryStart(), number, 6), 0);
    // An entry longer than the whole history is not kept; the others stay.
    static wchar_t huge[HistoryUnits + 16];
    for (size_t i = 0; i < HistoryUnits + 15; i++)
        huge[i] = L'h';
    huge[HistoryUnits + 15] = 0;
    Host().AddHistory(huge);
    CHECK_EQ(CountHistory(), n);
    Host().ClearHistory();
}

TEST(wildcards)
{
    struct Case {
        const wchar_t *pattern, *name;
        int match;
    } cases[] = {
        {L"*.exe", L"notepad.exe", 1},
        {L"*.exe", L"NOTEPAD.EXE", 1},
        {L"note*", L"notepad.exe", 1},
        {L"note*", L"xnotepad", 0},
        {L"n?te*.e?e", L"notepad.exe", 1},
        {L"?", L"", 0},
        {L"*", L"", 1},
        {L"", L"", 1},
        {L"", L"a", 0},
        {L"a*b*c", L"aXbYbZc", 1},
        {L"a*b*c", L"aXbYbZ", 0},
        {L"[a-c]*", L"Bravo", 1},
        {L"[a-c]*", L"delta", 0},
        {L"[!a-c]*", L"delta", 1},
        {L"[xyz]", L"Y", 1},
        {L"x[", L"x[", 1},
        {L"*.*", L"README", 1},
        {L"read*.*", L"readme.txt", 1},
        {L"*.txt", L"readme", 0},
        {L"*a", L"banana", 1},
        {L"**b", L"ab", 1},
        {L"[]]x", L"]x", 1},
    };
    for (const Case &c : cases) {
        int result = WildcardComparison(c.pattern, c.name, 1, 1);
        if ((result == 0) != (c.match != 0))
            CheckFailed(__FILE__, __LINE__, "wildcard", Show(c.pattern));
    }
    CHECK(WildcardComparison(nullptr, L"a", 1, 1) != 0);
    CHECK(WildcardComparison(L"*", nullptr, 1, 1) != 0);
    // Many stars against a long name stay quick (no exponential back-tracking).
    static wchar_t name[4000];
    for (int i = 0; i < 3999; i++)
        name[i] = L'a';
    name[3999] = 0;
    CHECK(WildcardComparison(L"*a*a*a*a*a*a*a*a*a*b", name, 1, 1) != 0);
}

TEST(add_quotes)
{
    wchar_t name[64];
    TextCopy(name, 64, L"C:\\Program Files\\x.exe");
    AddQuotes(name);
    CHECK_TEXT(name, L"\"C:\\Program Files\\x.exe\"");
    AddQuotes(name); // already quoted
    CHECK_TEXT(name, L"\"C:\\Program Files\\x.exe\"");
    TextCopy(name, 64, L"C:\\Tools\\x.exe");
    AddQuotes(name);
    CHECK_TEXT(name, L"C:\\Tools\\x.exe");
    TextCopy(name, 64, L"a&b");
    AddQuotes(name);
    CHECK_TEXT(name, L"\"a&b\"");
    TextCopy(name, 64, L"tab\there");
    AddQuotes(name);
    CHECK_TEXT(name, L"\"tab\there\"");
    TextCopy(name, 64, L"");
    AddQuotes(name);
    CHECK_TEXT(name, L"");
    AddQuotes(nullptr);
}

TEST(parse_colours)
{
    struct Case {
        const wchar_t *text;
        int fg, bg;
        const wchar_t *rest; // null: not parsed
    } cases[] = {
        {L"bright white on blue", 15, 1, L""},
        {L"yel on red", 6, 4, L""},
        {L"bri cya", 11, -1, L""},
        {L"BRIGHT RED ON BRIGHT GREEN rest", 12, 10, L"rest"},
        {L"on blue", -1, 1, L""},
        {L"white on blink black", 7, 8, L""},
        {L"blink white on black", 7, 8, L""},
        {L"  magenta  text", 5, -1, L"text"},
        {L"14 on 1", 14, 1, L""},
        {L"grey", 8, -1, L""},
        {L"bl", -1, -1, nullptr},
        {L"purple", -1, -1, nullptr},
        {L"bright", -1, -1, nullptr},
        {L"red on", -1, -1, nullptr},
        {L"red on mauve", -1, -1, nullptr},
        {L"16", -1, -1, nullptr},
        {L"", -1, -1, nullptr},
    };
    for (const Case &c : cases) {
        int fg = 99, bg = 99;
        wchar_t *rest = ParseColors(c.text, &fg, &bg);
        CHECK_EQ(fg, c.fg);
        CHECK_EQ(bg, c.bg);
        if (c.rest)
            CHECK_TEXT(rest, c.rest);
        else
            CHECK(rest == nullptr);
        if (fg != c.fg || bg != c.bg)
            CheckFailed(__FILE__, __LINE__, "colours of", Show(c.text));
    }
    int fg, bg;
    CHECK(ParseColors(nullptr, &fg, &bg) == nullptr);
}

TEST(graphical_host_requests)
{
    wchar_t reply[1024] = L"";
    CHECK_EQ(TakeCommandIPC(L"HWND", reply), -1);
    CHECK_EQ(TakeCommandIPC(L"HVIEW", reply), -1);
    wchar_t status[] = L"U+0041 LATIN CAPITAL LETTER A";
    CHECK_EQ(TakeCommandIPC(L"STATUSBAR", status), -1);
    wchar_t taken[64];
    CHECK_EQ(Host().TakeStatusBar(taken, 64), 0);

    Host().SetGraphicalHost(1, (void *)(ULONG_PTR)0x1234);
    CHECK_EQ(TakeCommandIPC(L"HWND", reply), 0);
    CHECK_TEXT(reply, L"4660");
    reply[0] = 0;
    CHECK_EQ(TakeCommandIPC(L"HVIEW", reply), 0);
    CHECK_TEXT(reply, L"4660");
    CHECK_EQ(TakeCommandIPC(L"STATUSBAR", status), 0);
    CHECK_EQ(Host().TakeStatusBar(taken, 64), (int)TextLength(status));
    CHECK_TEXT(taken, status);
    CHECK_EQ(TakeCommandIPC(L"NOSUCH", reply), -1);
    CHECK_EQ(TakeCommandIPC(nullptr, reply), -1);
    // A host without a status bar (the try-out session's) still answers for its windows.
    auto setStatusBar = reinterpret_cast<void(__cdecl *)(int)>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleW(L"TakeCmd.dll"), "HostSetStatusBar")));
    CHECK(setStatusBar != nullptr);
    if (setStatusBar) {
        setStatusBar(0);
        CHECK_EQ(TakeCommandIPC(L"STATUSBAR", status), -1);
        CHECK_EQ(TakeCommandIPC(L"HVIEW", reply), 0);
        Host().SetGraphicalHost(1, (void *)(ULONG_PTR)0x1234);
        CHECK_EQ(TakeCommandIPC(L"STATUSBAR", status), 0);
    }
    Host().SetGraphicalHost(0, nullptr);
    CHECK_EQ(TakeCommandIPC(L"HWND", reply), -1);
}

static HANDLE Console(void)
{
    return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

static void ReadRow(HANDLE console, int row, wchar_t *out, int count)
{
    DWORD read = 0;
    COORD at = {0, (SHORT)row};
    ReadConsoleOutputCharacterW(console, out, (DWORD)count, at, &read);
    out[read] = 0;
}

TEST(clear_edit_line_erases_from_a_character)
{
    HANDLE console = Console();
    CHECK(console != INVALID_HANDLE_VALUE);
    COORD size = {80, 300};
    SetConsoleScreenBufferSize(console, size);
    // A line shown from column 70 of row 10 wraps onto row 11.
    static wchar_t line[] = L"echo 0123456789abcdef";
    COORD at = {70, 10};
    DWORD written;
    FillConsoleOutputCharacterW(console, L'.', 80 * 3, COORD{0, 10}, &written);
    WriteConsoleOutputCharacterW(console, line, 21, at, &written);
    Host().ResetCounters();
    Host().SetEditLine(line, 10, 70);
    ClearEditLine(line + 8);
    wchar_t row10[81], row11[81], row12[81];
    ReadRow(console, 10, row10, 80);
    ReadRow(console, 11, row11, 80);
    ReadRow(console, 12, row12, 80);
    CHECK_TEXT(row10 + 70, L"echo 012  ");
    CHECK_EQ(wcsncmp(row11, L"           ..", 13), 0);
    CHECK_EQ(row12[0], L'.');
    CHECK_EQ(Host().ClearEditLineCalls(), 1);
    CHECK(Host().LastClearEditLine() == line + 8);
    // A pointer outside the registered line and a call without a line only count.
    wchar_t other[] = L"zz";
    ClearEditLine(other);
    Host().SetEditLine(nullptr, 0, 0);
    ClearEditLine(line);
    CHECK_EQ(Host().ClearEditLineCalls(), 3);
    CHECK(Host().LastClearEditLine() == line);
    ReadRow(console, 10, row10, 80);
    CHECK_TEXT(row10 + 70, L"echo 012  ");
    Host().ResetCounters();
    CHECK_EQ(Host().ClearEditLineCalls(), 0);
    CHECK(Host().LastClearEditLine() == nullptr);
    CloseHandle(console);
}

TEST(colours_cursor_and_beep)
{
    HANDLE console = Console();
    Host().ResetCounters();
    CHECK_EQ(Host().LastColors(), -1);
    unsigned short saved = 0, other = 0;
    GetAttribute(&saved, &other);
    SetColors(0x1E);
    CHECK_EQ(Host().LastColors(), 0x1E);
    unsigned short now = 0;
    GetAttribute(&now, nullptr);
    CHECK_EQ(now, 0x1E);
    SetColors(saved);
    GetAttribute(&now, nullptr);
    CHECK_EQ(now, saved);

    COORD place = {7, 42};
    SetConsoleCursorPosition(console, place);
    int row = -1, column = -1;
    GetAbsCursorPosition(&row, &column);
    CHECK_EQ(row, 42);
    CHECK_EQ(column, 7);

    honk();
    honk();
    CHECK_EQ(Host().HonkCalls(), 2);
    Host().ResetCounters();
    CHECK_EQ(Host().HonkCalls(), 0);
    CloseHandle(console);
}

TEST(file_queries)
{
    wchar_t temp[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    TextCopy(file, MAX_PATH, temp);
    TextAppend(file, MAX_PATH, L"lw-host-query.txt");
    HANDLE handle = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(handle);
    CHECK(QueryIsDirectory(temp) != 0);
    CHECK(QueryIsFileOrDirectory(temp) != 0);
    CHECK_EQ(QueryIsDirectory(file), 0);
    CHECK(QueryIsFileOrDirectory(file) != 0);
    DeleteFileW(file);
    CHECK_EQ(QueryIsFileOrDirectory(file), 0);
    CHECK_EQ(QueryIsDirectory(L""), 0);
    CHECK_EQ(QueryIsDirectory(nullptr), 0);

    static wchar_t out[32768];
    SetCurrentDirectoryW(temp);
    CHECK(QueryTrueName(L"sub\\..\\x.txt", out) == out);
    wchar_t expected[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, expected);
    if (expected[TextLength(expected) - 1] != L'\\')
        TextAppend(expected, MAX_PATH, L"\\");
    TextAppend(expected, MAX_PATH, L"x.txt");
    CHECK_EQ(TextCompareNoCase(out, expected), 0);
    QueryTrueName(L"", out);
    CHECK_TEXT(out, L"");
}

TEST(parent_process)
{
    // A child of this test, held suspended, names this process as its parent.
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    CHECK(CreateProcessW(exe, nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                         &startup, &child));
    CHECK_EQ(GetParentPID((int)child.dwProcessId), (int)GetCurrentProcessId());
    TerminateProcess(child.hProcess, 0);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    CHECK_EQ(GetParentPID(-12345), 0);
    tty_yield(0);
}
