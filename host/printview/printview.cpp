// lwprint: the try-out session's printer. The windowed session's Wine prefix has no printer,
// so its "print" verb for pictures and text files starts this program instead: a window
// titled "Printed: <file name>" shows what would have gone to paper, a picture scaled to fit
// or a text file (UTF-8 with or without its byte-order mark, or UTF-16 with one, as Print
// History writes them) in a read-only edit control. Esc or closing the window ends it.
//
//   lwprint FILE          the preview, as the print verb shows it
//   lwprint --open FILE   the same window titled with the file name, for the open verb
//
// The file is read at once and closed again, so the plug-in can still remove its scratch
// directory while the window is open.
#include "frame/dyncalls.h"
#include "frame/text.h"

#include <windows.h>

#include <shellapi.h>
#include <shlwapi.h>

namespace
{

const wchar_t ClassName[] = L"LinewisePrintPreview";
// Larger text files are shown up to this size, with a note at the end.
const DWORD TextLimitBytes = 16 * 1024 * 1024;

HBITMAP picture;
SIZE pictureSize;
HWND textView;
HFONT textFont;

bool IsPictureName(const wchar_t *path)
{
    static const wchar_t *const extensions[] = {L".bmp", L".jpg", L".jpeg", L".png",
                                                L".gif", L".tif", L".tiff"};
    const wchar_t *extension = PathFindExtensionW(path);
    for (const wchar_t *known : extensions)
        if (TextEqualNoCase(extension, known))
            return true;
    return false;
}

// The picture as a GDI bitmap (transparent parts on white); 0 with the GDI+ status otherwise.
int LoadPicture(const wchar_t *path)
{
    ULONG_PTR token = 0;
    gdiplus::StartupInput input = {1, nullptr, FALSE, FALSE};
    int status = GdiplusStartup(&token, &input, nullptr);
    if (status != 0)
        return status;
    void *image = nullptr;
    status = GdipLoadImageFromFile(path, &image);
    if (status == 0)
        status = GdipCreateHBITMAPFromBitmap(image, &picture, 0xFFFFFFFF);
    if (image)
        GdipDisposeImage(image); // closes the file
    BITMAP info;
    if (status == 0 && GetObjectW(picture, sizeof info, &info) == sizeof info && info.bmWidth > 0 &&
        info.bmHeight > 0) {
        pictureSize.cx = info.bmWidth;
        pictureSize.cy = info.bmHeight;
    } else if (status == 0) {
        status = -1;
    }
    return status;
}

// The file's bytes, at most TextLimitBytes of them; null with the thread's last error.
BYTE *ReadStart(const wchar_t *path, DWORD *size, bool *cut)
{
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    LARGE_INTEGER length = {};
    BYTE *bytes = nullptr;
    if (GetFileSizeEx(file, &length)) {
        *cut = length.QuadPart > TextLimitBytes;
        DWORD wanted = *cut ? TextLimitBytes : (DWORD)length.QuadPart;
        bytes = (BYTE *)HeapAlloc(GetProcessHeap(), 0, wanted + 1);
        if (!bytes)
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        else if (!ReadFile(file, bytes, wanted, size, nullptr)) {
            HeapFree(GetProcessHeap(), 0, bytes);
            bytes = nullptr;
        }
    }
    DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return bytes;
}

// The text of a file as UTF-16: with the UTF-16 little-endian mark as it is, with the UTF-8
// mark as UTF-8, without a mark as UTF-8 when it is valid, else in the system code page.
wchar_t *DecodeText(const BYTE *bytes, DWORD size, int *units)
{
    wchar_t *text = nullptr;
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        *units = (int)((size - 2) / 2);
        text = (wchar_t *)HeapAlloc(GetProcessHeap(), 0, (*units + 1) * sizeof(wchar_t));
        if (text)
            CopyMemory(text, bytes + 2, *units * sizeof(wchar_t));
        return text;
    }
    bool marked = size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
    const char *start = (const char *)bytes + (marked ? 3 : 0);
    int length = (int)size - (marked ? 3 : 0);
    UINT codePage = CP_UTF8;
    *units =
        MultiByteToWideChar(CP_UTF8, marked ? 0 : MB_ERR_INVALID_CHARS, start, length, nullptr, 0);
    if (*units == 0 && length > 0) {
        codePage = CP_ACP;
        *units = MultiByteToWideChar(CP_ACP, 0, start, length, nullptr, 0);
    }
    if (*units <= 0)
        *units = 0;
    text = (wchar_t *)HeapAlloc(GetProcessHeap(), 0, (*units + 1) * sizeof(wchar_t));
    if (text && *units > 0)
        *units = MultiByteToWideChar(codePage, 0, start, length, text, *units);
    return text;
}

// What the edit control shows: lines end in CR LF (Print History ends them in LF alone), and
// a NUL, which would end the control's text early, shows as U+FFFD.
wchar_t *ForEditControl(const wchar_t *text, int units, const wchar_t *note)
{
    size_t needed = TextLength(note) + 1;
    for (int i = 0; i < units; i++)
        needed += (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) ? 2 : 1;
    wchar_t *shown = (wchar_t *)HeapAlloc(GetProcessHeap(), 0, needed * sizeof(wchar_t));
    if (!shown)
        return nullptr;
    size_t at = 0;
    for (int i = 0; i < units; i++) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r'))
            shown[at++] = L'\r';
        shown[at++] = text[i] ? text[i] : 0xFFFD;
    }
    shown[at] = 0;
    TextAppend(shown, needed, note);
    return shown;
}

// The text to show for the file, or why there is none.
wchar_t *LoadText(const wchar_t *path)
{
    DWORD size = 0;
    bool cut = false;
    BYTE *bytes = ReadStart(path, &size, &cut);
    static wchar_t message[2048];
    if (!bytes) {
        DWORD error = GetLastError();
        TextFormat(message, 2048, L"Nothing to show: %s cannot be read (error %lu", path, error);
        wchar_t reason[512] = L"";
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, reason, 512, nullptr);
        TrimBlanks(reason);
        if (reason[0])
            TextAppendFormat(message, 2048, L": %s).", reason);
        else
            TextAppend(message, 2048, L").");
        return ForEditControl(L"", 0, message);
    }
    // A cut through a UTF-8 sequence would make the whole start look like another code page.
    if (cut && size >= 4 && !(bytes[0] == 0xFF && bytes[1] == 0xFE)) {
        DWORD end = size;
        while (end > size - 4 && end > 0 && (bytes[end - 1] & 0xC0) == 0x80)
            end--;
        if (end > 0 && bytes[end - 1] >= 0xC0)
            size = end - 1;
    }
    int units = 0;
    wchar_t *text = DecodeText(bytes, size, &units);
    HeapFree(GetProcessHeap(), 0, bytes);
    if (!text)
        return nullptr;
    TextFormat(message, 2048, L"\r\n(only the first %lu MiB of the file are shown)",
               TextLimitBytes / (1024 * 1024));
    wchar_t *shown = ForEditControl(text, units, cut ? message : L"");
    HeapFree(GetProcessHeap(), 0, text);
    return shown;
}

void PaintPicture(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_APPWORKSPACE));
    // Scaled down to fit, never up, and centred.
    LONG width = pictureSize.cx, height = pictureSize.cy;
    if (width > client.right || height > client.bottom) {
        if ((LONGLONG)width * client.bottom > (LONGLONG)height * client.right) {
            height = MulDiv(height, client.right, width);
            width = client.right;
        } else {
            width = MulDiv(width, client.bottom, height);
            height = client.bottom;
        }
    }
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, picture);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, (client.right - width) / 2, (client.bottom - height) / 2, width, height, memory,
               0, 0, pictureSize.cx, pictureSize.cy, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        if (!picture)
            break;
        PaintPicture(window);
        return 0;
    case WM_ERASEBKGND:
        if (!picture)
            break;
        return 1;
    case WM_SIZE:
        if (textView)
            MoveWindow(textView, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        else
            InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_SETFOCUS:
        if (textView)
            SetFocus(textView);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The window for a client area of the wanted size, kept inside the work area and centred in
// it: a printout in front of the console, not hidden behind it where no window manager
// places windows.
RECT WindowPlace(LONG width, LONG height)
{
    RECT work = {0, 0, 1024, 768};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT frame = {0, 0, width < 320 ? 320 : width, height < 200 ? 200 : height};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    LONG maxWidth = (work.right - work.left) * 9 / 10,
         maxHeight = (work.bottom - work.top) * 9 / 10;
    SIZE size = {frame.right - frame.left, frame.bottom - frame.top};
    if (size.cx > maxWidth)
        size.cx = maxWidth;
    if (size.cy > maxHeight)
        size.cy = maxHeight;
    LONG left = work.left + (work.right - work.left - size.cx) / 2,
         top = work.top + (work.bottom - work.top - size.cy) / 2;
    return RECT{left, top, left + size.cx, top + size.cy};
}

// A client area of 84 columns and 30 rows of the text font, and the edit control in it.
bool MakeTextView(HWND window, HINSTANCE instance, const wchar_t *text)
{
    textFont = CreateFontW(-15, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           FIXED_PITCH | FF_MODERN, L"Courier New");
    textView = CreateWindowExW(0, L"Edit", L"",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                   ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                               0, 0, 100, 100, window, nullptr, instance, nullptr);
    if (!textView)
        return false;
    SendMessageW(textView, WM_SETFONT, (WPARAM)textFont, FALSE);
    SendMessageW(textView, EM_SETLIMITTEXT, 0, 0); // the largest limit: a long history fits
    SetWindowTextW(textView, text);
    HDC dc = GetDC(textView);
    HGDIOBJ old = SelectObject(dc, textFont);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(textView, dc);
    RECT place = WindowPlace(84 * metrics.tmAveCharWidth + GetSystemMetrics(SM_CXVSCROLL),
                             30 * metrics.tmHeight + GetSystemMetrics(SM_CYHSCROLL));
    SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER);
    return true;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    bool opening = arguments && count == 3 && TextEqualNoCase(arguments[1], L"--open");
    if (!arguments || count != (opening ? 3 : 2) || !arguments[count - 1][0]) {
        MessageBoxW(nullptr, L"usage: lwprint [--open] FILE", L"lwprint",
                    MB_OK | MB_ICONINFORMATION);
        return 2;
    }
    const wchar_t *path = arguments[count - 1];
    wchar_t *text = nullptr;
    static wchar_t message[2048];
    if (IsPictureName(path)) {
        int status = LoadPicture(path);
        if (status != 0) {
            TextFormat(message, 2048,
                       L"Nothing to show: %s is no picture that GDI+ can read "
                       L"(status %d).",
                       path, status);
            text = ForEditControl(L"", 0, message);
        }
    } else {
        text = LoadText(path);
    }
    if (!picture && !text)
        return 3; // out of memory

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    windowClass.lpszClassName = ClassName;
    static wchar_t title[1024];
    TextFormat(title, 1024, opening ? L"%s" : L"Printed: %s", PathFindFileNameW(path));
    RECT place = WindowPlace(pictureSize.cx, pictureSize.cy);
    HWND window =
        RegisterClassExW(&windowClass)
            ? CreateWindowExW(0, ClassName, title, WS_OVERLAPPEDWINDOW, place.left, place.top,
                              place.right - place.left, place.bottom - place.top, nullptr, nullptr,
                              instance, nullptr)
            : nullptr;
    if (!window || (text && !MakeTextView(window, instance, text)))
        return 4;
    if (text)
        HeapFree(GetProcessHeap(), 0, text);
    LocalFree(arguments);
    // The print verb starts its program hidden, and the first ShowWindow takes its command
    // from the start-up information; a preview is there to be seen.
    ShowWindow(window, SW_SHOWNORMAL);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(window);
    UpdateWindow(window);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            SendMessageW(window, WM_CLOSE, 0, 0);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (picture)
        DeleteObject(picture);
    if (textFont)
        DeleteObject(textFont);
    return 0;
}
