// A stand-in for another program's windows: makes one visible top-level window of each class
// named on its command line (its title is the class name) and lives until one of them is
// closed. Tests use it for windows that belong to a process other than their own.
#include <windows.h>

static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int main()
{
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2)
        return 2;
    for (int i = 1; i < argc; i++) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = WindowProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = argv[i];
        RegisterClassW(&windowClass);
        if (!CreateWindowExW(0, argv[i], argv[i], WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400,
                             300, nullptr, nullptr, windowClass.hInstance, nullptr))
            return 3;
    }
    // Ends after a minute at the latest, so that no test can leave it behind.
    SetTimer(nullptr, 0, 60000, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && !message.hwnd)
            break;
        DispatchMessageW(&message);
    }
    LocalFree(argv);
    return 0;
}
