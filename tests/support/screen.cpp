#include "tests/support/screen.h"

#include <stdio.h>

HANDLE NewTestScreen(int columns, int rows, int windowRows)
{
    HANDLE screen =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (screen == INVALID_HANDLE_VALUE) {
        printf("cannot make a screen buffer\n");
        return nullptr;
    }
    const COORD size = {(SHORT)columns, (SHORT)rows};
    const SMALL_RECT window = {0, 0, (SHORT)(columns - 1), (SHORT)(windowRows - 1)};
    if (!SetConsoleActiveScreenBuffer(screen) ||
        (rows > 0 && !SetConsoleScreenBufferSize(screen, size)) ||
        (windowRows > 0 && !SetConsoleWindowInfo(screen, TRUE, &window))) {
        printf("cannot make a screen buffer\n");
        CloseHandle(screen);
        return nullptr;
    }
    return screen;
}
