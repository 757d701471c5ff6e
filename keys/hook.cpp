#include "keys/hook.h"

#include "actions/actions.h"
#include "actions/console/marks.h"
#include "actions/line/autoclose.h"
#include "actions/line/calculator.h"
#include "actions/line/lastargs.h"
#include "actions/line/unicodeentry.h"
#include "frame/globals.h"
#include "frame/text.h"
#include "keys/hotkeys.h"
#include "keys/keytables.h"
#include "settings/settings.h"

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

    // A pending Unicode entry ends before the key means anything else, Enter included.
    if (Plugin.unicodeEntry && UnicodeEntryKey(event, c))
        return 0;

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

    if (Settings.AutoCloseFlags && IsAutoCloseKey(c))
        AutoClosePair(event);

    const Hotkey *binding = HotkeyLookup(&HotkeyTable, c);
    if (!binding)
        return 0;
    ActionFunction action = FindAction(binding->action);
    if (!action)
        return 0;
    return action(event);
}
