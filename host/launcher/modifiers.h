// The modifier key state a plug-in reads with GetAsyncKeyState. A terminal delivers
// Ctrl-Shift or Ctrl-Alt combinations as key events only; the launcher presses the
// modifiers with SendInput around the hook call, as a real keyboard would hold them.
#pragma once

// Presses those of the wanted modifiers that are not already down. The result says which
// were pressed, for ReleaseModifiers.
int PressModifiers(bool shift, bool ctrl, bool alt);
void ReleaseModifiers(int pressed);
