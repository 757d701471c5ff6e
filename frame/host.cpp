#include "frame/host.h"

int ExpandQuietly(wchar_t *text)
{
    HANDLE savedError = GetStdHandle(STD_ERROR_HANDLE);
    HANDLE savedOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE nul = CreateFileW(L"nul", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (nul == INVALID_HANDLE_VALUE)
        return ExpandVariables(text, 1);
    SetStdHandle(STD_ERROR_HANDLE, nul);
    SetStdHandle(STD_OUTPUT_HANDLE, nul);
    int result = ExpandVariables(text, 1);
    SetStdHandle(STD_ERROR_HANDLE, savedError);
    SetStdHandle(STD_OUTPUT_HANDLE, savedOutput);
    CloseHandle(nul);
    return result;
}
