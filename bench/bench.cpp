// Benchmark: every action this build routes, and the hook's path for an unbound key, each
// against a floor measured in the same run.
//
//   line actions      one press on a 65,535-unit (and a 35,000-unit) line, worst of the cursor
//                     at the start, the middle and the end and of two line shapes, against one
//                     copy of the line (goal 10x)
//   scroll by commands one press on a 32,766-row buffer with marks, against the block reads of
//                     the whole buffer alone (goal 1.2x)
//   print history     10,000 entries, against one WriteFile of the same bytes (goal 2x)
//   unbound key       against the three key-state reads (goal 1.2x)
//
// Every action id 1-23 gets its own key through the command's /K option, so actions built
// later are measured without changes here. Actions that open windows or print (Character
// Info, Print Viewport, Save Viewport Picture) are left out; Clear Screen is a console action
// without a line floor and is left out too.
//
//   lwbench [--out FILE]
//
// The table goes to standard output and, with --out, as plain text to FILE: under Wine's
// console in a terminal the standard output carries the console's cursor-control sequences.
#include "actions/actions.h"
#include "bench/console.h"
#include "bench/searchpath.h"
#include "bench/smartkeys.h"
#include "frame/plugin.h"
#include "keys/hook.h"
#include "keys/hotkeys.h"
#include "settings/command.h"
#include "settings/settings.h"
#include "tests/support/actionkeys.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

// Shared with the other bench modules.
double Seconds(void)
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

namespace
{

enum { LineCapacity = 65536, Runs = 5 };
static_assert((int)ActionKeyIds == (int)ActionCount, "a key for every action id");

volatile int sink;
wchar_t line[LineCapacity];
wchar_t pattern[LineCapacity];
wchar_t copy[LineCapacity];

FILE *Table;

void Row(const char *name, double time, double floor, const char *floorName, double goal)
{
    char text[256];
    if (time < 0) {
        snprintf(text, sizeof text, "%-28s %12s %12s %8s %6s  %s\n", name, "-", "-", "-", "-",
                 floorName);
    } else {
        double ratio = time / floor;
        snprintf(text, sizeof text, "%-28s %9.1f us %9.1f us %7.2fx %5.1fx  %-3s  (%s)\n", name,
                 time * 1e6, floor * 1e6, ratio, goal, ratio <= goal ? "yes" : "no", floorName);
    }
    fputs(text, stdout);
    if (Table)
        fputs(text, Table);
}

void Header(void)
{
    char text[256];
    snprintf(text, sizeof text, "%-28s %12s %12s %8s %6s  %s\n", "action", "time", "floor", "ratio",
             "goal", "met");
    fputs(text, stdout);
    if (Table)
        fputs(text, Table);
}

// ---- floors --------------------------------------------------------------------------------

double TimeLineCopy(size_t units, int rounds)
{
    double best = 1e9;
    for (int run = 0; run < Runs; run++) {
        double start = Seconds();
        for (int i = 0; i < rounds; i++) {
            memcpy(copy, pattern, (units + 1) * sizeof(wchar_t));
            sink += copy[i & 0x7FFF];
        }
        double t = (Seconds() - start) / rounds;
        best = t < best ? t : best;
    }
    return best;
}

double TimeKeyStateReads(int rounds)
{
    double start = Seconds();
    for (int i = 0; i < rounds; i++)
        sink +=
            GetAsyncKeyState(VK_SHIFT) + GetAsyncKeyState(VK_CONTROL) + GetAsyncKeyState(VK_MENU);
    return (Seconds() - start) / rounds;
}

// ---- keys ---------------------------------------------------------------------------------

bool IsConsoleAction(int id)
{
    return id == ActionClearScreen || id == ActionCharacterInfo || id == ActionScrollUpByCommands ||
           id == ActionScrollDownByCommands || id == ActionPrintViewport ||
           id == ActionSaveViewportPicture || id == ActionPrintHistory;
}

void BindEveryAction(void)
{
    for (int id = 1; id <= ActionCount; id++) {
        wchar_t option[64];
        swprintf(option, 64, L"/Q /K%d:%ls", id, ActionKeys[id].name);
        linewise(option);
    }
}

int Press(int code, int cursor, size_t length)
{
    KeyEvent event = {};
    event.code = code;
    event.line = line;
    event.cursor = line + (cursor > (int)length ? (int)length : cursor);
    key(&event);
    return event.code;
}

// Two shapes: one word filling the line, and short words between blanks (with a quote), each
// holding letters of both cases and digits.
void MakePattern(int shape, size_t units)
{
    for (size_t i = 0; i < units; i++) {
        wchar_t ch = (wchar_t)(L'a' + i % 26);
        if (i % 7 == 3)
            ch = (wchar_t)(L'0' + i % 10);
        if (shape == 1 && i % 9 == 8)
            ch = L' ';
        if (shape == 1 && i % 997 == 500)
            ch = L'"';
        pattern[i] = ch;
    }
    pattern[units] = 0;
}

// One press of the action, the line restored before each; the restore is timed apart and
// taken off.
double TimeAction(int id, size_t units, int cursor, int rounds)
{
    double best = 1e9;
    for (int run = 0; run < Runs; run++) {
        double start = Seconds();
        for (int i = 0; i < rounds; i++) {
            memcpy(line, pattern, (units + 1) * sizeof(wchar_t));
            sink += line[i & 0x7FFF];
        }
        double restore = Seconds() - start;
        start = Seconds();
        for (int i = 0; i < rounds; i++) {
            memcpy(line, pattern, (units + 1) * sizeof(wchar_t));
            sink += Press(ActionKeys[id].code, cursor, units);
        }
        double t = (Seconds() - start - restore) / rounds;
        best = t < best ? t : best;
    }
    Plugin.unicodeEntry = false; // Unicode Entry leaves its mode on
    return best > 0 ? best : 0;
}

// Remembers arguments of 30,000 units, so that Insert Last Args fills a 35,000-unit line.
void CaptureArguments(void)
{
    wcscpy(line, L"echo ");
    for (int i = 5; i < 30005; i++)
        line[i] = (wchar_t)(L'a' + i % 26);
    line[30005] = 0;
    KeyEvent event = {};
    event.code = 13;
    event.line = line;
    event.cursor = line + 30005;
    key(&event);
}

void MeasureLineActions(void)
{
    CaptureArguments();
    const size_t lengths[] = {65535, 35000};
    for (int id = 1; id <= ActionCount; id++) {
        const char *skip = nullptr;
        if (!FindAction(id))
            skip = "not built";
        else if (IsConsoleAction(id))
            skip = "console action: below, or not measured";
        char name[64];
        snprintf(name, sizeof name, "%ls", ActionNames[id]);
        if (skip) {
            Row(name, -1, 0, skip, 0);
            continue;
        }
        double worst = 0, worstFloor = 1;
        for (size_t units : lengths)
            for (int shape = 0; shape < 2; shape++) {
                MakePattern(shape, units);
                double floor = TimeLineCopy(units, 200);
                const int cursors[] = {0, (int)units / 2, (int)units};
                for (int cursor : cursors) {
                    double t = TimeAction(id, units, cursor, 20);
                    if (t / floor > worst / worstFloor) {
                        worst = t;
                        worstFloor = floor;
                    }
                }
            }
        Row(name, worst, worstFloor, "one line copy", 10);
    }
}

// ---- scroll by commands ------------------------------------------------------------------

enum { ScrollRows = 32766, BlockRows = 512 };

double TimeBlockReads(HANDLE console, int rounds)
{
    static CHAR_INFO cells[BlockRows];
    double best = 1e9;
    for (int run = 0; run < Runs; run++) {
        double start = Seconds();
        for (int i = 0; i < rounds; i++)
            for (int top = 0; top < ScrollRows; top += BlockRows) {
                int bottom =
                    top + BlockRows - 1 < ScrollRows - 1 ? top + BlockRows - 1 : ScrollRows - 1;
                SMALL_RECT region = {0, (SHORT)top, 0, (SHORT)bottom};
                const COORD size = {1, BlockRows}, origin = {0, 0};
                ReadConsoleOutputW(console, cells, size, origin, &region);
                sink += cells[0].Attributes;
            }
        double t = (Seconds() - start) / rounds;
        best = t < best ? t : best;
    }
    return best;
}

void MeasureScroll(void)
{
    const int ids[] = {ActionScrollUpByCommands, ActionScrollDownByCommands};
    HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO saved;
    bool haveConsole =
        console != INVALID_HANDLE_VALUE && GetConsoleScreenBufferInfo(console, &saved);
    COORD size = {80, ScrollRows};
    if (!haveConsole || !SetConsoleScreenBufferSize(console, size)) {
        for (int id : ids) {
            char name[64];
            snprintf(name, sizeof name, "%ls", ActionNames[id]);
            Row(name, -1, 0, "no console of 32,766 rows", 0);
        }
        return;
    }
    // A command every 100 rows, marked as Enter marks it.
    for (int row = 50; row < ScrollRows; row += 100) {
        wcscpy(line, L"dir");
        KeyEvent event = {};
        event.code = 13;
        event.homeRow = row;
        event.row = row;
        event.line = line;
        event.cursor = line + 3;
        key(&event);
    }
    double floor = TimeBlockReads(console, 5);
    for (int id : ids) {
        char name[64];
        snprintf(name, sizeof name, "%ls", ActionNames[id]);
        if (!FindAction(id)) {
            Row(name, -1, 0, "not built", 0);
            continue;
        }
        double best = 1e9;
        for (int run = 0; run < Runs; run++) {
            double start = Seconds();
            for (int i = 0; i < 5; i++)
                Press(ActionKeys[id].code, 0, 0);
            double t = (Seconds() - start) / 5;
            best = t < best ? t : best;
        }
        Row(name, best, floor, "block reads of the buffer", 1.2);
    }
    SetConsoleScreenBufferSize(console, saved.dwSize);
    CloseHandle(console);
}

// ---- print history ------------------------------------------------------------------------

// Measured once the action is routed: 10,000 entries through the shell's history, against one
// WriteFile of the same text. The print verb goes to the test prefix's recorder.
void MeasurePrintHistory(void)
{
    const int id = ActionPrintHistory;
    char name[64];
    snprintf(name, sizeof name, "%ls", ActionNames[id]);
    if (!FindAction(id)) {
        Row(name, -1, 0, "not built", 0);
        return;
    }
    HMODULE shell = GetModuleHandleW(L"TakeCmd.dll");
    typedef void(__cdecl * ClearHistory)(void);
    typedef void(__cdecl * AddHistory)(const wchar_t *);
    ClearHistory clear = (ClearHistory)(void *)GetProcAddress(shell, "HostClearHistory");
    AddHistory add = (AddHistory)(void *)GetProcAddress(shell, "HostAddHistory");
    if (!clear || !add) {
        Row(name, -1, 0, "no history control in the shell library", 0);
        return;
    }
    static char bytes[10000 * 40];
    size_t used = 0;
    clear();
    for (int i = 0; i < 10000; i++) {
        wchar_t entry[40];
        swprintf(entry, 40, L"echo history entry %d", i);
        add(entry);
        used += (size_t)snprintf(bytes + used, sizeof bytes - used, "%ls\r\n", entry);
    }
    SetEnvironmentVariableW(L"PrintHistoryMaxLines", L"10000");
    wchar_t path[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, path);
    GetTempFileNameW(path, L"lwb", 0, file);
    double floor = 1e9, best = 1e9;
    for (int run = 0; run < Runs; run++) {
        double start = Seconds();
        HANDLE out = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(out, bytes, (DWORD)used, &written, nullptr);
        CloseHandle(out);
        double t = Seconds() - start;
        floor = t < floor ? t : floor;
        start = Seconds();
        Press(ActionKeys[id].code, 0, 0);
        t = Seconds() - start;
        best = t < best ? t : best;
    }
    DeleteFileW(file);
    Row(name, best, floor, "one WriteFile of the entries", 2);
}

// ---- unbound key --------------------------------------------------------------------------

void MeasureUnboundKey(void)
{
    const int rounds = 200000;
    double reads = 1e9, fullTable = 1e9, defaultTable = 1e9;
    for (int run = 0; run < Runs; run++) {
        double t = TimeKeyStateReads(rounds);
        reads = t < reads ? t : reads;
        linewise(L"/D /Q");
        double start = Seconds();
        for (int i = 0; i < rounds; i++)
            sink += Press(0x10044, 0, 0); // F10: bound to nothing
        t = (Seconds() - start) / rounds;
        defaultTable = t < defaultTable ? t : defaultTable;
        for (unsigned i = HotkeyTable.count; i < MaxHotkeys; i++)
            HotkeySet(&HotkeyTable, 0x70000 + (int)i, 1);
        start = Seconds();
        for (int i = 0; i < rounds; i++)
            sink += Press(0x10044, 0, 0);
        t = (Seconds() - start) / rounds;
        fullTable = t < fullTable ? t : fullTable;
    }
    Row("unbound key, 21 bindings", defaultTable, reads, "three key-state reads", 1.2);
    Row("unbound key, 64 bindings", fullTable, reads, "three key-state reads", 1.2);
}

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--out") && i + 1 < argc) {
            Table = fopen(argv[++i], "w");
            if (!Table) {
                printf("lwbench: cannot write %s\n", argv[i]);
                return 2;
            }
        } else {
            printf("usage: lwbench [--out FILE]\n");
            return 2;
        }
    }
    SetEnvironmentVariableW(L"noloadmsg", L"1");
    if (InitializePlugin() != 0) {
        printf("lwbench: InitializePlugin failed\n");
        return 1;
    }
    // Silent failures: a sound per refused press would measure the sound player.
    linewise(L"/D /Q /E:0 /C:0");
    BindEveryAction();

    Header();
    MeasureLineActions();
    MeasureScroll();
    MeasurePrintHistory();
    MeasureUnboundKey();
    BenchConsoleActions();
    BenchSearchPath(Table);
    // The keys that act without a binding (auto-close, Unicode entry) and the clipboard's own
    // cost, beside the same floor.
    double copy = 1e9;
    for (int run = 0; run < Runs; run++) {
        double t = TimeLineCopy(65535, 2000);
        copy = t < copy ? t : copy;
    }
    BenchSmartKeys(copy);

    ShutdownPlugin(0);
    if (Table)
        fclose(Table);
    return 0;
}
