// Benchmark: every action this build routes, and the hook's path for an unbound key, each
// against a floor measured in the same run.
//
//   line actions      one press on a 65,535-unit (and a 35,000-unit) line, worst of the cursor
//                     at the start, the middle and the end and of two line shapes, against one
//                     copy of the line (goal 10x). Where the shell or the system takes a
//                     share (the clipboard, the shell's expansion and evaluation, the file
//                     system), the "ours" column is the press less the time spent inside
//                     their functions, clocked in the same presses (bench/importclock.h), and
//                     "met" says "ours" when only that part meets the goal
//   scroll by commands one press on a 32,766-row buffer with marks, against the block reads of
//                     the whole buffer alone (goal 1.2x)
//   console actions   Print History's own work (goal 2x), Clear Screen and Character Info
//                     (bench/console.h)
//   unbound key       against the three key-state reads (goal 1.2x)
//   smart keys        a whole Unicode entry and an auto-closed pair, against one line copy
//                     (bench/smartkeys.h)
//   line shapes       Swap Arguments on each shape of line its scan treats apart, and Expand
//                     Expression at the far end, against one line copy (bench/lineshapes.h)
//   path search       Search Path and Expand's search over a Path of 100 directories, with
//                     the file-system calls it made (bench/searchpath.h)
//
// Every action id 1-23 gets its own key through the command's /K option, so actions built
// later are measured without changes here. Print Viewport and Save Viewport Picture open
// windows and print, and are left out.
//
//   lwbench [--out FILE] [--only TEXT] [--cases]
//
// The table goes to standard output and, with --out, as plain text to FILE, both after a line
// that names the machine, the Wine version and the date. --only measures
// just the rows whose name holds TEXT; --cases shows every case of a line action (length,
// shape, cursor) before its row.
#include "actions/actions.h"
#include "bench/console.h"
#include "bench/importclock.h"
#include "bench/lineshapes.h"
#include "bench/reload.h"
#include "bench/searchpath.h"
#include "bench/smartkeys.h"
#include "bench/table.h"
#include "frame/globals.h"
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

namespace
{

enum { LineCapacity = 65536, Runs = 7 };
static_assert((int)ActionKeyIds == (int)ActionCount, "a key for every action id");

volatile int sink;
wchar_t line[LineCapacity];
wchar_t pattern[LineCapacity];

const char *Only;
bool Clocked;   // the import clock runs
bool ShowCases; // --cases: a line per case of the line actions

bool Selected(const char *name)
{
    return !Only || strstr(name, Only);
}

// ---- floors --------------------------------------------------------------------------------

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

// One press of the action, the line restored before each; the restore, one copy of the line
// a round, is timed apart in the same run, taken off, and is the floor (*floor, its best).
// *ours receives the best time without what the press spent inside the shell's library and
// the system (bench/importclock.h).
double TimeAction(int id, size_t units, int cursor, int rounds, double *ours, double *floor)
{
    double best = 1e9;
    *ours = 1e9;
    *floor = 1e9;
    for (int run = 0; run < Runs; run++) {
        double start = Seconds();
        for (int i = 0; i < rounds; i++) {
            memcpy(line, pattern, (units + 1) * sizeof(wchar_t));
            sink += line[i & 0x7FFF];
        }
        double restore = Seconds() - start;
        if (restore / rounds < *floor)
            *floor = restore / rounds;
        double before = ImportSeconds();
        start = Seconds();
        for (int i = 0; i < rounds; i++) {
            memcpy(line, pattern, (units + 1) * sizeof(wchar_t));
            sink += Press(ActionKeys[id].code, cursor, units);
        }
        double elapsed = Seconds() - start - restore;
        double theirs = ImportSeconds() - before;
        double t = elapsed / rounds, own = (elapsed - theirs) / rounds;
        best = t < best ? t : best;
        *ours = own < *ours ? own : *ours;
    }
    Plugin.unicodeEntry = false; // Unicode Entry leaves its mode on
    if (*ours < 0)
        *ours = 0;
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
        char name[64];
        snprintf(name, sizeof name, "%ls", ActionNames[id]);
        if (IsConsoleAction(id) || !Selected(name))
            continue;
        if (!FindAction(id)) {
            TableSkip(name, "not built");
            continue;
        }
        // The worst case of the whole press, and the worst case of the action's own part.
        double worst = 0, worstFloor = 1, worstOurs = 0, oursFloor = 1, worstTheirs = 0;
        for (size_t units : lengths)
            for (int shape = 0; shape < 2; shape++) {
                MakePattern(shape, units);
                const int cursors[] = {0, (int)units / 2, (int)units};
                for (int cursor : cursors) {
                    double ours, floor;
                    double t = TimeAction(id, units, cursor, 20, &ours, &floor);
                    if (ShowCases)
                        TableLine("  %zu units, shape %d, cursor %d: %.1f us, ours %.1f us, "
                                  "floor %.1f us\n",
                                  units, shape, cursor, t * 1e6, ours * 1e6, floor * 1e6);
                    if (t / floor > worst / worstFloor) {
                        worst = t;
                        worstFloor = floor;
                        worstTheirs = t > ours ? t - ours : 0;
                    }
                    if (ours / floor > worstOurs / oursFloor) {
                        worstOurs = ours;
                        oursFloor = floor;
                    }
                }
            }
        // Ours is shown where the shell and the system take a visible share, against the floor
        // of its own worst case.
        char note[160];
        bool showOurs = Clocked && worstTheirs > worstFloor;
        if (showOurs)
            snprintf(note, sizeof note,
                     "one line copy; ours: less the shell's and the system's calls (%.0f us)",
                     worstTheirs * 1e6);
        else
            snprintf(note, sizeof note, "one line copy");
        TableRow(name, worst, worstFloor, 10, showOurs ? worstOurs * worstFloor / oursFloor : -1,
                 note);
    }
}

// ---- scroll by commands ------------------------------------------------------------------

enum { ScrollRows = 32766, BlockRows = 512 };

// One run of the block reads: the time of one read of the whole buffer.
double TimeBlockReads(HANDLE console, int rounds)
{
    static CHAR_INFO cells[BlockRows];
    double best = 1e9;
    {
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
            TableSkip(name, "no console of 32,766 rows");
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
    // The floor's runs and the presses' runs take turns, so that a busy moment of the machine
    // weighs on both alike; the best of each counts.
    double floor = 1e9, best[2] = {1e9, 1e9};
    for (int run = 0; run < Runs; run++) {
        double t = TimeBlockReads(console, 5);
        floor = t < floor ? t : floor;
        for (int k = 0; k < 2; k++) {
            if (!FindAction(ids[k]))
                continue;
            double start = Seconds();
            for (int i = 0; i < 5; i++)
                Press(ActionKeys[ids[k]].code, 0, 0);
            t = (Seconds() - start) / 5;
            best[k] = t < best[k] ? t : best[k];
        }
    }
    for (int k = 0; k < 2; k++) {
        char name[64];
        snprintf(name, sizeof name, "%ls", ActionNames[ids[k]]);
        if (!FindAction(ids[k]))
            TableSkip(name, "not built");
        else
            TableRow(name, best[k], floor, 1.2, -1, "block reads of the buffer");
    }
    SetConsoleScreenBufferSize(console, saved.dwSize);
    CloseHandle(console);
}

// ---- unbound key --------------------------------------------------------------------------

// The key-state reads and the presses take turns in chunks of 1,000, so that both meet the
// same moments of the machine (under Wine a key-state read is sometimes several times
// slower for a while); of the runs, the one with the median ratio counts.
void MeasureUnboundKey(void)
{
    enum { Chunks = 200, Chunk = 1000 };
    double reads[2], presses[2];
    for (int table = 0; table < 2; table++) {
        linewise(L"/D /Q");
        if (table == 1)
            for (unsigned i = HotkeyTable.count; i < MaxHotkeys; i++)
                HotkeySet(&HotkeyTable, 0x70000 + (int)i, 1);
        double runRead[Runs], runPress[Runs];
        for (int run = 0; run < Runs; run++) {
            double read = 0, press = 0;
            for (int c = 0; c < Chunks; c++) {
                read += TimeKeyStateReads(Chunk) * Chunk;
                double start = Seconds();
                for (int i = 0; i < Chunk; i++)
                    sink += Press(0x10044, 0, 0); // F10: bound to nothing
                press += Seconds() - start;
            }
            runRead[run] = read / (Chunks * Chunk);
            runPress[run] = press / (Chunks * Chunk);
        }
        // Sorted by ratio, the middle run.
        for (int i = 1; i < Runs; i++)
            for (int j = i; j > 0 && runPress[j] / runRead[j] < runPress[j - 1] / runRead[j - 1];
                 j--) {
                double r = runRead[j], p = runPress[j];
                runRead[j] = runRead[j - 1];
                runPress[j] = runPress[j - 1];
                runRead[j - 1] = r;
                runPress[j - 1] = p;
            }
        reads[table] = runRead[Runs / 2];
        presses[table] = runPress[Runs / 2];
    }
    TableRow("unbound key, 21 bindings", presses[0], reads[0], 1.2, -1,
             "three key-state reads; median of 7 paired runs");
    TableRow("unbound key, 64 bindings", presses[1], reads[1], 1.2, -1,
             "three key-state reads; median of 7 paired runs");
}

// ---- where it ran ----------------------------------------------------------------------

// The machine, the Wine version (none on Windows) and the date, so that a figures file says
// where it came from.
void MachineLine(void)
{
    char cpu[128] = "unknown processor", computer[64] = "unknown host";
    DWORD size = sizeof cpu;
    RegGetValueA(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                 "ProcessorNameString", RRF_RT_REG_SZ, nullptr, cpu, &size);
    size = sizeof computer;
    GetComputerNameA(computer, &size);
    SYSTEM_INFO system;
    GetNativeSystemInfo(&system);
    typedef const char *(__cdecl * WineVersion)(void);
    WineVersion wine =
        (WineVersion)(void *)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
    SYSTEMTIME now;
    GetSystemTime(&now);
    TableLine("machine: %s, %s, %lu cores, %s%s, %u-bit build; %04u-%02u-%02u %02u:%02u UTC\n",
              computer, cpu, (unsigned long)system.dwNumberOfProcessors, wine ? "Wine " : "Windows",
              wine ? wine() : "", (unsigned)(sizeof(void *) * 8), now.wYear, now.wMonth, now.wDay,
              now.wHour, now.wMinute);
}

} // namespace

int main(int argc, char **argv)
{
    FILE *copy = nullptr;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--out") && i + 1 < argc) {
            copy = fopen(argv[++i], "w");
            if (!copy) {
                printf("lwbench: cannot write %s\n", argv[i]);
                return 2;
            }
        } else if (!strcmp(argv[i], "--only") && i + 1 < argc) {
            Only = argv[++i];
        } else if (!strcmp(argv[i], "--cases")) {
            ShowCases = true;
        } else {
            printf("usage: lwbench [--out FILE] [--only TEXT] [--cases]\n");
            return 2;
        }
    }
    SetTableCopy(copy);
    SetEnvironmentVariableW(L"noloadmsg", L"1");
    if (InitializePlugin() != 0) {
        printf("lwbench: InitializePlugin failed\n");
        return 1;
    }
    // Silent failures: a sound per refused press would measure the sound player.
    linewise(L"/D /Q /E:0 /C:0");
    BindEveryAction();

    MachineLine();
    TableHeader();
    // Only the line actions run with timed imports: the stand-ins cost a little per call.
    Clocked = StartImportClock();
    MeasureLineActions();
    StopImportClock();
    if (Selected("Scroll Up By Commands, Scroll Down By Commands"))
        MeasureScroll();
    if (Selected("Print History, Clear Screen, Character Info"))
        BenchConsoleActions();
    if (Selected("unbound key"))
        MeasureUnboundKey();
    if (Selected("Unicode Entry, start and end, auto-closed pair"))
        BenchSmartKeys();
    if (Selected("Swap Arguments, one-letter, words, quoted blanks, escaped blanks, %= blanks, "
                 "switches, nested lists; Expand Expression, far end"))
        BenchLineShapes();
    if (!Only)
        BenchSearchPath();
    if (Selected("reload: handles, committed memory, TLS slots"))
        BenchReload();

    ShutdownPlugin(0);
    if (copy)
        fclose(copy);
    return 0;
}
