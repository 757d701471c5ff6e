// Unloading the plug-in right after it started a sound, as the shell does when a user unloads
// or updates it: nothing the plug-in started may still run in or read from the freed library.
#include "tests/support/check.h"
#include "tests/support/handles.h"
#include "tests/support/hostctl.h"
#include "tests/support/plugindll.h"

#include <stdint.h>
#include <stdio.h>

namespace
{

enum { Rounds = 20, AliveAfterUnloadMs = 2000 };

// Loads and starts the plug-in, selects the sound, and makes Swap Characters refuse an empty
// line so that it plays the error sound; then shuts the plug-in down and frees it at once.
bool PlayThenUnload(const wchar_t *soundOption)
{
    PluginDll dll = LoadPluginDll();
    Host().CaptureOutput(1);
    bool ok = dll.InitializePlugin() == 0;
    ok = ok && dll.linewise(soundOption) == 0;
    wchar_t line[16] = L"";
    ShellKeyEvent event = {};
    event.code = 0x10027; // Alt-;, Swap Characters by default
    event.line = line;
    event.cursor = line;
    if (ok)
        dll.key(&event);
    ok = ok && event.code == 0;
    dll.ShutdownPlugin(0);
    UnloadPluginDll(dll);
    TakeOutput(1);
    TakeOutput(2);
    return ok;
}

TEST(unloading_while_a_sound_plays_leaves_the_process_running)
{
    PressModifiers(true, true, true, false);
    const wchar_t *const sounds[] = {L"/E:2 /Q", L"/E:3 /Q", L"/E:4 /Q", L"/E:5 /Q", L"/E:6 /Q"};
    for (int round = 0; round < Rounds; round++) {
        const wchar_t *option = sounds[round % 5];
        if (!PlayThenUnload(option)) {
            printf("round %d (%ls): the action did not run\n", round, option);
            CHECK(false);
        }
        CHECK(GetModuleHandleW(PluginDllName()) == nullptr);
        // A player thread left behind would fault here, in code or data that went away.
        Sleep(AliveAfterUnloadMs);
    }
}

} // namespace

namespace
{

TEST(load_and_unload_cycles_leave_no_sound_player_handles_behind)
{
    enum { Cycles = 40 };
    PlayThenUnload(L"/E:2 /Q"); // the first sound loads the player for good
    uintptr_t before = HandleCount();
    for (int cycle = 0; cycle < Cycles; cycle++)
        PlayThenUnload(cycle % 2 ? L"/E:3 /Q" : L"/E:0 /Q");
    uintptr_t after = HandleCount();
    printf("handles after %d load/unload cycles: %+d\n", (int)Cycles, (int)(after - before));
    CHECK(after - before <= 2); // a handle or two of noise, not one per cycle
}

} // namespace
