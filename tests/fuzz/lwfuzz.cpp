// Fuzzing of the plug-in through its exports alone, as the shell calls them: key, linewise,
// Usage, Help, InitializePlugin and ShutdownPlugin, with inputs made from deterministic seeds
// (input n of an entry point depends only on the seed, the entry point and n, so any reported
// input can be replayed with --only and --from).
//
// Every buffer handed to the plug-in ends right before a page that cannot be touched, so a
// read or write one unit past its end faults; a vectored handler reports the fault with the
// input that caused it and fails the run. After each input the program checks what the entry
// point promises (see the Check* functions).
//
//   lwfuzz [--seconds S | --inputs N] [--seed N] [--only ENTRY] [--from N] [--all-actions]
//
// ENTRY is key, linewise, usage, help or registry. By default each runs for 3 seconds.
// --all-actions also presses the actions that open windows, print or start programs
// (Character Info, Print Viewport, Save Viewport Picture, Print History) and asks Help for the
// plug-in's own names (a message box when the help file is missing); without it they are
// skipped, since nobody is there to close what they open. The environment variable
// LWFUZZ_ALL_ACTIONS=1 does the same.
#include "tests/support/actionkeys.h"
#include "tests/support/hostctl.h"
#include "tests/support/plugindll.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <wctype.h>
#include <windows.h>

namespace
{

enum { LineUnits = 65536, ArgumentUnits = 10001, NameUnits = 1100, UsageUnits = 1024 };
enum { ActionIds = 23 };

// ---- deterministic randomness ----------------------------------------------------------

struct Random {
    uint64_t state;
    uint64_t Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    unsigned Below(unsigned n) { return n ? (unsigned)(Next() % n) : 0; }
    bool Chance(unsigned percent) { return Below(100) < percent; }
};

Random InputRandom(uint64_t seed, int entry, uint64_t index)
{
    Random r{seed * 0x100000001B3ull ^ ((uint64_t)entry << 56) ^ index};
    r.Next();
    return r;
}

// ---- guarded buffers ------------------------------------------------------------------

// units wchar_t that end exactly where a PAGE_NOACCESS page begins.
wchar_t *GuardedUnits(size_t units)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    size_t page = info.dwPageSize;
    size_t bytes = (units * sizeof(wchar_t) + page - 1) / page * page;
    BYTE *base = (BYTE *)VirtualAlloc(nullptr, bytes + page, MEM_RESERVE, PAGE_NOACCESS);
    if (!base || !VirtualAlloc(base, bytes, MEM_COMMIT, PAGE_READWRITE)) {
        printf("lwfuzz: cannot reserve a guarded buffer\n");
        exit(2);
    }
    DWORD old;
    VirtualProtect(base + bytes, page, PAGE_NOACCESS, &old); // never committed: stays no-access
    return (wchar_t *)(base + bytes) - units;
}

struct Guarded {
    wchar_t *line;     // the shell's edit line, 65,536 units
    wchar_t *keyName;  // the newer host's key name, its terminator last
    wchar_t *argument; // linewise's argument text, its terminator last
    wchar_t *name;     // Usage's name and Help's topic, terminator last
    wchar_t *usageOut; // Usage's 1024-unit output
    BYTE *guardStart[5], *guardEnd[5];
} Buffers;

void MakeBuffers(void)
{
    struct {
        wchar_t **buffer;
        size_t units;
    } const all[] = {{&Buffers.line, LineUnits},
                     {&Buffers.keyName, 32},
                     {&Buffers.argument, ArgumentUnits},
                     {&Buffers.name, NameUnits},
                     {&Buffers.usageOut, UsageUnits}};
    for (int i = 0; i < 5; i++) {
        *all[i].buffer = GuardedUnits(all[i].units);
        Buffers.guardStart[i] = (BYTE *)(*all[i].buffer + all[i].units);
        Buffers.guardEnd[i] = Buffers.guardStart[i] + 4096;
    }
}

// Places text so that its terminator is the last unit before the guard page.
wchar_t *PlaceAtEnd(wchar_t *buffer, size_t units, const wchar_t *text, size_t length)
{
    if (length > units - 1)
        length = units - 1;
    wchar_t *at = buffer + units - 1 - length;
    memcpy(at, text, length * sizeof(wchar_t));
    at[length] = 0;
    return at;
}

// ---- the input being run, for the report of a fault -------------------------------------

struct Current {
    const char *entry;
    uint64_t index, periodStart; // the input, and where the key entry last started the plug-in
    const wchar_t *text; // the input's main text, if any
    size_t length;
    int code, cursor;
} Now;

struct Figures {
    uint64_t inputs, crashes, guardHits, invariantFailures;
    double seconds;
} Totals[5];

uint64_t Seed = 1;
bool AllActions;

void PrintText(const wchar_t *text, size_t length)
{
    size_t shown = length > 300 ? 300 : length;
    for (size_t i = 0; i < shown; i++) {
        wchar_t ch = text[i];
        if (ch >= 0x20 && ch < 0x7F && ch != L'\\')
            putchar((char)ch);
        else
            printf("\\u%04X", (unsigned)ch);
    }
    if (shown < length)
        printf("... (%u units)", (unsigned)length);
}

void ReportInput(void)
{
    printf("  entry %s, seed %llu, input %llu (replay: --seed %llu --only %s --from %llu "
           "--inputs 1)\n",
           Now.entry, (unsigned long long)Seed, (unsigned long long)Now.index,
           (unsigned long long)Seed, Now.entry, (unsigned long long)Now.index);
    if (Now.periodStart != Now.index)
        printf("  with the inputs before it since the plug-in started: --from %llu --inputs "
               "%llu\n",
               (unsigned long long)Now.periodStart,
               (unsigned long long)(Now.index - Now.periodStart + 1));
    if (Now.text) {
        printf("  text (%u units, code 0x%X, cursor %d): ", (unsigned)Now.length, Now.code,
               Now.cursor);
        PrintText(Now.text, Now.length);
        putchar('\n');
    }
}

void RestoreConsole(void);

LONG CALLBACK OnFault(EXCEPTION_POINTERS *info)
{
    DWORD code = info->ExceptionRecord->ExceptionCode;
    if (code != EXCEPTION_ACCESS_VIOLATION && code != EXCEPTION_STACK_OVERFLOW &&
        code != EXCEPTION_ILLEGAL_INSTRUCTION && code != EXCEPTION_INT_DIVIDE_BY_ZERO)
        return EXCEPTION_CONTINUE_SEARCH;
    BYTE *address = code == EXCEPTION_ACCESS_VIOLATION
                        ? (BYTE *)info->ExceptionRecord->ExceptionInformation[1]
                        : nullptr;
    bool guard = false;
    for (int i = 0; i < 5; i++)
        guard = guard || (address >= Buffers.guardStart[i] && address < Buffers.guardEnd[i]);
    RestoreConsole(); // a report in a one-column console is unreadable
    printf("\nlwfuzz: FAULT 0x%08lX at %p%s\n", code, (void *)address,
           guard ? " (guard page: past the end of a buffer)" : "");
    ReportInput();
    printf("lwfuzz: FAILED (crash%s)\n", guard ? ", guard-page hit" : "");
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

void InvariantFailed(int entry, const char *what)
{
    Totals[entry].invariantFailures++;
    if (Totals[entry].invariantFailures <= 10) {
        RestoreConsole();
        printf("lwfuzz: invariant failed: %s\n", what);
        ReportInput();
    }
}

// ---- the plug-in ------------------------------------------------------------------------

PluginDll Dll;
const wchar_t *const SettingsKey = L"Software\\JPPlugins\\Linewise";

int Command(const wchar_t *text)
{
    wchar_t *argument = PlaceAtEnd(Buffers.argument, ArgumentUnits, text, wcslen(text));
    return Dll.linewise(argument);
}

// The display of the current settings (linewise with no arguments).
void Display(wchar_t *out, size_t capacity)
{
    TakeOutput(1);
    TakeOutput(2);
    Command(L"");
    wcsncpy(out, TakeOutput(1), capacity - 1);
    out[capacity - 1] = 0;
    TakeOutput(2);
}

// Ids of the actions that open windows, print or start programs.
bool OpensWindows(int id)
{
    return id == 16 || id == 20 || id == 21 || id == 22; // Character Info, Print Viewport,
                                                         // Save Viewport Picture, Print History
}

// A fresh start: the settings the key fuzz needs, every action bound (the window-opening ones
// only with --all-actions), the error sound counted through the shell's honk, no chime.
bool NewerHost; // the host the plug-in last started on

void StartPlugin(bool newerHost)
{
    NewerHost = newerHost;
    RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKey);
    Host().SetVariable(L"_4ver", newerHost ? L"24.00" : L"23.00");
    Host().CaptureOutput(1);
    if (Dll.InitializePlugin() != 0) {
        printf("lwfuzz: InitializePlugin failed\n");
        exit(2);
    }
    Command(L"/D /Q /E:1 /C:0 /B:63");
    // The default keys of the actions that open windows.
    const wchar_t *const windowKeys[] = {L"Ctrl-A", L"Ctrl-Shift-P", L"Ctrl-Shift-Q", L"Ctrl-P"};
    for (const wchar_t *key : windowKeys)
        if (!AllActions) {
            wchar_t remove[64];
            swprintf(remove, 64, L"/Q /X:%ls", key);
            Command(remove);
        }
    for (int id = 1; id <= ActionIds; id++) {
        if (OpensWindows(id) && !AllActions)
            continue;
        wchar_t bind[64];
        swprintf(bind, 64, L"/Q /K%d:%ls", id, ActionKeys[id].name);
        if (Command(bind) != 0)
            printf("lwfuzz: cannot bind action %d to %ls\n", id, ActionKeys[id].name);
    }
    TakeOutput(1);
    TakeOutput(2);
}

void StopPlugin(void)
{
    Dll.ShutdownPlugin(0);
    TakeOutput(1);
    TakeOutput(2);
}

// ---- texts --------------------------------------------------------------------------------

// Units the actions treat specially, and some that nobody expects.
const wchar_t Specials[] = L" \t\"'`^%[](){}<>,;/\\-=:@&|!?~.*+#$0123456789aZ\x00e9\x01C5"
                           L"\x4E2D\xFF21\x3000\x00A0\x2028\r\n\x1B\x7F\x01\x08";

wchar_t RandomUnit(Random &r)
{
    switch (r.Below(10)) {
    case 0:
        return (wchar_t)(0xD800 + r.Below(0x800)); // surrogate halves, paired or not
    case 1:
        return (wchar_t)(1 + r.Below(0x1F)); // control characters
    case 2:
        return (wchar_t)(1 + r.Below(0xFFFF));
    case 3:
    case 4:
    case 5:
        return Specials[r.Below((unsigned)wcslen(Specials))];
    default:
        return (wchar_t)(L'a' + r.Below(26) - (r.Chance(30) ? 32 : 0));
    }
}

// 0 to max units, biased to short texts and to the limit.
size_t RandomLength(Random &r, size_t max)
{
    switch (r.Below(10)) {
    case 0:
        return max - r.Below(4 < max ? 4 : (unsigned)max);
    case 1:
        return r.Below((unsigned)max + 1);
    case 2:
    case 3:
        return r.Below(1025 < max ? 1025 : (unsigned)max + 1);
    default:
        return r.Below(65 < max ? 65 : (unsigned)max + 1);
    }
}

void RandomText(Random &r, wchar_t *out, size_t length)
{
    // Runs of one kind make words, blanks and quoted stretches.
    for (size_t i = 0; i < length;) {
        size_t run = 1 + r.Below(12);
        wchar_t unit = RandomUnit(r);
        bool same = r.Chance(20);
        for (; run-- && i < length; i++) {
            out[i] = same ? unit : RandomUnit(r);
            if (out[i] == 0xD800 + 0x100 && i + 1 < length) // a proper pair now and then
                out[++i] = (wchar_t)(0xDC00 + r.Below(0x400));
        }
    }
}

// ---- key -------------------------------------------------------------------------------

wchar_t Before[LineUnits];

int RandomKeyCode(Random &r)
{
    switch (r.Below(12)) {
    case 0:
        return 13; // Enter
    case 1:
        return 27; // Esc
    case 2:
        return L"[({\"'`"[r.Below(6)]; // auto-close characters
    case 3:
        return (int)(L'0' + r.Below(10)); // hexadecimal digits during a Unicode entry
    case 4:
        return (int)(L'a' + r.Below(26));
    case 5:
        return 0x1004F; // End finishes a Unicode entry
    case 6:
        return (int)r.Below(0x80000); // anything
    default: {
        int id = 1 + (int)r.Below(ActionIds);
        if (OpensWindows(id) && !AllActions)
            id = 1;
        return ActionKeys[id].code;
    }
    }
}

int RandomPosition(Random &r)
{
    switch (r.Below(6)) {
    case 0:
        return -(int)r.Below(100000);
    case 1:
        return 0x7FFFFFFF - (int)r.Below(3);
    default:
        return (int)r.Below(3000);
    }
}

const wchar_t *const KeyNames[] = {
    L"Enter", L"Esc", L"F3",          L"Alt-;", L"Ctrl-U", L"Plus", L"Ctrl-Alt-Shift-F1",
    L"x",     L"",    L"Ctrl-Alt-F12"};

// ---- what the actions read besides the line ---------------------------------------------
//
// The environment settings, the clipboard and the console buffer change every few hundred
// inputs, and every HostPeriod inputs the plug-in starts afresh, on an older host and a newer
// one by turns. Each change depends only on the seed and the number of its period, so a run
// from the start of an input's host period meets what the long run met.

enum { EnvironmentPeriod = 256, ConsolePeriod = 1024, ClipboardPeriod = 2048, HostPeriod = 2048 };
enum { EnvironmentSalt = 16, ConsoleSalt = 17, ClipboardSalt = 18 };

uint64_t FirstIndex; // the first input of this run

// Where an input's period begins, or the run does.
bool PeriodStarts(uint64_t index, uint64_t period)
{
    return index == FirstIndex || index % period == 0;
}

enum VariableKind { Text, Number, Folder, Extension, Colour, PathList };

wchar_t OriginalPath[32768];

void RandomValue(Random &r, VariableKind kind, wchar_t *value, size_t capacity)
{
    static const wchar_t *const numbers[] = {L"4294967295", L"4294967296", L"0x7FFFFFFF",
                                             L"0xFFFFFFFFF", L"-1", L" 5", L"5x", L"0x", L"0"};
    static const wchar_t *const folders[] = {L"C:\\windows\\temp", L"C:\\users\\", L".",
                                             L"C:\\no\\such\\folder", L"\\\\server\\share",
                                             L"C:", L"\"C:\\windows\"", L"C:\\windows\\temp\\a b"};
    static const wchar_t *const extensions[] = {L"png", L".jpg", L"bmp", L"gif", L"tif",
                                                L"exe", L"jpeg", L"..", L"png "};
    static const wchar_t *const colours[] = {L"inv", L"0x4F", L"0x", L"bright red on black",
                                             L"blue on blue", L"bright white on bright blue",
                                             L"on red", L"red", L"0x1FF"};
    unsigned pick = r.Below(4);
    switch (pick == 0 ? Text : kind) {
    case Number:
        if (r.Chance(50))
            swprintf(value, capacity, r.Chance(50) ? L"%u" : L"0x%X", r.Below(0x1000));
        else
            wcscpy(value, numbers[r.Below(9)]);
        return;
    case Folder:
        wcscpy(value, folders[r.Below(8)]);
        if (r.Chance(25)) { // past MAX_PATH
            size_t n = wcslen(value);
            for (; n < 300; n++)
                value[n] = n % 50 ? L'd' : L'\\';
            value[n] = 0;
        }
        return;
    case Extension:
        wcscpy(value, extensions[r.Below(9)]);
        return;
    case Colour:
        wcscpy(value, colours[r.Below(9)]);
        return;
    case PathList:
        swprintf(value, capacity, L"%ls;C:\\no\\such;\"C:\\windows\";;%ls",
                 r.Chance(50) ? L"." : L"", OriginalPath);
        return;
    default: {
        size_t length = RandomLength(r, capacity - 1 < 8500 ? capacity - 1 : 8500);
        RandomText(r, value, length);
        for (size_t i = 0; i < length; i++)
            if (!value[i])
                value[i] = L'x';
        value[length] = 0;
    }
    }
}

void VaryEnvironment(uint64_t period)
{
    static const struct {
        const wchar_t *name;
        VariableKind kind;
    } variables[] = {{L"Insert-1", Text},
                     {L"Insert-2", Text},
                     {L"Insert-3", Text},
                     {L"SavePicDir", Folder},
                     {L"SavePicExt", Extension},
                     {L"SavePicFlags", Number},
                     {L"PathExpandFlags", Number},
                     {L"PrintHistoryMaxLines", Number},
                     {L"PrintHistoryFlags", Number},
                     {L"Highlight", Colour},
                     {L"Prompt", Text},
                     {L"WT_SESSION", Text},
                     {L"ConEmuHWND", Number},
                     {L"Path", PathList}};
    static wchar_t value[40000];
    Random r = InputRandom(Seed, EnvironmentSalt, period);
    for (const auto &variable : variables) {
        bool path = variable.kind == PathList;
        if (r.Chance(path ? 60 : 25)) { // the path as it was; the others missing
            SetEnvironmentVariableW(variable.name, path ? OriginalPath : nullptr);
            continue;
        }
        RandomValue(r, variable.kind, value, sizeof value / sizeof value[0]);
        SetEnvironmentVariableW(variable.name, value);
    }
    Host().SetVariable(L"_insert", r.Chance(70) ? L"1" : L"0");
}

void VaryClipboard(uint64_t period)
{
    Random r = InputRandom(Seed, ClipboardSalt, period);
    if (!OpenClipboard(nullptr))
        return;
    EmptyClipboard();
    if (r.Chance(80)) {
        size_t length = RandomLength(r, 70000);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (length + 1) * sizeof(wchar_t));
        if (memory) {
            wchar_t *text = (wchar_t *)GlobalLock(memory);
            RandomText(r, text, length);
            // Now and then no terminator inside the stated size.
            text[length] = r.Chance(90) ? 0 : L'x';
            GlobalUnlock(memory);
            if (!SetClipboardData(CF_UNICODETEXT, memory))
                GlobalFree(memory);
        }
    }
    CloseClipboard();
}

// A buffer smaller than the console's window is refused: the window shrinks to one cell
// first and then takes what the new buffer allows of the terminal's 80 x 25.
bool SetConsoleSize(COORD size)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    SMALL_RECT cell = {0, 0, 0, 0};
    SetConsoleWindowInfo(out, TRUE, &cell);
    bool done = SetConsoleScreenBufferSize(out, size) != 0;
    SMALL_RECT window = {0, 0, (SHORT)((size.X < 80 ? size.X : 80) - 1),
                         (SHORT)((size.Y < 25 ? size.Y : 25) - 1)};
    SetConsoleWindowInfo(out, TRUE, &window);
    return done;
}

// The terminal's size, the cursor at the start of a line, for the program's own output.
void RestoreConsole(void)
{
    SetConsoleSize({80, 25});
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(out, &info) && info.dwCursorPosition.X != 0) {
        COORD start = {0, info.dwCursorPosition.Y};
        SetConsoleCursorPosition(out, start);
    }
}

void VaryConsole(uint64_t period)
{
    static const COORD sizes[] = {{80, 25},   {80, 3000}, {80, 32766}, {1, 25},  {300, 9000},
                                  {80, 1},    {1, 1},     {1, 9999},   {2000, 40}};
    Random r = InputRandom(Seed, ConsoleSalt, period);
    COORD size = sizes[r.Below(sizeof sizes / sizeof sizes[0])];
    if (!SetConsoleSize(size)) {
        RestoreConsole();
        printf("lwfuzz: the console refused a buffer of %d x %d\n", size.X, size.Y);
        return;
    }
    COORD cursor = {(SHORT)r.Below((unsigned)size.X), (SHORT)r.Below((unsigned)size.Y)};
    SetConsoleCursorPosition(GetStdHandle(STD_OUTPUT_HANDLE), cursor);
}

bool EntryMayBePending; // the Unicode Entry key was pressed and nothing ended the entry yet

void FuzzKey(int entry, uint64_t index, bool checkOnly)
{
    if (PeriodStarts(index, HostPeriod)) {
        StopPlugin();
        StartPlugin(index / HostPeriod % 2 == 1);
        ShellKeyEvent reset = {}; // the shell's call without a line ends a pending entry
        Dll.key(&reset);
        EntryMayBePending = false;
    }
    if (PeriodStarts(index, EnvironmentPeriod))
        VaryEnvironment(index / EnvironmentPeriod);
    if (PeriodStarts(index, ClipboardPeriod))
        VaryClipboard(index / ClipboardPeriod);
    if (PeriodStarts(index, ConsolePeriod))
        VaryConsole(index / ConsolePeriod);
    Random r = InputRandom(Seed, entry, index);

    wchar_t *line = Buffers.line;
    size_t length = RandomLength(r, LineUnits - 1);
    RandomText(r, line, length);
    line[length] = 0;
    // Past the terminator the previous inputs' text stays, as in the shell's buffer.
    if (r.Chance(3) && length)
        line[0] = L':'; // the calculator line

    ShellKeyEvent event = {};
    event.code = RandomKeyCode(r);
    event.line = line;
    unsigned where = r.Below(4);
    size_t cursor = where == 0 ? 0 : where == 1 ? length : r.Below((unsigned)length + 1);
    event.cursor = line + cursor;
    event.homeRow = RandomPosition(r);
    event.homeColumn = (int)r.Below(200);
    event.row = r.Chance(80) ? event.homeRow : RandomPosition(r);
    event.column = (int)r.Below(200);
    if (r.Chance(20)) {
        const wchar_t *name = KeyNames[r.Below(10)];
        event.keyName = PlaceAtEnd(Buffers.keyName, 32, name, wcslen(name));
        if (r.Chance(50))
            event.code = 0;
    }

    // While a Unicode entry may be pending, a key can first end it (removing its marker and
    // digits, with the error sound for a value beyond U+10FFFF) and then do its own work, so
    // the sound no longer tells that the line was left alone. Only Enter, Esc, End and a key
    // without the extended bit whose unit is printable (the runtime's class, the tab not
    // counted) and no hex digit end an entry; its key or its default Alt-U starts one, and so
    // may a key known only by its name.
    bool entryWasPending = EntryMayBePending;
    int own = event.code;
    wchar_t unit = (wchar_t)own;
    bool hexDigit = (unit >= L'0' && unit <= L'9') || (unit >= L'a' && unit <= L'f') ||
                    (unit >= L'A' && unit <= L'F');
    bool printable = unit < 0x80 ? unit >= 0x20 && unit < 0x7F : iswprint(unit) != 0;
    if (own == ActionKeys[7].code || own == 0x10016 || (own == 0 && event.keyName))
        EntryMayBePending = true;
    else if (own == 13 || own == 27 || own == 0x1004F ||
             (!(own & 0x10000) && printable && !hexDigit))
        EntryMayBePending = false;

    Now.text = Before; // the line as the key found it
    Now.length = length;
    Now.code = event.code;
    Now.cursor = (int)cursor;
    memcpy(Before, line, (length + 1) * sizeof(wchar_t));
    int honks = Host().HonkCalls();
    Dll.key(&event);
    if (checkOnly)
        return;

    const wchar_t *end = wmemchr(line, 0, LineUnits);
    if (!end) {
        InvariantFailed(entry, "the line is not terminated within its 65,536 units");
        line[LineUnits - 1] = 0;
        return;
    }
    size_t after = (size_t)(end - line);
    if (event.cursor < line || event.cursor > line + after)
        InvariantFailed(entry, "the cursor lies outside the line");
    if (Host().HonkCalls() != honks && !entryWasPending &&
        (after != length || memcmp(Before, line, (length + 1) * sizeof(wchar_t)) != 0))
        InvariantFailed(entry, "an action that refused changed the line");
}

// ---- linewise --------------------------------------------------------------------------

const wchar_t *const OptionWords[] = {
    L"/A:",         L"/B:",
    L"/C:",         L"/E:",
    L"/Y:",         L"/K",
    L"/X:",         L"/D",
    L"/Q",          L"/R",
    L"/S",          L"/S!",
    L"/L",          L"/?",
    L"/A?",         L"/B?",
    L"/Z",          L"/",
    L"=",           L":",
    L"\"",          L" ",
    L"\t",          L"0x",
    L"-",           L"key",
    L"F3",          L"Ctrl-",
    L"Alt-Plus",    L"Ctrl-Alt-Shift-F1",
    L"Shift-A",     L"Ctrl-C",
    L"Hyper-X",     L"99999999999999999999",
    L"4294967295",  L"4294967296",
    L"0xFFFFFFFFF", L"2147483648",
    L"64",          L"65",
    L"23",          L"24",
    L"0",           L"7",
    L"-1",
};

// Option texts that would write the machine key are left out: a refused command must not
// reach the registry anyway, and the load fuzz covers what /S writes.
void RandomArguments(Random &r, wchar_t *out, size_t capacity, size_t *length)
{
    size_t target = RandomLength(r, 10000);
    size_t n = 0;
    while (n < target && n + 40 < capacity) {
        const wchar_t *word = OptionWords[r.Below(sizeof OptionWords / sizeof OptionWords[0])];
        if (r.Chance(15)) {
            size_t run = 1 + r.Below(30);
            for (size_t i = 0; i < run && n < target; i++) {
                wchar_t unit = RandomUnit(r);
                out[n++] = unit ? unit : L'x';
            }
            continue;
        }
        while (*word && n < capacity - 1)
            out[n++] = *word++;
        if (r.Chance(40))
            out[n++] = L' ';
    }
    out[n] = 0;
    *length = n;
}

wchar_t DisplayBefore[65536], DisplayAfter[65536];
wchar_t ArgumentText[ArgumentUnits + 64];

void FuzzLinewise(int entry, uint64_t index, bool checkOnly)
{
    Random r = InputRandom(Seed, entry, index);
    size_t length;
    RandomArguments(r, ArgumentText, ArgumentUnits, &length);
    // /S! writes the machine key; keep it to the user's.
    for (size_t i = 0; i + 1 < length; i++)
        if (ArgumentText[i] == L'S' && ArgumentText[i + 1] == L'!')
            ArgumentText[i + 1] = L' ';
    Now.text = ArgumentText;
    Now.length = length;
    Display(DisplayBefore, 65536);
    wchar_t *argument = PlaceAtEnd(Buffers.argument, ArgumentUnits, ArgumentText, length);
    TakeOutput(1);
    int result = Dll.linewise(argument);
    TakeOutput(1);
    TakeOutput(2);
    if (checkOnly)
        return;
    if (result < 0 || result > 2)
        InvariantFailed(entry, "linewise gave a result other than 0, 1 or 2");
    if (result == 1) {
        Display(DisplayAfter, 65536);
        if (wcscmp(DisplayBefore, DisplayAfter) != 0)
            InvariantFailed(entry, "a refused command changed the settings");
    }
}

// ---- Usage and Help --------------------------------------------------------------------

void RandomName(Random &r, wchar_t *out, size_t *length)
{
    const wchar_t *const names[] = {L"linewise", L"LINEWISE", L"@linewise", L"_linewise",
                                    L"key",      L"*key",     L"lineWise ", L""};
    if (r.Chance(40)) {
        wcscpy(out, names[r.Below(8)]);
        *length = wcslen(out);
        return;
    }
    *length = RandomLength(r, NameUnits - 1);
    RandomText(r, out, *length);
    for (size_t i = 0; i < *length; i++)
        if (!out[i])
            out[i] = L'x';
    out[*length] = 0;
}

wchar_t NameText[NameUnits];

void FuzzUsage(int entry, uint64_t index, bool checkOnly)
{
    Random r = InputRandom(Seed, entry, index);
    size_t length;
    RandomName(r, NameText, &length);
    Now.text = NameText;
    Now.length = length;
    wchar_t *name = PlaceAtEnd(Buffers.name, NameUnits, NameText, length);
    for (int i = 0; i < UsageUnits; i++)
        Buffers.usageOut[i] = 0xBDBD;
    int result = Dll.Usage(name, Buffers.usageOut);
    if (checkOnly)
        return;
    if (result != 0 && result != 1)
        InvariantFailed(entry, "Usage gave a result other than 0 or 1");
    if (result == 1 && !wmemchr(Buffers.usageOut, 0, UsageUnits))
        InvariantFailed(entry, "Usage left its text unterminated");
    bool ours = _wcsicmp(NameText, L"linewise") == 0;
    if ((result == 1) != ours)
        InvariantFailed(entry, "Usage answered for a name that is not the command's, or not "
                               "for the command");
}

void FuzzHelp(int entry, uint64_t index, bool checkOnly)
{
    Random r = InputRandom(Seed, entry, index);
    size_t length;
    RandomName(r, NameText, &length);
    // The plug-in's own names open the viewer or a message box: only with --all-actions.
    if (!AllActions && (_wcsicmp(NameText, L"linewise") == 0 || _wcsicmp(NameText, L"key") == 0 ||
                        _wcsicmp(NameText, L"*key") == 0))
        NameText[0] = L'#';
    Now.text = NameText;
    Now.length = length;
    wchar_t *topic = PlaceAtEnd(Buffers.name, NameUnits, NameText, length);
    int result = Dll.Help(topic);
    if (!checkOnly && result != 0 && result != 1)
        InvariantFailed(entry, "Help gave a result other than 0 or 1");
}

// ---- the registry before a load and before /R ----------------------------------------------
//
// The inputs of one batch share a valid key, saved by the plug-in from random valid settings
// and environment settings. Each input damages a few of its values, remembering what they
// held, lets the plug-in load the key at start-up or with /R, and puts the values back, so the
// key an input meets depends only on its batch, also when it runs alone.

enum { RegistryBatch = 256, RegistryBatchSalt = 8 };

const wchar_t *const ValueNames[] = {L"Version",
                                     L"Hotkeys",
                                     L"Error Sound",
                                     L"Copy Chime",
                                     L"LastArgs Flags",
                                     L"Scrolly Flags",
                                     L"Auto Close Flags",
                                     L"Key 0",
                                     L"Key 1",
                                     L"Key 2",
                                     L"Key 63",
                                     L"Key 64",
                                     L"Custom Insert String 1",
                                     L"Custom Insert String 3",
                                     L"SavePicDir",
                                     L"PathExpandFlags",
                                     L"PrintHistoryMaxLines",
                                     L"Unknown"};
enum { ValueNameCount = sizeof ValueNames / sizeof ValueNames[0] };

// The variables a load copies from the key, with the units (terminator included) each may take.
const struct {
    const wchar_t *name;
    size_t capacity;
} StoredVariables[] = {{L"Insert-1", 8192},         {L"Insert-2", 8192},
                       {L"Insert-3", 8192},         {L"SavePicDir", 1024},
                       {L"SavePicExt", 1024},       {L"SavePicFlags", 1024},
                       {L"PrintHistoryMaxLines", 1024}, {L"PrintHistoryFlags", 1024},
                       {L"PathExpandFlags", 1024}};
enum { StoredVariableCount = 9, StoredVariableUnits = 8200 };

// Every variable holds this before a load: a refused load must leave it.
const wchar_t LiveValue[] = L"set before the load";

struct {
    bool started;
    uint64_t number;
    HKEY key;           // the settings key, open for the whole batch
    unsigned hotkeys;   // the stored table's count
    wchar_t variables[StoredVariableCount][StoredVariableUnits]; // as stored; empty: not stored
} Batch;

wchar_t DisplayStored[65536], DisplayDefaults[65536], DisplayChanged[65536];

// The count of "N keys defined." in a display.
unsigned DisplayedCount(const wchar_t *display)
{
    const wchar_t *keys = wcsstr(display, L" defined.");
    if (!keys)
        return 0;
    const wchar_t *count = keys;
    while (count > display && count[-1] != L'\n')
        count--;
    return (unsigned)wcstoul(count, nullptr, 10);
}

// The display's numbers must be ones the settings can hold.
bool DisplaySane(const wchar_t *display)
{
    const wchar_t *e = wcsstr(display, L"/E   : ");
    const wchar_t *c = wcsstr(display, L"/C   : ");
    if (!e || !c || !wcsstr(display, L" defined."))
        return false;
    if (wcstoul(e + 7, nullptr, 10) > 6 || wcstoul(c + 7, nullptr, 10) > 6)
        return false;
    return DisplayedCount(display) <= 64;
}

bool EndsWith(const wchar_t *text, const wchar_t *tail)
{
    size_t length = wcslen(text), tailLength = wcslen(tail);
    return length >= tailLength && wcscmp(text + length - tailLength, tail) == 0;
}

// Random valid settings: the numbers, a table from a few bindings fewer than the defaults to a
// full one, and the stored variables, some at their buffer's limit or one unit past it.
void RandomValidSettings(Random &r)
{
    wchar_t command[256];
    swprintf(command, 256, L"/D /Q /E:%u /C:%u /A:%u /B:%u /Y:%u", r.Below(7), r.Below(7),
             r.Chance(20) ? (unsigned)r.Next() : r.Below(16), r.Below(64),
             r.Chance(20) ? (unsigned)r.Next() : r.Below(4));
    Command(command);
    const wchar_t *const defaults[] = {L"Ctrl-A", L"Ctrl-Shift-P", L"Ctrl-Shift-Q", L"Ctrl-P"};
    for (const wchar_t *key : defaults)
        if (r.Chance(25)) {
            swprintf(command, 256, L"/Q /X:%ls", key);
            Command(command);
        }
    const wchar_t *const modifiers[] = {L"Alt-", L"Shift-", L"Ctrl-Alt-Shift-"};
    for (int i = r.Chance(20) ? 43 : (int)r.Below(5); i > 0; i--) {
        unsigned key = r.Below(ActionIds + 36);
        wchar_t name[32];
        if (key < ActionIds)
            wcscpy(name, ActionKeys[1 + key].name);
        else
            swprintf(name, 32, L"%lsF%u", modifiers[(key - ActionIds) / 12],
                     1 + (key - ActionIds) % 12);
        swprintf(command, 256, L"/Q /K%u:%ls", 1 + r.Below(ActionIds), name);
        Command(command);
    }
    for (int i = 0; i < StoredVariableCount; i++) {
        wchar_t *value = Batch.variables[i];
        size_t capacity = StoredVariables[i].capacity;
        size_t length = r.Chance(20)   ? 0
                        : r.Chance(10) ? capacity - 1 + r.Below(2)
                                       : RandomLength(r, capacity - 1);
        RandomText(r, value, length);
        for (size_t n = 0; n < length; n++)
            if (!value[n])
                value[n] = L'x';
        value[length] = 0;
        SetEnvironmentVariableW(StoredVariables[i].name, length ? value : nullptr);
        if (length >= capacity)
            value[0] = 0; // too long for the buffer: not stored
    }
}

// The batch's key as saved, read once: what a damaged value held, to put it back.
struct StoredValue {
    wchar_t name[64];
    DWORD type, size;
    BYTE data[16400];
};
StoredValue Stored[80];
int StoredCount;

void ReadStoredKey(void)
{
    StoredCount = 0;
    for (DWORD i = 0; StoredCount < 80; i++) {
        StoredValue &value = Stored[StoredCount];
        DWORD nameUnits = 64;
        value.size = sizeof value.data;
        LONG status = RegEnumValueW(Batch.key, i, value.name, &nameUnits, nullptr, &value.type,
                                    value.data, &value.size);
        if (status == ERROR_NO_MORE_ITEMS)
            return;
        if (status != ERROR_SUCCESS) {
            printf("lwfuzz: cannot read the saved settings key (error %ld)\n", status);
            exit(2);
        }
        StoredCount++;
    }
}

const wchar_t *Damaged[4];
int DamagedCount;

void Remember(const wchar_t *name)
{
    for (int i = 0; i < DamagedCount; i++)
        if (!wcscmp(Damaged[i], name))
            return;
    Damaged[DamagedCount++] = name;
}

void PutBack(void)
{
    for (int d = 0; d < DamagedCount; d++) {
        const StoredValue *stored = nullptr;
        for (int i = 0; i < StoredCount && !stored; i++)
            if (!_wcsicmp(Stored[i].name, Damaged[d]))
                stored = &Stored[i];
        LONG status = stored ? RegSetValueExW(Batch.key, stored->name, 0, stored->type,
                                              stored->data, stored->size)
                             : RegDeleteValueW(Batch.key, Damaged[d]);
        if (status != ERROR_SUCCESS && (stored || status != ERROR_FILE_NOT_FOUND)) {
            printf("lwfuzz: cannot put back the value %ls (error %ld)\n", Damaged[d], status);
            exit(2);
        }
    }
    DamagedCount = 0;
}

void StartBatch(int entry, uint64_t number)
{
    if (Batch.key)
        RegCloseKey(Batch.key);
    Batch.key = nullptr;
    Random r = InputRandom(Seed, entry + RegistryBatchSalt, number);
    RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKey);
    RandomValidSettings(r);
    Display(DisplayStored, 65536);
    Batch.hotkeys = DisplayedCount(DisplayStored);
    if (Command(L"/Q /S") != 0 ||
        RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, KEY_READ | KEY_WRITE, &Batch.key) !=
            ERROR_SUCCESS) {
        printf("lwfuzz: cannot save the settings key of batch %llu\n",
               (unsigned long long)number);
        exit(2);
    }
    ReadStoredKey();
    Command(L"/D /Q");
    Display(DisplayDefaults, 65536);
    Command(L"/Q /E:3 /K5:F11");
    Display(DisplayChanged, 65536);
    Batch.started = true;
    Batch.number = number;
}

void EndBatches(void)
{
    if (Batch.key)
        RegCloseKey(Batch.key);
    Batch.key = nullptr;
    Batch.started = false;
    StopPlugin();
    StartPlugin(false);
}

// Values no load reads: an unknown name and the hotkey slots at or past the stored count.
bool Unread(const wchar_t *name)
{
    if (!wcscmp(name, L"Unknown"))
        return true;
    return !wcsncmp(name, L"Key ", 4) && wcstoul(name + 4, nullptr, 10) >= Batch.hotkeys;
}

// Random types, sizes and contents, odd byte counts, texts without terminators, huge counts,
// deleted values; now and then only values no load reads. Tells whether every damaged value
// is unread and whether the format version was touched.
void DamageKey(Random &r, bool *unread, bool *version)
{
    static BYTE data[20000];
    int changes = 1 + (int)r.Below(4);
    bool onlyUnread = r.Chance(10);
    *unread = true;
    *version = false;
    for (int c = 0; c < changes; c++) {
        const wchar_t *name = ValueNames[r.Below(ValueNameCount)];
        if (onlyUnread && !Unread(name))
            name = r.Chance(50) ? L"Unknown" : L"Key 64";
        Remember(name);
        *unread = *unread && Unread(name);
        *version = *version || !wcscmp(name, L"Version");
        if (r.Chance(15)) {
            RegDeleteValueW(Batch.key, name);
            continue;
        }
        DWORD type = r.Chance(50) ? REG_DWORD : (DWORD)r.Below(12);
        DWORD size = r.Chance(50) ? 4 : r.Chance(50) ? r.Below(17) : r.Below(sizeof data);
        for (DWORD i = 0; i < size; i++)
            data[i] = (BYTE)r.Next();
        if (size == 4 && r.Chance(50)) {
            DWORD small = r.Chance(50) ? r.Below(70) : r.Chance(10) ? 0x10000 : (DWORD)r.Next();
            memcpy(data, &small, 4);
        }
        RegSetValueExW(Batch.key, name, 0, type, data, size);
    }
}

// True when the key's format version is no longer the one a load accepts.
bool VersionWrong(void)
{
    DWORD type = 0, value = 0, size = sizeof value;
    return RegQueryValueExW(Batch.key, L"Version", nullptr, &type, (BYTE *)&value, &size) !=
               ERROR_SUCCESS ||
           type != REG_DWORD || size != 4 || value != 0x10000;
}

// Each variable holds what the key stores, or LiveValue where nothing was stored (stored:
// false checks for LiveValue everywhere).
bool VariablesAre(bool stored)
{
    static wchar_t value[StoredVariableUnits + 2];
    for (int i = 0; i < StoredVariableCount; i++) {
        const wchar_t *expected =
            stored && Batch.variables[i][0] ? Batch.variables[i] : LiveValue;
        DWORD length = GetEnvironmentVariableW(StoredVariables[i].name, value,
                                               StoredVariableUnits + 2);
        if (length == 0)
            value[0] = 0;
        if (length >= StoredVariableUnits + 2 || wcscmp(value, expected) != 0)
            return false;
    }
    return true;
}

void FuzzRegistry(int entry, uint64_t index, bool checkOnly)
{
    if (!Batch.started || Batch.number != index / RegistryBatch)
        StartBatch(entry, index / RegistryBatch);
    Random r = InputRandom(Seed, entry, index);
    Now.text = nullptr;
    bool atStartUp = r.Chance(10); // a start-up costs several /R loads
    bool changed = r.Chance(50);
    const wchar_t *before = DisplayDefaults;
    if (!atStartUp) {
        Command(L"/D /Q");
        if (changed) {
            Command(L"/Q /E:3 /K5:F11");
            before = DisplayChanged;
        }
    }
    for (const auto &variable : StoredVariables)
        SetEnvironmentVariableW(variable.name, LiveValue);

    bool unread, versionTouched;
    DamageKey(r, &unread, &versionTouched);
    bool versionWrong = versionTouched && VersionWrong();

    const wchar_t *after;
    bool refused;
    if (atStartUp) {
        Dll.ShutdownPlugin(0);
        Dll.InitializePlugin();
        Display(DisplayAfter, 65536);
        after = DisplayAfter;
        refused = versionWrong;
    } else {
        TakeOutput(1);
        TakeOutput(2);
        int result = Command(L"/R");
        after = TakeOutput(1);
        TakeOutput(2);
        refused = wcsstr(after, L"Settings not found in the registry.") != nullptr;
        if (!checkOnly && result != 0)
            InvariantFailed(entry, "/R gave a result other than 0");
        if (!checkOnly && !refused && !wcsstr(after, L"Settings restored from the registry"))
            InvariantFailed(entry, "/R said neither that it restored nor that it found nothing");
        if (!checkOnly && versionWrong && !refused)
            InvariantFailed(entry, "/R used a key whose format version is wrong");
        if (!checkOnly && unread && refused)
            InvariantFailed(entry, "/R refused a key whose read values are intact");
    }
    PutBack();
    if (checkOnly)
        return;
    const char *when = atStartUp ? "at start-up" : "with /R";
    static char what[160];
    if (!DisplaySane(after)) {
        snprintf(what, sizeof what, "settings loaded %s hold impossible values", when);
        InvariantFailed(entry, what);
    }
    if (refused && (!EndsWith(after, before) || !VariablesAre(false))) {
        snprintf(what, sizeof what, "a load refused %s changed the settings or variables", when);
        InvariantFailed(entry, what);
    }
    if (unread && (!EndsWith(after, DisplayStored) || !VariablesAre(true))) {
        snprintf(what, sizeof what,
                 "a load %s of a key whose read values are intact did not give the stored "
                 "settings and variables",
                 when);
        InvariantFailed(entry, what);
    }
}

// ---- the runner ----------------------------------------------------------------------------

typedef void (*EntryFuzz)(int entry, uint64_t index, bool checkOnly);
struct Entry {
    const char *name;
    EntryFuzz run;
};
const Entry Entries[] = {{"key", FuzzKey},
                         {"linewise", FuzzLinewise},
                         {"usage", FuzzUsage},
                         {"help", FuzzHelp},
                         {"registry", FuzzRegistry}};

double Now_(void)
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

} // namespace

int main(int argc, char **argv)
{
    setvbuf(stdout, nullptr, _IOLBF, 4096);
    double seconds = 3;
    unsigned long long inputs = 0, from = 0;
    const char *only = nullptr;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = atof(argv[++i]);
        else if (!strcmp(argv[i], "--inputs") && i + 1 < argc)
            inputs = strtoull(argv[++i], nullptr, 10);
        else if (!strcmp(argv[i], "--seed") && i + 1 < argc)
            Seed = strtoull(argv[++i], nullptr, 10);
        else if (!strcmp(argv[i], "--only") && i + 1 < argc)
            only = argv[++i];
        else if (!strcmp(argv[i], "--from") && i + 1 < argc)
            from = strtoull(argv[++i], nullptr, 10);
        else if (!strcmp(argv[i], "--all-actions"))
            AllActions = true;
        else {
            printf("usage: lwfuzz [--seconds S | --inputs N] [--seed N] [--only ENTRY] "
                   "[--from N] [--all-actions]\n");
            return 2;
        }
    }
    const char *all = getenv("LWFUZZ_ALL_ACTIONS");
    if (all && !strcmp(all, "1"))
        AllActions = true;
    if (!AllActions)
        printf("lwfuzz: skipping Character Info, Print Viewport, Save Viewport Picture and "
               "Print History, and Help for the plug-in's own names (--all-actions runs them)\n");

    GetEnvironmentVariableW(L"Path", OriginalPath, 32768);
    FirstIndex = from;
    MakeBuffers();
    AddVectoredExceptionHandler(1, OnFault);
    Dll = LoadPluginDll();
    StartPlugin(false);

    bool failed = false;
    for (int entry = 0; entry < 5; entry++) {
        if (only && strcmp(only, Entries[entry].name) != 0)
            continue;
        Now.entry = Entries[entry].name;
        double start = Now_();
        uint64_t n = 0;
        for (;; n++) {
            if (inputs ? n >= inputs : Now_() - start >= seconds)
                break;
            Now.index = from + n;
            Now.periodStart = entry == 0 ? Now.index - Now.index % HostPeriod : Now.index;
            if (Now.periodStart < from)
                Now.periodStart = from;
            Now.text = nullptr;
            Entries[entry].run(entry, from + n, false);
        }
        if (NewerHost) {
            StopPlugin();
            StartPlugin(false);
        }
        if (entry == 0) { // the other entry points meet what the shell started with
            RestoreConsole();
            SetEnvironmentVariableW(L"Path", OriginalPath);
        }
        if (entry == 4)
            EndBatches();
        Totals[entry].inputs = n;
        Totals[entry].seconds = Now_() - start;
        failed = failed || Totals[entry].invariantFailures != 0;
    }
    StopPlugin();
    RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKey);

    printf("%-10s %12s %10s %12s %8s %11s %10s\n", "entry", "inputs", "seconds", "inputs/s",
           "crashes", "guard hits", "invariant");
    for (int entry = 0; entry < 5; entry++) {
        if (only && strcmp(only, Entries[entry].name) != 0)
            continue;
        const Figures &f = Totals[entry];
        printf("%-10s %12llu %10.1f %12.0f %8llu %11llu %10llu\n", Entries[entry].name,
               (unsigned long long)f.inputs, f.seconds,
               f.seconds > 0 ? (double)f.inputs / f.seconds : 0.0, (unsigned long long)f.crashes,
               (unsigned long long)f.guardHits, (unsigned long long)f.invariantFailures);
    }
    printf("lwfuzz: %s\n", failed ? "FAILED" : "passed");
    return failed ? 1 : 0;
}
