#include "keys/hook.h"

#include "actions/console/marks.h"
#include "actions/line/lastargs.h"
#include "actions/line/swapchars.h"
#include "frame/text.h"
#include "keys/hotkeys.h"
#include "keys/keytables.h"

namespace
{

int ScrollUpByCommands(KeyEvent *event)
{
    ScrollByCommands(ScrollUp);
    ConsumeKey(event);
    return 0;
}

int ScrollDownByCommands(KeyEvent *event)
{
    ScrollByCommands(ScrollDown);
    ConsumeKey(event);
    return 0;
}

typedef int (*Action)(KeyEvent *event);

// Indexed by action id. An action that is not part of this build has no entry, and its key
// stays with the shell exactly as an unbound key does.
const Action Actions[ActionCount + 1] = {
    nullptr,
    SwapCharacters,       // 1 Swap Characters
    nullptr,              // 2 Swap Arguments
    InsertLastArgs,       // 3 Insert Last Args
    nullptr,              // 4 Clear Screen
    nullptr,              // 5 Math Word
    nullptr,              // 6 Expand Expression
    nullptr,              // 7 Unicode Entry
    nullptr,              // 8 Copy Line
    nullptr,              // 9 Copy Word
    nullptr,              // 10 Cut Word
    nullptr,              // 11 Swap Clipboard Word
    ChangeWordCase,       // 12 Change Word Case
    nullptr,              // 13 Custom Insert 1
    nullptr,              // 14 Custom Insert 2
    nullptr,              // 15 Custom Insert 3
    nullptr,              // 16 Character Info
    ScrollUpByCommands,   // 17 Scroll Up By Commands
    ScrollDownByCommands, // 18 Scroll Down By Commands
    nullptr,              // 19 File to URI
    nullptr,              // 20 Print Viewport
    nullptr,              // 21 Save Viewport Picture
    nullptr,              // 22 Print History
    nullptr,              // 23 Search Path and Expand
};

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
        return CaptureLastArgs(event);
    }

    if (c == KeyEsc && Plugin.popup) {
        DestroyWindow(Plugin.popup);
        Plugin.popup = nullptr;
    }

    const Hotkey *binding = HotkeyLookup(&HotkeyTable, c);
    if (!binding || binding->action == 0 || binding->action > ActionCount)
        return 0;
    Action action = Actions[binding->action];
    if (!action)
        return 0;
    return action(event);
}
