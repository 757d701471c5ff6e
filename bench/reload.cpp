#include "bench/reload.h"

#include "bench/table.h"
#include "keys/keyevent.h"
#include "tests/support/handles.h"

#include <stdio.h>
#include <wchar.h>
#include <windows.h>

namespace
{

enum {
    Cycles = 1000,
    HandleBound = 10,
    ByteBound = 1 << 20,
    SwapCharactersKey = 0x10027,
    SettleMs = 500
};

// Swap Characters refusing an empty line plays the error sound chosen by option. False when
// the DLL did not load, start or take the key.
bool Cycle(const wchar_t *path, const wchar_t *option)
{
    HMODULE dll = LoadLibraryW(path);
    if (!dll)
        return false;
    typedef int(__stdcall * Start)(void);
    typedef int(__stdcall * Stop)(int);
    typedef int(__stdcall * Command)(const wchar_t *);
    typedef int(__stdcall * Hook)(KeyEvent *);
    Start start = (Start)(void *)GetProcAddress(dll, "InitializePlugin");
    Stop stop = (Stop)(void *)GetProcAddress(dll, "ShutdownPlugin");
    Command command = (Command)(void *)GetProcAddress(dll, "linewise");
    Hook hook = (Hook)(void *)GetProcAddress(dll, "key");
    bool ok = start && stop && command && hook && start() == 0;
    if (ok) {
        wchar_t line[16] = L"";
        KeyEvent event = {};
        event.code = SwapCharactersKey;
        event.line = line;
        event.cursor = line;
        ok = command(option) == 0 && hook(&event) == 0 && event.code == 0;
        stop(0);
    }
    FreeLibrary(dll);
    return ok;
}

void Row(const char *name, const char *count, const char *bound, bool met, const char *note)
{
    TableLine("%-30s %11s %10s %9s %5s %-4s %7s  %s\n", name, count, "-", "-", bound,
              met ? "yes" : "no", "-", note);
}

} // namespace

void BenchReload(void)
{
    // The DLL built beside this program: Linewise-x86.dll beside the 32-bit benchmark.
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    while (n > 0 && path[n - 1] != L'\\')
        n--;
    path[n] = 0;
    swprintf(path + n, MAX_PATH - n, L"Linewise-%ls.dll", sizeof(void *) == 8 ? L"x64" : L"x86");
    const wchar_t *sounds[] = {L"/D /E:3 /Q", L"/D /E:4 /Q"};
    // The first cycles load the sound player and its sounds for good.
    if (!Cycle(path, sounds[0]) || !Cycle(path, sounds[1])) {
        TableSkip("reload cycles", "the DLL beside the benchmark did not load, start or act");
        return;
    }
    Sleep(SettleMs); // the last sound's player thread, and its stack, gone before each count
    uintptr_t handles = HandleCount();
    size_t bytes = CommittedBytes();
    unsigned long slot = FreeTlsSlot();
    int failed = 0;
    for (int cycle = 0; cycle < Cycles; cycle++)
        failed += !Cycle(path, sounds[cycle % 2]);
    Sleep(SettleMs);
    long long moreHandles = (long long)HandleCount() - (long long)handles;
    long long moreBytes = (long long)CommittedBytes() - (long long)bytes;
    long long moreSlots = (long long)FreeTlsSlot() - (long long)slot;

    char note[160], count[32];
    const char *what = "after 1,000 cycles of load, start, error sound, shut-down, unload";
    snprintf(note, sizeof note, "%s%s", what, failed ? "; some cycles failed" : "");
    snprintf(count, sizeof count, "%+lld", moreHandles);
    Row("reload: handles", count, "10", !failed && moreHandles <= HandleBound, note);
    snprintf(count, sizeof count, "%+lld KB", moreBytes / 1024);
    Row("reload: committed memory", count, "1 MB", !failed && moreBytes <= ByteBound, note);
    snprintf(count, sizeof count, "%+lld", moreSlots);
    Row("reload: TLS slots", count, "0", !failed && moreSlots == 0, note);
}
