// Print Viewport and Save Viewport Picture: a picture of what the console window shows,
// written through GDI+ as BMP, JPEG, PNG, GIF or TIFF, saved under a time-stamped name or
// handed to the Windows shell's "Print" verb.
#pragma once
#include "keys/keyevent.h"

#include <stddef.h>
#include <windows.h>

enum {
    SavePicExtCapacity = 16,
    SavePicDirCapacity = 1024,
    SavePicOpen = 0x400,
    MaxPictureCounter = 1000,
    PictureExists = 0x8050,
    PictureUnsupported = 13,
    PictureGdiFailed = 1,
};

// The two actions; both consume the key and play the error sound on any failure. 0.
int PrintViewport(KeyEvent *event);
int SaveViewportPicture(KeyEvent *event);

// The GDI+ MIME type of a picture extension (with its dot, any case), or null.
const wchar_t *PictureMimeType(const wchar_t *extension);

// SavePicExt when it is a supported extension (its case kept), else ".png"; out holds
// SavePicExtCapacity units.
void ReadSavePicExt(wchar_t *out);

// "Pic yyyy-mm-dd hh.mm.ss[ (n)]ext" joined to folder in out (PathCapacity units); counter 0
// has no "(n)". 0, or a Windows error when it does not fit.
int FormatPictureFileName(wchar_t *out, const wchar_t *folder, const SYSTEMTIME &time,
                          unsigned int counter, const wchar_t *extension);

// A free saved-picture path in SavePicDir (expanded, created one level deep) or the desktop,
// stamped with the given time. out holds PathCapacity units and stays empty on failure. 0, or a
// Windows error code (ERROR_FILE_EXISTS: 1,000 names taken).
int NewPictureFileNameAt(wchar_t *out, const wchar_t *extension, const SYSTEMTIME &time);

// Copies width x height pixels from source at (left, top) and writes them to path in the
// format of its extension: 0, -1 (no device context or path), PictureUnsupported,
// PictureExists (never overwritten), PictureGdiFailed, or the GDI+ status of the save.
int SaveWindowPicture(HDC source, int left, int top, int width, int height, const wchar_t *path);

// The class id of GDI+'s encoder for a MIME type (compared exactly): its index, or -1.
int FindEncoder(const wchar_t *mimeType, CLSID *encoder);

// Where the pixels come from for a host kind: the view's own device context at (0, 0), or the
// screen at the client rectangle's corner for Windows Terminal (kind 16). The size is the
// client rectangle's (right and bottom exclusive).
struct CaptureSource {
    bool fromScreen;
    int left, top, width, height;
};
CaptureSource ChooseCaptureSource(unsigned int kind, const RECT &client);
