#include "actions/line/searchpath.h"

#include "frame/paths.h"
#include "tests/support/check.h"

#include <stdio.h>
#include <wchar.h>

namespace
{
wchar_t Result[PathCapacity];
wchar_t Root[MAX_PATH];
} // namespace

TEST(executable_names)
{
    SetEnvironmentVariableW(L".lwx", L"runner");
    SetEnvironmentVariableW(L".lwempty", nullptr);
    const struct {
        const char *name;
        const wchar_t *file;
        unsigned int flags;
        bool executable;
    } cases[] = {
        {"exe", L"a.exe", 0, true},
        {"upper case", L"A.CMD", 0, true},
        {"each fixed one", L"a.com", 0, true},
        {"pif", L"a.pif", 0, true},
        {"bat", L"a.bat", 0, true},
        {"btm", L"a.btm", 0, true},
        {"no extension", L"exe", 4, false},
        {"last extension counts", L"a.exe.txt", 4, false},
        {"dot in a directory only", L"a.exe\\b", 4, false},
        {"variable, bit 4", L"a.lwx", 4, true},
        {"variable, no bit 4", L"a.lwx", 0, false},
        {"variable not set", L"a.lwempty", 4, false},
        {"a lone dot", L"a.", 4, false},
    };
    for (const auto &c : cases)
        CHECK_ROW_EQ(c.name, IsExecutableName(c.file, c.flags), c.executable);
    SetEnvironmentVariableW(L".lwx", nullptr);
}

TEST(file_name_part)
{
    const struct {
        const char *name;
        const wchar_t *path, *part;
    } cases[] = {
        {"full path", L"C:\\x\\y.exe", L"y.exe"},
        {"drive relative", L"C:y.exe", L"y.exe"},
        {"slash", L"a/b.exe", L"b.exe"},
        {"bare name", L"y.exe", L"y.exe"},
        {"colon after a slash stays", L"C:\\d\\a:b", L"a:b"},
        {"UNC", L"\\\\srv\\share\\z.exe", L"z.exe"},
        {"ends in a separator", L"C:\\x\\", L""},
    };
    wchar_t out[PathCapacity];
    for (const auto &c : cases) {
        CHECK_ROW_TEXT(c.name, FileNamePart(c.path, out), c.part);
        CHECK_ROW_TEXT(c.name, out, c.part);
    }
    CHECK(FileNamePart(nullptr, out) == nullptr);
}

TEST(missing_arguments)
{
    CHECK_EQ(SearchForProgram(nullptr, L"a*", 0), -1);
    CHECK_EQ(SearchForProgram(Result, nullptr, 0), -1);
    CHECK_EQ(SearchDirectory(nullptr, L"a*", 0, Result), -1);
    CHECK_EQ(SearchDirectory(L"C:\\", L"a*", 0, nullptr), -1);
    CHECK_EQ(SearchAppPaths(HKEY_CURRENT_USER, nullptr, Result, false), -1);
    CHECK_EQ(SearchAppPaths(nullptr, L"a*", Result, false), -1);
}

// Each directory is listed at most once per search, however Path or the current directory
// spell it; a Path entry that is no directory costs one test and no listing.
TEST(no_directory_listed_twice)
{
    DWORD n = GetTempPathW(MAX_PATH, Root);
    swprintf(Root + n, MAX_PATH - n, L"lw-once-%lu", GetCurrentProcessId());
    CreateDirectoryW(Root, nullptr);
    wchar_t saved[MAX_PATH], value[4096];
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(Root);

    const wchar_t *leaf = wcsrchr(Root, L'\\') + 1;
    const struct {
        const char *name;
        const wchar_t *format; // the directory, the directory, its last part
        bool upper;            // the first entry in upper case
        unsigned int flags;
        long tests, listings;
    } cases[] = {
        {"same entry twice", L"%ls;%ls", false, 0, 2, 1},
        {"other case, trailing separator", L"%ls;%ls\\;%ls/", true, 0, 3, 1},
        {"dot and dot-dot", L"%ls\\.;%ls\\..\\%ls", false, 0, 2, 1},
        {"current directory again in Path", L"%ls;.", false, 1, 2, 1},
        {"missing directories", L"%ls\\none;%ls\\none2", false, 0, 2, 0},
    };
    for (const auto &c : cases) {
        swprintf(value, 4096, c.format, Root, Root, leaf);
        if (c.upper)
            CharUpperBuffW(value, (DWORD)wcslen(Root));
        SetEnvironmentVariableW(L"Path", value);
        SearchCalls = SearchCallCounts();
        CHECK_ROW_EQ(c.name, SearchForProgram(Result, L"nothing-like-this*", c.flags), 0);
        CHECK_ROW_EQ(c.name, SearchCalls.directoryTests, c.tests);
        CHECK_ROW_EQ(c.name, SearchCalls.listings, c.listings);
    }
    SetCurrentDirectoryW(saved);
    RemoveDirectoryW(Root);
}

// The listing is narrowed by the pattern's own extension; a [set] there is left to the
// shell's comparison.
TEST(pattern_with_an_extension_set)
{
    DWORD n = GetTempPathW(MAX_PATH, Root);
    swprintf(Root + n, MAX_PATH - n, L"lw-ext-%lu", GetCurrentProcessId());
    CreateDirectoryW(Root, nullptr);
    wchar_t file[MAX_PATH + 20];
    swprintf(file, MAX_PATH + 20, L"%ls\\tool.dat", Root);
    CloseHandle(CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

    CHECK_EQ(SearchDirectory(Root, L"too*.[cd]at", 0, Result), 1);
    CHECK_TEXT(Result, file);
    CHECK_EQ(SearchDirectory(Root, L"too*.d*", 0, Result), 1);
    CHECK_EQ(SearchDirectory(Root, L"too*", 0, Result), 0);
    CHECK_EQ(SearchDirectory(Root, L"too*.x*", 0, Result), 0);

    DeleteFileW(file);
    RemoveDirectoryW(Root);
}
