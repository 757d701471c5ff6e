#include "keys/hook.h"

#include "actions/actions.h"
#include "actions/console/marks.h"
#include "actions/line/calculator.h"
#include "actions/line/lastargs.h"
#include "frame/text.h"
#include "keys/hotkeys.h"
#include "keys/keytables.h"

namespace
{

bool Down(int virtualKey)
{
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

} // namespace

LINEWISE_EXPORT int __stdcall key(KeyEvent *event)
{
    if (!event)
        return 0;
    int c = event->code;
    if (c == 0 && !event->line)
        Plugin.unicodeEntry = false;

    if (Plugin.newerHost && c == 0 && event->keyName) {
        c = ParseKeyName(event->keyName);
        if (c <= 0) {
            if (TextEqualNoCase(event->keyName, L"Enter"))
                c = KeyEnter;
            else if (TextEqualNoCase(event->keyName, L"Esc"))
                c = KeyEsc;
            else
                return 0;
        }
    }

    c |= ModifierBits(Down(VK_SHIFT), Down(VK_CONTROL), Down(VK_MENU), Plugin.newerHost);

    if (c == KeyEnter) {
        MarkCommandLine(event->homeRow);
        if (event->line && event->line[0] == L':' && CalculatorLine(event) > 0)
            return 0;
        return CaptureLastArgs(event);
    }

    if (c == KeyEsc && Plugin.popup) {
        DestroyWindow(Plugin.popup);
        Plugin.popup = nullptr;
    }

    const Hotkey *binding = HotkeyLookup(&HotkeyTable, c);
    if (!binding)
        return 0;
    ActionFunction action = FindAction(binding->action);
    if (!action)
        return 0;
    return action(event);
}
