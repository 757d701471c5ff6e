// What the launcher loads at run time: the shell library TakeCmd.dll (its control exports
// and variable expansion) and the plug-in DLL, called the way the shell calls a plug-in.
#pragma once
#include <stddef.h>

// The record the shell hands to a plug-in's key hook: nine fields, 4 bytes each in the
// 32-bit product.
struct ShellKeyEvent {
    int code;
    int homeRow;
    int homeColumn;
    int row;
    int column;
    wchar_t *line;
    wchar_t *cursor;
    int redraw;
    wchar_t *keyName;
};
static_assert(sizeof(void *) != 4 || sizeof(ShellKeyEvent) == 36, "32-bit KeyEvent layout");

// The launcher's own folder (where TakeCmd.dll and the plug-in live), with a final backslash.
const wchar_t *LauncherFolder(void);

// Loads TakeCmd.dll from the launcher's folder. False when it is missing.
bool LoadShellLibrary(void);
bool ShellLibraryLoaded(void);
// The shell library's state; each does nothing without the library.
void ShellSetVariable(const wchar_t *name, const wchar_t *value);
// @option[name] as the shell answers it; a null value brings back the default.
void ShellSetOption(const wchar_t *name, const wchar_t *value);
void ShellAddHistory(const wchar_t *entry);
void ShellSetEditLine(wchar_t *line, int row, int column);
// Expands variables in text (capacity units) in place. 0 = success; non-zero when the
// expansion failed or the text does not fit the shell's 8192-unit buffer.
int ShellExpand(wchar_t *text, size_t capacity);
// Makes the shell library answer as the graphical host does: "HWND" and "HVIEW" with the
// window, and no status bar, so that the plug-in's popup and pictures use that window.
// False without the library.
bool ShellPlayGraphicalHost(void *window);

// The plug-in's file name for this build: Linewise-x86.dll or Linewise-x64.dll.
const wchar_t *PluginFileName(void);
// Loads the plug-in (a path, or null for the default name in the launcher's folder):
// GetPluginInfo, then InitializePlugin. 0 when loaded; otherwise a reason is in message.
int LoadPlugin(const wchar_t *path, wchar_t *message, size_t capacity);
bool PluginLoaded(void);
// Whether the plug-in implements the key hook / the named command.
bool PluginHooksKeys(void);
bool PluginHasCommand(const wchar_t *name);
// Calls into the plug-in; without one they return -1.
int PluginKey(ShellKeyEvent *event);
int PluginCommand(const wchar_t *arguments);
// Asks the plug-in's Help export about a topic: 1 when the topic is the plug-in's (it has
// shown its help), 0 when not or when there is no plug-in or no Help export.
int PluginHelp(const wchar_t *topic);
// ShutdownPlugin, then the library is freed.
void UnloadPlugin(void);
