#include "bench/importclock.h"

#include "bench/table.h"
#include "frame/host.h"

#include <shlwapi.h>
#include <string.h>
#include <windows.h>

#if defined(__x86_64__)

namespace
{

LONGLONG Spent, Entered;
int Depth;
DWORD MainThread;

LONGLONG Ticks(void)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Only the outermost call on the benchmark's own thread counts.
struct Span {
    bool counted;
    Span() : counted(GetCurrentThreadId() == MainThread && Depth++ == 0)
    {
        if (counted)
            Entered = Ticks();
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

struct Redirect {
    const char *name;
    void *stand;
    void **real;
};

// Each stand-in is its own instance, even for functions of one signature.
#define TIMED_AS(fn, n)                                                                           \
    {                                                                                             \
        #fn, (void *)&Timed<decltype(&fn), n>::Call, (void **)&Timed<decltype(&fn), n>::real      \
    }
#define TIMED(fn) TIMED_AS(fn, __COUNTER__)

const Redirect Redirects[] = {
    // The shell's library.
    TIMED(ExpandVariables), TIMED(Evaluate), TIMED(ClearEditLine), TIMED(HistoryStart),
    TIMED(NextHistoryEntry), TIMED(QueryIsDirectory), TIMED(QueryIsFileOrDirectory),
    TIMED(QueryTrueName), TIMED(WildcardComparison), TIMED(AddQuotes), TIMED(TakeCommandIPC),
    // The clipboard and its memory.
    TIMED(OpenClipboard), TIMED(CloseClipboard), TIMED(EmptyClipboard), TIMED(SetClipboardData),
    TIMED(GetClipboardData), TIMED(GetConsoleWindow), TIMED(GlobalAlloc), TIMED(GlobalLock),
    TIMED(GlobalUnlock), TIMED(GlobalFree), TIMED(GlobalSize),
    // Environment, standard handles, files, registry, URLs.
    TIMED(GetEnvironmentVariableW), TIMED(ExpandEnvironmentStringsW), TIMED(GetStdHandle),
    TIMED(SetStdHandle), TIMED(CreateFileW), TIMED(CloseHandle), TIMED(WriteFile),
    TIMED(FindFirstFileW), TIMED(FindNextFileW), TIMED(FindClose), TIMED(GetFullPathNameW),
    TIMED(GetCurrentDirectoryW), TIMED(GetFileAttributesW), TIMED(RegOpenKeyExW),
    TIMED(RegEnumKeyW), TIMED(RegQueryValueExW), TIMED(RegCloseKey), TIMED(UrlCreateFromPathW),
    TIMED(PathCreateFromUrlW),
};

const Redirect *FindRedirect(const char *name)
{
    for (const Redirect &r : Redirects)
        if (!strcmp(r.name, name))
            return &r;
    return nullptr;
}

} // namespace

bool StartImportClock(void)
{
    MainThread = GetCurrentThreadId();
    BYTE *base = (BYTE *)GetModuleHandleW(nullptr);
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress)
        return false;
    int redirected = 0;
    for (IMAGE_IMPORT_DESCRIPTOR *d = (IMAGE_IMPORT_DESCRIPTOR *)(base + directory.VirtualAddress);
         d->Name; d++) {
        if (!d->OriginalFirstThunk)
            continue;
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA *entries = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; names++, entries++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const char *name = (const char *)((IMAGE_IMPORT_BY_NAME *)(base +
                                                                      names->u1.AddressOfData))
                                   ->Name;
            const Redirect *r = FindRedirect(name);
            if (!r)
                continue;
            DWORD old;
            if (!VirtualProtect(&entries->u1.Function, sizeof(void *), PAGE_READWRITE, &old))
                continue;
            *r->real = (void *)entries->u1.Function;
            entries->u1.Function = (ULONG_PTR)r->stand;
            VirtualProtect(&entries->u1.Function, sizeof(void *), old, &old);
            redirected++;
        }
    }
    return redirected > 0;
}

double ImportSeconds(void)
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    return (double)Spent / (double)frequency.QuadPart;
}

#else

bool StartImportClock(void)
{
    return false;
}

double ImportSeconds(void)
{
    return 0;
}

#endif
