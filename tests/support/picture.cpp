#include "tests/support/picture.h"

#include "frame/dyncalls.h"

#include <stdlib.h>

namespace
{

LRESULT CALLBACK PaintProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT left = {0, 0, PictureWidth / 2, PictureHeight};
        RECT right = {PictureWidth / 2, 0, PictureWidth, PictureHeight};
        RECT bar = {0, 0, PictureWidth, PictureBar};
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        FillRect(dc, &left, red);
        FillRect(dc, &right, blue);
        FillRect(dc, &bar, white);
        DeleteObject(red);
        DeleteObject(blue);
        DeleteObject(white);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND)
        return 1;
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

HWND MakePictureWindow(const wchar_t *className)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = PaintProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    RECT frame = {0, 0, PictureWidth, PictureHeight};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND window = CreateWindowExW(0, className, className, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    if (!window)
        return nullptr;
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    return window;
}

void StartGdiplus(void)
{
    static ULONG_PTR token;
    if (token)
        return;
    gdiplus::StartupInput input = {1, nullptr, FALSE, FALSE};
    GdiplusStartup(&token, &input, nullptr);
}

DecodedPicture DecodePicture(const wchar_t *path)
{
    StartGdiplus();
    DecodedPicture picture = {};
    void *image = nullptr;
    if (GdipLoadImageFromFile(path, &image) != 0 || !image)
        return picture;
    picture.ok = GdipGetImageWidth(image, &picture.width) == 0 &&
                 GdipGetImageHeight(image, &picture.height) == 0 &&
                 GdipBitmapGetPixel(image, 5, 5, &picture.bar) == 0 &&
                 GdipBitmapGetPixel(image, 40, 100, &picture.left) == 0 &&
                 GdipBitmapGetPixel(image, 280, 100, &picture.right) == 0;
    picture.bar &= 0xFFFFFF;
    picture.left &= 0xFFFFFF;
    picture.right &= 0xFFFFFF;
    GdipDisposeImage(image);
    return picture;
}

bool ColourNear(DWORD colour, DWORD wanted, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8) {
        int a = (int)((colour >> shift) & 0xFF), b = (int)((wanted >> shift) & 0xFF);
        if (abs(a - b) > tolerance)
            return false;
    }
    return true;
}
