// The stand-in shell's control exports, looked up in the loaded TakeCmd.dll, and small
// helpers the tests share.
#pragma once
#include <windows.h>

struct HostControl {
    void(__cdecl *SetVariable)(const wchar_t *name, const wchar_t *value);
    void(__cdecl *SetOption)(const wchar_t *name, const wchar_t *value);
    void(__cdecl *SetGraphicalHost)(int present, void *window);
    int(__cdecl *TakeStatusBar)(wchar_t *out, int capacity);
    void(__cdecl *SetGraphicalView)(int answer, void *view);
    void(__cdecl *SetParentPID)(int processId, int parent);
    void(__cdecl *ClearHistory)(void);
    void(__cdecl *AddHistory)(const wchar_t *entry);
    void(__cdecl *CaptureOutput)(int on);
    int(__cdecl *TakeOutput)(int stream, wchar_t *out, int capacity);
    void(__cdecl *SetEditLine)(wchar_t *line, int row, int column);
    int(__cdecl *ClearEditLineCalls)(void);
    wchar_t *(__cdecl *LastClearEditLine)(void);
    int(__cdecl *HonkCalls)(void);
    void(__cdecl *ResetCounters)(void);
    int(__cdecl *LastColors)(void);
};

// Loads TakeCmd.dll (already loaded in white-box tests) and fills the table once.
const HostControl &Host(void);

// Captured output of one stream (1 out, 2 err) since the last call, in a static buffer.
const wchar_t *TakeOutput(int stream);

// Presses (down = true) or releases the modifier keys with SendInput.
void PressModifiers(bool shift, bool ctrl, bool alt, bool down);
