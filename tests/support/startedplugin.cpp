#include "tests/support/startedplugin.h"

#include "tests/support/hostctl.h"

#include <stdio.h>
#include <stdlib.h>

PluginDll &StartedPlugin(void)
{
    static PluginDll plugin;
    if (plugin.module)
        return plugin;
    plugin = LoadPluginDll();
    Host().CaptureOutput(1);
    if (plugin.InitializePlugin() != 0) {
        printf("InitializePlugin failed\n");
        exit(2);
    }
    // Under qemu-user the sound player takes the emulated process down: no copy chime there.
    RunLinewise(getenv("LINEWISE_QEMU") ? L"/D /E1 /C0 /A0 /Q" : L"/D /E1 /A0 /Q");
    PressModifiers(true, true, true, false);
    return plugin;
}

int RunLinewise(const wchar_t *arguments)
{
    int result = StartedPlugin().linewise(arguments);
    TakeOutput(1);
    TakeOutput(2);
    return result;
}
