// The plug-in's exported lifecycle entry points. Its global state is frame/globals.h.
#pragma once
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

LINEWISE_EXPORT PluginInfo *__stdcall GetPluginInfo(void);
LINEWISE_EXPORT int __stdcall InitializePlugin(void);
LINEWISE_EXPORT int __stdcall ShutdownPlugin(int flag);
LINEWISE_EXPORT int __stdcall Usage(const wchar_t *name, wchar_t *out);
LINEWISE_EXPORT int __stdcall Help(const wchar_t *topic);

// Host version from the text of %_4ver: the leading decimal number when it lies in 8..100,
// else 0.
int ParseHostVersion(const wchar_t *text);
