#include "tests/support/plugindll.h"
#include "tests/support/hostctl.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

namespace
{

FARPROC Require(HMODULE module, const char *name)
{
    FARPROC address = GetProcAddress(module, name);
    if (!address) {
        printf("the plug-in lacks the export %s\n", name);
        exit(2);
    }
    return address;
}

#define REQUIRE(field) dll.field = (decltype(dll.field))(void *)Require(module, #field)

PluginDll ExportsOf(HMODULE module)
{
    PluginDll dll = {};
    dll.module = module;
    REQUIRE(GetPluginInfo);
    REQUIRE(InitializePlugin);
    REQUIRE(ShutdownPlugin);
    REQUIRE(Usage);
    REQUIRE(Help);
    REQUIRE(key);
    REQUIRE(linewise);
    return dll;
}

} // namespace

const wchar_t *PluginDllName(void)
{
    return sizeof(void *) == 8 ? L"Linewise-x64.dll" : L"Linewise-x86.dll";
}

PluginDll LoadPluginDll(void)
{
    Host(); // the shell's library is loaded first, as in the shell
    HMODULE module = LoadLibraryW(PluginDllName());
    if (!module) {
        printf("cannot load %ls (error %lu)\n", PluginDllName(), GetLastError());
        exit(2);
    }
    return ExportsOf(module);
}

PluginDll LoadPluginDllCopy(const wchar_t *fileName)
{
    Host();
    // Beside this program, where the original is found.
    wchar_t original[MAX_PATH], copy[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, original, MAX_PATH);
    while (n > 0 && original[n - 1] != L'\\')
        n--;
    original[n] = 0;
    swprintf(copy, MAX_PATH, L"%ls%ls", original, fileName);
    wcsncat(original, PluginDllName(), MAX_PATH - n - 1);
    if (!CopyFileW(original, copy, FALSE)) {
        printf("cannot copy %ls to %ls (error %lu)\n", original, copy, GetLastError());
        exit(2);
    }
    HMODULE module = LoadLibraryW(copy);
    if (!module) {
        printf("cannot load %ls (error %lu)\n", fileName, GetLastError());
        exit(2);
    }
    return ExportsOf(module);
}

void DeletePluginDllCopy(const wchar_t *fileName)
{
    wchar_t copy[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, copy, MAX_PATH);
    while (n > 0 && copy[n - 1] != L'\\')
        n--;
    copy[n] = 0;
    wcsncat(copy, fileName, MAX_PATH - n - 1);
    DeleteFileW(copy);
}

bool FindLoadedPluginDll(PluginDll &dll)
{
    HMODULE module = GetModuleHandleW(PluginDllName());
    if (!module)
        return false;
    dll = ExportsOf(module);
    return true;
}

void UnloadPluginDll(PluginDll &dll)
{
    if (dll.module)
        FreeLibrary(dll.module);
    dll = PluginDll{};
}
