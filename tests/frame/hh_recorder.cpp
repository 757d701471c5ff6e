// Stands in for the HTML Help viewer in the help tests: built as hh.exe next to the test
// program, where SearchPathW looks first. It appends "<process id>\t<command line>\n" (UTF-8)
// to the file named by LW_HH_RECORD and then stays alive like a viewer, ending on its own
// after 30 s (exit code 7) so that a test that failed to end it leaves nothing for long.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    wchar_t path[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"LW_HH_RECORD", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 1;
    static wchar_t line[40000];
    int length = wsprintfW(line, L"%lu\t", GetCurrentProcessId());
    lstrcpynW(line + length, GetCommandLineW(), 40000 - length - 2);
    lstrcatW(line, L"\n");
    static char utf8[120000];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8, nullptr, nullptr);
    // Another recorder may be writing: retry while the file is held.
    for (int attempt = 0; attempt < 100; attempt++) {
        HANDLE file = CreateFileW(path, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            if (bytes > 1)
                WriteFile(file, utf8, (DWORD)(bytes - 1), &written, nullptr);
            CloseHandle(file);
            break;
        }
        Sleep(20);
    }
    Sleep(30000);
    return 7;
}
