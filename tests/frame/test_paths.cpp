#include "frame/host.h"
#include "frame/paths.h"
#include "frame/text.h"
#include "tests/support/check.h"

#include <stdlib.h>
#include <wchar.h>
#include <windows.h>

namespace
{

wchar_t *NewPathBuffer(const wchar_t *text)
{
    wchar_t *buffer = (wchar_t *)calloc(PathCapacity, sizeof(wchar_t));
    TextCopy(buffer, PathCapacity, text);
    return buffer;
}

// A fresh directory of the test's own under the temporary directory.
void MakeTestDirectory(wchar_t *out, const wchar_t *leaf)
{
    wchar_t temporary[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temporary);
    TextFormat(out, PathCapacity, L"%slwtest-%lu-%s", temporary, GetCurrentProcessId(), leaf);
    RemoveTree(out);
    CreateDirectoryW(out, nullptr);
}

void MakeFile(const wchar_t *directory, const wchar_t *name, wchar_t *path)
{
    TextCopy(path, PathCapacity, directory);
    AppendPathComponent(path, name);
    HANDLE file =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, "data", 4, &written, nullptr);
    CloseHandle(file);
}

bool Exists(const wchar_t *path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsDigits(const wchar_t *text, size_t count)
{
    for (size_t i = 0; i < count; i++)
        if (text[i] < L'0' || text[i] > L'9')
            return false;
    return true;
}

bool IsUpperHex(const wchar_t *text, size_t count)
{
    for (size_t i = 0; i < count; i++)
        if (!((text[i] >= L'0' && text[i] <= L'9') || (text[i] >= L'A' && text[i] <= L'F')))
            return false;
    return true;
}

const wchar_t *LeafName(const wchar_t *path)
{
    const wchar_t *slash = wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

} // namespace

TEST(append_path_component_separators)
{
    wchar_t *path = NewPathBuffer(L"C:");
    CHECK_EQ(AppendPathComponent(path, L"x"), 0);
    CHECK_TEXT(path, L"C:x");

    TextCopy(path, PathCapacity, L"C:\\dir");
    CHECK_EQ(AppendPathComponent(path, L"x"), 0);
    CHECK_TEXT(path, L"C:\\dir\\x");

    TextCopy(path, PathCapacity, L"C:\\dir\\");
    AppendPathComponent(path, L"\\x");
    CHECK_TEXT(path, L"C:\\dir\\\\x");

    TextCopy(path, PathCapacity, L"C:\\dir/");
    AppendPathComponent(path, L"x");
    CHECK_TEXT(path, L"C:\\dir/x");

    TextCopy(path, PathCapacity, L"dir");
    AppendPathComponent(path, L"/x");
    CHECK_TEXT(path, L"dir/x");

    TextCopy(path, PathCapacity, L"");
    CHECK_EQ(AppendPathComponent(path, L"x"), 0);
    CHECK_TEXT(path, L"x");

    TextCopy(path, PathCapacity, L"C:\\dir");
    CHECK_EQ(AppendPathComponent(path, L""), 0);
    CHECK_TEXT(path, L"C:\\dir\\");
    CHECK_EQ(AppendPathComponent(path, L""), 0);
    CHECK_TEXT(path, L"C:\\dir\\");

    TextCopy(path, PathCapacity, L"");
    AppendPathComponent(path, L"");
    CHECK_TEXT(path, L"");

    CHECK_EQ(AppendPathComponent(nullptr, L"x"), -1);
    CHECK_EQ(AppendPathComponent(path, nullptr), -1);
    free(path);
}

TEST(append_path_component_never_overflows)
{
    wchar_t *path = NewPathBuffer(L"");
    wmemset(path, L'a', PathCapacity - 4);
    path[PathCapacity - 4] = 0;
    // Separator, two letters and the terminator fill the buffer exactly.
    CHECK_EQ(AppendPathComponent(path, L"bc"), 0);
    CHECK_EQ(wcslen(path), PathCapacity - 1);
    CHECK_EQ(path[PathCapacity - 4], L'\\');
    CHECK_TEXT(path + PathCapacity - 3, L"bc");

    // One unit more does not fit: refused, and the directory is left as it was.
    path[PathCapacity - 4] = 0;
    CHECK(AppendPathComponent(path, L"bcd") != 0);
    CHECK_EQ(wcslen(path), PathCapacity - 4);
    CHECK(AppendPathComponent(path, L"") == 0);
    CHECK_EQ(wcslen(path), PathCapacity - 3);
    free(path);
}

TEST(find_extension)
{
    CHECK(FindExtension(nullptr, L"a.b\\c") == nullptr);
    CHECK(FindExtension(nullptr, L"a.b/c") == nullptr);
    CHECK(FindExtension(nullptr, L"a.b:c") == nullptr);
    CHECK(FindExtension(nullptr, L"noext") == nullptr);
    CHECK(FindExtension(nullptr, L"") == nullptr);
    CHECK(FindExtension(nullptr, nullptr) == nullptr);

    const wchar_t *name = L"c.tar.gz";
    CHECK(FindExtension(nullptr, name) == name + 5);
    CHECK_TEXT(FindExtension(nullptr, L".profile"), L".profile");
    CHECK_TEXT(FindExtension(nullptr, L"dir.d\\file.txt"), L".txt");
    CHECK_TEXT(FindExtension(nullptr, L"C:x.y"), L".y");
    CHECK_TEXT(FindExtension(nullptr, L"file."), L".");

    wchar_t *out = NewPathBuffer(L"keep");
    CHECK(FindExtension(out, L"picture.png") == out);
    CHECK_TEXT(out, L".png");
    TextCopy(out, PathCapacity, L"keep");
    CHECK(FindExtension(out, L"a.b\\c") == nullptr);
    CHECK_TEXT(out, L"keep");
    CHECK(FindExtension(out, L"") == nullptr);
    CHECK_TEXT(out, L"keep");
    free(out);
}

TEST(is_plain_file)
{
    wchar_t *directory = NewPathBuffer(L"");
    wchar_t *file = NewPathBuffer(L"");
    MakeTestDirectory(directory, L"plain");
    MakeFile(directory, L"f.txt", file);

    CHECK_EQ(IsPlainFile(file), 1);
    CHECK_EQ(IsPlainFile(directory), 0);
    CHECK_EQ(IsPlainFile(L"nul"), 0);
    CHECK_EQ(IsPlainFile(L"NUL"), 0);
    CHECK_EQ(IsPlainFile(L"C:\\surely\\not\\here.txt"), 0);
    CHECK_EQ(IsPlainFile(L""), 0);
    CHECK_EQ(IsPlainFile(nullptr), 0);

    SetFileAttributesW(file, FILE_ATTRIBUTE_READONLY);
    CHECK_EQ(IsPlainFile(file), 1);
    CHECK_EQ(RemoveTree(directory), 1);
    free(file);
    free(directory);
}

TEST(remove_tree_arguments)
{
    CHECK_EQ(RemoveTree(nullptr), -1);
    CHECK_EQ(RemoveTree(L""), -1);
    CHECK_EQ(RemoveTree(L"C:\\surely\\not\\here"), 0);

    wchar_t *directory = NewPathBuffer(L"");
    wchar_t *file = NewPathBuffer(L"");
    MakeTestDirectory(directory, L"args");
    MakeFile(directory, L"f.txt", file);
    CHECK_EQ(RemoveTree(file), 0);
    CHECK(Exists(file));
    CHECK_EQ(RemoveTree(directory), 1);
    CHECK(!Exists(directory));
    free(file);
    free(directory);
}

TEST(remove_tree_clears_nested_and_read_only)
{
    wchar_t *root = NewPathBuffer(L"");
    wchar_t *sub = NewPathBuffer(L"");
    wchar_t *file = NewPathBuffer(L"");
    MakeTestDirectory(root, L"tree");
    MakeFile(root, L"top.txt", file);
    MakeFile(root, L".hidden", file);
    TextCopy(sub, PathCapacity, root);
    AppendPathComponent(sub, L"sub");
    CreateDirectoryW(sub, nullptr);
    MakeFile(sub, L"locked.txt", file);
    SetFileAttributesW(file, FILE_ATTRIBUTE_READONLY);
    AppendPathComponent(sub, L"deeper");
    CreateDirectoryW(sub, nullptr);
    MakeFile(sub, L"x", file);

    CHECK_EQ(RemoveTree(root), 1);
    CHECK(!Exists(root));
    free(file);
    free(sub);
    free(root);
}

TEST(remove_tree_keeps_what_holds_an_open_file)
{
    wchar_t *root = NewPathBuffer(L"");
    wchar_t *sub = NewPathBuffer(L"");
    wchar_t *file = NewPathBuffer(L"");
    wchar_t *sibling = NewPathBuffer(L"");
    MakeTestDirectory(root, L"held");
    TextCopy(sub, PathCapacity, root);
    AppendPathComponent(sub, L"a");
    CreateDirectoryW(sub, nullptr);
    AppendPathComponent(sub, L"b");
    CreateDirectoryW(sub, nullptr);
    MakeFile(root, L"sibling.txt", sibling);
    MakeFile(sub, L"open.txt", file);
    HANDLE held = CreateFileW(file, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(held != INVALID_HANDLE_VALUE);

    CHECK_EQ(RemoveTree(root), 0);
    CHECK(Exists(file));
    CHECK_EQ(GetFileAttributesW(sub) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    CHECK(Exists(root));

    CloseHandle(held);
    CHECK_EQ(RemoveTree(root), 1);
    CHECK(!Exists(root));
    free(sibling);
    free(file);
    free(sub);
    free(root);
}

TEST(scratch_directory_named_after_the_process)
{
    ReleaseScratchDirectory();
    CHECK(ScratchDirectory() == nullptr);

    wchar_t temporary[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temporary);
    wchar_t *expected = NewPathBuffer(L"");
    TextFormat(expected, PathCapacity, L"%sLinewise-%04X", temporary, GetCurrentProcessId());
    RemoveTree(expected);

    CHECK_EQ(MakeScratchDirectory(), 1);
    CHECK_TEXT(ScratchDirectory(), expected);
    CHECK(QueryIsDirectory(expected));
    // Made once: a second call keeps the same directory.
    CHECK_EQ(MakeScratchDirectory(), 0);
    CHECK_TEXT(ScratchDirectory(), expected);

    // A directory that vanished is forgotten and made anew.
    RemoveDirectoryW(expected);
    CHECK_EQ(MakeScratchDirectory(), 1);
    CHECK_TEXT(ScratchDirectory(), expected);

    ReleaseScratchDirectory();
    CHECK(ScratchDirectory() == nullptr);
    CHECK(!Exists(expected));

    // A leftover directory of the same name (a reused process id) gets a random suffix.
    CreateDirectoryW(expected, nullptr);
    CHECK_EQ(MakeScratchDirectory(), 1);
    const wchar_t *made = ScratchDirectory();
    size_t length = wcslen(expected);
    CHECK(made && wcsncmp(made, expected, length) == 0);
    CHECK(made && wcslen(made) == length + 9 && made[length] == L'-' &&
          IsUpperHex(made + length + 1, 8));
    CHECK(made && QueryIsDirectory(made));
    ReleaseScratchDirectory();
    CHECK(Exists(expected));
    RemoveDirectoryW(expected);
    free(expected);
}

TEST(scratch_file_names)
{
    ReleaseScratchDirectory();
    wchar_t *first = NewPathBuffer(L"");
    wchar_t *second = NewPathBuffer(L"");
    CHECK_EQ(NewScratchFileName(nullptr, L".png"), -1);

    // Made on first need; the name is the local time and the extension; nothing is created.
    SYSTEMTIME before;
    GetLocalTime(&before);
    CHECK_EQ(NewScratchFileName(first, L".png"), 0);
    CHECK(ScratchDirectory() != nullptr);
    const wchar_t *directory = ScratchDirectory();
    size_t length = directory ? wcslen(directory) : 0;
    CHECK(directory && wcsncmp(first, directory, length) == 0 && first[length] == L'\\');
    const wchar_t *leaf = LeafName(first);
    CHECK_EQ(wcslen(leaf), 19);
    CHECK(IsDigits(leaf, 8) && leaf[8] == L'-' && IsDigits(leaf + 9, 6));
    CHECK_TEXT(leaf + 15, L".png");
    wchar_t year[5];
    TextFormat(year, 5, L"%04u", (unsigned)before.wYear);
    CHECK(wcsncmp(leaf, year, 4) == 0);
    CHECK(!Exists(first));

    CHECK_EQ(NewScratchFileName(second, L"png"), 0);
    CHECK_TEXT(LeafName(second) + 15, L".tmp");
    CHECK_EQ(NewScratchFileName(second, nullptr), 0);
    CHECK_TEXT(LeafName(second) + 15, L".tmp");
    CHECK_EQ(NewScratchFileName(second, L""), 0);
    CHECK_TEXT(LeafName(second) + 15, L".tmp");
    ReleaseScratchDirectory();
    free(second);
    free(first);
}

TEST(scratch_file_names_in_the_same_second)
{
    ReleaseScratchDirectory();
    wchar_t *first = NewPathBuffer(L"");
    wchar_t *second = NewPathBuffer(L"");
    wchar_t *third = NewPathBuffer(L"");
    bool sameSecond = false;
    for (int attempt = 0; attempt < 5 && !sameSecond; attempt++) {
        CHECK_EQ(NewScratchFileName(first, L".txt"), 0);
        HANDLE file = CreateFileW(first, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        CHECK(file != INVALID_HANDLE_VALUE);
        CloseHandle(file);
        CHECK_EQ(NewScratchFileName(second, L".txt"), 0);
        file = CreateFileW(second, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        CHECK(file != INVALID_HANDLE_VALUE);
        CloseHandle(file);
        CHECK_EQ(NewScratchFileName(third, L".txt"), 0);
        sameSecond = wcslen(second) == wcslen(first) + 9 && wcslen(third) == wcslen(second);
        if (!sameSecond) {
            DeleteFileW(first);
            DeleteFileW(second);
        }
    }
    CHECK(sameSecond);
    // first:  ...\YYYYMMDD-hhmmss.txt
    // second: ...\YYYYMMDD-hhmmss-XXXXXXXX.txt
    size_t stem = wcslen(first) - 4;
    CHECK(wcsncmp(first, second, stem) == 0);
    CHECK(second[stem] == L'-' && IsUpperHex(second + stem + 1, 8));
    CHECK_TEXT(second + stem + 9, L".txt");
    CHECK(wcsncmp(first, third, stem) == 0);
    CHECK(wcscmp(second, third) != 0);
    CHECK(!Exists(third));

    // Shut-down removes the directory with the files in it.
    wchar_t *directory = NewPathBuffer(ScratchDirectory());
    ReleaseScratchDirectory();
    CHECK(!Exists(first));
    CHECK(!Exists(directory));
    CHECK(ScratchDirectory() == nullptr);
    ReleaseScratchDirectory();
    free(directory);
    free(third);
    free(second);
    free(first);
}

TEST(scratch_file_name_failures)
{
    ReleaseScratchDirectory();
    wchar_t *out = NewPathBuffer(L"stale");

    // No usable temporary directory: no scratch directory, no name.
    wchar_t savedTmp[MAX_PATH + 1], savedTemp[MAX_PATH + 1];
    DWORD hadTmp = GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH + 1);
    DWORD hadTemp = GetEnvironmentVariableW(L"TEMP", savedTemp, MAX_PATH + 1);
    SetEnvironmentVariableW(L"TMP", L"C:\\surely\\not\\here");
    SetEnvironmentVariableW(L"TEMP", L"C:\\surely\\not\\here");
    CHECK_EQ(MakeScratchDirectory(), 0);
    CHECK_EQ(NewScratchFileName(out, L".png"), 87);
    CHECK_TEXT(out, L"");
    SetEnvironmentVariableW(L"TMP", hadTmp ? savedTmp : nullptr);
    SetEnvironmentVariableW(L"TEMP", hadTemp ? savedTemp : nullptr);

    // The directory vanished behind the plug-in's back.
    CHECK_EQ(MakeScratchDirectory(), 1);
    wchar_t *directory = NewPathBuffer(ScratchDirectory());
    RemoveDirectoryW(directory);
    TextCopy(out, PathCapacity, L"stale");
    CHECK_EQ(NewScratchFileName(out, L".png"), 3);
    CHECK_TEXT(out, L"");

    // A name that cannot fit a path buffer is refused, never cut.
    CHECK_EQ(MakeScratchDirectory(), 1);
    wchar_t *extension = NewPathBuffer(L".");
    wmemset(extension + 1, L'x', PathCapacity - 20);
    extension[PathCapacity - 19] = 0;
    TextCopy(out, PathCapacity, L"stale");
    CHECK_EQ(NewScratchFileName(out, extension), 111);
    CHECK_TEXT(out, L"");
    ReleaseScratchDirectory();
    free(extension);
    free(directory);
    free(out);
}
