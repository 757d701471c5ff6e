#include "bench/console.h"

#include "actions/console/charinfo.h"
#include "actions/console/clearscreen.h"
#include "actions/console/printhistory.h"
#include "bench/table.h"
#include "frame/globals.h"
#include "frame/paths.h"

#include <stdio.h>
#include <windows.h>

namespace
{

enum { Runs = 5 };

double Smaller(double a, double b)
{
    return a < b ? a : b;
}

HMODULE Shell(void)
{
    return GetModuleHandleW(L"TakeCmd.dll");
}

// The action's own work: the environment's two settings, the history walk, the numbers, the
// UTF-8 text and the file in the scratch directory. 10,000 entries go in; the stand-in
// shell's history keeps the newest that fit its size, and the row says how many. The hand-over to
// the Windows shell's print verb that follows in the action (a process start) is not part of it.
// Against the same bytes written with one WriteFile to a new file beside it in the scratch
// directory (create, write, close). The two take turns, so that a busy moment of the machine
// weighs on both alike, and of the rounds the one with the median ratio counts.
void BenchPrintHistory(void)
{
    const char *name = "Print History, own work";
    enum { Tries = 41 };
    typedef void(__cdecl * AddFunction)(const wchar_t *);
    typedef void(__cdecl * ClearFunction)(void);
    AddFunction add = (AddFunction)(void *)GetProcAddress(Shell(), "HostAddHistory");
    ClearFunction clear = (ClearFunction)(void *)GetProcAddress(Shell(), "HostClearHistory");
    if (!add || !clear) {
        TableSkip(name, "no history control in the shell library");
        return;
    }
    clear();
    for (int i = 0; i < 10000; i++) {
        wchar_t entry[40];
        swprintf(entry, 40, L"echo history entry %d", i);
        add(entry);
    }
    SetEnvironmentVariableW(L"PrintHistoryMaxLines", L"10000");
    SetEnvironmentVariableW(L"PrintHistoryFlags", L"1"); // numbered
    static wchar_t path[PathCapacity], plain[PathCapacity];
    static char bytes[1 << 20];
    DWORD size = 0;
    double actions[Tries], floors[Tries];
    for (int run = 0; run < Tries; run++) {
        unsigned int flags = 0;
        double start = Seconds();
        int result = WriteHistoryToPrint(path, &flags);
        actions[run] = Seconds() - start;
        if (result != 0) {
            TableSkip(name, "the history file was not written");
            return;
        }
        HANDLE in =
            CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ReadFile(in, bytes, sizeof bytes, &size, nullptr);
        CloseHandle(in);
        DeleteFileW(path);

        swprintf(plain, PathCapacity, L"%ls\\lwbench-plain-%d.txt", ScratchDirectory(), run);
        start = Seconds();
        HANDLE out = CreateFileW(plain, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(out, bytes, size, &written, nullptr);
        CloseHandle(out);
        floors[run] = Seconds() - start;
        DeleteFileW(plain);
    }
    // Sorted by ratio, the middle round.
    for (int i = 1; i < Tries; i++)
        for (int j = i; j > 0 && actions[j] / floors[j] < actions[j - 1] / floors[j - 1]; j--) {
            double a = actions[j], f = floors[j];
            actions[j] = actions[j - 1];
            floors[j] = floors[j - 1];
            actions[j - 1] = a;
            floors[j - 1] = f;
        }
    SetEnvironmentVariableW(L"PrintHistoryMaxLines", nullptr);
    SetEnvironmentVariableW(L"PrintHistoryFlags", nullptr);
    char note[200];
    snprintf(note, sizeof note,
             "one WriteFile of its %lu bytes to a new file beside it (%u entries, numbered), "
             "median of %d paired rounds; print verb not included",
             (unsigned long)size, CountHistoryEntries(), (int)Tries);
    TableRow(name, actions[Tries / 2], floors[Tries / 2], 2, -1, note);
}

// Clear Screen in a console buffer of its own (the window moved, and the buffer shifted up),
// and Character Info on the status-bar path of a graphical host (no popup), on a
// 65,535-unit line with the cursor at its end: next to one console buffer query.
void BenchConsoleCosts(void)
{
    HANDLE screen =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    COORD size = {80, 3000};
    if (screen == INVALID_HANDLE_VALUE || !SetConsoleScreenBufferSize(screen, size)) {
        TableSkip("Clear Screen", "no console buffer");
        return;
    }
    HANDLE saved = Plugin.console;
    Plugin.console = screen;
    SetEnvironmentVariableW(L"WT_SESSION", nullptr);
    typedef void(__cdecl * GraphicalHost)(int, void *);
    GraphicalHost graphical =
        (GraphicalHost)(void *)GetProcAddress(Shell(), "HostSetGraphicalHost");
    static wchar_t line[65536];
    for (int i = 0; i < 65535; i++)
        line[i] = (wchar_t)(L'a' + i % 26);
    line[65535] = 0;

    const int rounds = 200;
    double query = 1e9, move = 1e9, shift = 1e9, info = 1e9;
    for (int run = 0; run < Runs; run++) {
        CONSOLE_SCREEN_BUFFER_INFO buffer;
        double start = Seconds();
        for (int i = 0; i < rounds; i++)
            GetConsoleScreenBufferInfo(screen, &buffer);
        query = Smaller(query, (Seconds() - start) / rounds);
        KeyEvent event = {};
        wchar_t shortLine[8] = L"x";
        event.line = shortLine;
        event.cursor = shortLine;
        start = Seconds();
        for (int i = 0; i < rounds; i++) {
            event.homeRow = event.row = 100 + (i & 1);
            ClearScreen(&event);
        }
        move = Smaller(move, (Seconds() - start) / rounds);
        start = Seconds();
        for (int i = 0; i < rounds; i++) {
            event.homeRow = event.row = 2990;
            ClearScreen(&event);
        }
        shift = Smaller(shift, (Seconds() - start) / rounds);
        if (graphical) {
            graphical(1, nullptr);
            event.line = line;
            event.cursor = line + 65535;
            start = Seconds();
            for (int i = 0; i < rounds; i++) {
                event.code = 1;
                ShowCharacterInfo(&event);
            }
            info = Smaller(info, (Seconds() - start) / rounds);
            graphical(0, nullptr);
        }
    }
    Plugin.console = saved;
    CloseHandle(screen);
    TableRow("Clear Screen, window moved", move, query, 0, -1, "one console buffer query");
    TableRow("Clear Screen, 80x3000 shifted", shift, query, 0, -1, "one console buffer query");
    if (graphical)
        TableRow("Character Info, status bar", info, query, 0, -1,
                 "one console buffer query; no popup (graphical host)");
    else
        TableSkip("Character Info, status bar", "no graphical-host control in the shell library");
}

} // namespace

void BenchConsoleActions(void)
{
    BenchPrintHistory();
    BenchConsoleCosts();
}
