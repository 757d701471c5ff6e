// Benchmark of the keystroke hook's path for a key without a binding. Prints ratios against
// floors measured in the same run: the three key-state reads that every keystroke needs, and
// copying a full edit line. Run under Wine: scripts/wine-run build/bin/lwbench.exe
#include "actions/line/expandexpr.h"
#include "actions/line/mathword.h"
#include "frame/host.h"
#include "frame/text.h"
#include "keys/hook.h"
#include "keys/hotkeys.h"
#include "settings/settings.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

namespace
{

double Seconds(void)
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

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

// A 65,535-unit line of words with the given text as the last one, kept in original.
wchar_t original[65536];
void FarEndLine(const wchar_t *tail)
{
    size_t tailLength = wcslen(tail);
    size_t start = 65535 - tailLength;
    for (size_t i = 0; i < start; i++)
        original[i] = i % 10 == 9 || i + 1 == start ? L' ' : L'w';
    wcscpy(original + start, tail);
}

// One action per round on a fresh copy of the line; the copy is one line copy of the cost.
double TimeAction(int (*action)(KeyEvent *), int rounds)
{
    KeyEvent event = {};
    double start = Seconds();
    for (int i = 0; i < rounds; i++) {
        memcpy(line, original, sizeof line);
        event.line = line;
        event.cursor = line + 65535;
        event.code = 1;
        action(&event);
        sink += event.code + line[65530];
    }
    return (Seconds() - start) / rounds;
}

// The shell's part alone: the calls the action makes with the same text.
double TimeShellEvaluate(int rounds)
{
    wchar_t text[MathWordCapacity];
    double start = Seconds();
    for (int i = 0; i < rounds; i++) {
        TextCopy(text, MathWordCapacity, L"2*21");
        sink += EvaluateQuietly(text);
    }
    return (Seconds() - start) / rounds;
}

double TimeShellExpand(int rounds)
{
    wchar_t text[ExpansionCapacity];
    double start = Seconds();
    for (int i = 0; i < rounds; i++) {
        TextCopy(text, ExpansionCapacity, L"%@upper[ab]");
        sink += GetEscapeChar() + ExpandQuietly(text);
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

    double mathWord = 1e9, evaluate = 1e9, expand = 1e9, expansion = 1e9;
    for (int run = 0; run < 5; run++) {
        FarEndLine(L"2*21");
        mathWord = Best(mathWord, TimeAction(MathWord, 300));
        evaluate = Best(evaluate, TimeShellEvaluate(300));
        FarEndLine(L"%@upper[ab]");
        expand = Best(expand, TimeAction(ExpandExpression, 300));
        expansion = Best(expansion, TimeShellExpand(300));
    }

    printf("floor: three key-state reads      %9.1f ns\n", reads * 1e9);
    printf("floor: copying a 65,535-unit line %9.1f ns\n", copyLine * 1e9);
    printf("unbound key, default table (21):  %6.2f x key-state reads, %6.4f x line copy\n",
           defaultTable / reads, defaultTable / copyLine);
    printf("unbound key, full table (64):     %6.2f x key-state reads, %6.4f x line copy\n",
           fullTable / reads, fullTable / copyLine);
    // The plug-in's own share: the action less the shell's calls and the line restored per round.
    printf("Math Word, word at the end of a full line: %9.1f us; shell call alone %9.1f us; "
           "own work %6.2f x line copy\n",
           mathWord * 1e6, evaluate * 1e6, (mathWord - evaluate - copyLine) / copyLine);
    printf("Expand Expression, construct at the end:   %9.1f us; shell calls alone %8.1f us; "
           "own work %6.2f x line copy\n",
           expand * 1e6, expansion * 1e6, (expand - expansion - copyLine) / copyLine);
    return 0;
}
