#include "bench/searchpath.h"

#include "actions/line/searchpath.h"
#include "bench/table.h"
#include "frame/paths.h"

#include <wchar.h>
#include <windows.h>

namespace
{

// 100 directories of 100 files each; the only match is the last file of the last directory.
void MakeTree(wchar_t *root, wchar_t *path, size_t pathCapacity)
{
    static wchar_t name[PathCapacity];
    DWORD n = GetTempPathW(MAX_PATH, root);
    swprintf(root + n, MAX_PATH - n, L"lwbench-path-%lu", GetCurrentProcessId());
    CreateDirectoryW(root, nullptr);
    path[0] = 0;
    for (int d = 0; d < 100; d++) {
        swprintf(name, PathCapacity, L"%ls\\d%02d", root, d);
        CreateDirectoryW(name, nullptr);
        wcsncat(path, name, pathCapacity - wcslen(path) - 2);
        wcscat(path, L";");
        for (int f = 0; f < 100; f++) {
            if (d == 99 && f == 99)
                swprintf(name, PathCapacity, L"%ls\\d%02d\\target.exe", root, d);
            else
                swprintf(name, PathCapacity, L"%ls\\d%02d\\file%02d_%02d.exe", root, d, d, f);
            CloseHandle(CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
    }
}

} // namespace

void BenchSearchPath(void)
{
    static wchar_t root[MAX_PATH], path[32768], result[PathCapacity];
    MakeTree(root, path, 32768);
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
            double t = (Seconds() - start) / rounds;
            best = t < best ? t : best;
        }
        SearchCalls = SearchCallCounts();
        int found = SearchForProgram(result, s.pattern, s.flags);
        TableLine("search path, %-38s %8.2f ms per search, found %d; calls: %ld directory tests, "
                  "%ld listings, %ld next-entry reads, %ld file tests, %ld registry\n",
                  s.what, best * 1e3, found, SearchCalls.directoryTests, SearchCalls.listings,
                  SearchCalls.entriesRead, SearchCalls.fileTests, SearchCalls.registryCalls);
    }
    RemoveTree(root);
}
