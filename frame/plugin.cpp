#include "frame/plugin.h"

#include "actions/console/marks.h"
#include "actions/line/lastargs.h"
#include "frame/dyncalls.h"
#include "frame/globals.h"
#include "frame/help.h"
#include "frame/host.h"
#include "frame/messages.h"
#include "frame/paths.h"
#include "frame/text.h"
#include "keys/hotkeys.h"
#include "settings/command.h"
#include "settings/registry.h"
#include "settings/settings.h"

#include <stdlib.h>

namespace
{

PluginInfo Info;

void ReadWindowsVersion(OSVERSIONINFOEXW *version)
{
    ZeroMemory(version, sizeof *version);
    version->dwOSVersionInfoSize = sizeof *version;
    Sig_RtlGetVersion rtlGetVersion =
        DYNAMIC_FUNCTION(GetModuleHandleW(L"NtDll.dll"), RtlGetVersion);
    if (rtlGetVersion) {
        rtlGetVersion(version);
        if (version->dwMajorVersion > 5)
            return;
    }
    ZeroMemory(version, sizeof *version);
    version->dwOSVersionInfoSize = sizeof *version;
    GetVersionExW((OSVERSIONINFOW *)version);
}

void LoadIcu(void)
{
    static wchar_t path[PathCapacity];
    path[0] = 0;
    GetSystemDirectoryW(path, PathCapacity);
    AppendPathComponent(path, L"");
    size_t directoryLength = TextLength(path);
    TextAppend(path, PathCapacity, L"icu.dll");
    Plugin.icu = LoadLibraryW(path);
    if (!Plugin.icu) {
        path[directoryLength] = 0;
        TextAppend(path, PathCapacity, L"icuuc.dll");
        Plugin.icu = LoadLibraryW(path);
    }
    Plugin.u_charName = DYNAMIC_FUNCTION(Plugin.icu, u_charName);
}

void ReportLoadFailure(const wchar_t *format, int status)
{
    if (!MessagesAllowed())
        return;
    ReportErrorPrefix();
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (status < 0) {
        Qprintf(error, format);
        Qprintf(error, L"%s plugin not loaded.\r\n", PLUGIN_NAME);
    } else {
        Qprintf(error, format, status, PLUGIN_NAME);
    }
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        Plugin.instance = instance;
    return TRUE;
}

LINEWISE_EXPORT PluginInfo *__stdcall GetPluginInfo(void)
{
    Info.name = PLUGIN_NAME;
    Info.author = L"The Linewise developers";
    Info.email = L"linewise@example.org";
    Info.web = L"https://example.org/linewise";
    Info.description = L"Linewise plugin";
    Info.implements = PLUGIN_IMPLEMENTS;
    Info.major = VersionMajor;
    Info.minor = VersionMinor;
    Info.build = VersionBuild;
    return &Info;
}

int ParseHostVersion(const wchar_t *text)
{
    if (!text || text[0] < L'0' || text[0] > L'9')
        return 0;
    long value = 0;
    for (const wchar_t *p = text; *p >= L'0' && *p <= L'9'; p++) {
        value = value * 10 + (*p - L'0');
        if (value > 1000)
            return 0;
    }
    return (value >= 8 && value <= 100) ? (int)value : 0;
}

LINEWISE_EXPORT int __stdcall InitializePlugin(void)
{
    Plugin.console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (Plugin.console == INVALID_HANDLE_VALUE || !Plugin.console) {
        Plugin.console = nullptr;
        ReportLoadFailure(L"Error opening console buffer!\r\n", -1);
        return -1;
    }

    gdiplus::StartupInput input = {1, nullptr, FALSE, FALSE};
    int status = GdiplusStartup(&Plugin.gdiplusToken, &input, nullptr);
    if (status != 0) {
        Plugin.gdiplusToken = 0;
        ReportLoadFailure(L"Error %d initializing GDI+ \x2014 %s plugin not loaded.\r\n", status);
        CloseHandle(Plugin.console);
        Plugin.console = nullptr;
        return -1;
    }

    ReadWindowsVersion(&Plugin.windowsVersion);

    static wchar_t version[ExpansionCapacity];
    TextCopy(version, ExpansionCapacity, L"%_4ver");
    ExpandVariables(version, 1);
    Plugin.hostVersion = ParseHostVersion(version);
    Plugin.newerHost = Plugin.hostVersion >= 24;

    CommandMarkBit = ChooseCommandMarkBit(&Plugin.windowsVersion);
    LoadIcu();

    SetDefaultSettings();
    if (LoadSettings(HKEY_CURRENT_USER) != 0)
        LoadSettings(HKEY_LOCAL_MACHINE);

    static wchar_t quiet[ExpansionCapacity];
    TextCopy(quiet, ExpansionCapacity, L"%[_transient]%[_pipe]%[noloadmsg]");
    ExpandVariables(quiet, 1);
    if (wcscmp(quiet, L"00") == 0)
        Printf(L"%s v%u.%u.%u loaded.  %d %s defined.\r\n", PLUGIN_NAME, VersionMajor, VersionMinor,
               VersionBuild, (int)HotkeyTable.count, HotkeyTable.count == 1 ? L"key" : L"keys");
    return 0;
}

LINEWISE_EXPORT int __stdcall ShutdownPlugin(int)
{
    // First, so that no player thread reads the chime from the image the shell may free next.
    StopSounds();
    FreeLastArgs();
    if (Plugin.popup) {
        DestroyWindow(Plugin.popup);
        Plugin.popup = nullptr;
    }
    if (Plugin.icu) {
        FreeLibrary(Plugin.icu);
        Plugin.icu = nullptr;
        Plugin.u_charName = nullptr;
    }
    if (Plugin.gdiplusToken) {
        GdiplusShutdown(Plugin.gdiplusToken);
        Plugin.gdiplusToken = 0;
    }
    if (Plugin.console) {
        CloseHandle(Plugin.console);
        Plugin.console = nullptr;
    }
    ReleaseScratchDirectory();
    EndHelpViewer();
    CloseQuietOutput();
    return 0;
}

LINEWISE_EXPORT int __stdcall Usage(const wchar_t *name, wchar_t *out)
{
    if (!name || !out || name[0] == L'@' || name[0] == L'_')
        return 0;
    if (!TextEqualNoCase(name, L"linewise"))
        return 0;
    const wchar_t *text = wcschr(UsageText, L'\n');
    text = text ? text + 1 : UsageText;
    while (*text == L'\n')
        text++;
    TextCopy(out, 1024, text);
    return 1;
}

LINEWISE_EXPORT int __stdcall Help(const wchar_t *topic)
{
    wchar_t page[HelpPageCapacity];
    if (!HelpPageForTopic(topic, page, HelpPageCapacity))
        return 0;
    return ShowHelp(page);
}
