#include "frame/globals.h"
#include "frame/messages.h"
#include "frame/plugin.h"
#include "settings/command.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"

#include <wchar.h>
#include <windows.h>

TEST(host_version_from_its_text)
{
    CHECK_EQ(ParseHostVersion(L"24.00"), 24);
    CHECK_EQ(ParseHostVersion(L"23.00"), 23);
    CHECK_EQ(ParseHostVersion(L"100.0"), 100);
    CHECK_EQ(ParseHostVersion(L"8"), 8);
    CHECK_EQ(ParseHostVersion(L"7.50"), 0);
    CHECK_EQ(ParseHostVersion(L"101.0"), 0);
    CHECK_EQ(ParseHostVersion(L"text"), 0);
    CHECK_EQ(ParseHostVersion(L""), 0);
    CHECK_EQ(ParseHostVersion(nullptr), 0);
    CHECK_EQ(ParseHostVersion(L"-24"), 0);
    CHECK_EQ(ParseHostVersion(L"00000000000000000024"), 24);
    CHECK_EQ(ParseHostVersion(L"4294967320"), 0); // 2^32 + 24 must not wrap around to 24
}

TEST(messages_allowed_only_for_an_interactive_shell)
{
    CHECK(MessagesAllowed());
    Host().SetVariable(L"_transient", L"1");
    CHECK(!MessagesAllowed());
    Host().SetVariable(L"_transient", nullptr);
    Host().SetVariable(L"_pipe", L"1");
    CHECK(!MessagesAllowed());
    Host().SetVariable(L"_pipe", nullptr);
    CHECK(MessagesAllowed());
}

TEST(usage_text_for_the_command_only)
{
    static wchar_t out[1024 + 16];
    const wchar_t *syntax = wcschr(UsageText, L'\n');
    CHECK(syntax != nullptr);
    while (syntax && *syntax == L'\n')
        syntax++;

    const wchar_t *names[] = {L"linewise", L"LINEWISE", L"LineWise"};
    for (const wchar_t *name : names) {
        wmemset(out, L'#', 1024 + 16);
        CHECK_EQ(Usage(name, out), 1);
        CHECK(wcsncmp(out, L"LINEWISE /A:n", 13) == 0);
        CHECK(wcsncmp(out, syntax, 1023) == 0);
        CHECK(wcslen(out) <= 1023);
        for (int i = 1024; i < 1024 + 16; i++)
            CHECK(out[i] == L'#');
    }

    const wchar_t *others[] = {L"@linewise", L"_linewise", L"_LINEWISE", L"linewise ",
                               L"line",      L"",          nullptr};
    for (const wchar_t *name : others)
        CHECK_EQ(Usage(name, out), 0);
    CHECK_EQ(Usage(L"linewise", nullptr), 0);
}

// The shell writes an expansion of up to 8192 units back into the buffer it is given, and users
// can give these names values of any length.
TEST(long_variable_values_do_not_overrun_start_up_buffers)
{
    static wchar_t value[6001];
    wmemset(value, L'7', 6000);
    value[6000] = 0;

    Host().SetVariable(L"_transient", value);
    CHECK(!MessagesAllowed());
    Host().SetVariable(L"_transient", nullptr);

    Host().SetVariable(L"_4ver", value);
    SetEnvironmentVariableW(L"noloadmsg", value);
    Host().CaptureOutput(1);
    TakeOutput(1);
    CHECK_EQ(InitializePlugin(), 0);
    CHECK_TEXT(TakeOutput(1), L"");
    CHECK(!Plugin.newerHost);
    CHECK_EQ(ShutdownPlugin(0), 0);
    Host().CaptureOutput(0);
    SetEnvironmentVariableW(L"noloadmsg", nullptr);
    Host().SetVariable(L"_4ver", nullptr);
}
