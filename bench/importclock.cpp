#include "bench/importclock.h"

#include "bench/table.h"
#include "frame/host.h"

#include <shlwapi.h>
#include <string.h>
#include <windows.h>

#if defined(__x86_64__)
#include <x86intrin.h>
#endif

#if defined(__x86_64__)

namespace
{

unsigned long long Spent, Entered, Calls;
int Depth;
// What a stand-in itself costs a call outside the span it clocks, measured at the start: it
// is the clock's, and goes with the time inside.
double CostPerCall;
DWORD MainThread;
// The processor's time-stamp counter: a read costs a few nanoseconds, where the performance
// counter costs a hundred or more under Wine and would be charged to every call it brackets.
// Converted to seconds against the performance counter over the clock's whole run.
unsigned long long StartStamp;
LARGE_INTEGER StartCount;

unsigned long long Ticks(void)
{
    return __rdtsc();
}

// Only the outermost call on the benchmark's own thread counts.
struct Span {
    bool counted;
    Span() : counted(GetCurrentThreadId() == MainThread && Depth++ == 0)
    {
        if (counted) {
            Calls++;
            Entered = Ticks();
        }
    }
    ~Span()
    {
        if (GetCurrentThreadId() != MainThread)
            return;
        if (counted)
            Spent += Ticks() - Entered;
        Depth--;
    }
};

template <typename F, int N> struct Timed;
template <typename R, typename... A, int N> struct Timed<R (*)(A...), N> {
    static R (*real)(A...);
    static R Call(A... args)
    {
        Span span;
        return real(args...);
    }
};
template <typename R, typename... A, int N> R (*Timed<R (*)(A...), N>::real)(A...);

struct Redirection {
    const char *name;
    void *stand;
    void **real;
};

// Each stand-in is its own instance, even for functions of one signature.
#define TIMED_AS(fn, n)                                                                            \
    {                                                                                              \
#fn, (void *)&Timed < decltype(&fn), n> ::Call, (void **)&Timed < decltype(&fn), n> ::real \
    }
#define TIMED(fn) TIMED_AS(fn, __COUNTER__)

const Redirection Redirections[] = {
    // The shell's library.
    TIMED(ExpandVariables),
    TIMED(Evaluate),
    TIMED(ClearEditLine),
    TIMED(HistoryStart),
    TIMED(NextHistoryEntry),
    TIMED(QueryIsDirectory),
    TIMED(QueryIsFileOrDirectory),
    TIMED(QueryTrueName),
    TIMED(WildcardComparison),
    TIMED(AddQuotes),
    TIMED(TakeCommandIPC),
    // The clipboard and its memory.
    TIMED(OpenClipboard),
    TIMED(CloseClipboard),
    TIMED(EmptyClipboard),
    TIMED(SetClipboardData),
    TIMED(GetClipboardData),
    TIMED(GetConsoleWindow),
    TIMED(GlobalAlloc),
    TIMED(GlobalLock),
    TIMED(GlobalUnlock),
    TIMED(GlobalFree),
    TIMED(GlobalSize),
    // Environment, standard handles, files, registry, URLs.
    TIMED(GetEnvironmentVariableW),
    TIMED(ExpandEnvironmentStringsW),
    TIMED(GetStdHandle),
    TIMED(SetStdHandle),
    TIMED(CreateFileW),
    TIMED(CloseHandle),
    TIMED(WriteFile),
    TIMED(FindFirstFileW),
    TIMED(FindNextFileW),
    TIMED(FindClose),
    TIMED(GetFullPathNameW),
    TIMED(GetCurrentDirectoryW),
    TIMED(GetFileAttributesW),
    TIMED(RegOpenKeyExW),
    TIMED(RegEnumKeyW),
    TIMED(RegQueryValueExW),
    TIMED(RegCloseKey),
    TIMED(UrlCreateFromPathW),
    TIMED(PathCreateFromUrlW),
};

const Redirection *FindRedirection(const char *name)
{
    for (const Redirection &r : Redirections)
        if (!strcmp(r.name, name))
            return &r;
    return nullptr;
}

// Sets or restores the import entries; the count of entries changed.
int Redirect(bool on)
{
    BYTE *base = (BYTE *)GetModuleHandleW(nullptr);
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress)
        return 0;
    int changed = 0;
    for (IMAGE_IMPORT_DESCRIPTOR *d = (IMAGE_IMPORT_DESCRIPTOR *)(base + directory.VirtualAddress);
         d->Name; d++) {
        if (!d->OriginalFirstThunk)
            continue;
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA *entries = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; names++, entries++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const char *name =
                (const char *)((IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData))->Name;
            const Redirection *r = FindRedirection(name);
            if (!r || (!on && !*r->real))
                continue;
            DWORD old;
            if (!VirtualProtect(&entries->u1.Function, sizeof(void *), PAGE_READWRITE, &old))
                continue;
            if (on) {
                *r->real = (void *)entries->u1.Function;
                entries->u1.Function = (ULONG_PTR)r->stand;
            } else {
                entries->u1.Function = (ULONG_PTR)*r->real;
            }
            VirtualProtect(&entries->u1.Function, sizeof(void *), old, &old);
            changed++;
        }
    }
    return changed;
}

// Time-stamp ticks in seconds, at the ratio of the two counters since the clock's start.
double TicksToSeconds(unsigned long long ticks)
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    double seconds = (double)(now.QuadPart - StartCount.QuadPart) / (double)frequency.QuadPart;
    unsigned long long stamps = Ticks() - StartStamp;
    return stamps ? (double)ticks * seconds / (double)stamps : 0;
}

__attribute__((noinline)) int Nothing(void)
{
    return 0;
}

// The stand-in's own cost outside its span, per call: a stand-in for a function that does
// nothing, against calling that function straight.
void MeasureCostPerCall(void)
{
    enum { Rounds = 100000, Tries = 7 };
    typedef Timed<int (*)(void), -1> Stand;
    Stand::real = Nothing;
    int (*volatile direct)(void) = Nothing;
    int (*volatile stand)(void) = Stand::Call;
    double best = 1e9;
    for (int t = 0; t < Tries; t++) {
        unsigned long long inside = Spent;
        double start = Seconds();
        for (int i = 0; i < Rounds; i++)
            stand();
        double wrapped = Seconds() - start;
        inside = Spent - inside;
        start = Seconds();
        for (int i = 0; i < Rounds; i++)
            direct();
        double plain = Seconds() - start;
        double insideSeconds = TicksToSeconds(inside);
        double cost = (wrapped - plain - insideSeconds) / Rounds;
        best = cost < best ? cost : best;
    }
    CostPerCall = best > 0 ? best : 0;
    Spent = 0;
    Calls = 0;
}

} // namespace

bool StartImportClock(void)
{
    MainThread = GetCurrentThreadId();
    QueryPerformanceCounter(&StartCount);
    StartStamp = Ticks();
    Sleep(20); // a first stretch for the counters' ratio
    MeasureCostPerCall();
    return Redirect(true) > 0;
}

void StopImportClock(void)
{
    Redirect(false);
}

double ImportSeconds(void)
{
    return TicksToSeconds(Spent) + (double)Calls * CostPerCall;
}

#else

bool StartImportClock(void)
{
    return false;
}

void StopImportClock(void) {}

double ImportSeconds(void)
{
    return 0;
}

#endif
