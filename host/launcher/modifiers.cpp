#include "host/launcher/modifiers.h"

#include <windows.h>

namespace
{

const WORD Keys[3] = {VK_SHIFT, VK_CONTROL, VK_MENU};

void Send(int mask, bool down)
{
    INPUT inputs[3] = {};
    UINT n = 0;
    for (int i = 0; i < 3; i++)
        if (mask & (1 << i)) {
            inputs[n].type = INPUT_KEYBOARD;
            inputs[n].ki.wVk = Keys[i];
            inputs[n].ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
            n++;
        }
    if (n)
        SendInput(n, inputs, sizeof(INPUT));
}

} // namespace

int PressModifiers(bool shift, bool ctrl, bool alt)
{
    const bool wanted[3] = {shift, ctrl, alt};
    int mask = 0;
    for (int i = 0; i < 3; i++)
        if (wanted[i] && !(GetAsyncKeyState(Keys[i]) & 0x8000))
            mask |= 1 << i;
    Send(mask, true);
    return mask;
}

void ReleaseModifiers(int pressed)
{
    Send(pressed, false);
    // The presses also reach the active window as keyboard messages. When that is one of
    // this thread's windows (the plug-in's popup, activated on creation), Alt pressed and
    // released alone would open its system menu in a modal loop that stops the shell. The
    // shell's keys come from the console: these echoes are dropped.
    MSG message;
    if (pressed)
        while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE))
            ;
}
