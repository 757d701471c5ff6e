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
}
