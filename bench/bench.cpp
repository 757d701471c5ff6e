// Benchmark of the keystroke hook's path for a key without a binding. Prints ratios against
// floors measured in the same run: the three key-state reads that every keystroke needs, and
// copying a full edit line. Then File to URI on a full line, and Search Path over a Path of
// 100 directories holding 10,000 files. Run under Wine: scripts/wine-run build/bin/lwbench.exe
#include "actions/line/fileuri.h"
#include "actions/line/searchpath.h"
#include "frame/host.h"
#include "frame/paths.h"
#include "keys/editline.h"
#include "keys/hook.h"
#include "keys/hotkeys.h"
#include "settings/settings.h"

#include <shlwapi.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>
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

double Best(double a, double b)
{
    return a < b ? a : b;
}

wchar_t wordLine[65536];
wchar_t trueName[PathCapacity];
wchar_t uri[UriCapacity];

// File to URI on a line whose last word is converted, 65,535 units long before or after the
// conversion, whichever is longer; each round first restores the line (one copy, subtracted
// by the caller).
double TimeFileToUri(const wchar_t *word, const wchar_t *converted, int rounds)
{
    size_t length = wcslen(word);
    size_t growth = wcslen(converted) > length ? wcslen(converted) - length : 0;
    size_t total = 65535 - growth;
    wmemset(wordLine, L'x', total - length - 1);
    wordLine[total - length - 1] = L' ';
    wcscpy(wordLine + total - length, word);
    KeyEvent event = {};
    double start = Seconds();
    for (int i = 0; i < rounds; i++) {
        memcpy(line, wordLine, sizeof line);
        event.line = line;
        event.cursor = line + total;
        event.code = 0x50021;
        FileToUri(&event);
        sink += event.cursor[-1];
    }
    double seconds = (Seconds() - start) / rounds;
    if (wcslen(line) != total - length + wcslen(converted))
        printf("file to URI: the conversion of the word failed\n");
    return seconds;
}

// Finding the last word of the same full line, which every word action does first.
double TimeFindWord(int rounds)
{
    KeyEvent event = {};
    event.line = wordLine;
    event.cursor = wordLine + wcslen(wordLine);
    int start = 0, length = 0;
    double start0 = Seconds();
    for (int i = 0; i < rounds; i++) {
        FindWordAtCursor(&event, &start, &length, nullptr, 0);
        sink += start;
    }
    return (Seconds() - start0) / rounds;
}

double TimeShellTrueName(int rounds)
{
    double start = Seconds();
    for (int i = 0; i < rounds; i++) {
        QueryTrueName(L"C:\\t.txt", trueName);
        DWORD size = UriCapacity;
        UrlCreateFromPathW(trueName, uri, &size, 0);
        sink += uri[0];
    }
    return (Seconds() - start) / rounds;
}

// Search Path over 100 directories of 100 files each, the match in the last one (or none).
void BenchSearchPath(void)
{
    static wchar_t root[MAX_PATH], path[32768], name[PathCapacity], result[PathCapacity];
    DWORD n = GetTempPathW(MAX_PATH, root);
    swprintf(root + n, MAX_PATH - n, L"lwbench-path-%lu", GetCurrentProcessId());
    CreateDirectoryW(root, nullptr);
    path[0] = 0;
    for (int d = 0; d < 100; d++) {
        swprintf(name, PathCapacity, L"%ls\\d%02d", root, d);
        CreateDirectoryW(name, nullptr);
        wcscat(path, name);
        wcscat(path, L";");
        for (int f = 0; f < 100; f++) {
            if (d == 99 && f == 99)
                swprintf(name, PathCapacity, L"%ls\\d%02d\\target.exe", root, d);
            else
                swprintf(name, PathCapacity, L"%ls\\d%02d\\file%02d_%02d.exe", root, d, d, f);
            CloseHandle(CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
    }
    SetEnvironmentVariableW(L"Path", path);

    const struct {
        const char *what;
        const wchar_t *pattern;
        unsigned int flags;
    } searches[] = {
        {"match in the last directory, flags 0", L"target*", 0},
        {"no match, flags 0", L"absent*", 0},
        {"no match, flags 6 (App Paths too)", L"absent*", 6},
    };
    for (const auto &s : searches) {
        const int rounds = 20;
        double best = 1e9;
        for (int run = 0; run < 3; run++) {
            double start = Seconds();
            for (int i = 0; i < rounds; i++)
                SearchForProgram(result, s.pattern, s.flags);
            best = Best(best, (Seconds() - start) / rounds);
        }
        SearchCalls = SearchCallCounts();
        int found = SearchForProgram(result, s.pattern, s.flags);
        printf("search path, %-38s %8.2f ms per search, found %d; calls: %ld directory tests, "
               "%ld listings, %ld next-entry reads, %ld file tests, %ld registry\n",
               s.what, best * 1e3, found, SearchCalls.directoryTests, SearchCalls.listings,
               SearchCalls.entriesRead, SearchCalls.fileTests, SearchCalls.registryCalls);
    }
    RemoveTree(root);
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

    double toUri = 1e9, toPath = 1e9, shell = 1e9, findWord = 1e9;
    for (int run = 0; run < 5; run++) {
        toUri = Best(toUri, TimeFileToUri(L"C:\\t.txt", L"file:///C:/t.txt", 2000));
        toPath = Best(toPath, TimeFileToUri(L"file:///C:/t.txt", L"C:\\t.txt", 2000));
        findWord = Best(findWord, TimeFindWord(2000));
        shell = Best(shell, TimeShellTrueName(2000));
        copyLine = Best(copyLine, TimeLineCopy(2000));
    }
    printf("floor: QueryTrueName + UrlCreateFromPathW alone %9.1f ns\n", shell * 1e9);
    printf("file to URI, word at the end of a full line: %6.2f x line copy beyond the "
           "restoring copy and the shell call\n",
           (toUri - copyLine - shell) / copyLine);
    printf("URI to file, word at the end of a full line: %6.2f x line copy beyond the "
           "restoring copy\n",
           (toPath - copyLine) / copyLine);

    printf("  of which finding the word at the cursor: %6.2f x line copy\n", findWord / copyLine);

    BenchSearchPath();
    return 0;
}
