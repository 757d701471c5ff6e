// The recorder: a stand-in for the program Windows would start to print or open a file. It
// writes how it was started and a copy of the file it was given to the result file named by
// LINEWISE_RECORDER_OUT: one UTF-16 line "<show>|<command line>\n", then the file's bytes.
// The result appears at once, complete (written aside, then renamed).
#include <windows.h>

#include <shellapi.h>

namespace
{

void Append(HANDLE out, const void *bytes, DWORD size)
{
    DWORD written = 0;
    WriteFile(out, bytes, size, &written, nullptr);
}

void CopyFileBytes(HANDLE out, const wchar_t *path)
{
    HANDLE in = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return;
    static char block[65536];
    DWORD read = 0;
    while (ReadFile(in, block, sizeof block, &read, nullptr) && read > 0)
        Append(out, block, read);
    CloseHandle(in);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int show)
{
    static wchar_t result[32768];
    DWORD length = GetEnvironmentVariableW(L"LINEWISE_RECORDER_OUT", result, 32000);
    if (length == 0 || length >= 32000)
        return 2;
    static wchar_t aside[32768];
    lstrcpynW(aside, result, 32000);
    lstrcatW(aside, L".part");

    HANDLE out = CreateFileW(aside, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return 3;
    wchar_t header[16];
    wsprintfW(header, L"%d|", show);
    Append(out, header, (DWORD)(lstrlenW(header) * sizeof(wchar_t)));
    const wchar_t *command = GetCommandLineW();
    Append(out, command, (DWORD)(lstrlenW(command) * sizeof(wchar_t)));
    Append(out, L"\n", sizeof(wchar_t));
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(command, &count);
    if (arguments && count >= 2)
        CopyFileBytes(out, arguments[1]);
    LocalFree(arguments);
    CloseHandle(out);
    return MoveFileExW(aside, result, MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
