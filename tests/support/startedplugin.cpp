#include "tests/support/startedplugin.h"

#include "tests/support/hostctl.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace
{

int PressedCursor;
int PressedResult;

// Under qemu-user the sound player takes the emulated process down: no copy chime there.
const wchar_t *StartSettings(void)
{
    return getenv("LINEWISE_QEMU") ? L"/D /E1 /C0 /A0 /Q" : L"/D /E1 /A0 /Q";
}

} // namespace

PluginDll StartPlugin(const wchar_t *settings)
{
    PluginDll plugin = LoadPluginDll();
    Host().CaptureOutput(1);
    if (plugin.InitializePlugin() != 0) {
        printf("InitializePlugin failed\n");
        exit(2);
    }
    if (settings)
        plugin.linewise(settings);
    TakeOutput(1);
    TakeOutput(2);
    PressModifiers(true, true, true, false);
    return plugin;
}

PluginDll &StartedPlugin(void)
{
    static PluginDll plugin = StartPlugin(StartSettings());
    return plugin;
}

int RestartPlugin(const wchar_t *hostVersion)
{
    PluginDll &plugin = StartedPlugin();
    plugin.ShutdownPlugin(0);
    Host().SetVariable(L"_4ver", hostVersion);
    int result = plugin.InitializePlugin();
    RunLinewise(StartSettings());
    return result;
}

void ResetSettings(void)
{
    RunLinewise(StartSettings());
}

int RunLinewise(const wchar_t *arguments)
{
    int result = StartedPlugin().linewise(arguments);
    TakeOutput(1);
    TakeOutput(2);
    return result;
}

ShellKeyEvent ShellLine(int code, const wchar_t *marked)
{
    StartedPlugin();
    Host().ResetCounters();
    TakeOutput(1);
    TakeOutput(2);
    return LineEvent<ShellKeyEvent>(code, marked);
}

ShellKeyEvent LongShellLine(int code, int length, wchar_t fill, int cursor)
{
    ShellLine(code, L"");
    return LongLineEvent<ShellKeyEvent>(code, length, fill, cursor);
}

int PressKey(ShellKeyEvent *event, int held)
{
    RememberLine();
    PressedCursor = CursorOf(*event);
    bool shift = held & HoldShift, ctrl = held & HoldCtrl, alt = held & HoldAlt;
    if (held)
        PressModifiers(shift, ctrl, alt, true);
    PressedResult = StartedPlugin().key(event);
    if (held)
        PressModifiers(shift, ctrl, alt, false);
    return PressedResult;
}

ShellKeyEvent PressOnLine(int code, const wchar_t *marked, int held)
{
    ShellKeyEvent event = ShellLine(code, marked);
    PressKey(&event, held);
    return event;
}

void ShellTypes(ShellKeyEvent *event)
{
    int ch = event->code;
    if (ch < 32 || ch > 0xFFFF)
        return;
    size_t length = wcslen(event->line);
    if (length + 1 >= TestLineCapacity)
        return;
    wchar_t *at = event->cursor;
    memmove(at + 1, at, (length - (size_t)(at - event->line) + 1) * sizeof(wchar_t));
    *at = (wchar_t)ch;
    event->cursor++;
}

void CheckPress(const char *row, const ShellKeyEvent &event, const wchar_t *after)
{
    CHECK_ROW_EQ(row, PressedResult, 0);
    CHECK_ROW_EQ(row, event.code, 0);
    CHECK_ROW(row, TestLineGuardIntact());
    CHECK_ROW_TEXT(row, TakeOutput(1), L"");
    CHECK_ROW_TEXT(row, TakeOutput(2), L"");
    if (after) {
        CHECK_ROW_TEXT(row, MarkedLine(event.line, CursorOf(event)), after);
        CHECK_ROW(row, TailUnchanged());
        CHECK_ROW_EQ(row, event.redraw, 1);
        CHECK_ROW_EQ(row, Host().HonkCalls(), 0);
    } else {
        CHECK_ROW(row, LineUnchanged());
        CHECK_ROW_EQ(row, CursorOf(event), PressedCursor);
        CHECK_ROW_EQ(row, event.redraw, 0);
        CHECK_ROW_EQ(row, Host().ClearEditLineCalls(), 0);
        CHECK_ROW_EQ(row, Host().HonkCalls(), 1);
    }
}

void PressRows(int code, int held, const PressRow *rows, size_t count)
{
    for (size_t i = 0; i < count; i++)
        CheckPress(rows[i].name, PressOnLine(code, rows[i].before, held), rows[i].after);
}
