// The built plug-in DLL as the shell sees it, for the black-box tests: its file name, the
// records its exports take, and its seven exports looked up by plain name.
#pragma once
#include <windows.h>

// What GetPluginInfo returns.
struct ShellPluginInfo {
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

// The record the shell passes to the key hook, nine 4-byte fields on the 32-bit shell.
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

struct PluginDll {
    HMODULE module;
    ShellPluginInfo *(__stdcall *GetPluginInfo)(void);
    int(__stdcall *InitializePlugin)(void);
    int(__stdcall *ShutdownPlugin)(int flag);
    int(__stdcall *Usage)(const wchar_t *name, wchar_t *out);
    int(__stdcall *Help)(const wchar_t *topic);
    int(__stdcall *key)(ShellKeyEvent *event);
    int(__stdcall *linewise)(const wchar_t *arguments);
};

// Linewise-x64.dll or Linewise-x86.dll, matching this program.
const wchar_t *PluginDllName(void);

// Loads the shell's library and then the plug-in, taking one reference, and looks up every
// export; a failure is reported and ends the program. The plug-in is not initialised.
PluginDll LoadPluginDll(void);

// Copies the plug-in's DLL under another file name beside it and loads that copy: a module of
// its own, which frees with its own last reference even while the program holds the original.
PluginDll LoadPluginDllCopy(const wchar_t *fileName);

// Deletes the copy that LoadPluginDllCopy made, once its module has left the process, so that
// the program's folder is left as it was.
void DeletePluginDllCopy(const wchar_t *fileName);

// The exports of the plug-in when this process already holds it, without taking a reference;
// false (and nothing filled) when it is not loaded.
bool FindLoadedPluginDll(PluginDll &dll);

// Drops the reference LoadPluginDll took; the DLL leaves the process only with its last one.
// Shutting the plug-in down first is the caller's business.
void UnloadPluginDll(PluginDll &dll);
