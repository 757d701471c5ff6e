// The plug-in's global state: what lives for the life of the library, on the shell's thread,
// with the plug-in's name and version. The data only: each piece is set and read by the
// modules its comment names.
#pragma once
#include "frame/dyncalls.h"
#include "frame/version.h"

#include <windows.h>

#define PLUGIN_NAME L"Linewise"
// The names the plug-in implements: its command and, marked by the asterisk, the key hook.
#define PLUGIN_IMPLEMENTS L"linewise,*key"
enum {
    VersionMajor = LINEWISE_VERSION_MAJOR,
    VersionMinor = LINEWISE_VERSION_MINOR,
    VersionBuild = LINEWISE_VERSION_BUILD
};

struct PluginGlobals {
    HINSTANCE instance;              // set on process attach
    HANDLE console;                  // "CONOUT$", kept for Clear Screen
    ULONG_PTR gdiplusToken;          // 0 when GDI+ is not running
    OSVERSIONINFOEXW windowsVersion; // read at start-up
    int hostVersion;                 // host major version, 0 when unknown
    bool newerHost;                  // host version 24 or later
    HMODULE icu;                     // icu.dll or icuuc.dll, may be null
    Sig_u_charName u_charName;       // may be null
    bool unicodeEntry;               // a Unicode entry is in progress
    HWND popup;                      // character-information popup, or null
};
extern PluginGlobals Plugin;

// The settings block. Its defaults, descriptions and number readers are settings/settings.h,
// its store settings/registry.h; the command changes it and everything else only reads it.
// The hotkey table is the keys' own (keys/hotkeys.h).
struct SettingsBlock {
    unsigned int ErrorSound;     // 0..6
    unsigned int CopyChime;      // 0..6
    unsigned int LastArgsFlags;  // 1 overwrite, 2 break at slash, 4 keep old, 8 space around
    unsigned int AutoCloseFlags; // 1 [] 2 () 4 {} 8 "" 16 '' 32 ``
    unsigned int ScrollyFlags;   // 1 wrap around, 2 visible marks
};
extern SettingsBlock Settings;
