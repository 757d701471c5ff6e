// Viewport pictures: the extension table and SavePicExt, saved-picture names (counter, 1,000
// taken, SavePicDir created, expanded or refused), SaveWindowPicture's files decoded back in
// every format, its refusals, and the capture source for each host kind.
#include "actions/console/consolewindow.h"
#include "actions/console/viewport.h"
#include "frame/paths.h"
#include "tests/support/check.h"
#include "tests/support/picture.h"

#include <shlobj.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

namespace
{

const wchar_t *TestFolder(const wchar_t *name)
{
    static wchar_t path[MAX_PATH];
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    swprintf(path, MAX_PATH, L"%lslinewise-vp-%lu-%ls", temporary,
             (unsigned long)GetCurrentProcessId(), name);
    return path;
}

bool OnWine(void)
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

const SYSTEMTIME Stamp = {2024, 2, 4, 29, 7, 5, 9, 0};

void Touch(const wchar_t *path)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
}

} // namespace

TEST(extension_table_and_savepicext)
{
    struct Row {
        const wchar_t *extension;
        const wchar_t *mime; // null: unsupported
    } rows[] = {
        {L".bmp", L"image/bmp"},   {L".jpg", L"image/jpeg"},
        {L".JPEG", L"image/jpeg"}, {L".png", L"image/png"},
        {L".Gif", L"image/gif"},   {L".tif", L"image/tiff"},
        {L".TIFF", L"image/tiff"}, {L"png", nullptr},
        {L".webp", nullptr},       {L"", nullptr},
        {L".pngx", nullptr},
    };
    for (const Row &row : rows) {
        const wchar_t *mime = PictureMimeType(row.extension);
        if (!row.mime)
            CHECK_ROW(Show(row.extension), mime == nullptr);
        else
            CHECK_ROW_TEXT(Show(row.extension), mime, row.mime);
    }

    struct Setting {
        const wchar_t *value;
        const wchar_t *extension;
    } settings[] = {
        {nullptr, L".png"},  {L".JPG", L".JPG"}, {L"bmp", L".png"},
        {L".webp", L".png"}, {L".gif", L".gif"}, {L".tifffffffffffffffff", L".png"},
    };
    for (const Setting &setting : settings) {
        SetEnvironmentVariableW(L"SavePicExt", setting.value);
        wchar_t extension[SavePicExtCapacity];
        ReadSavePicExt(extension);
        CHECK_ROW_TEXT(Show(setting.value), extension, setting.extension);
    }
    SetEnvironmentVariableW(L"SavePicExt", nullptr);
}

TEST(picture_names_in_savepicdir)
{
    static wchar_t path[PathCapacity];
    const wchar_t *folder = TestFolder(L"pics");
    RemoveTree(folder);
    SetEnvironmentVariableW(L"SavePicDir", folder);
    // A folder that does not exist yet is made.
    CHECK_EQ(NewPictureFileNameAt(path, L".png", Stamp), 0);
    CHECK(GetFileAttributesW(folder) & FILE_ATTRIBUTE_DIRECTORY);
    wchar_t expected[MAX_PATH];
    swprintf(expected, MAX_PATH, L"%ls\\Pic 2024-02-29 07.05.09.png", folder);
    CHECK_TEXT(path, expected);

    // Taken names, files or folders, step the counter; the case of the extension stays.
    Touch(expected);
    CHECK_EQ(NewPictureFileNameAt(path, L".PNG", Stamp), 0);
    swprintf(expected, MAX_PATH, L"%ls\\Pic 2024-02-29 07.05.09 (1).PNG", folder);
    CHECK_TEXT(path, expected);
    CreateDirectoryW(expected, nullptr);
    CHECK_EQ(NewPictureFileNameAt(path, L".png", Stamp), 0);
    swprintf(expected, MAX_PATH, L"%ls\\Pic 2024-02-29 07.05.09 (2).png", folder);
    CHECK_TEXT(path, expected);

    // 1,000 counters taken besides the plain name: no name.
    for (unsigned i = 2; i <= MaxPictureCounter; i++) {
        FormatPictureFileName(path, folder, Stamp, i, L".png");
        Touch(path);
    }
    path[0] = L'?';
    CHECK_EQ(NewPictureFileNameAt(path, L".png", Stamp), ERROR_FILE_EXISTS);
    CHECK_EQ(path[0], 0);
    FormatPictureFileName(path, folder, Stamp, MaxPictureCounter, L".png");
    DeleteFileW(path);
    CHECK_EQ(NewPictureFileNameAt(path, L".png", Stamp), 0);
    swprintf(expected, MAX_PATH, L"%ls\\Pic 2024-02-29 07.05.09 (1000).png", folder);
    CHECK_TEXT(path, expected);
    RemoveTree(folder);
}

TEST(picture_folder_choice)
{
    static wchar_t path[PathCapacity];
    wchar_t desktop[MAX_PATH];
    CHECK(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop) == S_OK);
    // The test prefix's desktop is a plain folder, never a link into a real home.
    CHECK_EQ(GetFileAttributesW(desktop) & FILE_ATTRIBUTE_REPARSE_POINT, 0);
    wchar_t file[MAX_PATH], parent[MAX_PATH], expanded[MAX_PATH];
    lstrcpynW(file, TestFolder(L"a-file"), MAX_PATH);
    lstrcpynW(parent, TestFolder(L"parent"), MAX_PATH);
    lstrcpynW(expanded, TestFolder(L"expanded"), MAX_PATH);
    Touch(file);
    RemoveTree(parent);
    wchar_t deep[MAX_PATH];
    swprintf(deep, MAX_PATH, L"%ls\\two\\levels", parent);
    SetEnvironmentVariableW(L"LinewiseTestPics", expanded);
    RemoveTree(expanded);

    struct Row {
        const char *name;
        const wchar_t *savePicDir;
        const wchar_t *folder; // where the picture goes
    } rows[] = {
        {"unset: desktop", nullptr, desktop},
        {"a file: desktop", file, desktop},
        {"two missing levels: desktop", deep, desktop},
        {"percent expanded and made", L"%LinewiseTestPics%", expanded},
    };
    for (const Row &row : rows) {
        SetEnvironmentVariableW(L"SavePicDir", row.savePicDir);
        CHECK_ROW_EQ(row.name, NewPictureFileNameAt(path, L".png", Stamp), 0);
        wchar_t expected[MAX_PATH];
        swprintf(expected, MAX_PATH, L"%ls\\Pic 2024-02-29 07.05.09.png", row.folder);
        CHECK_ROW_TEXT(row.name, path, expected);
    }
    SetEnvironmentVariableW(L"SavePicDir", nullptr);
    DeleteFileW(file);
    RemoveTree(expanded);
    RemoveTree(parent);
}

TEST(saved_pictures_decode_to_the_window)
{
    StartGdiplus();
    HWND window = MakePictureWindow(L"LinewisePictureTest");
    CHECK(window != nullptr);
    if (!window)
        return;
    const wchar_t *folder = TestFolder(L"formats");
    RemoveTree(folder);
    CreateDirectoryW(folder, nullptr);
    struct Row {
        const wchar_t *name;
        int tolerance; // JPEG is lossy
    } rows[] = {
        {L"a.png", 0}, {L"a.bmp", 0}, {L"a.jpg", 40}, {L"a.JPEG", 40},
        {L"a.gif", 0}, {L"a.tif", 0}, {L"a.tiff", 0},
    };
    for (const Row &row : rows) {
        wchar_t path[MAX_PATH];
        swprintf(path, MAX_PATH, L"%ls\\%ls", folder, row.name);
        const char *name = Show(row.name);
        HDC dc = GetDC(window);
        CHECK_ROW_EQ(name, SaveWindowPicture(dc, 0, 0, PictureWidth, PictureHeight, path), 0);
        // Never overwritten.
        CHECK_ROW_EQ(name, SaveWindowPicture(dc, 0, 0, 8, 8, path), PictureExists);
        ReleaseDC(window, dc);
        if (OnWine() && wcsstr(row.name, L".gif")) {
            // Wine's GIF encoder writes no image data for a bitmap of more than 8 bits a
            // pixel (Windows' GDI+ reduces the colours first): only the header can be checked.
            unsigned char gif[10] = {};
            DWORD got = 0;
            HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      0, nullptr);
            ReadFile(file, gif, 10, &got, nullptr);
            CloseHandle(file);
            CHECK_ROW(name, memcmp(gif, "GIF89a", 6) == 0 &&
                                gif[6] + 256 * gif[7] == PictureWidth &&
                                gif[8] + 256 * gif[9] == PictureHeight);
            continue;
        }
        const DecodedPicture picture = DecodePicture(path);
        CHECK_ROW(name, picture.ok);
        CHECK_ROW_EQ(name, picture.width, PictureWidth);
        CHECK_ROW_EQ(name, picture.height, PictureHeight);
        CHECK_ROW(name, ColourNear(picture.bar, 0xFFFFFF, row.tolerance));
        CHECK_ROW(name, ColourNear(picture.left, 0xFF0000, row.tolerance));
        CHECK_ROW(name, ColourNear(picture.right, 0x0000FF, row.tolerance));
    }
    // The PNG file itself: signature and IHDR size.
    wchar_t png[MAX_PATH];
    swprintf(png, MAX_PATH, L"%ls\\a.png", folder);
    unsigned char head[24] = {};
    DWORD read = 0;
    HANDLE file =
        CreateFileW(png, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ReadFile(file, head, 24, &read, nullptr);
    CloseHandle(file);
    CHECK(memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0);
    CHECK_EQ((head[16] << 24) | (head[17] << 16) | (head[18] << 8) | head[19], PictureWidth);
    CHECK_EQ((head[20] << 24) | (head[21] << 16) | (head[22] << 8) | head[23], PictureHeight);

    // Refusals.
    HDC dc = GetDC(window);
    struct Refusal {
        const char *name;
        HDC source;
        const wchar_t *file;
        int result;
    } refusals[] = {
        {"no device context", nullptr, L"b.png", -1},
        {"no path", dc, nullptr, -1},
        {"empty path", dc, L"", -1},
        {"unsupported extension", dc, L"b.webp", PictureUnsupported},
        {"no extension", dc, L"b", PictureUnsupported},
    };
    for (const Refusal &refusal : refusals) {
        wchar_t path[MAX_PATH] = L"";
        if (refusal.file && refusal.file[0])
            swprintf(path, MAX_PATH, L"%ls\\%ls", folder, refusal.file);
        CHECK_ROW_EQ(refusal.name,
                     SaveWindowPicture(refusal.source, 0, 0, 8, 8, refusal.file ? path : nullptr),
                     refusal.result);
        CHECK_ROW(refusal.name, !path[0] || GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES);
    }
    ReleaseDC(window, dc);
    DestroyWindow(window);
    RemoveTree(folder);
}

TEST(encoders_found_by_mime_type)
{
    StartGdiplus();
    const wchar_t *types[] = {L"image/bmp", L"image/jpeg", L"image/png", L"image/gif",
                              L"image/tiff"};
    for (const wchar_t *type : types) {
        CLSID id = {};
        CHECK_ROW(Show(type), FindEncoder(type, &id) >= 0 && id.Data1 != 0);
    }
    CHECK_EQ(FindEncoder(L"IMAGE/PNG", nullptr), -1);
    CHECK_EQ(FindEncoder(L"image/webp", nullptr), -1);
    CHECK_EQ(FindEncoder(nullptr, nullptr), -1);
}

TEST(capture_source_by_host_kind)
{
    const RECT client = {104, 123, 736, 496};
    struct Row {
        const char *name;
        unsigned kind;
        bool screen;
        int left, top;
    } rows[] = {
        {"classic", ConsoleHostClassic, false, 0, 0},
        {"Take Command", ConsoleHostTakeCommand, false, 0, 0},
        {"Console2", ConsoleHostConsole2, false, 0, 0},
        {"ConEmu", ConsoleHostConEmu, false, 0, 0},
        {"Windows Terminal", ConsoleHostWindowsTerminal, true, 104, 123},
    };
    for (const Row &row : rows) {
        const CaptureSource source = ChooseCaptureSource(row.kind, client);
        CHECK_ROW(row.name, source.fromScreen == row.screen);
        CHECK_ROW_EQ(row.name, source.left, row.left);
        CHECK_ROW_EQ(row.name, source.top, row.top);
        CHECK_ROW_EQ(row.name, source.width, 632);
        CHECK_ROW_EQ(row.name, source.height, 373);
    }
}
