// Save Viewport Picture (Ctrl-Shift-Q) and Print Viewport (Ctrl-Shift-P) through the exported
// hook, with a test window standing in for ConEmu's console view: the saved file's name and
// format decoded back to that window's pixels, the open and print verbs (a recorder), and the
// failures ending in the error sound alone.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/picture.h"
#include "tests/support/platform.h"
#include "tests/support/recorder.h"
#include "tests/support/startedplugin.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace
{

enum { KeyP = 0x10, KeyQ = 0x11, RecorderWait = 8000, NothingWait = 1500 };

PluginDll &Plugin(void)
{
    // the error sound as the honk the stand-in counts
    static PluginDll plugin = StartPlugin(L"/E1 /Q");
    return plugin;
}

// Ctrl-Shift and the key; the key must come back consumed with the line untouched.
void Press(int code, const char *name)
{
    wchar_t line[16] = L"ver";
    ShellKeyEvent event = {};
    event.code = code;
    event.line = line;
    event.cursor = line + 1;
    event.homeRow = event.row = 3;
    event.column = 1;
    PressModifiers(true, true, false, true);
    CHECK_ROW_EQ(name, Plugin().key(&event), 0);
    PressModifiers(true, true, false, false);
    CHECK_ROW_EQ(name, event.code, 0);
    CHECK_ROW_EQ(name, event.redraw, 0);
    CHECK_ROW(name, event.cursor == line + 1 && wcscmp(line, L"ver") == 0);
}

// The test's stand-in for ConEmu's window, named by ConEmuHWND; null, with the case
// skipped, when this program's own console window would be found before it.
HWND View(void)
{
    if (!ConsoleWindowOutOfTheWay()) {
        SkipCase("the console's own host window is found before the test's ConEmu window");
        return nullptr;
    }
    static HWND view;
    if (!view) {
        view = MakePictureWindow(L"VirtualConsoleClass");
        if (!view) {
            printf("cannot make a window (is the null graphics driver set?)\n");
            exit(2);
        }
    }
    wchar_t handle[32];
    swprintf(handle, 32, L"%llu", (unsigned long long)(ULONG_PTR)view);
    SetEnvironmentVariableW(L"ConEmuHWND", handle);
    SetEnvironmentVariableW(L"ConEmuDrawHWND", nullptr);
    return view;
}

const wchar_t *Folder(void)
{
    static wchar_t folder[MAX_PATH];
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    swprintf(folder, MAX_PATH, L"%lslinewise-bbvp-%lu", temporary,
             (unsigned long)GetCurrentProcessId());
    return folder;
}

// Deletes the pictures in the folder; the number deleted.
int EmptyFolder(void)
{
    wchar_t pattern[MAX_PATH];
    swprintf(pattern, MAX_PATH, L"%ls\\*", Folder());
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(pattern, &found);
    int count = 0;
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        wchar_t path[MAX_PATH];
        swprintf(path, MAX_PATH, L"%ls\\%ls", Folder(), found.cFileName);
        if (DeleteFileW(path))
            count++;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return count;
}

// The names of the pictures in the folder (at most 4), sorted.
int Pictures(wchar_t names[4][MAX_PATH])
{
    wchar_t pattern[MAX_PATH];
    swprintf(pattern, MAX_PATH, L"%ls\\Pic *", Folder());
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(pattern, &found);
    int count = 0;
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do
        if (count < 4)
            lstrcpynW(names[count++], found.cFileName, MAX_PATH);
    while (FindNextFileW(find, &found));
    FindClose(find);
    if (count == 2 && wcscmp(names[0], names[1]) > 0) {
        wchar_t swap[MAX_PATH];
        lstrcpynW(swap, names[0], MAX_PATH);
        lstrcpynW(names[0], names[1], MAX_PATH);
        lstrcpynW(names[1], swap, MAX_PATH);
    }
    return count;
}

// "Pic yyyy-mm-dd hh.mm.ss" followed by rest exactly.
bool NamedLike(const wchar_t *name, const wchar_t *rest)
{
    static const wchar_t shape[] = L"Pic 0000-00-00 00.00.00";
    for (int i = 0; shape[i]; i++) {
        const bool digit = name[i] >= L'0' && name[i] <= L'9';
        if (shape[i] == L'0' ? !digit : name[i] != shape[i])
            return false;
    }
    return wcscmp(name + wcslen(shape), rest) == 0;
}

void CheckPicture(const char *name, const wchar_t *path, int tolerance)
{
    const DecodedPicture picture = DecodePicture(path);
    CHECK_ROW(name, picture.ok);
    CHECK_ROW_EQ(name, picture.width, PictureWidth);
    CHECK_ROW_EQ(name, picture.height, PictureHeight);
    CHECK_ROW(name, ColourNear(picture.bar, 0xFFFFFF, tolerance));
    CHECK_ROW(name, ColourNear(picture.left, 0xFF0000, tolerance));
    CHECK_ROW(name, ColourNear(picture.right, 0x0000FF, tolerance));
}

// Wine's GIF encoder writes only the header for a bitmap of more than 8 bits a pixel (24
// bytes, no image data); the plug-in's part, the file with the window's size, still shows.
void CheckWineGif(const wchar_t *path)
{
    unsigned char gif[32] = {};
    DWORD got = 0;
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ReadFile(file, gif, sizeof gif, &got, nullptr);
    CloseHandle(file);
    CHECK_ROW("gif", got >= 10 && memcmp(gif, "GIF89a", 6) == 0 &&
                         gif[6] + 256 * gif[7] == PictureWidth &&
                         gif[8] + 256 * gif[9] == PictureHeight);
}

} // namespace

TEST(save_viewport_picture_formats_and_names)
{
    Plugin();
    if (!View())
        return;
    SetEnvironmentVariableW(L"SavePicDir", Folder());
    SetEnvironmentVariableW(L"SavePicFlags", nullptr);
    struct Row {
        const char *name;
        const wchar_t *savePicExt;
        const wchar_t *extension; // of the saved file
        int tolerance;
    } rows[] = {
        {"unset: png", nullptr, L".png", 0},
        {"without its dot: png", L"bmp", L".png", 0},
        {"unsupported: png", L".webp", L".png", 0},
        {"upper case kept", L".BMP", L".BMP", 0},
        {"jpeg", L".jpg", L".jpg", 40},
        {"tiff", L".tiff", L".tiff", 0},
        {"gif", L".gif", L".gif", 16},
    };
    for (const Row &row : rows) {
        SetEnvironmentVariableW(L"SavePicExt", row.savePicExt);
        EmptyFolder();
        Host().ResetCounters();
        Press(KeyQ, row.name);
        CHECK_ROW_EQ(row.name, Host().HonkCalls(), 0);
        wchar_t names[4][MAX_PATH];
        CHECK_ROW_EQ(row.name, Pictures(names), 1);
        CHECK_ROW(row.name, NamedLike(names[0], row.extension));
        wchar_t path[MAX_PATH];
        swprintf(path, MAX_PATH, L"%ls\\%ls", Folder(), names[0]);
        if (UnderWine() && wcscmp(row.extension, L".gif") == 0)
            CheckWineGif(path);
        else
            CheckPicture(row.name, path, row.tolerance);
    }

    // Two saves at once: the second name carries " (1)" when the second is the same.
    SetEnvironmentVariableW(L"SavePicExt", nullptr);
    EmptyFolder();
    Press(KeyQ, "first of two");
    Press(KeyQ, "second of two");
    wchar_t names[4][MAX_PATH];
    CHECK_EQ(Pictures(names), 2);
    if (wcsncmp(names[0], names[1], 23) == 0) {
        CHECK(NamedLike(names[0], L" (1).png"));
        CHECK(NamedLike(names[1], L".png"));
    }
    CHECK_EQ(EmptyFolder(), 2);
    SetEnvironmentVariableW(L"SavePicDir", nullptr);
}

TEST(viewport_verbs)
{
    Plugin();
    if (!View())
        return;
    const wchar_t *extensions[] = {L".png", L".bmp"};
    CHECK(RegisterRecorder(extensions, 2));
    if (RecorderOverridden()) {
        RestoreAssociations();
        SkipCase(RecorderOverridden());
        return;
    }
    SetEnvironmentVariableW(L"SavePicDir", Folder());

    // Bit 0x400: the saved picture is opened, shown.
    SetEnvironmentVariableW(L"SavePicFlags", L"0x400");
    SetEnvironmentVariableW(L"SavePicExt", L".bmp");
    EmptyFolder();
    ClearRecording();
    Press(KeyQ, "save and open");
    Recording recording;
    CHECK(WaitForRecording(&recording, RecorderWait));
    CHECK_TEXT(recording.verb, L"open");
    CHECK_EQ(recording.show, SW_SHOW);
    wchar_t names[4][MAX_PATH];
    CHECK_EQ(Pictures(names), 1);
    wchar_t path[MAX_PATH];
    swprintf(path, MAX_PATH, L"%ls\\%ls", Folder(), names[0]);
    CHECK(lstrcmpiW(recording.file, path) == 0);
    CHECK_EQ(recording.size, 54 + PictureWidth * PictureHeight * 4);
    CheckPicture("opened", path, 0);

    // Print Viewport: a scratch picture to the print verb, hidden; nothing in SavePicDir.
    SetEnvironmentVariableW(L"SavePicFlags", nullptr);
    SetEnvironmentVariableW(L"SavePicExt", nullptr);
    EmptyFolder();
    ClearRecording();
    Host().ResetCounters();
    Press(KeyP, "print");
    CHECK(WaitForRecording(&recording, RecorderWait));
    CHECK_EQ(Host().HonkCalls(), 0);
    CHECK_TEXT(recording.verb, L"print");
    CHECK_EQ(recording.show, SW_HIDE);
    CHECK(wcsstr(recording.file, L"\\Linewise-") != nullptr);
    CHECK(recording.size > 8 && memcmp(recording.bytes, "\x89PNG\r\n\x1a\n", 8) == 0);
    CheckPicture("printed", recording.file, 0);
    CHECK_EQ(Pictures(names), 0);
    RestoreAssociations();
    SetEnvironmentVariableW(L"SavePicDir", nullptr);
}

TEST(viewport_print_refused_without_a_print_verb)
{
    // Windows prints every picture type through its own verb, which opens a dialog.
    if (SkipOutsideWine("needs a picture type that no program prints"))
        return;
    Plugin();
    if (!View())
        return;
    SetEnvironmentVariableW(L"SavePicDir", Folder());
    // No program prints pictures: the error sound, the picture stays in the scratch folder.
    Recording recording;
    SetEnvironmentVariableW(L"SavePicExt", L".gif");
    ClearRecording();
    Host().ResetCounters();
    Press(KeyP, "print refused");
    CHECK_EQ(Host().HonkCalls(), 1);
    CHECK(!WaitForRecording(&recording, NothingWait));
    SetEnvironmentVariableW(L"SavePicExt", nullptr);
    SetEnvironmentVariableW(L"SavePicDir", nullptr);
}

TEST(viewport_failures_sound_only)
{
    Plugin();
    if (!View())
        return;
    SetEnvironmentVariableW(L"SavePicDir", Folder());
    struct Row {
        const char *name;
        const wchar_t *conEmu; // ConEmuHWND: no window the console shows
    } rows[] = {
        {"no host window", nullptr},
        {"ConEmuHWND malformed", L"0x"},
        {"ConEmuHWND names no window", L"12345678"},
    };
    for (const Row &row : rows) {
        SetEnvironmentVariableW(L"ConEmuHWND", row.conEmu);
        const int codes[] = {KeyQ, KeyP};
        for (int code : codes) {
            EmptyFolder();
            Host().ResetCounters();
            Press(code, row.name);
            CHECK_ROW_EQ(row.name, Host().HonkCalls(), 1);
            wchar_t names[4][MAX_PATH];
            CHECK_ROW_EQ(row.name, Pictures(names), 0);
            CHECK_ROW_EQ(row.name, TakeOutput(1)[0], 0);
            CHECK_ROW_EQ(row.name, TakeOutput(2)[0], 0);
        }
    }
    SetEnvironmentVariableW(L"ConEmuHWND", nullptr);
    SetEnvironmentVariableW(L"SavePicDir", nullptr);
    RemoveDirectoryW(Folder());
}

TEST(save_viewport_picture_of_the_classic_console)
{
    // Wine's console window has a class of its own, which no step of the host search takes.
    if (SkipUnderWine("needs a classic console window"))
        return;
    HWND console = GetConsoleWindow();
    wchar_t className[64] = L"";
    if (console)
        RealGetWindowClassW(console, className, 64);
    if (wcscmp(className, L"ConsoleWindowClass") != 0) {
        SkipCase("the console is not shown by a classic console window");
        return;
    }
    Plugin();
    SetEnvironmentVariableW(L"ConEmuHWND", nullptr);
    SetEnvironmentVariableW(L"SavePicDir", Folder());
    SetEnvironmentVariableW(L"SavePicExt", L".bmp");
    SetEnvironmentVariableW(L"SavePicFlags", nullptr);
    // Shown for the capture: the other cases keep it hidden, out of the host search.
    const bool hidden = !IsWindowVisible(console);
    ShowWindow(console, SW_SHOWNOACTIVATE);
    EmptyFolder();
    Host().ResetCounters();
    Press(KeyQ, "classic console");
    WINDOWINFO info = {};
    info.cbSize = sizeof info;
    GetWindowInfo(console, &info);
    if (hidden)
        ShowWindow(console, SW_HIDE);
    CHECK_EQ(Host().HonkCalls(), 0);
    wchar_t names[4][MAX_PATH];
    CHECK_EQ(Pictures(names), 1);
    wchar_t path[MAX_PATH];
    swprintf(path, MAX_PATH, L"%ls\\%ls", Folder(), names[0]);
    const DecodedPicture picture = DecodePicture(path);
    const long width = info.rcClient.right - info.rcClient.left;
    const long height = info.rcClient.bottom - info.rcClient.top;
    CHECK(picture.ok);
    CHECK((long)picture.width == width || (long)picture.width == width + 1);
    CHECK((long)picture.height == height || (long)picture.height == height + 1);
    EmptyFolder();
    SetEnvironmentVariableW(L"SavePicExt", nullptr);
    SetEnvironmentVariableW(L"SavePicDir", nullptr);
    RemoveDirectoryW(Folder());
}
