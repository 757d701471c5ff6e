// Print History through the exported hook (Ctrl-P): the file handed to the print or open verb
// (a recorder registered for ".txt"), its bytes, the verb and the window state; the failures
// (empty history, no scratch folder) end in the error sound alone.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/recorder.h"
#include "tests/support/startedplugin.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace
{

enum { CtrlP = 0x10, RecorderWait = 8000, NothingWait = 1500 };

PluginDll &Plugin(void)
{
    // The error sound as the shell's honk, which the stand-in counts.
    static PluginDll plugin = StartPlugin(L"/E1 /Q");
    return plugin;
}

// Presses Ctrl-P; the hook's result and the key consumed are checked on the way.
void PressPrintHistory(const char *name)
{
    wchar_t line[16] = L"dir";
    ShellKeyEvent event = {};
    event.code = CtrlP;
    event.line = line;
    event.cursor = line + 3;
    event.homeRow = event.row = 5;
    event.column = 3;
    CHECK_ROW_EQ(name, Plugin().key(&event), 0);
    CHECK_ROW_EQ(name, event.code, 0);
    CHECK_ROW_EQ(name, event.redraw, 0);
    CHECK_ROW(name, event.cursor == line + 3 && wcscmp(line, L"dir") == 0);
    CHECK_ROW_EQ(name, event.homeRow, 5);
}

void History(int count)
{
    Host().ClearHistory();
    for (int i = 1; i <= count; i++) {
        wchar_t entry[32];
        swprintf(entry, 32, L"echo %d \x00E9", i);
        Host().AddHistory(entry);
    }
}

// The bytes expected for entries first..last of History().
size_t Expected(unsigned char *out, size_t capacity, int first, int last, bool numbered, bool utf16)
{
    static wchar_t text[65536];
    size_t n = (size_t)swprintf(text, 65536, L"\xFEFF");
    for (int i = first; i <= last && n < 65000; i++)
        n += (size_t)swprintf(text + n, 65536 - n,
                              numbered ? L"%5d:  echo %d \x00E9\n" : L"echo %d \x00E9\n", i, i);
    if (utf16) {
        memcpy(out, text, n * 2 < capacity ? n * 2 : capacity);
        return n * 2;
    }
    return (size_t)WideCharToMultiByte(CP_UTF8, 0, text, (int)n, (char *)out, (int)capacity,
                                       nullptr, nullptr);
}

// Where the plug-in keeps its scratch files: "Linewise-<process>" (perhaps with a suffix) in
// the temporary folder.
bool InScratchFolder(const wchar_t *folder)
{
    wchar_t temporary[MAX_PATH], expected[MAX_PATH], actual[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    swprintf(expected, MAX_PATH, L"%lsLinewise-%04X", temporary, (unsigned)GetCurrentProcessId());
    GetLongPathNameW(expected, expected, MAX_PATH);
    GetLongPathNameW(folder, actual, MAX_PATH);
    const size_t length = wcslen(expected);
    return _wcsnicmp(actual, expected, length) == 0 &&
           (actual[length] == 0 || actual[length] == L'-');
}

const wchar_t *FolderOf(const wchar_t *path)
{
    static wchar_t folder[1024];
    lstrcpynW(folder, path, 1024);
    wchar_t *slash = wcsrchr(folder, L'\\');
    if (slash)
        *slash = 0;
    return folder;
}

struct Case {
    const char *name;
    int entries;
    const wchar_t *maxLines; // PrintHistoryMaxLines, null: unset
    const wchar_t *flags;    // PrintHistoryFlags, null: unset
    int first;               // first entry printed
    bool numbered, utf16;
    const wchar_t *verb;
    int show;
};

const Case Cases[] = {
    {"150 entries, default 100, numbered", 150, nullptr, L"1", 51, true, false, L"print", SW_HIDE},
    {"maxLines 0 means 100", 150, L"0", nullptr, 51, false, false, L"print", SW_HIDE},
    {"maxLines above the count prints all", 20, L"500", L"1", 1, true, false, L"print", SW_HIDE},
    {"utf-16 numbered", 30, L"5", L"0x11", 26, true, true, L"print", SW_HIDE},
    {"bit 0x400 opens", 3, nullptr, L"0x400", 1, false, false, L"open", SW_SHOW},
    {"unknown bits ignored", 3, nullptr, L"0x2", 1, false, false, L"print", SW_HIDE},
    {"malformed numbers fall back", 120, L"many", L"x1", 21, false, false, L"print", SW_HIDE},
};

void RunCase(const Case &c)
{
    History(c.entries);
    SetEnvironmentVariableW(L"PrintHistoryMaxLines", c.maxLines);
    SetEnvironmentVariableW(L"PrintHistoryFlags", c.flags);
    ClearRecording();
    Host().ResetCounters();
    PressPrintHistory(c.name);
    Recording recording;
    if (!WaitForRecording(&recording, RecorderWait)) {
        CheckFailed(__FILE__, __LINE__, c.name, "the recorder did not run");
        return;
    }
    CHECK_ROW_EQ(c.name, Host().HonkCalls(), 0);
    CHECK_ROW_TEXT(c.name, recording.verb, c.verb);
    CHECK_ROW_EQ(c.name, recording.show, c.show);
    // The file lies in the plug-in's scratch folder and ends in ".txt".
    CHECK_ROW(c.name, InScratchFolder(FolderOf(recording.file)));
    const wchar_t *dot = wcsrchr(recording.file, L'.');
    CHECK_ROW_TEXT(c.name, dot, L".txt");
    static unsigned char expected[200000];
    const size_t size =
        Expected(expected, sizeof expected, c.first, c.entries, c.numbered, c.utf16);
    CHECK_ROW_EQ(c.name, (long long)recording.size, (long long)size);
    CHECK_ROW(c.name, recording.size == size && memcmp(recording.bytes, expected, size) == 0);
}

} // namespace

TEST(print_history_hands_the_file_to_the_verb)
{
    if (SkipUnderQemu("starts the verb recorder"))
        return;
    Plugin();
    const wchar_t *extensions[] = {L".txt"};
    CHECK(RegisterRecorder(extensions, 1));
    if (RecorderOverridden()) {
        RestoreAssociations();
        SkipCase(RecorderOverridden());
        return;
    }
    for (const Case &c : Cases)
        RunCase(c);
    RestoreAssociations();
    SetEnvironmentVariableW(L"PrintHistoryMaxLines", nullptr);
    SetEnvironmentVariableW(L"PrintHistoryFlags", nullptr);
}

TEST(print_history_failures_sound_only)
{
    Plugin();
    const wchar_t *extensions[] = {L".txt"};
    CHECK(RegisterRecorder(extensions, 1));
    if (RecorderOverridden()) {
        RestoreAssociations();
        SkipCase(RecorderOverridden());
        return;
    }

    // Empty history.
    Host().ClearHistory();
    ClearRecording();
    Host().ResetCounters();
    PressPrintHistory("empty history");
    CHECK_EQ(Host().HonkCalls(), 1);
    Recording recording;
    CHECK(!WaitForRecording(&recording, NothingWait));
    CHECK_EQ(TakeOutput(1)[0], 0);
    CHECK_EQ(TakeOutput(2)[0], 0);

    // The scratch folder replaced by a file: no scratch file can be made.
    History(2);
    PressPrintHistory("make the scratch folder");
    CHECK(WaitForRecording(&recording, RecorderWait));
    wchar_t scratch[1024];
    lstrcpynW(scratch, FolderOf(recording.file), 1024);
    CHECK(InScratchFolder(scratch));
    wchar_t pattern[MAX_PATH];
    swprintf(pattern, MAX_PATH, L"%ls\\*", scratch);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(pattern, &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            wchar_t path[MAX_PATH];
            swprintf(path, MAX_PATH, L"%ls\\%ls", scratch, found.cFileName);
            DeleteFileW(path);
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    CHECK(RemoveDirectoryW(scratch));
    HANDLE blocker = CreateFileW(scratch, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    CHECK(blocker != INVALID_HANDLE_VALUE);
    CloseHandle(blocker);
    ClearRecording();
    Host().ResetCounters();
    PressPrintHistory("scratch folder is a file");
    CHECK_EQ(Host().HonkCalls(), 1);
    CHECK(!WaitForRecording(&recording, NothingWait));
    CHECK_EQ(TakeOutput(2)[0], 0);
    DeleteFileW(scratch);
    CreateDirectoryW(scratch, nullptr);

    RestoreAssociations();
}
