// Start-up, exports and resources of the built plug-in, seen from outside: the DLL is loaded
// the way the shell loads it and only its exports are called.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/plugindll.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

namespace
{

const wchar_t StartupLine[] = L"Linewise v0.99.12 loaded.  21 keys defined.\r\n";

const wchar_t UsageSyntax[] =
    L"LINEWISE /A:n /B:n /C:n /D /E:n /Kn:key /L /Q /R /S /X:key /Y:n  \r\n\n"
    L"\t/A:\tchange the LastArgs flags  \t/A? for more info\n"
    L"\t/B:\tchange the auto-close flags \t/B? for more info\n"
    L"\t/C:\tchange the copy chime \t\t/C? for more info\n"
    L"\t/D\trestore default plugin settings\n"
    L"\t/E:\tchange the error sound \t\t/E? for more info\n"
    L"\t/K:\tdefine or change a hotkey\n"
    L"\t/L\tlist all supported hotkeys\n"
    L"\t/Q\tquietly\n"
    L"\t/R\trestore saved settings from the registry  \n"
    L"\t/S\tsave the current settings to the registry  \n"
    L"\t/X:\tdelete a hotkey\n"
    L"\t/Y:\tchange the Scrolly flags \t/Y? for more info\n"
    L"\nLINEWISE with no options displays the plugin\x2019s current settings.\n";

// Path of a file next to this program.
void BesideProgram(const wchar_t *name, wchar_t *out, DWORD capacity)
{
    GetModuleFileNameW(nullptr, out, capacity);
    wchar_t *slash = wcsrchr(out, L'\\');
    if (slash)
        slash[1] = 0;
    wcsncat(out, name, capacity - wcslen(out) - 1);
}

// Settings stored by other runs would change the start-up line's key count.
void ForgetStoredSettings(void)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\JPPlugins\\Linewise");
}

// Loads and initialises with output captured; the captured output is discarded.
PluginDll LoadQuietly(void)
{
    PluginDll plugin = LoadPluginDll();
    Host().CaptureOutput(1);
    CHECK_EQ(plugin.InitializePlugin(), 0);
    TakeOutput(1);
    TakeOutput(2);
    return plugin;
}

void Unload(PluginDll &plugin)
{
    CHECK_EQ(plugin.ShutdownPlugin(0), 0);
    Host().CaptureOutput(0);
    UnloadPluginDll(plugin);
}

// The names in the export directory of a PE file.
int ReadExportNames(const wchar_t *path, char names[][64], int capacity)
{
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    DWORD size = GetFileSize(file, nullptr);
    unsigned char *image = (unsigned char *)malloc(size);
    DWORD got = 0;
    ReadFile(file, image, size, &got, nullptr);
    CloseHandle(file);
    int count = -1;
    const IMAGE_DOS_HEADER *dos = (const IMAGE_DOS_HEADER *)image;
    if (got == size && size > sizeof *dos && dos->e_magic == IMAGE_DOS_SIGNATURE &&
        (DWORD)dos->e_lfanew + 0x200 < size) {
        const unsigned char *nt = image + dos->e_lfanew;
        const IMAGE_FILE_HEADER *header = (const IMAGE_FILE_HEADER *)(nt + 4);
        const unsigned char *optional = nt + 4 + sizeof(IMAGE_FILE_HEADER);
        WORD magic = *(const WORD *)optional;
        const IMAGE_DATA_DIRECTORY *directories =
            magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
                ? ((const IMAGE_OPTIONAL_HEADER64 *)optional)->DataDirectory
                : ((const IMAGE_OPTIONAL_HEADER32 *)optional)->DataDirectory;
        const IMAGE_SECTION_HEADER *sections =
            (const IMAGE_SECTION_HEADER *)(optional + header->SizeOfOptionalHeader);
        auto offsetOf = [&](DWORD rva) -> DWORD {
            for (int i = 0; i < header->NumberOfSections; i++) {
                DWORD start = sections[i].VirtualAddress;
                DWORD length = sections[i].SizeOfRawData > sections[i].Misc.VirtualSize
                                   ? sections[i].SizeOfRawData
                                   : sections[i].Misc.VirtualSize;
                if (rva >= start && rva < start + length)
                    return rva - start + sections[i].PointerToRawData;
            }
            return 0;
        };
        DWORD exportOffset = offsetOf(directories[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
        if (exportOffset && exportOffset + sizeof(IMAGE_EXPORT_DIRECTORY) <= size) {
            const IMAGE_EXPORT_DIRECTORY *exports =
                (const IMAGE_EXPORT_DIRECTORY *)(image + exportOffset);
            const DWORD *nameRvas = (const DWORD *)(image + offsetOf(exports->AddressOfNames));
            count = 0;
            for (DWORD i = 0; i < exports->NumberOfNames && count < capacity; i++) {
                DWORD at = offsetOf(nameRvas[i]);
                snprintf(names[count++], 64, "%s", at && at < size ? (const char *)image + at : "");
            }
            if (exports->NumberOfFunctions != exports->NumberOfNames)
                count = -2;
        }
    }
    free(image);
    return count;
}

bool ConsoleRowStartsWith(SHORT row, const wchar_t *text)
{
    wchar_t cells[81] = {};
    DWORD read = 0;
    COORD at = {0, row};
    ReadConsoleOutputCharacterW(GetStdHandle(STD_OUTPUT_HANDLE), cells, 80, at, &read);
    cells[read < 80 ? read : 80] = 0;
    if (wcsncmp(cells, text, wcslen(text)) != 0) {
        printf("console row %d: \"%s\"\n", row, Show(cells));
        return false;
    }
    return true;
}

} // namespace

TEST(startup_exports_are_exactly_the_plugin_entry_points)
{
    wchar_t path[MAX_PATH];
    BesideProgram(PluginDllName(), path, MAX_PATH);
    char names[32][64];
    int count = ReadExportNames(path, names, 32);
    const char *expected[] = {"GetPluginInfo", "Help", "InitializePlugin", "ShutdownPlugin",
                              "Usage",         "key",  "linewise"};
    CHECK_EQ(count, 7);
    for (int i = 0; i < count && i < 7; i++)
        if (strcmp(names[i], expected[i]) != 0)
            CheckFailed(__FILE__, __LINE__, "export name", names[i]);

    HMODULE module = LoadLibraryW(PluginDllName());
    CHECK(module != nullptr);
    for (const char *name : expected)
        if (!GetProcAddress(module, name))
            CheckFailed(__FILE__, __LINE__, "GetProcAddress by plain name", name);
    FreeLibrary(module);
}

TEST(startup_plugin_info)
{
    PluginDll plugin = LoadPluginDll();
    ShellPluginInfo *info = plugin.GetPluginInfo();
    CHECK(info != nullptr);
    if (info) {
        CHECK_TEXT(info->name, L"Linewise");
        CHECK_TEXT(info->description, L"Linewise plugin");
        CHECK_TEXT(info->implements, L"linewise,*key");
        CHECK(info->author && info->author[0]);
        CHECK(info->email && info->email[0]);
        CHECK(info->web && info->web[0]);
        CHECK_EQ(info->major, 0);
        CHECK_EQ(info->minor, 99);
        CHECK_EQ(info->build, 12);
        CHECK(plugin.GetPluginInfo() == info);
    }
    UnloadPluginDll(plugin);
}

// What Windows shows in the file's properties is the plug-in's own version and names: the
// version resource read through version.dll, against GetPluginInfo and the /?? version line.
TEST(startup_version_resource_matches_plugin_info)
{
    typedef DWORD(WINAPI * SizeFunction)(LPCWSTR, LPDWORD);
    typedef BOOL(WINAPI * InfoFunction)(LPCWSTR, DWORD, DWORD, LPVOID);
    typedef BOOL(WINAPI * QueryFunction)(LPCVOID, LPCWSTR, LPVOID *, PUINT);
    HMODULE version = LoadLibraryW(L"version.dll");
    CHECK(version != nullptr);
    if (!version)
        return;
    auto infoSize = (SizeFunction)(void *)GetProcAddress(version, "GetFileVersionInfoSizeW");
    auto info = (InfoFunction)(void *)GetProcAddress(version, "GetFileVersionInfoW");
    auto query = (QueryFunction)(void *)GetProcAddress(version, "VerQueryValueW");
    wchar_t path[MAX_PATH];
    BesideProgram(PluginDllName(), path, MAX_PATH);
    DWORD size = infoSize(path, nullptr);
    static unsigned char block[65536];
    CHECK(size > 0 && size <= sizeof block);
    if (size == 0 || size > sizeof block || !info(path, 0, size, block)) {
        CheckFailed(__FILE__, __LINE__, "GetFileVersionInfoW", Show(path));
        FreeLibrary(version);
        return;
    }

    PluginDll plugin = LoadQuietly();
    const ShellPluginInfo *plugInfo = plugin.GetPluginInfo();
    CHECK_EQ(plugin.linewise(L"/??"), 0);
    int revision = -1, major = -1, minor = -1, build = -1;
    const wchar_t *line = wcsstr(TakeOutput(1), L"Linewise  ");
    CHECK(line && swscanf(line, L"Linewise  %d.%d.%d.%d", &major, &minor, &build, &revision) == 4);
    CHECK_EQ(major, plugInfo->major);
    CHECK_EQ(minor, plugInfo->minor);
    CHECK_EQ(build, plugInfo->build);

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    CHECK(query(block, L"\\", (void **)&fixed, &length) && length >= sizeof *fixed);
    if (fixed) {
        CHECK_EQ(fixed->dwSignature, 0xFEEF04BD);
        DWORD high = MAKELONG(plugInfo->minor, plugInfo->major);
        DWORD low = MAKELONG(revision, plugInfo->build);
        CHECK_EQ(fixed->dwFileVersionMS, high);
        CHECK_EQ(fixed->dwFileVersionLS, low);
        CHECK_EQ(fixed->dwProductVersionMS, high);
        CHECK_EQ(fixed->dwProductVersionLS, low);
        CHECK_EQ(fixed->dwFileType, VFT_DLL);
        CHECK_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0);
    }
    wchar_t fileVersion[64], productVersion[64];
    swprintf(fileVersion, 64, L"%d.%d.%d.%d", major, minor, build, revision);
    swprintf(productVersion, 64, L"%d.%d.%d", major, minor, build);
    const struct {
        const wchar_t *name, *expected;
    } strings[] = {{L"ProductName", plugInfo->name},   {L"FileDescription", plugInfo->description},
                   {L"CompanyName", plugInfo->author}, {L"OriginalFilename", PluginDllName()},
                   {L"FileVersion", fileVersion},      {L"ProductVersion", productVersion},
                   {L"InternalName", plugInfo->name}};
    for (const auto &row : strings) {
        wchar_t key[128];
        swprintf(key, 128, L"\\StringFileInfo\\040904B0\\%ls", row.name);
        const wchar_t *value = nullptr;
        length = 0;
        if (!query(block, key, (void **)&value, &length) || !value) {
            CheckFailed(__FILE__, __LINE__, "no version string", Show(row.name));
            continue;
        }
        CHECK_TEXT(value, row.expected);
    }
    Unload(plugin);
    FreeLibrary(version);
}

TEST(startup_line_is_written)
{
    ForgetStoredSettings();
    PluginDll plugin = LoadPluginDll();
    Host().CaptureOutput(1);
    TakeOutput(1);
    TakeOutput(2);
    CHECK_EQ(plugin.InitializePlugin(), 0);
    CHECK_TEXT(TakeOutput(1), StartupLine);
    CHECK_TEXT(TakeOutput(2), L"");
    Unload(plugin);

    // Without capture the line reaches the console itself.
    HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    CHECK(GetConsoleScreenBufferInfo(console, &info));
    // On the buffer's last row the line's own line feed would scroll it up a row.
    COORD start = {0, info.dwCursorPosition.Y < info.dwSize.Y - 1 ? info.dwCursorPosition.Y
                                                                  : (SHORT)0};
    DWORD written = 0;
    FillConsoleOutputCharacterW(console, L' ', info.dwSize.X, start, &written);
    SetConsoleCursorPosition(console, start);
    plugin = LoadPluginDll();
    CHECK_EQ(plugin.InitializePlugin(), 0);
    CHECK(ConsoleRowStartsWith(start.Y, L"Linewise v0.99.12 loaded.  21 keys defined."));
    Unload(plugin);
}

TEST(startup_line_left_out_when_quiet_but_still_loads)
{
    ForgetStoredSettings();
    struct {
        const wchar_t *variable;
        bool environment;
    } quiet[] = {{L"noloadmsg", true}, {L"_transient", false}, {L"_pipe", false}};
    for (const auto &q : quiet) {
        if (q.environment)
            SetEnvironmentVariableW(q.variable, L"1");
        else
            Host().SetVariable(q.variable, L"1");
        PluginDll plugin = LoadPluginDll();
        Host().CaptureOutput(1);
        TakeOutput(1);
        TakeOutput(2);
        CHECK_EQ(plugin.InitializePlugin(), 0);
        CHECK_TEXT(TakeOutput(1), L"");
        CHECK_TEXT(TakeOutput(2), L"");
        wchar_t out[1024];
        CHECK_EQ(plugin.Usage(L"linewise", out), 1); // loaded and answering
        Unload(plugin);
        if (q.environment)
            SetEnvironmentVariableW(q.variable, nullptr);
        else
            Host().SetVariable(q.variable, nullptr);
    }
}

TEST(startup_newer_host_flag_from_host_version)
{
    static wchar_t line[65536];
    wchar_t name[32];
    CONSOLE_SCREEN_BUFFER_INFO info;
    GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info);
    const wchar_t *versions[] = {L"24.00", L"23.00"};
    for (int v = 0; v < 2; v++) {
        bool newer = v == 0;
        Host().SetVariable(L"_4ver", versions[v]);
        PluginDll plugin = LoadQuietly();

        // Newer hosts may pass code 0 and name the key: Enter remembers the arguments...
        wcscpy(line, L"copy alpha beta");
        wcscpy(name, L"Enter");
        ShellKeyEvent record = {
            0, info.dwCursorPosition.Y, 0, info.dwCursorPosition.Y, 15, line, line + 15, 0, name};
        CHECK_EQ(plugin.key(&record), 0);
        CHECK_EQ(record.code, 0);
        CHECK_TEXT(line, L"copy alpha beta");

        // ... and F3 (Insert Last Args) puts them back and consumes the key by its name.
        line[0] = 0;
        wcscpy(name, L"F3");
        record = {0, info.dwCursorPosition.Y, 0, info.dwCursorPosition.Y, 0, line, line, 0, name};
        CHECK_EQ(plugin.key(&record), 0);
        CHECK_TEXT(line, newer ? L"alpha beta" : L"");
        CHECK_TEXT(name, newer ? L"" : L"F3");
        CHECK_EQ(record.redraw, newer ? 1 : 0);

        // An older host names no keys; codes work the same for both.
        wcscpy(line, L"copy gamma");
        record = {
            13,     info.dwCursorPosition.Y, 0, info.dwCursorPosition.Y, 10, line, line + 10, 0,
            nullptr};
        plugin.key(&record);
        line[0] = 0;
        record = {0x1003D, info.dwCursorPosition.Y, 0, info.dwCursorPosition.Y, 0, line, line, 0,
                  nullptr};
        plugin.key(&record);
        CHECK_TEXT(line, L"gamma");
        CHECK_EQ(record.code, 0);
        Unload(plugin);
    }
    Host().SetVariable(L"_4ver", nullptr);
}

TEST(startup_chime_resource)
{
    PluginDll plugin = LoadPluginDll();
    HRSRC found = FindResourceW(plugin.module, MAKEINTRESOURCEW(101), L"WAVE");
    CHECK(found != nullptr);
    if (found) {
        DWORD size = SizeofResource(plugin.module, found);
        CHECK_EQ(size, 153864);
        const unsigned char *wave =
            (const unsigned char *)LockResource(LoadResource(plugin.module, found));
        CHECK(wave && memcmp(wave, "RIFF", 4) == 0 && memcmp(wave + 8, "WAVE", 4) == 0);
        CHECK_EQ(*(const DWORD *)(wave + 4), size - 8);
        bool sawFormat = false, sawData = false;
        for (DWORD at = 12; wave && at + 8 <= size;) {
            DWORD length = *(const DWORD *)(wave + at + 4);
            if (memcmp(wave + at, "fmt ", 4) == 0) {
                sawFormat = true;
                const WAVEFORMATEX *format = (const WAVEFORMATEX *)(wave + at + 8);
                CHECK_EQ(format->wFormatTag, WAVE_FORMAT_PCM);
                CHECK_EQ(format->nChannels, 2);
                CHECK_EQ(format->nSamplesPerSec, 48000);
                CHECK_EQ(format->wBitsPerSample, 16);
                CHECK_EQ(format->nBlockAlign, 4);
                CHECK_EQ(format->nAvgBytesPerSec, 192000);
            } else if (memcmp(wave + at, "data", 4) == 0) {
                sawData = true;
                CHECK_EQ(length, 153820);
                CHECK(at + 8 + length <= size);
            }
            at += 8 + length + (length & 1);
        }
        CHECK(sawFormat);
        CHECK(sawData);
    }
    UnloadPluginDll(plugin);
}

TEST(startup_character_info_dialog_template)
{
    PluginDll plugin = LoadPluginDll();
    HRSRC found = FindResourceW(plugin.module, MAKEINTRESOURCEW(102), RT_DIALOG);
    CHECK(found != nullptr);
    if (found) {
        const BYTE *start = (const BYTE *)LockResource(LoadResource(plugin.module, found));
        const BYTE *p = start;
        auto word = [&]() {
            WORD w = *(const WORD *)p;
            p += 2;
            return w;
        };
        auto dword = [&]() {
            DWORD d = *(const DWORD *)p;
            p += 4;
            return d;
        };
        auto text = [&]() {
            const wchar_t *t = (const wchar_t *)p;
            p += 2 * (wcslen(t) + 1);
            return t;
        };
        CHECK_EQ(word(), 1);      // extended template
        CHECK_EQ(word(), 0xFFFF); // signature
        dword();                  // help id
        CHECK_EQ(dword(), 0x08080080);
        CHECK_EQ(dword(), 0x90CC0A48);
        CHECK_EQ(word(), 1); // one control
        CHECK_EQ((short)word(), 0);
        CHECK_EQ((short)word(), 0);
        CHECK_EQ((short)word(), 161);
        CHECK_EQ((short)word(), 75);
        CHECK_EQ(word(), 0); // no menu
        CHECK_EQ(word(), 0); // default class
        CHECK_TEXT(text(), L"Character Info");
        CHECK_EQ(word(), 8);   // points
        CHECK_EQ(word(), 400); // weight
        CHECK_EQ(*p++, 0);     // not italic
        CHECK_EQ(*p++, 1);     // character set
        CHECK_TEXT(text(), L"MS Shell Dlg");
        p = start + ((p - start + 3) & ~3);
        dword(); // help id
        CHECK_EQ(dword(), 0);
        CHECK_EQ(dword(), 0x50020000);
        CHECK_EQ((short)word(), 7);
        CHECK_EQ((short)word(), 7);
        CHECK_EQ((short)word(), 147);
        CHECK_EQ((short)word(), 61);
        CHECK_EQ((int)dword(), -1);
        CHECK_EQ(word(), 0xFFFF);
        CHECK_EQ(word(), 0x0082); // the static class
        CHECK_TEXT(text(), L"Static");
        CHECK_EQ(word(), 0); // no creation data
    }
    UnloadPluginDll(plugin);
}

TEST(startup_usage)
{
    PluginDll plugin = LoadQuietly();
    wchar_t out[1024];
    const wchar_t *names[] = {L"LINEWISE", L"linewise", L"LineWise"};
    for (const wchar_t *name : names) {
        wcscpy(out, L"x");
        CHECK_EQ(plugin.Usage(name, out), 1);
        CHECK_TEXT(out, UsageSyntax);
    }
    const wchar_t *others[] = {L"@linewise", L"_linewise", L"@LINEWISE", L"linewise2", L"dir", L""};
    for (const wchar_t *name : others) {
        if (plugin.Usage(name, out) != 0)
            CheckFailed(__FILE__, __LINE__, "Usage gives 0 for", Show(name));
    }
    Unload(plugin);
}

// Run in a child process of its own, since it gives up the console: the parent reads what
// the child recorded.
TEST(startup_without_console_child)
{
    wchar_t record[MAX_PATH];
    if (!GetEnvironmentVariableW(L"LINEWISE_BB_RECORD", record, MAX_PATH))
        return;
    PluginDll plugin = LoadPluginDll();
    Host().CaptureOutput(1);
    FreeConsole();
    int result = plugin.InitializePlugin();
    static wchar_t text[70000];
    swprintf(text, 70000, L"%d\n", result);
    wcscat(text, TakeOutput(2));
    wcscat(text, L"\n");
    wcscat(text, TakeOutput(1));
    HANDLE file = CreateFileW(record, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text, (DWORD)(wcslen(text) * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    UnloadPluginDll(plugin);
}

TEST(startup_without_console_refuses_to_load)
{
    wchar_t record[MAX_PATH];
    if (GetEnvironmentVariableW(L"LINEWISE_BB_RECORD", record, MAX_PATH))
        return; // this is the child
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    swprintf(record, MAX_PATH, L"%slwbb-%lu.txt", temporary, GetCurrentProcessId());
    DeleteFileW(record);
    SetEnvironmentVariableW(L"LINEWISE_BB_RECORD", record);

    wchar_t program[MAX_PATH], command[MAX_PATH + 64];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    swprintf(command, MAX_PATH + 64, L"\"%s\" startup_without_console_child", program);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    CHECK(CreateProcessW(program, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &process));
    SetEnvironmentVariableW(L"LINEWISE_BB_RECORD", nullptr);
    if (!process.hProcess)
        return;
    CHECK_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    static wchar_t text[70000];
    text[0] = 0;
    HANDLE file = CreateFileW(record, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(file != INVALID_HANDLE_VALUE);
    DWORD got = 0;
    ReadFile(file, text, sizeof text - sizeof(wchar_t), &got, nullptr);
    text[got / sizeof(wchar_t)] = 0;
    CloseHandle(file);
    DeleteFileW(record);
    CHECK_TEXT(text, L"-1\nLinewise plugin: Error opening console buffer!\r\n"
                     L"Linewise plugin not loaded.\r\n\n");
}
