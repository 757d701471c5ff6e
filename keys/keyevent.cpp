#include "keys/keyevent.h"

#include "frame/globals.h"

void ConsumeKey(KeyEvent *event)
{
    if (!event)
        return;
    event->code = 0;
    if (Plugin.newerHost && event->keyName)
        event->keyName[0] = 0;
}

int ModifierBits(bool shift, bool ctrl, bool alt, bool newerHost)
{
    if (ctrl && shift && !alt)
        return ModifierCtrlShift;
    if (ctrl && alt && !shift)
        return ModifierCtrlAlt;
    if (ctrl && alt && shift && newerHost)
        return ModifierCtrlAltShift;
    return 0;
}
