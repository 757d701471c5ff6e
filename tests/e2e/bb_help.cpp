// Help through the export: which names open which page, the seven places searched in order,
// one viewer at a time, the "Missing Help File" box, and the viewer ended at shut-down. The
// viewer is first a recorder named hh.exe beside this program (SearchPathW looks there first),
// then Wine's own hh.exe on the real Linewise.chm.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/plugindll.h"

#include <stdio.h>
#include <tlhelp32.h>
#include <wchar.h>

namespace
{

enum { PathUnits = 1024 };

PluginDll Dll;
wchar_t ProgramDir[PathUnits]; // this program's directory, where the DLL and the recorder lie
wchar_t WorkDir[PathUnits];    // a scratch tree on C:, also the current directory
wchar_t RecordFile[PathUnits];
size_t RecordRead; // bytes of RecordFile already taken

void Join(wchar_t *out, const wchar_t *a, const wchar_t *b)
{
    _snwprintf(out, PathUnits - 1, L"%ls\\%ls", a, b);
    out[PathUnits - 1] = 0;
}

// The canonical long form, as the plug-in's true-name query gives it.
void LongName(const wchar_t *path, wchar_t *out)
{
    wchar_t full[PathUnits];
    GetFullPathNameW(path, PathUnits, full, nullptr);
    if (!GetLongPathNameW(full, out, PathUnits))
        wcscpy(out, full);
}

void WriteFileText(const wchar_t *path, const char *text)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE) {
        WriteFile(file, text, (DWORD)strlen(text), &written, nullptr);
        CloseHandle(file);
    }
}

// Moves a file aside (hide) or back; a name left aside by an interrupted run comes back first.
const wchar_t AsideSuffix[] = L".lw-aside";
bool MoveAside(const wchar_t *path, bool hide)
{
    wchar_t aside[PathUnits];
    _snwprintf(aside, PathUnits - 1, L"%ls%ls", path, AsideSuffix);
    aside[PathUnits - 1] = 0;
    return hide ? MoveFileW(path, aside) != 0 : MoveFileW(aside, path) != 0;
}

// Recorder lines since the last call: "pid\tcommand line". Waits up to seconds for one.
bool NextRecord(DWORD *pid, wchar_t *commandLine, int seconds)
{
    for (int wait = 0; wait < seconds * 20; wait++) {
        HANDLE file = CreateFileW(RecordFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            static char bytes[200000];
            DWORD got = 0;
            ReadFile(file, bytes, sizeof bytes - 1, &got, nullptr);
            CloseHandle(file);
            bytes[got] = 0;
            char *start = bytes + RecordRead;
            char *end = got > RecordRead ? strchr(start, '\n') : nullptr;
            if (end) {
                *end = 0;
                RecordRead += (size_t)(end - start) + 1;
                char *tab = strchr(start, '\t');
                *pid = (DWORD)strtoul(start, nullptr, 10);
                MultiByteToWideChar(CP_UTF8, 0, tab ? tab + 1 : start, -1, commandLine, 40000);
                return true;
            }
        }
        Sleep(50);
    }
    return false;
}

wchar_t Recorded[40000];

// Asks for help on topic and gives back the page path the recorder was started on, or "".
int AskHelp(const wchar_t *topic, DWORD *pid = nullptr, int seconds = 10)
{
    Recorded[0] = 0;
    int result = Dll.Help(topic);
    DWORD started = 0;
    if (result == 1 && NextRecord(&started, Recorded, seconds) && pid)
        *pid = started;
    return result;
}

// The seven places, each made to hold a Linewise.chm (or not) by the cases below.
enum Place { EnvLinewise, EnvPlugin, DllDir, DllHelpDir, ShellDir, ShellHelpDir, WindowsHelp };
const wchar_t *const PlaceNames[] = {L"LinewiseHelp", L"PluginHelp",      L"plug-in directory",
                                     L"plug-in Help", L"shell directory", L"shell help",
                                     L"Windows help"};
wchar_t PlaceFile[7][PathUnits];

void SetupPlaces(void)
{
    wchar_t dir[PathUnits], windows[MAX_PATH];
    Join(dir, WorkDir, L"env1");
    CreateDirectoryW(dir, nullptr);
    Join(PlaceFile[EnvLinewise], dir, L"Linewise.chm");
    Join(dir, WorkDir, L"env2");
    CreateDirectoryW(dir, nullptr);
    Join(PlaceFile[EnvPlugin], dir, L"Linewise.chm");
    Join(PlaceFile[DllDir], ProgramDir, L"Linewise.chm");
    Join(dir, ProgramDir, L"Help");
    CreateDirectoryW(dir, nullptr);
    Join(PlaceFile[DllHelpDir], dir, L"Linewise.chm");
    Join(dir, WorkDir, L"shell");
    CreateDirectoryW(dir, nullptr);
    Join(PlaceFile[ShellDir], dir, L"Linewise.chm");
    wchar_t cmdspec[PathUnits];
    Join(cmdspec, dir, L"tcc.exe");
    Host().SetVariable(L"_cmdspec", cmdspec);
    Join(dir, dir, L"help");
    CreateDirectoryW(dir, nullptr);
    Join(PlaceFile[ShellHelpDir], dir, L"Linewise.chm");
    GetWindowsDirectoryW(windows, MAX_PATH);
    Join(dir, windows, L"help");
    CreateDirectoryW(dir, nullptr);
    Join(PlaceFile[WindowsHelp], dir, L"Linewise.chm");
}

void ClearPlaces(void)
{
    for (int place = 0; place < 7; place++)
        DeleteFileW(PlaceFile[place]);
    SetEnvironmentVariableW(L"LinewiseHelp", nullptr);
    SetEnvironmentVariableW(L"PluginHelp", nullptr);
}

void FillPlace(int place)
{
    WriteFileText(PlaceFile[place], "not really a help file\n");
    wchar_t dir[PathUnits];
    wcscpy(dir, PlaceFile[place]);
    *wcsrchr(dir, L'\\') = 0;
    if (place == EnvLinewise)
        SetEnvironmentVariableW(L"LinewiseHelp", dir);
    if (place == EnvPlugin)
        SetEnvironmentVariableW(L"PluginHelp", dir);
}

void ExpectedCommandLine(wchar_t *out, size_t capacity, const wchar_t *viewer, const wchar_t *file,
                         const wchar_t *page)
{
    wchar_t longViewer[PathUnits], longFile[PathUnits];
    LongName(viewer, longViewer);
    LongName(file, longFile);
    _snwprintf(out, capacity - 1, L"\"%ls\" \"%ls::/%ls.html\"", longViewer, longFile, page);
    out[capacity - 1] = 0;
}

// A handle kept on a started viewer, so that its end and exit code can be seen later.
HANDLE Watch(DWORD pid)
{
    return pid ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid) : nullptr;
}

// Waits up to seconds for the process to end; 99 while it runs, else its exit code.
DWORD EndCode(HANDLE process, int seconds)
{
    DWORD code = 99;
    if (process && WaitForSingleObject(process, (DWORD)seconds * 1000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    return code;
}

// The message box: a helper thread finds it by its title, reads it and presses OK.
struct BoxSeen {
    bool found;
    HWND owner;
    wchar_t text[2048];
};

DWORD WINAPI DismissBox(void *parameter)
{
    BoxSeen *seen = (BoxSeen *)parameter;
    for (int wait = 0; wait < 200 && !seen->found; wait++) {
        HWND box = FindWindowW(L"#32770", L"Missing Help File");
        if (box) {
            seen->found = true;
            seen->owner = GetWindow(box, GW_OWNER);
            GetDlgItemTextW(box, 0xFFFF, seen->text, 2048);
            SendMessageW(box, WM_COMMAND, IDOK, 0);
        } else {
            Sleep(50);
        }
    }
    return 0;
}

// Help on LINEWISE with a box expected: the box's owner and text, the result 1.
void ExpectMissingBox(const char *row)
{
    HWND owner = CreateWindowExW(0, L"STATIC", L"help test owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 10, 10, 200, 100, nullptr, nullptr, nullptr, nullptr);
    if (!owner) {
        printf("%s: no window can be made (the prefix needs the null graphics driver)\n", row);
        CHECK(owner != nullptr);
        return;
    }
    SetForegroundWindow(owner);
    HWND foreground = GetForegroundWindow();
    BoxSeen seen = {};
    HANDLE thread = CreateThread(nullptr, 0, DismissBox, &seen, 0, nullptr);
    int result = AskHelp(L"LINEWISE", nullptr, 1);
    WaitForSingleObject(thread, 15000);
    CloseHandle(thread);
    DestroyWindow(owner);

    wchar_t windows[MAX_PATH], expected[2048];
    GetWindowsDirectoryW(windows, MAX_PATH);
    _snwprintf(expected, 2047,
               L"I can\x2019t find the help file Linewise.chm.  It should be:\n\n"
               L"    \x2022  in a directory specified in %%LINEWISEHELP\n"
               L"    \x2022  in a directory specified in %%PLUGINHELP\n"
               L"    \x2022  in the same directory as the .DLL file\n"
               L"    \x2022  in a HELP directory within the .DLL\x2019s directory  \n"
               L"    \x2022  in the same directory as the command shell\n"
               L"    \x2022  in a HELP directory within the shell\x2019s directory  \n"
               L"    \x2022  or in %ls\\Help.\n",
               windows);
    expected[2047] = 0;
    if (!seen.found)
        printf("%s: no \"Missing Help File\" box\n", row);
    CHECK(seen.found);
    CHECK_EQ(result, 1);
    CHECK(seen.owner == foreground);
    if (seen.found && wcscmp(seen.text, expected) != 0)
        printf("%s: box text differs\n", row);
    CHECK_TEXT(seen.text, expected);
    CHECK_TEXT(Recorded, L""); // no viewer started
}

void Start(void)
{
    static bool started;
    if (started)
        return;
    started = true;
    GetModuleFileNameW(nullptr, ProgramDir, PathUnits);
    *wcsrchr(ProgramDir, L'\\') = 0;
    wchar_t temp[PathUnits];
    GetTempPathW(PathUnits, temp);
    _snwprintf(WorkDir, PathUnits - 1, L"%lslw-help-%lu", temp, GetCurrentProcessId());
    CreateDirectoryW(WorkDir, nullptr);
    LongName(WorkDir, temp);
    wcscpy(WorkDir, temp);
    // Wine looks for hh.exe in the current directory too; this one has none, and its drive
    // root is where an unset LinewiseHelp would point.
    SetCurrentDirectoryW(WorkDir);
    Join(RecordFile, WorkDir, L"record.txt");
    SetEnvironmentVariableW(L"LW_HH_RECORD", RecordFile);
    wchar_t recorder[PathUnits];
    Join(recorder, ProgramDir, L"hh.exe");
    MoveAside(recorder, false);

    Dll = LoadPluginDll();
    Host().CaptureOutput(1);
    CHECK_EQ(Dll.InitializePlugin(), 0);
    SetupPlaces();
}

bool RecorderPresent(void)
{
    wchar_t recorder[PathUnits];
    Join(recorder, ProgramDir, L"hh.exe");
    if (GetFileAttributesW(recorder) != INVALID_FILE_ATTRIBUTES)
        return true;
    SkipCase("no recorder hh.exe beside the test program");
    return false;
}

// The cases that start the recorder or a box; false when they cannot run here.
bool ViewerCase(void)
{
    if (SkipUnderQemu("starts the help viewer or a message box"))
        return false;
    Start();
    return RecorderPresent();
}

// What the recorder saw against the viewer's command line for file and page (none: no page).
void ExpectViewer(const char *row, const wchar_t *file, const wchar_t *page)
{
    wchar_t viewer[PathUnits], expected[4096] = L"";
    Join(viewer, ProgramDir, L"hh.exe");
    if (page)
        ExpectedCommandLine(expected, 4096, viewer, file, page);
    if (_wcsicmp(Recorded, expected) != 0)
        printf("%s: viewer started with %s\n", row, Show(Recorded));
    CHECK(_wcsicmp(Recorded, expected) == 0);
}

// A shut-down ends the last viewer; the next case starts from empty places.
void Restart(void)
{
    Dll.ShutdownPlugin(0);
    CHECK_EQ(Dll.InitializePlugin(), 0);
    ClearPlaces();
}

// One viewer at a time: the second request terminated the first viewer (exit code 0, where
// the recorder ending on its own gives 7), and the shut-down ends the second.
void ExpectSecondEndsFirst(HANDLE firstViewer, DWORD second, int seconds)
{
    HANDLE secondViewer = Watch(second);
    CHECK(secondViewer != nullptr);
    CHECK_EQ(EndCode(firstViewer, seconds), 0);
    CHECK_EQ(EndCode(secondViewer, 0), 99);
    Dll.ShutdownPlugin(0);
    CHECK_EQ(EndCode(secondViewer, seconds), 0);
    if (firstViewer)
        CloseHandle(firstViewer);
    if (secondViewer)
        CloseHandle(secondViewer);
    CHECK_EQ(Dll.InitializePlugin(), 0);
    ClearPlaces();
}

TEST(help_answers_for_its_own_names_only_and_picks_the_page)
{
    Start();
    if (!RecorderPresent())
        return;
    ClearPlaces();
    FillPlace(EnvLinewise);
    const struct {
        const wchar_t *topic;
        int result;
        const wchar_t *page; // null: no viewer started
    } rows[] = {
        {L"linewise", 1, L"linewise"},
        {L"LINEWISE", 1, L"linewise"},
        {L"LineWise", 1, L"linewise"},
        {L"*key", 1, L"*key"},
        {L"*KEY", 1, L"*key"},
        {L"*linewis*", 0, nullptr},
        {L"linewise2", 0, nullptr},
        {L"linewis", 0, nullptr},
        {L"key", 0, nullptr},
        {L"linewise,*key", 0, nullptr},
        {L"", 0, nullptr},
        {nullptr, 0, nullptr},
    };
    for (const auto &row : rows) {
        int result = AskHelp(row.topic, nullptr, row.page ? 10 : 1);
        char name[128];
        snprintf(name, sizeof name, "topic %s", row.topic ? Show(row.topic) : "(null)");
        if (result != row.result)
            printf("%s: result %d\n", name, result);
        CHECK_EQ(result, row.result);
        ExpectViewer(name, PlaceFile[EnvLinewise], row.page);
    }
    Restart();
}

TEST(help_the_first_of_the_seven_places_that_holds_the_file_wins)
{
    if (!ViewerCase())
        return;
    for (int first = 0; first < 7; first++) {
        ClearPlaces();
        for (int place = first; place < 7; place++)
            FillPlace(place);
        CHECK_EQ(AskHelp(L"linewise"), 1);
        char name[128];
        snprintf(name, sizeof name, "first place %ls", PlaceNames[first]);
        ExpectViewer(name, PlaceFile[first], L"linewise");
    }
    Restart();
}

TEST(help_passes_over_an_unset_variable_and_a_directory_named_like_the_file)
{
    if (!ViewerCase())
        return;
    wchar_t root[PathUnits], fake[PathUnits];
    // An unset LinewiseHelp must not make "\Linewise.chm" at the root of the current drive.
    ClearPlaces();
    wcscpy(root, L"\\Linewise.chm");
    LongName(root, root);
    WriteFileText(root, "root\n");
    FillPlace(EnvPlugin);
    AskHelp(L"linewise");
    ExpectViewer("unset LinewiseHelp", PlaceFile[EnvPlugin], L"linewise");
    DeleteFileW(root);

    // A directory called Linewise.chm in LinewiseHelp's directory.
    ClearPlaces();
    Join(fake, WorkDir, L"dironly");
    CreateDirectoryW(fake, nullptr);
    SetEnvironmentVariableW(L"LinewiseHelp", fake);
    Join(fake, fake, L"Linewise.chm");
    CreateDirectoryW(fake, nullptr);
    FillPlace(EnvPlugin);
    AskHelp(L"linewise");
    ExpectViewer("directory named Linewise.chm", PlaceFile[EnvPlugin], L"linewise");
    RemoveDirectoryW(fake);
    Restart();
}

TEST(help_a_second_request_ends_the_first_viewer_and_shutdown_the_last)
{
    if (!ViewerCase())
        return;
    ClearPlaces();
    FillPlace(EnvLinewise);
    DWORD first = 0, second = 0;
    CHECK_EQ(AskHelp(L"linewise", &first), 1);
    HANDLE firstViewer = Watch(first);
    CHECK(firstViewer != nullptr);
    CHECK_EQ(EndCode(firstViewer, 0), 99); // still running
    CHECK_EQ(AskHelp(L"*key", &second), 1);
    CHECK(second != first);
    ExpectSecondEndsFirst(firstViewer, second, 5);
}

TEST(help_without_a_file_anywhere_shows_the_missing_file_box)
{
    if (SkipUnderQemu("starts the help viewer or a message box"))
        return;
    Start();
    ClearPlaces();
    ExpectMissingBox("no help file");
}

// Hides every hh.exe that SearchPathW could find (this program's directory, the system and
// Windows directories), runs body, and puts them back.
const wchar_t *ViewerDirs[3];
void HideViewers(bool hide)
{
    static wchar_t system[MAX_PATH], windows[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    GetWindowsDirectoryW(windows, MAX_PATH);
    ViewerDirs[0] = ProgramDir;
    ViewerDirs[1] = system;
    ViewerDirs[2] = windows;
    for (const wchar_t *dir : ViewerDirs) {
        wchar_t path[PathUnits];
        Join(path, dir, L"hh.exe");
        MoveAside(path, hide);
    }
}

TEST(help_without_a_viewer_shows_the_box_although_the_file_exists)
{
    if (SkipUnderQemu("starts the help viewer or a message box"))
        return;
    // Windows keeps its own hh.exe in folders only an administrator may change.
    if (SkipOutsideWine("moves the system's own hh.exe aside"))
        return;
    Start();
    ClearPlaces();
    FillPlace(EnvLinewise);
    HideViewers(true);
    wchar_t found[PathUnits] = L"";
    bool hidden = SearchPathW(nullptr, L"hh.exe", nullptr, PathUnits, found, nullptr) == 0;
    if (!hidden)
        printf("an hh.exe is still found: %ls\n", found);
    CHECK(hidden);
    if (hidden)
        ExpectMissingBox("no viewer");
    HideViewers(false);
    ClearPlaces();
}

// The system's own viewer (Wine's or Windows') on the real help file: the recorder is moved
// aside meanwhile.

// A recorder still ending (it lies in this program's directory) is no viewer.
bool IsRecorder(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    wchar_t image[PathUnits] = L"";
    DWORD size = PathUnits;
    if (process) {
        QueryFullProcessImageNameW(process, 0, image, &size);
        CloseHandle(process);
    }
    size_t length = wcslen(ProgramDir);
    return _wcsnicmp(image, ProgramDir, length) == 0 && image[length] == L'\\';
}

bool FindViewerProcesses(DWORD *pids, int *count)
{
    *count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && *count < 16;
         more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, L"hh.exe") == 0 && !IsRecorder(entry.th32ProcessID))
            pids[(*count)++] = entry.th32ProcessID;
    CloseHandle(snapshot);
    return true;
}

DWORD NewViewer(const DWORD *before, int beforeCount, int seconds)
{
    for (int wait = 0; wait < seconds * 10; wait++) {
        DWORD now[16];
        int count = 0;
        FindViewerProcesses(now, &count);
        for (int i = 0; i < count; i++) {
            bool old = false;
            for (int j = 0; j < beforeCount; j++)
                old = old || now[i] == before[j];
            if (!old)
                return now[i];
        }
        Sleep(100);
    }
    return 0;
}

struct TitleSearch {
    DWORD pid;
    bool found;
};

BOOL CALLBACK FindTitle(HWND window, LPARAM parameter)
{
    TitleSearch *search = (TitleSearch *)parameter;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t title[256] = L"";
    GetWindowTextW(window, title, 256);
    if (pid == search->pid && wcscmp(title, L"Linewise Help") == 0)
        search->found = true;
    return !search->found;
}

TEST(help_with_the_systems_viewer_opens_the_real_help_file)
{
    if (SkipUnderQemu("starts the help viewer or a message box"))
        return;
    Start();
    wchar_t recorder[PathUnits], chmDir[PathUnits], chm[PathUnits], viewer[PathUnits];
    Join(recorder, ProgramDir, L"hh.exe");
    bool aside = MoveAside(recorder, true);
    // The build puts the help file in <build>\help; this program runs from <build>\bin.
    Join(chmDir, ProgramDir, L"..\\help");
    LongName(chmDir, chmDir);
    Join(chm, chmDir, L"Linewise.chm");
    if (SearchPathW(nullptr, L"hh.exe", nullptr, PathUnits, viewer, nullptr) == 0) {
        SkipCase("no hh.exe on this system");
    } else if (GetFileAttributesW(chm) == INVALID_FILE_ATTRIBUTES) {
        printf("the built help file is missing: %ls\n", chm);
        CHECK(false);
    } else {
        ClearPlaces();
        SetEnvironmentVariableW(L"LinewiseHelp", chmDir);
        // 32-bit Wine may run through qemu here, where a process takes a minute to start.
        int slow = sizeof(void *) == 4 ? 240 : 30;
        DWORD before[16];
        int beforeCount = 0;
        FindViewerProcesses(before, &beforeCount);
        CHECK_EQ(Dll.Help(L"LINEWISE"), 1);
        DWORD first = NewViewer(before, beforeCount, slow);
        HANDLE firstViewer = Watch(first);
        CHECK(firstViewer != nullptr);
        TitleSearch search = {first, false};
        for (int wait = 0; first && wait < slow * 10 && !search.found; wait++) {
            EnumWindows(FindTitle, (LPARAM)&search);
            if (!search.found)
                Sleep(100);
        }
        if (!search.found)
            printf("no viewer window titled \"Linewise Help\" (the help file's title)\n");
        CHECK(search.found);
        before[beforeCount++] = first;
        CHECK_EQ(Dll.Help(L"*key"), 1);
        ExpectSecondEndsFirst(firstViewer, NewViewer(before, beforeCount, slow), 10);
    }
    if (aside)
        MoveAside(recorder, false);
}

TEST(help_tests_clean_up)
{
    Start();
    Dll.ShutdownPlugin(0);
    ClearPlaces();
    wchar_t dir[PathUnits];
    Join(dir, ProgramDir, L"Help");
    RemoveDirectoryW(dir);
    DeleteFileW(RecordFile);
    SetCurrentDirectoryW(ProgramDir);
    const wchar_t *const subdirs[] = {L"env1", L"env2", L"dironly", L"shell\\help", L"shell"};
    for (const wchar_t *sub : subdirs) {
        Join(dir, WorkDir, sub);
        RemoveDirectoryW(dir);
    }
    CHECK(RemoveDirectoryW(WorkDir) != 0);
    TakeOutput(1);
    TakeOutput(2);
    UnloadPluginDll(Dll);
}

} // namespace
