// Benchmark of the keystroke hook's path for a key without a binding. Prints ratios against
// floors measured in the same run: the three key-state reads that every keystroke needs, and
// copying a full edit line. Run under Wine: scripts/wine-run build/bin/lwbench.exe
#include "keys/hook.h"
#include "keys/hotkeys.h"
#include "settings/settings.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

void BenchConsoleActions(void); // bench/console.cpp

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

volatile int sink;
wchar_t line[65536];
wchar_t copy[65536];

double TimeKeyStateReads(int rounds)
{
    double start = Seconds();
    for (int i = 0; i < rounds; i++)
        sink +=
            GetAsyncKeyState(VK_SHIFT) + GetAsyncKeyState(VK_CONTROL) + GetAsyncKeyState(VK_MENU);
    return (Seconds() - start) / rounds;
}

double TimeUnboundKey(int rounds)
{
    KeyEvent event = {};
    event.line = line;
    event.cursor = line;
    double start = Seconds();
    for (int i = 0; i < rounds; i++) {
        event.code = 0x10044; // F10: bound to nothing
        key(&event);
        sink += event.code;
    }
    return (Seconds() - start) / rounds;
}

double TimeLineCopy(int rounds)
{
    double start = Seconds();
    for (int i = 0; i < rounds; i++) {
        memcpy(copy, line, sizeof line);
        sink += copy[i & 0xFFFF];
    }
    return (Seconds() - start) / rounds;
}

double Best(double a, double b)
{
    return a < b ? a : b;
}

} // namespace

int main(void)
{
    for (int i = 0; i < 65535; i++)
        line[i] = L'a' + i % 26;
    const int rounds = 200000;

    // Each figure is the best of five alternating runs, so that warm-up and a busy machine
    // weigh on the floors and the hook alike.
    double reads = 1e9, copyLine = 1e9, defaultTable = 1e9, fullTable = 1e9;
    for (int run = 0; run < 5; run++) {
        SetDefaultSettings();
        reads = Best(reads, TimeKeyStateReads(rounds));
        copyLine = Best(copyLine, TimeLineCopy(2000));
        defaultTable = Best(defaultTable, TimeUnboundKey(rounds));
        // Worst case: a full table of 64 bindings, none matching.
        for (unsigned i = HotkeyTable.count; i < MaxHotkeys; i++)
            HotkeySet(&HotkeyTable, 0x70000 + (int)i, 1);
        fullTable = Best(fullTable, TimeUnboundKey(rounds));
    }

    printf("floor: three key-state reads      %9.1f ns\n", reads * 1e9);
    printf("floor: copying a 65,535-unit line %9.1f ns\n", copyLine * 1e9);
    printf("unbound key, default table (21):  %6.2f x key-state reads, %6.4f x line copy\n",
           defaultTable / reads, defaultTable / copyLine);
    printf("unbound key, full table (64):     %6.2f x key-state reads, %6.4f x line copy\n",
           fullTable / reads, fullTable / copyLine);
    BenchConsoleActions();
    return 0;
}
