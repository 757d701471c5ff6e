// System functions that no header we include declares as we call them, declared once: the
// optional ones, found at run time because their library or the function may be missing
// (typed from a declaration, so a pointer cannot drift from the function it stands for), and
// the GDI+ flat API with its records, which keeps the GDI+ C++ headers out.
#pragma once
#include <windows.h>

#include <mmsystem.h>

// Declared only to be typed below; never called by name, so nothing links against them.
namespace declared
{
// ICU (icu.dll or icuuc.dll): the name of a code point by the name choice, into a narrow
// buffer; the full length of the name, *errorCode above 0 on failure (15: buffer too small).
int __cdecl u_charName(int codePoint, int nameChoice, char *buffer, int capacity, int *errorCode);
// NtDll.dll: the true Windows version, which GetVersionExW may hide behind a shim.
LONG WINAPI RtlGetVersion(OSVERSIONINFOEXW *version);
} // namespace declared

typedef decltype(declared::u_charName) *Sig_u_charName;
typedef decltype(declared::RtlGetVersion) *Sig_RtlGetVersion;
typedef decltype(PlaySoundW) *Sig_PlaySoundW; // winmm.dll, loaded with the first sound

// The export name of module as its typed pointer, or null (also for a null module).
template <typename Signature> Signature DynamicFunction(HMODULE module, const char *name)
{
    return module ? (Signature)(void *)GetProcAddress(module, name) : nullptr;
}
#define DYNAMIC_FUNCTION(module, name) DynamicFunction<Sig_##name>(module, #name)

// GDI+ (gdiplus.dll, linked): the records of the flat API, as far as they are used.
namespace gdiplus
{
struct StartupInput {
    UINT32 GdiplusVersion;
    void *DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};
struct ImageCodecInfo {
    CLSID Clsid;
    GUID FormatID;
    const WCHAR *CodecName;
    const WCHAR *DllName;
    const WCHAR *FormatDescription;
    const WCHAR *FilenameExtension;
    const WCHAR *MimeType;
    DWORD Flags;
    DWORD Version;
    DWORD SigCount;
    DWORD SigSize;
    const BYTE *SigPattern;
    const BYTE *SigMask;
};
struct EncoderParameter {
    GUID Guid;
    ULONG NumberOfValues;
    ULONG Type;
    void *Value;
};
struct EncoderParameters {
    UINT Count;
    EncoderParameter Parameter[1];
};
enum { EncoderParameterValueTypeLong = 4 };
} // namespace gdiplus

// The flat API's calls: a status, 0 for success. Images are opaque.
extern "C" {
int WINAPI GdiplusStartup(ULONG_PTR *token, const gdiplus::StartupInput *input, void *output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
int WINAPI GdipGetImageEncodersSize(UINT *count, UINT *size);
int WINAPI GdipGetImageEncoders(UINT count, UINT size, gdiplus::ImageCodecInfo *encoders);
int WINAPI GdipCreateBitmapFromHBITMAP(HBITMAP bitmap, HPALETTE palette, void **image);
int WINAPI GdipCreateHBITMAPFromBitmap(void *bitmap, HBITMAP *out, DWORD background);
int WINAPI GdipSaveImageToFile(void *image, const WCHAR *path, const CLSID *encoder,
                               const gdiplus::EncoderParameters *parameters);
int WINAPI GdipLoadImageFromFile(const WCHAR *path, void **image);
int WINAPI GdipGetImageWidth(void *image, UINT *width);
int WINAPI GdipGetImageHeight(void *image, UINT *height);
int WINAPI GdipBitmapGetPixel(void *bitmap, INT x, INT y, DWORD *colour);
int WINAPI GdipDisposeImage(void *image);
}
