// "Search Path and Expand" (Ctrl-Alt-E) through the plug-in's exported hook: a temporary
// tree of program directories, App Paths keys under the current user, Path and
// PathExpandFlags set in the environment.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/startedplugin.h"

#include <stdio.h>
#include <wchar.h>

namespace
{

enum { AltE = 0x10012, TextUnits = 4096 };

const wchar_t AppPaths[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
// App Paths subkeys of these tests; no system program begins with "lwtest".
const wchar_t *const TestKeys[] = {L"lwtestapp.exe", L"lwtestexp.exe", L"lwtestgone.exe",
                                   L"lwtestquoted.exe"};

wchar_t Root[MAX_PATH]; // the tree, in the prefix's temporary directory

// text with every "@" replaced by the tree's root, cut at the capacity.
const wchar_t *Rooted(const wchar_t *text, wchar_t *out, size_t capacity)
{
    size_t n = 0;
    for (const wchar_t *p = text; *p; p++) {
        const wchar_t one[2] = {*p, 0};
        for (const wchar_t *q = *p == L'@' ? Root : one; *q && n + 1 < capacity; q++)
            out[n++] = *q;
    }
    out[n] = 0;
    return out;
}

void MakeFile(const wchar_t *relative)
{
    wchar_t path[TextUnits];
    swprintf(path, TextUnits, L"%ls\\%ls", Root, relative);
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CHECK(h != INVALID_HANDLE_VALUE);
    CloseHandle(h);
}

void MakeDirectory(const wchar_t *relative)
{
    wchar_t path[TextUnits];
    swprintf(path, TextUnits, L"%ls\\%ls", Root, relative);
    CreateDirectoryW(path, nullptr);
}

void RemoveAll(const wchar_t *directory)
{
    wchar_t mask[TextUnits], path[TextUnits];
    swprintf(mask, TextUnits, L"%ls\\*", directory);
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(mask, &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!wcscmp(entry.cFileName, L".") || !wcscmp(entry.cFileName, L".."))
                continue;
            swprintf(path, TextUnits, L"%ls\\%ls", directory, entry.cFileName);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveAll(path);
            else
                DeleteFileW(path);
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(directory);
}

void RemoveTestKeys(void)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, AppPaths, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    for (const wchar_t *name : TestKeys)
        RegDeleteKeyW(key, name);
    RegCloseKey(key);
}

void SetAppPath(const wchar_t *name, DWORD type, const wchar_t *value)
{
    wchar_t path[TextUnits], rooted[TextUnits];
    swprintf(path, TextUnits, L"%ls\\%ls", AppPaths, name);
    HKEY key;
    CHECK_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                             nullptr),
             0);
    Rooted(value, rooted, TextUnits);
    RegSetValueExW(key, nullptr, 0, type, (const BYTE *)rooted,
                   (DWORD)((wcslen(rooted) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// The tree, the App Paths keys and LWTESTROOT, made once; removed by the last test.
void MakeTree(void)
{
    if (Root[0])
        return;
    DWORD n = GetTempPathW(MAX_PATH, Root);
    swprintf(Root + n, MAX_PATH - n, L"lw-search-%lu", GetCurrentProcessId());
    RemoveAll(Root);
    CreateDirectoryW(Root, nullptr);
    const wchar_t *directories[] = {L"bin1", L"My Tools",         L"bin2", L"cwd",
                                    L"apps", L"bin1\\dupdir.exe", L"R&D",  L"Semi;Colon"};
    for (const wchar_t *d : directories)
        MakeDirectory(d);
    const wchar_t *files[] = {
        L"bin1\\notes.txt",  L"bin1\\notepad.exe",       L"bin1\\npx.cmd",
        L"bin1\\tool.lwpy",  L"My Tools\\mytool.exe",    L"bin2\\last.btm",
        L"bin2\\dupdir.exe", L"cwd\\here.bat",           L"apps\\appthing.exe",
        L"R&D\\rnd.com",     L"Semi;Colon\\semitool.exe"};
    for (const wchar_t *f : files)
        MakeFile(f);
    RemoveTestKeys();
    SetAppPath(L"lwtestapp.exe", REG_SZ, L"@\\apps\\appthing.exe");
    SetAppPath(L"lwtestexp.exe", REG_EXPAND_SZ, L"%LWTESTROOT%\\apps\\appthing.exe");
    SetAppPath(L"lwtestgone.exe", REG_SZ, L"@\\apps\\missing.exe");
    SetAppPath(L"lwtestquoted.exe", REG_SZ, L"\"@\\My Tools\\mytool.exe\"");
    SetEnvironmentVariableW(L"LWTESTROOT", Root);
}

struct Case {
    const char *name;
    const wchar_t *path;  // the Path variable ("@" is the tree)
    const wchar_t *flags; // PathExpandFlags, null for none
    const wchar_t *line;  // '|' marks the cursor
    const wchar_t *after; // the cursor just after the inserted path; null: refused
};

void RunCases(const Case *cases, size_t count)
{
    ResetSettings();
    MakeTree();
    wchar_t saved[TextUnits], current[MAX_PATH], cwd[TextUnits];
    DWORD savedLength = GetEnvironmentVariableW(L"Path", saved, TextUnits);
    GetCurrentDirectoryW(MAX_PATH, current);
    SetCurrentDirectoryW(Rooted(L"@\\cwd", cwd, TextUnits));
    static wchar_t path[TextUnits], after[TextUnits];
    for (size_t i = 0; i < count; i++) {
        const Case &c = cases[i];
        SetEnvironmentVariableW(L"Path", c.path ? Rooted(c.path, path, TextUnits) : nullptr);
        SetEnvironmentVariableW(L"PathExpandFlags", c.flags);
        ShellKeyEvent e = PressOnLine(AltE, c.line, HoldCtrl | HoldAlt);
        CheckPress(c.name, e, c.after ? Rooted(c.after, after, TextUnits) : nullptr);
    }
    SetEnvironmentVariableW(L"PathExpandFlags", nullptr);
    SetEnvironmentVariableW(L"Path", savedLength ? saved : nullptr);
    SetCurrentDirectoryW(current);
}

} // namespace

TEST(search_path_in_path_directories)
{
    const wchar_t *path = L"@\\bin1;\"@\\My Tools\";@\\R&D;@\\bin2";
    const Case cases[] = {
        {"a program name", path, nullptr, L"note|", L"@\\bin1\\notepad.exe|"},
        {"file name only (64)", path, L"64", L"no|te", L"notepad.exe|"},
        {"own extension: any file", path, nullptr, L"notes.t|", L"@\\bin1\\notes.txt|"},
        {"not executable", path, nullptr, L"notes|", nullptr},
        {"a star of its own", path, nullptr, L"np*|", L"@\\bin1\\npx.cmd|"},
        {"quoted Path entry, quoted result", path, nullptr, L"mytool|",
         L"\"@\\My Tools\\mytool.exe\"|"},
        {"special character quoted", path, nullptr, L"rnd|", L"\"@\\R&D\\rnd.com\"|"},
        {"; inside a quoted entry", L"@\\bin1;\"@\\Semi;Colon\";@\\bin2", nullptr, L"semit|",
         L"\"@\\Semi;Colon\\semitool.exe\"|"},
        {"last entry without ;", path, nullptr, L"last|", L"@\\bin2\\last.btm|"},
        {"a directory is no match", path, nullptr, L"dupdir|", L"@\\bin2\\dupdir.exe|"},
        {"in the middle of a line", path, nullptr, L"start no|te x",
         L"start @\\bin1\\notepad.exe| x"},
        {"quoted start of a name", path, nullptr, L"\"note|", L"@\\bin1\\notepad.exe|"},
        {"blanks and missing entries", L"  @\\nothere; ;;@\\bin2;", nullptr, L"last|",
         L"@\\bin2\\last.btm|"},
        {"unreadable flags: 6", path, L"junk", L"note|", L"@\\bin1\\notepad.exe|"},
        {"no Path", nullptr, L"0", L"note|", nullptr},
        {"no match", path, nullptr, L"zzz|", nullptr},
        {"backslash", path, nullptr, L"bin1\\note|", nullptr},
        {"slash", path, nullptr, L"bin1/note|", nullptr},
        {"drive colon", path, nullptr, L"C:note|", nullptr},
        {"no word at the cursor", path, nullptr, L"note | x", nullptr},
        {"empty line", path, nullptr, L"|", nullptr},
    };
    RunCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(search_path_flags)
{
    const wchar_t *path = L"@\\bin1";
    const Case cases[] = {
        {"current directory (1)", path, L"1", L"here|", L"@\\cwd\\here.bat|"},
        {"current directory not searched (0)", path, L"0", L"here|", nullptr},
        {"variable extension (4)", path, L"4", L"tool|", L"@\\bin1\\tool.lwpy|"},
        {"variable extension off (0)", path, L"0", L"tool|", nullptr},
        {"App Paths (2)", path, L"2", L"lwtestap|", L"@\\apps\\appthing.exe|"},
        {"App Paths off (0)", path, L"0", L"lwtestap|", nullptr},
        {"REG_EXPAND_SZ kept (2)", path, L"2", L"lwtestexp|", L"%LWTESTROOT%\\apps\\appthing.exe|"},
        {"REG_EXPAND_SZ expanded (130)", path, L"130", L"lwtestexp|", L"@\\apps\\appthing.exe|"},
        {"App Paths file missing", path, L"2", L"lwtestgone|", nullptr},
        {"App Paths value in quotes", path, L"2", L"lwtestquoted|",
         L"\"@\\My Tools\\mytool.exe\"|"},
        {"App Paths, file name only (66)", path, L"66", L"lwtestap|", L"appthing.exe|"},
    };
    SetEnvironmentVariableW(L".lwpy", L"lwpython");
    RunCases(cases, sizeof cases / sizeof cases[0]);
    SetEnvironmentVariableW(L".lwpy", L"");
    const Case unset[] = {
        {"variable extension empty (4)", path, L"4", L"tool|", nullptr},
    };
    RunCases(unset, 1);
    SetEnvironmentVariableW(L".lwpy", nullptr);
}

// A result that does not fit the line leaves it as it was. Runs last: removes the tree.
TEST(search_path_full_line_and_clean_up)
{
    static wchar_t full[TestLineCapacity + 1];
    wmemset(full, L'x', TestLineCapacity - 1);
    wcscpy(full + TestLineCapacity - 1 - 5, L" not|e");
    const Case cases[] = {
        {"result too long for the line", L"@\\bin1", L"0", full, nullptr},
    };
    RunCases(cases, 1);
    RemoveTestKeys();
    RemoveAll(Root);
    SetEnvironmentVariableW(L"LWTESTROOT", nullptr);
    CHECK(GetFileAttributesW(Root) == INVALID_FILE_ATTRIBUTES);
}
