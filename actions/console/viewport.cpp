#include "actions/console/viewport.h"

#include "actions/console/consolewindow.h"
#include "frame/dyncalls.h"
#include "frame/host.h"
#include "frame/messages.h"
#include "frame/paths.h"
#include "frame/text.h"
#include "settings/settings.h"

#include <shellapi.h>
#include <shlobj.h>
#include <stdlib.h>

namespace
{

struct PictureFormat {
    const wchar_t *extension;
    const wchar_t *mimeType;
};

const PictureFormat PictureFormats[] = {
    {L".bmp", L"image/bmp"},   {L".jpg", L"image/jpeg"}, {L".jpeg", L"image/jpeg"},
    {L".png", L"image/png"},   {L".gif", L"image/gif"},  {L".tif", L"image/tiff"},
    {L".tiff", L"image/tiff"},
};

// 1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB
const GUID EncoderQuality = {
    0x1D5BE4B5, 0xFA4A, 0x452D, {0x9C, 0xDD, 0x5D, 0xB3, 0x51, 0x05, 0xE7, 0xEB}};

// SavePicDir as a usable folder in folder (PathCapacity units), or false.
bool SavePicFolder(wchar_t *folder)
{
    static wchar_t value[ExpansionCapacity];
    DWORD length = GetEnvironmentVariableW(L"SavePicDir", value, SavePicDirCapacity);
    if (length == 0 || length >= SavePicDirCapacity)
        return false;
    for (const wchar_t *p = value; *p; p++)
        if (*p == L'%') {
            if (ExpandQuietly(value) != 0)
                return false;
            break;
        }
    if (!value[0] || TextCopy(folder, PathCapacity, value) != 0)
        return false;
    if (!QueryIsFileOrDirectory(folder))
        CreateDirectoryW(folder, nullptr);
    return QueryIsDirectory(folder) != 0;
}

bool DesktopFolder(wchar_t *folder)
{
    wchar_t desktop[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop) != S_OK ||
        !desktop[0])
        return false;
    return TextCopy(folder, PathCapacity, desktop) == 0;
}

int CopyPixels(HDC source, int left, int top, int width, int height, const CLSID &encoder,
               const wchar_t *path)
{
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(source, width, height) : nullptr;
    HGDIOBJ previous = bitmap ? SelectObject(memory, bitmap) : nullptr;
    int result = PictureGdiFailed;
    // A copy the device refuses would save a blank picture: that is a failure too.
    if (previous && BitBlt(memory, 0, 0, width, height, source, left, top, SRCCOPY)) {
        SelectObject(memory, previous);
        previous = nullptr;
        void *image = nullptr;
        if (GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == 0 && image) {
            LONG quality = 100;
            gdiplus::EncoderParameters parameters;
            parameters.Count = 1;
            parameters.Parameter[0].Guid = EncoderQuality;
            parameters.Parameter[0].NumberOfValues = 1;
            parameters.Parameter[0].Type = gdiplus::EncoderParameterValueTypeLong;
            parameters.Parameter[0].Value = &quality;
            result = GdipSaveImageToFile(image, path, &encoder, &parameters);
            GdipDisposeImage(image);
        }
    }
    if (previous)
        SelectObject(memory, previous);
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    return result;
}

} // namespace

const wchar_t *PictureMimeType(const wchar_t *extension)
{
    if (!extension)
        return nullptr;
    for (const PictureFormat &format : PictureFormats)
        if (TextEqualNoCase(extension, format.extension))
            return format.mimeType;
    return nullptr;
}

void ReadSavePicExt(wchar_t *out)
{
    DWORD length = GetEnvironmentVariableW(L"SavePicExt", out, SavePicExtCapacity);
    if (length == 0 || length >= SavePicExtCapacity || !PictureMimeType(out))
        TextCopy(out, SavePicExtCapacity, L".png");
}

int FormatPictureFileName(wchar_t *out, const wchar_t *folder, const SYSTEMTIME &time,
                          unsigned int counter, const wchar_t *extension)
{
    wchar_t name[1024];
    int length;
    if (counter == 0)
        length =
            TextFormat(name, 1024, L"Pic %04u-%02u-%02u %02u.%02u.%02u%s", (unsigned)time.wYear,
                       (unsigned)time.wMonth, (unsigned)time.wDay, (unsigned)time.wHour,
                       (unsigned)time.wMinute, (unsigned)time.wSecond, extension);
    else
        length = TextFormat(name, 1024, L"Pic %04u-%02u-%02u %02u.%02u.%02u (%u)%s",
                            (unsigned)time.wYear, (unsigned)time.wMonth, (unsigned)time.wDay,
                            (unsigned)time.wHour, (unsigned)time.wMinute, (unsigned)time.wSecond,
                            counter, extension);
    if (length < 0 || TextCopy(out, PathCapacity, folder) != 0)
        return ERROR_BUFFER_OVERFLOW;
    return AppendPathComponent(out, name);
}

int NewPictureFileNameAt(wchar_t *out, const wchar_t *extension, const SYSTEMTIME &time)
{
    if (!out)
        return -1;
    out[0] = 0;
    static wchar_t folder[PathCapacity];
    static wchar_t path[PathCapacity];
    if (!SavePicFolder(folder) && !DesktopFolder(folder))
        return ERROR_PATH_NOT_FOUND;
    unsigned int counter = 0;
    int result = FormatPictureFileName(path, folder, time, counter, extension);
    while (result == 0 && QueryIsFileOrDirectory(path) && counter < MaxPictureCounter)
        result = FormatPictureFileName(path, folder, time, ++counter, extension);
    if (result != 0)
        return result;
    if (QueryIsFileOrDirectory(path))
        return ERROR_FILE_EXISTS;
    if (!path[0] || TextLength(path) >= PathCapacity)
        return ERROR_BUFFER_OVERFLOW;
    TextCopy(out, PathCapacity, path);
    return 0;
}

namespace
{

// NewPictureFileNameAt stamped with the local time now.
int NewPictureFileName(wchar_t *out, const wchar_t *extension)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return NewPictureFileNameAt(out, extension, now);
}

} // namespace

int FindEncoder(const wchar_t *mimeType, CLSID *encoder)
{
    UINT count = 0, size = 0;
    if (!mimeType || GdipGetImageEncodersSize(&count, &size) != 0 || size == 0)
        return -1;
    gdiplus::ImageCodecInfo *encoders = (gdiplus::ImageCodecInfo *)malloc(size);
    if (!encoders)
        return -1;
    int found = -1;
    if (GdipGetImageEncoders(count, size, encoders) == 0)
        for (UINT i = 0; i < count && found < 0; i++)
            if (encoders[i].MimeType && wcscmp(encoders[i].MimeType, mimeType) == 0) {
                if (encoder)
                    *encoder = encoders[i].Clsid;
                found = (int)i;
            }
    free(encoders);
    return found;
}

int SaveWindowPicture(HDC source, int left, int top, int width, int height, const wchar_t *path)
{
    if (!source || !path || !path[0])
        return -1;
    const wchar_t *mimeType = PictureMimeType(FindExtension(nullptr, path));
    if (!mimeType)
        return PictureUnsupported;
    CLSID encoder = {};
    FindEncoder(mimeType, &encoder);
    if (IsPlainFile(path))
        return PictureExists;
    if (width <= 0 || height <= 0)
        return PictureGdiFailed;
    return CopyPixels(source, left, top, width, height, encoder, path);
}

CaptureSource ChooseCaptureSource(unsigned int kind, const RECT &client)
{
    CaptureSource source = {};
    source.fromScreen = kind >= ConsoleHostWindowsTerminal;
    if (source.fromScreen) {
        source.left = client.left;
        source.top = client.top;
    }
    source.width = client.right - client.left;
    source.height = client.bottom - client.top;
    return source;
}

namespace
{

// Both actions: the picture of the console host's view, saved (save) or printed.
int CaptureViewport(KeyEvent *event, bool save)
{
    ConsumeKey(event);
    const unsigned int flags = GetEnvNumber(L"SavePicFlags", 0);
    wchar_t extension[SavePicExtCapacity];
    ReadSavePicExt(extension);

    static wchar_t path[PathCapacity];
    path[0] = 0;
    if (save)
        NewPictureFileName(path, extension);
    else
        NewScratchFileName(path, extension);
    if (!path[0]) {
        PlayErrorSound();
        return 0;
    }

    HWND view = nullptr;
    ConsoleHostKind kind = ConsoleHostNone;
    FindConsoleWindow(&view, &kind);
    WINDOWINFO info;
    info.cbSize = sizeof info;
    if (!view || !GetWindowInfo(view, &info)) {
        PlayErrorSound();
        return 0;
    }
    const CaptureSource source = ChooseCaptureSource(kind, info.rcClient);
    HWND owner = source.fromScreen ? nullptr : view;
    HDC dc = GetDC(owner);
    if (!dc) {
        PlayErrorSound();
        return 0;
    }
    const int result =
        SaveWindowPicture(dc, source.left, source.top, source.width, source.height, path);
    ReleaseDC(owner, dc);
    if (result != 0) {
        PlayErrorSound();
        return 0;
    }
    if (save) {
        if (flags & SavePicOpen)
            ShellExecuteW(nullptr, nullptr, path, nullptr, nullptr, SW_SHOW);
        return 0;
    }
    const INT_PTR printed =
        (INT_PTR)ShellExecuteW(nullptr, L"Print", path, nullptr, nullptr, SW_HIDE);
    if (printed <= 32)
        PlayErrorSound();
    return 0;
}

} // namespace

int PrintViewport(KeyEvent *event)
{
    return CaptureViewport(event, false);
}

int SaveViewportPicture(KeyEvent *event)
{
    return CaptureViewport(event, true);
}
