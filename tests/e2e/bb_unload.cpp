// Unloading the plug-in right after it started a sound, as the shell does when a user unloads
// or updates it: nothing the plug-in started may still run in or read from the freed library.
#include "tests/support/check.h"
#include "tests/support/clipboard.h"
#include "tests/support/handles.h"
#include "tests/support/hostctl.h"
#include "tests/support/plugindll.h"

#include <stdint.h>
#include <stdio.h>
#include <wchar.h>

namespace
{

enum { Rounds = 20, AliveAfterUnloadMs = 2000 };

// A copy of the plug-in under a name of its own, so that it really leaves the process even when
// other tests of this program hold the plug-in itself.
const wchar_t UnloadedCopy[] = L"LinewiseUnloaded.dll";

// The 32-bit run on a kernel without 32-bit support goes through qemu-user, where starting the
// sound player takes the whole emulated process down (seen with and without Wine's audio
// driver, also in a bare program that only plays a sound). There the rounds still load, shut
// down and free the plug-in, silently.
bool SoundsUnderQemu(void)
{
    if (GetEnvironmentVariableW(L"LINEWISE_QEMU", nullptr, 0) == 0)
        return true;
    static bool said;
    if (!said)
        printf("bb_unload: under qemu-user the rounds run without sounds\n");
    said = true;
    return false;
}

// Loads and starts the plug-in, selects the sound, and presses a key whose action plays it:
// by default Swap Characters refusing an empty line, which plays the error sound. Then shuts
// the plug-in down and frees it at once.
bool PlayThenUnload(const wchar_t *soundOption, int code = 0x10027, const wchar_t *text = L"")
{
    PluginDll dll = LoadPluginDllCopy(UnloadedCopy);
    Host().CaptureOutput(1);
    bool ok = dll.InitializePlugin() == 0;
    ok = ok && dll.linewise(soundOption) == 0;
    wchar_t line[16] = L"";
    wcsncpy(line, text, 15);
    ShellKeyEvent event = {};
    event.code = code;
    event.line = line;
    event.cursor = line;
    if (ok)
        dll.key(&event);
    ok = ok && event.code == 0;
    dll.ShutdownPlugin(0);
    UnloadPluginDll(dll);
    DeletePluginDllCopy(UnloadedCopy);
    TakeOutput(1);
    TakeOutput(2);
    return ok;
}

TEST(unloading_while_a_sound_plays_leaves_the_process_running)
{
    PressModifiers(true, true, true, false);
    const wchar_t *const sounds[] = {L"/E:2 /Q", L"/E:3 /Q", L"/E:4 /Q", L"/E:5 /Q", L"/E:6 /Q"};
    for (int round = 0; round < Rounds; round++) {
        const wchar_t *option = SoundsUnderQemu() ? sounds[round % 5] : L"/E:0 /Q";
        if (!PlayThenUnload(option)) {
            printf("round %d (%ls): the action did not run\n", round, option);
            CHECK(false);
        }
        CHECK(GetModuleHandleW(UnloadedCopy) == nullptr);
        // A player thread left behind would fault here, in code or data that went away.
        Sleep(AliveAfterUnloadMs);
    }
}

// The built-in chime is read from the plug-in's own resources while it plays: Copy Line
// (Alt-C) with CopyChime 1 starts it, and the library goes away at once.
TEST(unloading_while_the_chime_plays_leaves_the_process_running)
{
    KeepClipboardText();
    PressModifiers(true, true, true, false);
    for (int round = 0; round < 3; round++) {
        if (!PlayThenUnload(SoundsUnderQemu() ? L"/C:1 /E:0 /Q" : L"/C:0 /E:0 /Q", 0x1002E,
                            L"echo chime")) {
            printf("round %d: Copy Line did not run\n", round);
            CHECK(false);
        }
        wchar_t copied[32];
        CHECK(ClipboardText(copied, 32) && wcscmp(copied, L"echo chime") == 0); // so it chimed
        SetClipboardText(nullptr);
        CHECK(GetModuleHandleW(UnloadedCopy) == nullptr);
        Sleep(AliveAfterUnloadMs);
    }
}

} // namespace

namespace
{

// The shell reloads plug-ins on request and stays open for weeks: what the library or its
// runtime takes at load and start-up goes back by the unload, within 10 handles and 1 MB per
// 1,000 cycles of load, start, a sound, shut-down and unload, and no thread-local storage slot.
TEST(load_and_unload_cycles_leave_no_handles_or_memory_behind)
{
    enum { Cycles = 200, HandlesPer1000 = 10, BytesPer1000 = 1 << 20, SettleMs = 500 };
    const DWORD SettleLimitMs = 10000;
    const long long handleLimit = HandlesPer1000 * Cycles / 1000,
                    byteLimit = (long long)BytesPer1000 * Cycles / 1000;
    bool sounds = SoundsUnderQemu();
    // The first sounds load the player and its sounds for good.
    PlayThenUnload(sounds ? L"/E:3 /Q" : L"/E:0 /Q");
    PlayThenUnload(sounds ? L"/E:4 /Q" : L"/E:0 /Q");
    Sleep(SettleMs); // the last sound's player thread, and its stack, gone before each count
    uintptr_t handles = HandleCount();
    size_t bytes = CommittedBytes();
    unsigned long slot = FreeTlsSlot();
    int idle = 0; // cycles in which the action did not run
    for (int cycle = 0; cycle < Cycles; cycle++)
        idle += !PlayThenUnload(sounds ? (cycle % 2 ? L"/E:3 /Q" : L"/E:4 /Q") : L"/E:0 /Q");
    // The last sound's player thread ends a little after the unload, later on a loaded
    // machine: counted again while it may still run. What the library leaked stays.
    long long moreHandles, moreBytes;
    const DWORD start = GetTickCount();
    do {
        Sleep(SettleMs);
        moreHandles = (long long)HandleCount() - (long long)handles;
        moreBytes = (long long)CommittedBytes() - (long long)bytes;
    } while ((moreHandles > handleLimit || moreBytes > byteLimit) &&
             GetTickCount() - start < SettleLimitMs);
    printf("after %d load/unload cycles: %+lld handles, %+lld bytes committed, TLS slot %lu -> "
           "%lu\n",
           (int)Cycles, moreHandles, moreBytes, slot, FreeTlsSlot());
    CHECK_EQ(idle, 0);
    CHECK(moreHandles <= handleLimit);
    CHECK(moreBytes <= byteLimit);
    CHECK_EQ(FreeTlsSlot(), slot);
}

} // namespace
