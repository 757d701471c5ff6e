#include "tests/support/hostctl.h"

#include <stdio.h>
#include <stdlib.h>

#define LOOKUP(field, name)                                                                        \
    do {                                                                                           \
        control.field = (decltype(control.field))(void *)GetProcAddress(module, name);             \
        if (!control.field) {                                                                      \
            printf("missing stand-in export %s\n", name);                                          \
            exit(2);                                                                               \
        }                                                                                          \
    } while (0)

const HostControl &Host(void)
{
    static HostControl control;
    static bool loaded;
    if (loaded)
        return control;
    HMODULE module = LoadLibraryW(L"TakeCmd.dll");
    if (!module) {
        printf("cannot load TakeCmd.dll\n");
        exit(2);
    }
    LOOKUP(SetVariable, "HostSetVariable");
    LOOKUP(SetOption, "HostSetOption");
    LOOKUP(SetGraphicalHost, "HostSetGraphicalHost");
    LOOKUP(TakeStatusBar, "HostTakeStatusBar");
    LOOKUP(SetGraphicalView, "HostSetGraphicalView");
    LOOKUP(SetParentPID, "HostSetParentPID");
    LOOKUP(ClearHistory, "HostClearHistory");
    LOOKUP(AddHistory, "HostAddHistory");
    LOOKUP(CaptureOutput, "HostCaptureOutput");
    LOOKUP(TakeOutput, "HostTakeOutput");
    LOOKUP(SetEditLine, "HostSetEditLine");
    LOOKUP(ClearEditLineCalls, "HostClearEditLineCalls");
    LOOKUP(LastClearEditLine, "HostLastClearEditLine");
    LOOKUP(HonkCalls, "HostHonkCalls");
    LOOKUP(ResetCounters, "HostResetCounters");
    LOOKUP(LastColors, "HostLastColors");
    loaded = true;
    return control;
}

const wchar_t *TakeOutput(int stream)
{
    static wchar_t buffer[2][65536];
    wchar_t *out = buffer[stream == 2];
    out[0] = 0;
    Host().TakeOutput(stream, out, 65536);
    return out;
}

void PressModifiers(bool shift, bool ctrl, bool alt, bool down)
{
    INPUT inputs[3] = {};
    int n = 0;
    const WORD keys[3] = {VK_SHIFT, VK_CONTROL, VK_MENU};
    const bool wanted[3] = {shift, ctrl, alt};
    for (int i = 0; i < 3; i++)
        if (wanted[i]) {
            inputs[n].type = INPUT_KEYBOARD;
            inputs[n].ki.wVk = keys[i];
            inputs[n].ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
            n++;
        }
    if (n)
        SendInput(n, inputs, sizeof(INPUT));
}
