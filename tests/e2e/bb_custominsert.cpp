// "Custom Insert 1/2/3" through the plug-in's exported hook: Alt-I by default, the other two
// bound here. The texts come from the variables Insert-1 to Insert-3 of this process.
#include "tests/support/check.h"
#include "tests/support/startedplugin.h"

#include <initializer_list>
#include <stdio.h>
#include <wchar.h>
#include <windows.h>

namespace
{

enum { AltI = 0x10017, AltJ = 0x10024, AltK = 0x10025 };

wchar_t KeyName[32];

// Presses the key on the marked line, named as a newer host names it; every press consumes the
// key and its name (after null: refused).
void PressInsert(const char *name, int code, const wchar_t *marked, const wchar_t *after)
{
    ShellKeyEvent event = ShellLine(code, marked);
    wcscpy(KeyName, L"Alt-I");
    event.keyName = KeyName;
    PressKey(&event);
    CheckPress(name, event, after);
    CHECK_ROW_EQ(name, KeyName[0], 0);
}

void SetInserts(const wchar_t *one, const wchar_t *two, const wchar_t *three)
{
    SetEnvironmentVariableW(L"Insert-1", one);
    SetEnvironmentVariableW(L"Insert-2", two);
    SetEnvironmentVariableW(L"Insert-3", three);
}

} // namespace

TEST(custom_inserts_through_the_hook)
{
    RunLinewise(L"/D /E1 /K14:Alt-J /K15:Alt-K /Q");
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t today[64];
    swprintf(today, 64, L"echo %04u-%02u-%02u| x", now.wYear, now.wMonth, now.wDay);
    static wchar_t veryLong[9000];
    for (int i = 0; i < 8999; i++)
        veryLong[i] = L'v';
    veryLong[8999] = 0;
    SetEnvironmentVariableW(L"LW_NAME", L"world");
    SetEnvironmentVariableW(L"LW_HALF", veryLong + 4499); // 4500 units: twice does not fit

    const struct {
        const char *name;
        const wchar_t *one, *two, *three;
        int code;
        const wchar_t *before, *after; // after null: refused, line untouched
    } cases[] = {
        {"unset: the ISO date", nullptr, nullptr, nullptr, AltI, L"echo | x", today},
        {"empty: the ISO date", L"", nullptr, nullptr, AltI, L"echo | x", today},
        {"variable expanded", nullptr, L"<%LW_NAME%>", nullptr, AltJ, L"ab|cd", L"ab<world>|cd"},
        {"no percent: as written", nullptr, nullptr, L"a^b c", AltK, L"ab|cd", L"aba^b c|cd"},
        {"at the start", L"x", nullptr, nullptr, AltI, L"|abc", L"x|abc"},
        {"at the end", L"x", nullptr, nullptr, AltI, L"abc|", L"abcx|"},
        {"expands to nothing", L"%LW_UNSET_VARIABLE%", nullptr, nullptr, AltI, L"ab|cd", nullptr},
        {"expansion fails", L"%@nosuchfunction[x]", nullptr, nullptr, AltI, L"ab|cd", nullptr},
        {"expansion too long", L"%LW_HALF%%LW_HALF%", nullptr, nullptr, AltI, L"ab|cd", nullptr},
        {"value too long", nullptr, veryLong, nullptr, AltJ, L"ab|cd", nullptr},
    };
    for (const auto &c : cases) {
        SetInserts(c.one, c.two, c.three);
        PressInsert(c.name, c.code, c.before, c.after);
    }
    SetInserts(nullptr, nullptr, nullptr);
}

// An insert that would take the line past 65,535 units is refused; one that just fits is not.
TEST(custom_insert_at_the_line_limit)
{
    RunLinewise(L"/D /E1 /K14:Alt-J /K15:Alt-K /Q");
    static wchar_t text[TestLineCapacity + 8], after[TestLineCapacity + 8];
    SetInserts(L"12345", nullptr, nullptr);
    for (int length : {65530, 65531}) {
        wmemset(text, L'a', length);
        wcscpy(text + length, L"|");
        wmemset(after, L'a', length);
        wcscpy(after + length, L"12345|");
        char name[32];
        snprintf(name, sizeof name, "line of %d units", length);
        PressInsert(name, AltI, text, length == 65530 ? after : nullptr);
    }
    SetInserts(nullptr, nullptr, nullptr);
}
