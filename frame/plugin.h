// The plug-in's exported lifecycle entry points and its global state.
#pragma once
#include "frame/version.h"
#include <windows.h>

#define LINEWISE_EXPORT extern "C" __declspec(dllexport)

struct PluginInfo {
    const wchar_t *name;
    const wchar_t *author;
    const wchar_t *email;
    const wchar_t *web;
    const wchar_t *description;
    const wchar_t *implements;
    int major;
    int minor;
    int build;
};

enum {
    VersionMajor = LINEWISE_VERSION_MAJOR,
    VersionMinor = LINEWISE_VERSION_MINOR,
    VersionBuild = LINEWISE_VERSION_BUILD
};
#define PLUGIN_NAME L"Linewise"

// ICU's u_charName (cdecl): the name of a code point, by the name choice, into a narrow buffer;
// the full length of the name, *errorCode above 0 on failure (15: the buffer was too small).
typedef int(__cdecl *UCharNameFunction)(int codePoint, int nameChoice, char *buffer, int capacity,
                                        int *errorCode);

// What lives for the life of the library, on the shell's thread. The settings block and the
// hotkey table have modules of their own (settings/settings.h, keys/hotkeys.h).
struct PluginGlobals {
    HINSTANCE instance;              // set on process attach
    HANDLE console;                  // "CONOUT$", kept for Clear Screen
    ULONG_PTR gdiplusToken;          // 0 when GDI+ is not running
    OSVERSIONINFOEXW windowsVersion; // read at start-up
    int hostVersion;                 // host major version, 0 when unknown
    bool newerHost;                  // host version 24 or later
    HMODULE icu;                     // icu.dll or icuuc.dll, may be null
    UCharNameFunction u_charName;    // may be null
    bool unicodeEntry;               // a Unicode entry is in progress
    HWND popup;                      // character-information popup, or null
};
extern PluginGlobals Plugin;

LINEWISE_EXPORT PluginInfo *__stdcall GetPluginInfo(void);
LINEWISE_EXPORT int __stdcall InitializePlugin(void);
LINEWISE_EXPORT int __stdcall ShutdownPlugin(int flag);
LINEWISE_EXPORT int __stdcall Usage(const wchar_t *name, wchar_t *out);
LINEWISE_EXPORT int __stdcall Help(const wchar_t *topic);

// Host version from the text of %_4ver: the leading decimal number when it lies in 8..100,
// else 0.
int ParseHostVersion(const wchar_t *text);

// True when failure messages and the start-up line may be written: the shell is neither
// transient nor a pipe.
bool MessagesAllowed(void);
