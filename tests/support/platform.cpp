#include "tests/support/platform.h"

#include <stdlib.h>
#include <windows.h>

namespace
{

HWND Hidden;

void ShowAgain(void)
{
    if (Hidden)
        ShowWindow(Hidden, SW_SHOWNOACTIVATE);
}

} // namespace

bool ConsoleWindowOutOfTheWay(void)
{
    HWND console = GetConsoleWindow();
    if (!console || !IsWindowVisible(console))
        return true;
    wchar_t className[64] = L"";
    RealGetWindowClassW(console, className, 64);
    if (lstrcmpiW(className, L"PseudoConsoleWindow") == 0)
        return false;
    if (lstrcmpW(className, L"ConsoleWindowClass") != 0)
        return true;
    // Only a console nobody else uses: hiding the window of the user's own command prompt
    // could outlast a crash of this program.
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) != 1)
        return false;
    ShowWindow(console, SW_HIDE);
    if (!Hidden) {
        Hidden = console;
        atexit(ShowAgain);
    }
    return !IsWindowVisible(console);
}

bool MachineKeyWritable(void)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE,
                      &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
