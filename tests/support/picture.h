// Pictures in tests: a window with known content to capture (left half red, right half blue,
// a white bar across the top 10 rows), and a picture file read back through GDI+.
#pragma once
#include <windows.h>

enum { PictureWidth = 320, PictureHeight = 200, PictureBar = 10 };

// A visible top-level window of the class, with a client area of PictureWidth x
// PictureHeight, painted before it returns. Null when no window can be made.
HWND MakePictureWindow(const wchar_t *className);

// What GDI+ read from a picture file: its size and some pixels (0x00RRGGBB).
struct DecodedPicture {
    bool ok;
    UINT width, height;
    DWORD bar, left, right; // at (5, 5), (40, 100) and (280, 100)
};
DecodedPicture DecodePicture(const wchar_t *path);

// True when the colour is within tolerance of the wanted one in each channel.
bool ColourNear(DWORD colour, DWORD wanted, int tolerance);

// GDI+ for the test program itself; started once.
void StartGdiplus(void);
