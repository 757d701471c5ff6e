// "Custom Insert 1/2/3" through the plug-in's exported hook: Alt-I by default, the other two
// bound here. The texts come from the variables Insert-1 to Insert-3 of this process.
#include "tests/support/check.h"
#include "tests/support/editline.h"
#include "tests/support/hostctl.h"
#include "tests/support/plugindll.h"

#include <initializer_list>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

namespace
{

enum { AltI = 0x10017, AltJ = 0x10024, AltK = 0x10025 };

PluginDll &Loaded(void)
{
    static PluginDll plugin;
    if (!plugin.module) {
        plugin = LoadPluginDll();
        Host().CaptureOutput(1);
        if (plugin.InitializePlugin() != 0) {
            printf("InitializePlugin failed\n");
            exit(2);
        }
        PressModifiers(true, true, true, false);
    }
    plugin.linewise(L"/D /E1 /K14:Alt-J /K15:Alt-K /Q");
    TakeOutput(1);
    TakeOutput(2);
    return plugin;
}

wchar_t Before[TestLineCapacity];
wchar_t KeyName[32];

struct Press {
    ShellKeyEvent event;
    int cursorBefore;
};

Press PressKey(int code, const wchar_t *marked)
{
    PluginDll &plugin = Loaded();
    Host().ResetCounters();
    Press press;
    press.event = LineEvent<ShellKeyEvent>(code, marked);
    wcscpy(KeyName, L"Alt-I");
    press.event.keyName = KeyName;
    press.cursorBefore = (int)(press.event.cursor - press.event.line);
    memcpy(Before, press.event.line, sizeof Before);
    CHECK_EQ(plugin.key(&press.event), 0);
    return press;
}

void CheckPress(const char *name, const Press &press, const wchar_t *expected)
{
    const ShellKeyEvent &event = press.event;
    CheckInt(event.code, 0, __FILE__, __LINE__, name);
    CheckInt(KeyName[0], 0, __FILE__, __LINE__, name);
    CheckTrue(TestLineGuardIntact(), __FILE__, __LINE__, name);
    if (expected) {
        CheckText(MarkedLine(event.line, event.cursor - event.line), expected, __FILE__, __LINE__,
                  name);
        CheckInt(event.redraw, 1, __FILE__, __LINE__, name);
        CheckInt(Host().HonkCalls(), 0, __FILE__, __LINE__, name);
    } else {
        CheckTrue(memcmp(event.line, Before, sizeof Before) == 0, __FILE__, __LINE__, name);
        CheckTrue(event.cursor == event.line + press.cursorBefore, __FILE__, __LINE__, name);
        CheckInt(event.redraw, 0, __FILE__, __LINE__, name);
        CheckInt(Host().HonkCalls(), 1, __FILE__, __LINE__, name);
    }
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
        Press press = PressKey(c.code, c.before);
        CheckPress(c.name, press, c.after);
        CheckText(TakeOutput(2), L"", __FILE__, __LINE__, c.name);
    }
    SetInserts(nullptr, nullptr, nullptr);
}

// An insert that would take the line past 65,535 units is refused; one that just fits is not.
TEST(custom_insert_at_the_line_limit)
{
    static wchar_t text[TestLineCapacity + 8];
    SetInserts(L"12345", nullptr, nullptr);
    for (int length : {65530, 65531}) {
        for (int i = 0; i < length; i++)
            text[i] = L'a';
        text[length] = L'|';
        text[length + 1] = 0;
        char name[32];
        snprintf(name, sizeof name, "line of %d units", length);
        Press press = PressKey(AltI, text);
        if (length == 65530) {
            CheckInt(press.event.redraw, 1, __FILE__, __LINE__, name);
            CheckInt(press.event.cursor - press.event.line, 65535, __FILE__, __LINE__, name);
            CheckInt((long long)wcslen(press.event.line), 65535, __FILE__, __LINE__, name);
            CheckTrue(wcscmp(press.event.line + 65530, L"12345") == 0, __FILE__, __LINE__, name);
            CheckInt(press.event.code, 0, __FILE__, __LINE__, name);
            CheckTrue(TestLineGuardIntact(), __FILE__, __LINE__, name);
        } else {
            CheckPress(name, press, nullptr);
        }
    }
    SetInserts(nullptr, nullptr, nullptr);
}
