#include "host/launcher/shelllib.h"

#include "frame/text.h"

#include <wchar.h>
#include <windows.h>

namespace
{

enum { PathCapacity = 32768, ExpandCapacity = 8192 };

struct PluginInfoRecord {
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

struct ShellLibrary {
    HMODULE module;
    void(__cdecl *setVariable)(const wchar_t *, const wchar_t *);
    void(__cdecl *setOption)(const wchar_t *, const wchar_t *);
    void(__cdecl *addHistory)(const wchar_t *);
    void(__cdecl *setEditLine)(wchar_t *, int, int);
    int(__stdcall *expandVariables)(wchar_t *, int);
    void(__cdecl *setGraphicalHost)(int, void *);
    void(__cdecl *setStatusBar)(int);
} Shell;

struct LoadedPlugin {
    HMODULE module;
    PluginInfoRecord *(__stdcall *getPluginInfo)(void);
    int(__stdcall *initializePlugin)(void);
    int(__stdcall *shutdownPlugin)(int);
    int(__stdcall *key)(ShellKeyEvent *);
    int(__stdcall *command)(const wchar_t *);
    int(__stdcall *help)(const wchar_t *);
    wchar_t implements[1024];
} Plugin;

template <typename T> void Bind(T *target, HMODULE module, const char *name)
{
    *target = reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

// Whether the comma-separated list of what the plug-in implements holds the name.
bool Implements(const wchar_t *list, const wchar_t *name)
{
    const wchar_t *p = list;
    while (p && *p) {
        const wchar_t *end = wcschr(p, L',');
        size_t length = end ? (size_t)(end - p) : wcslen(p);
        wchar_t item[256];
        if (length < 256) {
            TextCopyCount(item, 256, p, length);
            if (TextEqualNoCase(item, name))
                return true;
        }
        p = end ? end + 1 : nullptr;
    }
    return false;
}

} // namespace

const wchar_t *LauncherFolder(void)
{
    static wchar_t folder[PathCapacity];
    if (!folder[0]) {
        DWORD n = GetModuleFileNameW(nullptr, folder, PathCapacity);
        if (n == 0 || n >= PathCapacity)
            folder[0] = 0;
        wchar_t *slash = wcsrchr(folder, L'\\');
        if (slash)
            slash[1] = 0;
        else
            TextCopy(folder, PathCapacity, L".\\");
    }
    return folder;
}

bool LoadShellLibrary(void)
{
    wchar_t path[PathCapacity];
    TextCopy(path, PathCapacity, LauncherFolder());
    if (TextAppend(path, PathCapacity, L"TakeCmd.dll") != 0)
        return false;
    Shell.module = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!Shell.module)
        return false;
    Bind(&Shell.setVariable, Shell.module, "HostSetVariable");
    Bind(&Shell.setOption, Shell.module, "HostSetOption");
    Bind(&Shell.addHistory, Shell.module, "HostAddHistory");
    Bind(&Shell.setEditLine, Shell.module, "HostSetEditLine");
    Bind(&Shell.expandVariables, Shell.module, "ExpandVariables");
    Bind(&Shell.setGraphicalHost, Shell.module, "HostSetGraphicalHost");
    Bind(&Shell.setStatusBar, Shell.module, "HostSetStatusBar");
    return true;
}

bool ShellLibraryLoaded(void)
{
    return Shell.module != nullptr;
}

void ShellSetVariable(const wchar_t *name, const wchar_t *value)
{
    if (Shell.setVariable)
        Shell.setVariable(name, value);
}

void ShellSetOption(const wchar_t *name, const wchar_t *value)
{
    if (Shell.setOption)
        Shell.setOption(name, value);
}

void ShellAddHistory(const wchar_t *entry)
{
    if (Shell.addHistory)
        Shell.addHistory(entry);
}

void ShellSetEditLine(wchar_t *line, int row, int column)
{
    if (Shell.setEditLine)
        Shell.setEditLine(line, row, column);
}

bool ShellPlayGraphicalHost(void *window)
{
    if (!Shell.setGraphicalHost || !Shell.setStatusBar)
        return false;
    Shell.setGraphicalHost(1, window);
    Shell.setStatusBar(0);
    return true;
}

int ShellExpand(wchar_t *text, size_t capacity)
{
    if (!text || TextLength(text) >= ExpandCapacity)
        return -1;
    if (Shell.expandVariables) {
        // The shell expands in a buffer of its own size; the result is cut to the caller's.
        static wchar_t work[ExpandCapacity];
        TextCopy(work, ExpandCapacity, text);
        int result = Shell.expandVariables(work, 1);
        if (result == 0 && TextCopy(text, capacity, work) != 0)
            return -1;
        return result;
    }
    // Without the shell library: %NAME% from the environment, unknown names left as typed.
    static wchar_t out[ExpandCapacity];
    out[0] = 0;
    const wchar_t *p = text;
    while (*p) {
        const wchar_t *close = p[0] == L'%' ? wcschr(p + 1, L'%') : nullptr;
        wchar_t name[256], value[ExpandCapacity];
        if (close && close - p - 1 > 0 && close - p - 1 < 256) {
            TextCopyCount(name, 256, p + 1, (size_t)(close - p - 1));
            DWORD n = GetEnvironmentVariableW(name, value, ExpandCapacity);
            if (n > 0 && n < ExpandCapacity) {
                if (TextAppend(out, ExpandCapacity, value) != 0)
                    return -1;
                p = close + 1;
                continue;
            }
        }
        wchar_t one[2] = {*p++, 0};
        if (TextAppend(out, ExpandCapacity, one) != 0)
            return -1;
    }
    return TextCopy(text, capacity, out) == 0 ? 0 : -1;
}

const wchar_t *PluginFileName(void)
{
    return sizeof(void *) == 4 ? L"Linewise-x86.dll" : L"Linewise-x64.dll";
}

int LoadPlugin(const wchar_t *path, wchar_t *message, size_t capacity)
{
    wchar_t full[PathCapacity];
    if (path) {
        DWORD n = GetFullPathNameW(path, PathCapacity, full, nullptr);
        if (n == 0 || n >= PathCapacity)
            TextCopy(full, PathCapacity, path);
    } else {
        TextCopy(full, PathCapacity, LauncherFolder());
        TextAppend(full, PathCapacity, PluginFileName());
    }
    if (GetFileAttributesW(full) == INVALID_FILE_ATTRIBUTES) {
        TextFormat(message, capacity, L"%s not found", full);
        return 1;
    }
    HMODULE module = LoadLibraryExW(full, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        TextFormat(message, capacity, L"%s could not be loaded (Windows error %lu)", full,
                   GetLastError());
        return 1;
    }
    LoadedPlugin plugin = {};
    plugin.module = module;
    Bind(&plugin.getPluginInfo, module, "GetPluginInfo");
    Bind(&plugin.initializePlugin, module, "InitializePlugin");
    Bind(&plugin.shutdownPlugin, module, "ShutdownPlugin");
    Bind(&plugin.key, module, "key");
    Bind(&plugin.command, module, "linewise");
    Bind(&plugin.help, module, "Help");
    PluginInfoRecord *info = plugin.getPluginInfo ? plugin.getPluginInfo() : nullptr;
    if (!info || !plugin.initializePlugin) {
        TextFormat(message, capacity, L"%s is not a plug-in of this shell", full);
        FreeLibrary(module);
        return 1;
    }
    TextCopy(plugin.implements, 1024, info->implements);
    int result = plugin.initializePlugin();
    if (result != 0) {
        TextFormat(message, capacity, L"%s refused to load (InitializePlugin gave %d)", full,
                   result);
        FreeLibrary(module);
        return 1;
    }
    Plugin = plugin;
    return 0;
}

bool PluginLoaded(void)
{
    return Plugin.module != nullptr;
}

bool PluginHooksKeys(void)
{
    return Plugin.key && Implements(Plugin.implements, L"*key");
}

bool PluginHasCommand(const wchar_t *name)
{
    return Plugin.command && TextEqualNoCase(name, L"linewise") &&
           Implements(Plugin.implements, name);
}

int PluginKey(ShellKeyEvent *event)
{
    return PluginHooksKeys() ? Plugin.key(event) : -1;
}

int PluginCommand(const wchar_t *arguments)
{
    return Plugin.command ? Plugin.command(arguments) : -1;
}

int PluginHelp(const wchar_t *topic)
{
    return Plugin.help && topic ? (Plugin.help(topic) != 0 ? 1 : 0) : 0;
}

void UnloadPlugin(void)
{
    if (!Plugin.module)
        return;
    if (Plugin.shutdownPlugin)
        Plugin.shutdownPlugin(0);
    FreeLibrary(Plugin.module);
    Plugin = LoadedPlugin{};
}
