#include "keys/hotkeys.h"

#include "frame/globals.h"
#include "keys/hook.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"

#include <string.h>

namespace
{

struct Binding {
    int code;
    int action;
};

void Fill(HotkeyTableData *table, const Binding *bindings, int count)
{
    memset(table, 0, sizeof *table);
    for (int i = 0; i < count; i++) {
        table->entries[i].code = bindings[i].code;
        table->entries[i].action = (unsigned short)bindings[i].action;
    }
    table->count = (unsigned)count;
}

void CheckTable(const HotkeyTableData &table, const Binding *expected, int count)
{
    CHECK_EQ(table.count, count);
    for (int i = 0; i < count && i < MaxHotkeys; i++) {
        CHECK_EQ(table.entries[i].code, expected[i].code);
        CHECK_EQ(table.entries[i].action, expected[i].action);
    }
}

void StartCapture(void)
{
    Host().CaptureOutput(1);
    TakeOutput(1);
    TakeOutput(2);
}

void StopCapture(void)
{
    Host().CaptureOutput(0);
}

} // namespace

TEST(set_appends_and_replaces_in_place)
{
    HotkeyTableData table;
    Fill(&table, nullptr, 0);
    CHECK_EQ(HotkeySet(&table, 0x1003B, 1), 0);
    CHECK_EQ(HotkeySet(&table, 0x30054, 2), 0);
    CHECK_EQ(HotkeySet(&table, 0x18, 3), 0);
    const Binding added[] = {{0x1003B, 1}, {0x30054, 2}, {0x18, 3}};
    CheckTable(table, added, 3);

    CHECK_EQ(HotkeySet(&table, 0x30054, 23), 0);
    const Binding replaced[] = {{0x1003B, 1}, {0x30054, 23}, {0x18, 3}};
    CheckTable(table, replaced, 3);
    CHECK_EQ(table.entries[1].reserved, 0);
}

TEST(code_zero_is_refused)
{
    HotkeyTableData table;
    const Binding one[] = {{0x1003B, 1}};
    Fill(&table, one, 1);
    StartCapture();
    CHECK_EQ(HotkeySet(&table, 0, 5), -1);
    CHECK_EQ(HotkeySet(&table, 0, 0), -1);
    CHECK_EQ(HotkeyRemove(&table, 0), -1);
    CHECK_TEXT(TakeOutput(2), L"");
    StopCapture();
    CheckTable(table, one, 1);
}

TEST(sixty_fifth_binding_is_refused)
{
    HotkeyTableData table;
    Fill(&table, nullptr, 0);
    for (int i = 0; i < MaxHotkeys; i++)
        CHECK_EQ(HotkeySet(&table, 0x10000 + i, 1 + i % ActionCount), 0);
    CHECK_EQ(table.count, 64);

    StartCapture();
    CHECK_EQ(HotkeySet(&table, 0x20001, 4), 1);
    CHECK_TEXT(TakeOutput(2), L"Linewise plugin: Too many hotkeys (64 max)\r\n");
    CHECK_TEXT(TakeOutput(1), L"");
    // A full table still takes new actions for its own keys, and removals.
    CHECK_EQ(HotkeySet(&table, 0x10000 + 63, 7), 0);
    CHECK_EQ(table.entries[63].action, 7);
    CHECK_EQ(HotkeySet(&table, 0x10005, 0), 0);
    CHECK_TEXT(TakeOutput(2), L"");
    StopCapture();
    CHECK_EQ(table.count, 63);
    CHECK_EQ(HotkeySet(&table, 0x20001, 4), 0);
    CHECK_EQ(table.count, 64);
    CHECK_EQ(table.entries[63].code, 0x20001);
}

TEST(remove_takes_out_the_last_duplicate_and_keeps_order)
{
    HotkeyTableData table;
    const Binding stored[] = {{0x41, 1}, {0x42, 2}, {0x41, 3}, {0x43, 4}, {0x44, 5}};
    Fill(&table, stored, 5);
    CHECK_EQ(HotkeyLookup(&table, 0x41)->action, 1);

    CHECK_EQ(HotkeyRemove(&table, 0x41), 0);
    const Binding first[] = {{0x41, 1}, {0x42, 2}, {0x43, 4}, {0x44, 5}};
    CheckTable(table, first, 4);
    // The freed slot does not keep a stale binding.
    CHECK_EQ(table.entries[4].code, 0);
    CHECK_EQ(table.entries[4].action, 0);

    CHECK_EQ(HotkeySet(&table, 0x41, 0), 0);
    const Binding second[] = {{0x42, 2}, {0x43, 4}, {0x44, 5}};
    CheckTable(table, second, 3);
    CHECK(HotkeyLookup(&table, 0x41) == nullptr);

    StartCapture();
    CHECK_EQ(HotkeyRemove(&table, 0x41), 1);
    CHECK_TEXT(TakeOutput(2), L"Linewise plugin: Hotkey not found\r\n");
    CHECK_EQ(HotkeySet(&table, 0x45, 0), 1);
    CHECK_TEXT(TakeOutput(2), L"Linewise plugin: Hotkey not found\r\n");
    StopCapture();
    CheckTable(table, second, 3);

    CHECK_EQ(HotkeyRemove(&table, 0x44), 0);
    CHECK_EQ(HotkeyRemove(&table, 0x42), 0);
    const Binding third[] = {{0x43, 4}};
    CheckTable(table, third, 1);
}

TEST(lookup_takes_the_first_entry_in_use)
{
    HotkeyTableData table;
    const Binding stored[] = {{0x1003B, 9}, {0x10054, 2}, {0x1003B, 4}};
    Fill(&table, stored, 3);
    const Hotkey *hit = HotkeyLookup(&table, 0x1003B);
    CHECK(hit == &table.entries[0]);
    CHECK(HotkeyLookup(&table, 0x10054) == &table.entries[1]);
    CHECK(HotkeyLookup(&table, 0x10055) == nullptr);
    // Entries past the count are not in use.
    table.entries[5].code = 0x10055;
    table.entries[5].action = 1;
    CHECK(HotkeyLookup(&table, 0x10055) == nullptr);
    table.count = 0;
    CHECK(HotkeyLookup(&table, 0x1003B) == nullptr);
}

TEST(a_count_beyond_the_table_stays_within_it)
{
    // A corrupt count (stored data) must not take any operation past the 64 entries.
    HotkeyTableData table;
    Fill(&table, nullptr, 0);
    for (int i = 0; i < MaxHotkeys; i++)
        table.entries[i] = Hotkey{0x100 + i, 1, 0};
    table.count = 0xFFFFFFFFu;
    CHECK(HotkeyLookup(&table, 0x100 + 63) == &table.entries[63]);
    CHECK(HotkeyLookup(&table, 0x100 + 64) == nullptr);
    StartCapture();
    CHECK_EQ(HotkeySet(&table, 0x7777, 1), 1);
    TakeOutput(2);
    StopCapture();
    CHECK_EQ(HotkeyRemove(&table, 0x100), 0);
    CHECK_EQ(table.count, 63);
    CHECK_EQ(table.entries[0].code, 0x101);
}

TEST(action_names)
{
    CHECK_TEXT(ActionNames[0], L"");
    CHECK_TEXT(ActionNames[1], L"Swap Characters");
    CHECK_TEXT(ActionNames[11], L"Swap Clipboard Word");
    CHECK_TEXT(ActionNames[19], L"File to URI");
    CHECK_TEXT(ActionNames[23], L"Search Path and Expand");
    for (int id = 1; id <= ActionCount; id++) {
        CHECK(ActionNames[id][0] != 0);
        CHECK(wcslen(ActionNames[id]) <= 23);
    }
}

TEST(modifier_bits_for_every_combination)
{
    for (int newer = 0; newer < 2; newer++) {
        CHECK_EQ(ModifierBits(false, false, false, newer), 0);
        CHECK_EQ(ModifierBits(true, false, false, newer), 0);
        CHECK_EQ(ModifierBits(false, true, false, newer), 0);
        CHECK_EQ(ModifierBits(false, false, true, newer), 0);
        CHECK_EQ(ModifierBits(true, false, true, newer), 0);
        CHECK_EQ(ModifierBits(true, true, false, newer), 0x20000);
        CHECK_EQ(ModifierBits(false, true, true, newer), 0x40000);
    }
    CHECK_EQ(ModifierBits(true, true, true, false), 0);
    CHECK_EQ(ModifierBits(true, true, true, true), 0x60000);
    // The bits turn the shell's codes into the names' codes: Shift-F1 held with Ctrl.
    CHECK_EQ(0x10054 | ModifierBits(true, true, false, false), 0x30054);
    CHECK_EQ(0x1005E | ModifierBits(false, true, true, false), 0x5005E);
}

namespace
{

bool Down(int virtualKey)
{
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

int BitsFromKeyboard(bool newerHost)
{
    return ModifierBits(Down(VK_SHIFT), Down(VK_CONTROL), Down(VK_MENU), newerHost);
}

} // namespace

TEST(modifier_keys_pressed_for_real)
{
    struct Combination {
        bool shift, ctrl, alt;
        int older, newer;
    };
    const Combination combinations[] = {
        {false, false, false, 0, 0},
        {true, false, false, 0, 0},
        {false, true, false, 0, 0},
        {false, false, true, 0, 0},
        {true, true, false, 0x20000, 0x20000},
        {false, true, true, 0x40000, 0x40000},
        {true, false, true, 0, 0},
        {true, true, true, 0, 0x60000},
    };
    for (const Combination &c : combinations) {
        PressModifiers(c.shift, c.ctrl, c.alt, true);
        CHECK_EQ(Down(VK_SHIFT), c.shift);
        CHECK_EQ(Down(VK_CONTROL), c.ctrl);
        CHECK_EQ(Down(VK_MENU), c.alt);
        CHECK_EQ(BitsFromKeyboard(false), c.older);
        CHECK_EQ(BitsFromKeyboard(true), c.newer);
        PressModifiers(c.shift, c.ctrl, c.alt, false);
        CHECK(!Down(VK_SHIFT) && !Down(VK_CONTROL) && !Down(VK_MENU));
    }
}

namespace
{

// One keystroke through the hook with the given modifiers held; the code the shell is left
// with (0 when a bound action took the key).
int Keystroke(int code, bool shift, bool ctrl, bool alt)
{
    static wchar_t line[65536];
    line[0] = L'a';
    line[1] = L'b';
    line[2] = 0;
    KeyEvent event = {};
    event.code = code;
    event.line = line;
    event.cursor = line + 1;
    PressModifiers(shift, ctrl, alt, true);
    key(&event);
    PressModifiers(shift, ctrl, alt, false);
    return event.code;
}

} // namespace

TEST(hook_adds_the_modifiers_it_reads)
{
    HotkeyTableData saved = HotkeyTable;
    bool savedNewer = Plugin.newerHost;
    memset(&HotkeyTable, 0, sizeof HotkeyTable);
    // Swap Characters on the codes of Ctrl-Shift-F1, Ctrl-Alt-F1 and Ctrl-Alt-Shift-F1.
    HotkeySet(&HotkeyTable, 0x30054, 1);
    HotkeySet(&HotkeyTable, 0x5005E, 1);
    HotkeySet(&HotkeyTable, 0x70054, 1);

    Plugin.newerHost = false;
    CHECK_EQ(Keystroke(0x10054, true, true, false), 0);
    CHECK_EQ(Keystroke(0x1005E, false, true, true), 0);
    CHECK_EQ(Keystroke(0x10054, true, false, false), 0x10054);
    CHECK_EQ(Keystroke(0x10054, true, false, true), 0x10054);
    CHECK_EQ(Keystroke(0x10054, true, true, true), 0x10054);
    Plugin.newerHost = true;
    CHECK_EQ(Keystroke(0x10054, true, true, true), 0);
    CHECK_EQ(Keystroke(0x10054, false, false, false), 0x10054);

    HotkeyTable = saved;
    Plugin.newerHost = savedNewer;
}
