// Looks at the plug-in's Character Info popup from outside the shell, the way a person would
// see it: run in the same Wine prefix while the shell runs. Prints plain ASCII (characters
// beyond it as \uXXXX, tabs and line feeds as \t and \n) so that the output survives any
// console.
//
//   popupprobe show SECONDS   waits for the popup; prints its handle, text, alpha, owner,
//                             place, and how many such popups there are
//   popupprobe gone SECONDS   waits until no popup is left
//   popupprobe shot FILE      saves the whole screen as a PNG, reads the file back and
//                             prints its size, how many colours the screen, the popup's
//                             and the console window's areas show, and the share of the
//                             popup's area in the dialog face colour (percent)
//   popupprobe flash          shows a window of its own for a moment
//   popupprobe printed SECONDS [FILE]
//                             waits for the print preview's window ("Printed: <file>", of
//                             that file name if given), prints its title and its text
//                             view's text, and closes it with Esc
//
// Exit code 0 when the wait was met or the picture was saved and read back, 1 otherwise.
#include "frame/dyncalls.h"
#include "tests/support/picture.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

namespace
{

HWND FindPopup(void)
{
    return FindWindowW(L"#32770", L"Character Info");
}

int CountPopups(void)
{
    int count = 0;
    for (HWND popup = nullptr;
         (popup = FindWindowExW(nullptr, popup, L"#32770", L"Character Info")) != nullptr;)
        count++;
    return count;
}

HWND WaitFor(bool present, int seconds)
{
    for (int i = 0; i <= seconds * 10; i++) {
        HWND popup = FindPopup();
        if ((popup != nullptr) == present)
            return popup;
        Sleep(100);
    }
    return FindPopup();
}

void PrintEscaped(const wchar_t *text)
{
    for (const wchar_t *p = text; *p; p++) {
        if (*p == L'\t')
            fputs("\\t", stdout);
        else if (*p == L'\n')
            fputs("\\n", stdout);
        else if (*p == L'\\')
            fputs("\\\\", stdout);
        else if (*p >= 32 && *p < 127)
            putchar((char)*p);
        else
            printf("\\u%04X", (unsigned int)*p);
    }
}

void PrintClass(HWND window)
{
    wchar_t name[256] = L"-";
    if (window)
        RealGetWindowClassW(window, name, 256);
    PrintEscaped(name);
}

// The top-level window that shows this prefix's console, if Wine shows one (wineconsole).
HWND ConsoleWindowOnScreen(void)
{
    HWND window = FindWindowW(L"WineConsoleClass", nullptr);
    return window && IsWindowVisible(window) ? window : nullptr;
}

// A window of its own, shown and activated for a moment and then closed: the desktop then
// has had an active window, as any real one has, and the popup becomes the active window
// when it opens.
int Flash(void)
{
    HWND window = CreateWindowExW(0, L"Static", L"popupprobe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                                  10, 200, 100, nullptr, nullptr, nullptr, nullptr);
    if (!window) {
        puts("no window");
        return 1;
    }
    SetForegroundWindow(window);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    DestroyWindow(window);
    puts("flashed");
    return 0;
}

int Show(int seconds)
{
    HWND popup = WaitFor(true, seconds);
    if (!popup) {
        puts("no popup");
        return 1;
    }
    wchar_t text[2048] = L"";
    GetDlgItemTextW(popup, -1, text, 2048);
    BYTE alpha = 0;
    DWORD flags = 0;
    COLORREF key = 0;
    GetLayeredWindowAttributes(popup, &key, &alpha, &flags);
    HWND owner = GetWindow(popup, GW_OWNER);
    RECT place = {}, console = {};
    GetWindowRect(popup, &place);
    printf("popup visible %d\nhandle %p\npopups %d\ntext ", IsWindowVisible(popup) ? 1 : 0,
           (void *)popup, CountPopups());
    PrintEscaped(text);
    printf("\nalpha %u flags %lu\nowner %s ", alpha, flags, owner ? "yes" : "none");
    PrintClass(owner);
    printf("\nplace %ld %ld %ld %ld\n", place.left, place.top, place.right, place.bottom);
    HWND shown = ConsoleWindowOnScreen();
    if (shown && GetWindowRect(shown, &console))
        printf("console %ld %ld %ld %ld\n", console.left, console.top, console.right,
               console.bottom);
    printf("screen %d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return 0;
}

struct PrintedWanted {
    const wchar_t *name; // null: any
    HWND found;
};

BOOL CALLBACK FindPrinted(HWND window, LPARAM wanted)
{
    PrintedWanted *search = (PrintedWanted *)wanted;
    wchar_t title[1024] = L"";
    GetWindowTextW(window, title, 1024);
    if (!IsWindowVisible(window) || wcsncmp(title, L"Printed: ", 9) != 0 ||
        (search->name && wcscmp(title + 9, search->name) != 0))
        return TRUE;
    search->found = window;
    return FALSE;
}

int Printed(int seconds, const wchar_t *name)
{
    PrintedWanted search = {name, nullptr};
    HWND &preview = search.found;
    for (int i = 0; i <= seconds * 10 && !preview; i++) {
        EnumWindows(FindPrinted, (LPARAM)&search);
        if (!preview)
            Sleep(100);
    }
    if (!preview) {
        puts("no preview");
        return 1;
    }
    static wchar_t text[65536];
    GetWindowTextW(preview, text, 65536);
    fputs("title ", stdout);
    PrintEscaped(text);
    text[0] = 0;
    // An edit control keeps its text itself: asked by message, not from the window's title.
    HWND view = FindWindowExW(preview, nullptr, L"Edit", nullptr);
    DWORD_PTR copied = 0;
    if (view)
        SendMessageTimeoutW(view, WM_GETTEXT, 65536, (LPARAM)text, SMTO_ABORTIFHUNG, 5000, &copied);
    printf("\nview %s\ntext ", view ? "Edit" : "none");
    PrintEscaped(text);
    putchar('\n');
    // Out of the way of what is looked at next, as a person would close it.
    PostMessageW(view ? view : preview, WM_KEYDOWN, VK_ESCAPE, 1);
    return 0;
}

int Gone(int seconds)
{
    if (WaitFor(false, seconds)) {
        puts("popup still open");
        return 1;
    }
    puts("no popup");
    return 0;
}

bool PngEncoder(CLSID *clsid)
{
    UINT count = 0, size = 0;
    if (GdipGetImageEncodersSize(&count, &size) != 0 || size == 0)
        return false;
    gdiplus::ImageCodecInfo *codecs = (gdiplus::ImageCodecInfo *)malloc(size);
    bool found = false;
    if (codecs && GdipGetImageEncoders(count, size, codecs) == 0)
        for (UINT i = 0; i < count && !found; i++)
            if (codecs[i].MimeType && wcscmp(codecs[i].MimeType, L"image/png") == 0) {
                *clsid = codecs[i].Clsid;
                found = true;
            }
    free(codecs);
    return found;
}

bool SaveScreen(const wchar_t *path, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    bool copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != 0;
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    void *image = nullptr;
    CLSID png;
    bool saved = copied && PngEncoder(&png) &&
                 GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == 0 &&
                 GdipSaveImageToFile(image, path, &png, nullptr) == 0;
    if (image)
        GdipDisposeImage(image);
    DeleteObject(bitmap);
    return saved;
}

// What a 4-pixel grid inside the rectangle shows: how many different colours (at most 64
// told), and which share of the points, in percent, has the colour given.
struct Sample {
    int colours, sharePercent;
};

Sample Look(void *image, const RECT &area, UINT width, UINT height, DWORD wanted)
{
    DWORD seen[64];
    int count = 0, points = 0, matches = 0;
    for (LONG y = area.top < 0 ? 0 : area.top; y < area.bottom && y < (LONG)height; y += 4)
        for (LONG x = area.left < 0 ? 0 : area.left; x < area.right && x < (LONG)width; x += 4) {
            DWORD colour = 0;
            if (GdipBitmapGetPixel(image, x, y, &colour) != 0)
                continue;
            colour &= 0xFFFFFF;
            points++;
            if (ColourNear(colour, wanted, 8))
                matches++;
            int i = 0;
            while (i < count && seen[i] != colour)
                i++;
            if (i == count && count < 64)
                seen[count++] = colour;
        }
    return Sample{count, points ? matches * 100 / points : 0};
}

int Shot(const wchar_t *path)
{
    StartGdiplus();
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    if (!SaveScreen(path, width, height)) {
        puts("screen not saved");
        return 1;
    }
    void *image = nullptr;
    UINT readWidth = 0, readHeight = 0;
    if (GdipLoadImageFromFile(path, &image) != 0 || GdipGetImageWidth(image, &readWidth) != 0 ||
        GdipGetImageHeight(image, &readHeight) != 0) {
        puts("picture not read back");
        return 1;
    }
    printf("picture %u %u\n", readWidth, readHeight);
    // GDI+ gives 0xRRGGBB, GetSysColor 0xBBGGRR.
    COLORREF system = GetSysColor(COLOR_3DFACE);
    DWORD face = (GetRValue(system) << 16) | (GetGValue(system) << 8) | GetBValue(system);
    RECT whole = {0, 0, (LONG)readWidth, (LONG)readHeight}, area;
    printf("screen colours %d\n", Look(image, whole, readWidth, readHeight, face).colours);
    HWND popup = FindPopup(), console = ConsoleWindowOnScreen();
    if (popup && GetWindowRect(popup, &area)) {
        Sample sample = Look(image, area, readWidth, readHeight, face);
        printf("popup colours %d\npopup face %d\n", sample.colours, sample.sharePercent);
    }
    if (console && GetWindowRect(console, &area))
        printf("console colours %d\n", Look(image, area, readWidth, readHeight, face).colours);
    GdipDisposeImage(image);
    return 0;
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int result = 2;
    if (argv && argc == 3 && wcscmp(argv[1], L"show") == 0)
        result = Show(_wtoi(argv[2]));
    else if (argv && argc == 3 && wcscmp(argv[1], L"gone") == 0)
        result = Gone(_wtoi(argv[2]));
    else if (argv && argc == 3 && wcscmp(argv[1], L"shot") == 0)
        result = Shot(argv[2]);
    else if (argv && argc == 2 && wcscmp(argv[1], L"flash") == 0)
        result = Flash();
    else if (argv && (argc == 3 || argc == 4) && wcscmp(argv[1], L"printed") == 0)
        result = Printed(_wtoi(argv[2]), argc == 4 ? argv[3] : nullptr);
    else
        puts("usage: popupprobe show SECONDS | gone SECONDS | shot FILE.png | flash | "
             "printed SECONDS [FILE]");
    fflush(stdout);
    LocalFree(argv);
    return result;
}
