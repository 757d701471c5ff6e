// Command marks in a process without a console. The checks run in a copy of this program
// started without a console; its exit code carries the result.
#include "actions/console/marks.h"
#include "frame/text.h"
#include "settings/settings.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"

namespace
{

const wchar_t ChildFlag[] = L"LINEWISE_MARKS_NO_CONSOLE";

bool InChild(void)
{
    return GetEnvironmentVariableW(ChildFlag, nullptr, 0) != 0;
}

} // namespace

TEST(without_console_marking_is_silent_and_scrolling_fails)
{
    if (!InChild()) {
        wchar_t program[MAX_PATH];
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        wchar_t command[MAX_PATH + 64];
        TextFormat(command, MAX_PATH + 64, L"\"%s\" without_console", program);
        SetEnvironmentVariableW(ChildFlag, L"1");
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        BOOL started = CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, DETACHED_PROCESS,
                                      nullptr, nullptr, &startup, &process);
        SetEnvironmentVariableW(ChildFlag, nullptr);
        CHECK(started);
        if (!started)
            return;
        CHECK_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(process.hProcess, &code);
        CHECK_EQ(code, 0);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return;
    }
    HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(console == INVALID_HANDLE_VALUE);
    Settings.ErrorSound = 1;
    Settings.ScrollyFlags = ScrollyWrap | ScrollyVisible;
    Host().ResetCounters();
    MarkCommandLine(0);
    CHECK_EQ(Host().HonkCalls(), 0);
    CHECK_EQ(ScrollByCommands(ScrollUp), -1);
    CHECK_EQ(ScrollByCommands(ScrollDown), -1);
    CHECK_EQ(Host().HonkCalls(), 2);
    CHECK_EQ(RepaintCommandMarks(), -1);
}
