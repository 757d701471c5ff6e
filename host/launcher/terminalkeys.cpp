#include "host/launcher/terminalkeys.h"

#include "frame/text.h"
#include "host/launcher/screen.h"
#include "host/launcher/shelllib.h"
#include "keys/hotkeys.h"

namespace
{

struct Substitute {
    const wchar_t *defaultKey;
    const wchar_t *key; // an Alt-letter: a terminal sends Esc and the letter
    int action;
    const wchar_t *actionName;
};

// Same letters as the defaults, none of them bound by default.
const Substitute Substitutes[] = {
    {L"Ctrl-Shift-X", L"Alt-X", ActionExpandExpression, L"Expand Expression"},
    {L"Ctrl-Shift-P", L"Alt-P", ActionPrintViewport, L"Print Viewport"},
    {L"Ctrl-Shift-Q", L"Alt-Q", ActionSaveViewportPicture, L"Save Viewport Picture"},
    {L"Ctrl-Alt-Z", L"Alt-Z", ActionSwapClipboardWord, L"Swap Clipboard Word"},
};

} // namespace

bool BindTerminalKeys(void)
{
    wchar_t command[256] = L"/Q";
    for (const Substitute &s : Substitutes)
        TextAppendFormat(command, 256, L" /K%d:%s", s.action, s.key);
    if (PluginCommand(command) != 0) {
        OutError(L"lwshell: the keys for this terminal could not be bound.\r\n");
        return false;
    }
    Out(L"This terminal sends Ctrl-Shift-letter as Ctrl-letter and drops Ctrl-Z, so four\r\n"
        L"default keys cannot reach the plug-in. For this session (not saved) use:\r\n");
    for (const Substitute &s : Substitutes)
        OutFormat(L"  %-6s %-22s instead of %s\r\n", s.key, s.actionName, s.defaultKey);
    return true;
}
