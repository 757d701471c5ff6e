// Output of the stand-in shell: the Windows convention of wide formats, the capture streams
// and output to other handles.
#include "frame/host.h"
#include "frame/text.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"

#include <stdlib.h>
#include <string.h>

static HANDLE StdErr(void)
{
    return GetStdHandle(STD_ERROR_HANDLE);
}
static HANDLE StdOut(void)
{
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

TEST(wide_format_convention)
{
    Host().CaptureOutput(1);
    TakeOutput(1);
    Printf(L"[%s|%S|%c|%d|%-3d|%5.1f|%x]", L"wide", "narrow", L'\x263A', -12, 7, 2.25, 255);
    CHECK_TEXT(TakeOutput(1), L"[wide|narrow|\x263A|-12|7  |  2.3|ff]");
    Qprintf(StdErr(), L"%s plugin: %s\r\n", L"Linewise", L"bad");
    CHECK_TEXT(TakeOutput(2), L"Linewise plugin: bad\r\n");
    CHECK_TEXT(TakeOutput(1), L"");
    Host().CaptureOutput(0);
}

TEST(capture_streams)
{
    Host().CaptureOutput(1);
    TakeOutput(1);
    TakeOutput(2);
    Printf(L"one ");
    QPuts(L"two");
    CrLf();
    Qprintf(StdOut(), L"three");
    Qprintf(StdErr(), L"err");
    CHECK_TEXT(TakeOutput(1), L"one two\r\nthree");
    CHECK_TEXT(TakeOutput(2), L"err");
    // Taking empties the stream.
    CHECK_TEXT(TakeOutput(1), L"");
    QPuts(L"");
    QPuts(nullptr);
    Printf(nullptr);
    CHECK_EQ(Host().TakeOutput(1, nullptr, 0), 0);
    // A short target gets what fits; the result is the whole length.
    QPuts(L"abcdef");
    wchar_t small[4];
    CHECK_EQ(Host().TakeOutput(1, small, 4), 6);
    CHECK_TEXT(small, L"abc");
    CHECK_EQ(Host().TakeOutput(3, small, 4), -1);
    Host().CaptureOutput(0);
}

TEST(redirected_standard_handles_are_not_captured)
{
    Host().CaptureOutput(1);
    TakeOutput(1);
    TakeOutput(2);
    HANDLE nul = CreateFileW(L"nul", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(nul != INVALID_HANDLE_VALUE);
    HANDLE savedOut = StdOut(), savedErr = StdErr();
    SetStdHandle(STD_OUTPUT_HANDLE, nul);
    SetStdHandle(STD_ERROR_HANDLE, nul);
    Printf(L"hidden");
    Qprintf(StdErr(), L"hidden");
    SetStdHandle(STD_OUTPUT_HANDLE, savedOut);
    SetStdHandle(STD_ERROR_HANDLE, savedErr);
    CloseHandle(nul);
    CHECK_TEXT(TakeOutput(1), L"");
    CHECK_TEXT(TakeOutput(2), L"");
    Host().CaptureOutput(0);
}

// Reads a whole small file as bytes.
static int ReadBytes(const wchar_t *path, char *out, int capacity)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    DWORD read = 0;
    ReadFile(file, out, (DWORD)capacity, &read, nullptr);
    CloseHandle(file);
    return (int)read;
}

TEST(other_handles_get_utf8_and_long_text_whole)
{
    wchar_t path[MAX_PATH];
    GetTempPathW(MAX_PATH, path);
    TextAppend(path, MAX_PATH, L"lw-host-output.txt");
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(file != INVALID_HANDLE_VALUE);
    Host().CaptureOutput(1);
    TakeOutput(1);
    CHECK_EQ(Qprintf(file, L"%s=%d\r\n", L"\x00E9\x263A", 5), 6);
    // 20000 units, past every internal buffer, with a surrogate pair at a chunk edge.
    static wchar_t big[20001];
    for (int i = 0; i < 20000; i++)
        big[i] = (wchar_t)(L'a' + i % 26);
    big[4095] = 0xD83D;
    big[4096] = 0xDE00;
    big[20000] = 0;
    CHECK_EQ(Qprintf(file, L"%s", big), 20000);
    CloseHandle(file);
    CHECK_TEXT(TakeOutput(1), L"");
    static char bytes[30000];
    int n = ReadBytes(path, bytes, sizeof(bytes));
    CHECK_EQ(n, 9 + 19998 + 4);
    CHECK(memcmp(bytes, "\xC3\xA9\xE2\x98\xBA=5\r\n", 9) == 0);
    CHECK(memcmp(bytes + 9 + 4095, "\xF0\x9F\x98\x80", 4) == 0);
    CHECK_EQ(bytes[n - 1], 'a' + 19999 % 26);
    DeleteFileW(path);

    // The capture keeps long output whole as well.
    Printf(L"%s", big);
    QPuts(big);
    static wchar_t taken[45000];
    CHECK_EQ(Host().TakeOutput(1, taken, 45000), 40000);
    CHECK_EQ(memcmp(taken, big, 20000 * sizeof(wchar_t)), 0);
    CHECK_EQ(memcmp(taken + 20000, big, 20000 * sizeof(wchar_t)), 0);
    Host().CaptureOutput(0);
}

TEST(shell_messages_go_to_standard_error)
{
    Host().CaptureOutput(1);
    TakeOutput(2);
    wchar_t text[64] = L"%@nope[]";
    CHECK(ExpandVariables(text, 1) != 0);
    CHECK_TEXT(TakeOutput(2), L"TCC: Unknown function \"@nope\"\r\n");
    CHECK_TEXT(TakeOutput(1), L"");
    Host().CaptureOutput(0);
}

TEST(console_output_reaches_the_screen)
{
    HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(console != INVALID_HANDLE_VALUE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    CHECK(GetConsoleScreenBufferInfo(console, &info));
    COORD start = {0, info.dwCursorPosition.Y};
    if (info.dwCursorPosition.X) {
        CrLf();
        GetConsoleScreenBufferInfo(console, &info);
        start.Y = info.dwCursorPosition.Y;
    }
    Qprintf(console, L"%s \x263A", L"shown");
    wchar_t cells[16] = {0};
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console, cells, 7, start, &read);
    CHECK_TEXT(cells, L"shown \x263A");
    CrLf();
    CloseHandle(console);
}
