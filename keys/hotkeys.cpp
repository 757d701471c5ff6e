#include "keys/hotkeys.h"

#include "frame/host.h"
#include "frame/messages.h"

HotkeyTableData HotkeyTable;

const wchar_t *const ActionNames[ActionCount + 1] = {
    L"",
    L"Swap Characters",
    L"Swap Arguments",
    L"Insert Last Args",
    L"Clear Screen",
    L"Math Word",
    L"Expand Expression",
    L"Unicode Entry",
    L"Copy Line",
    L"Copy Word",
    L"Cut Word",
    L"Swap Clipboard Word",
    L"Change Word Case",
    L"Custom Insert 1",
    L"Custom Insert 2",
    L"Custom Insert 3",
    L"Character Info",
    L"Scroll Up By Commands",
    L"Scroll Down By Commands",
    L"File to URI",
    L"Print Viewport",
    L"Save Viewport Picture",
    L"Print History",
    L"Search Path and Expand",
};

int HotkeySet(HotkeyTableData *table, int code, int action)
{
    if (code == 0)
        return -1;
    if (action == 0)
        return HotkeyRemove(table, code);
    unsigned count = table->count > (unsigned)MaxHotkeys ? (unsigned)MaxHotkeys : table->count;
    for (unsigned i = 0; i < count; i++)
        if (table->entries[i].code == code) {
            table->entries[i].action = (unsigned short)action;
            return 0;
        }
    if (count >= MaxHotkeys) {
        ReportErrorPrefix();
        Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"Too many hotkeys (%d max)\r\n", (int)MaxHotkeys);
        return 1;
    }
    table->entries[count].code = code;
    table->entries[count].action = (unsigned short)action;
    table->entries[count].reserved = 0;
    table->count = count + 1;
    return 0;
}

int HotkeyRemove(HotkeyTableData *table, int code)
{
    if (code == 0)
        return -1;
    unsigned count = table->count > (unsigned)MaxHotkeys ? (unsigned)MaxHotkeys : table->count;
    for (unsigned i = count; i-- > 0;)
        if (table->entries[i].code == code) {
            for (unsigned j = i; j + 1 < count; j++)
                table->entries[j] = table->entries[j + 1];
            table->entries[count - 1] = Hotkey{0, 0, 0};
            table->count = count - 1;
            return 0;
        }
    ReportErrorPrefix();
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"Hotkey not found\r\n");
    return 1;
}

const Hotkey *HotkeyLookup(const HotkeyTableData *table, int code)
{
    unsigned count = table->count > (unsigned)MaxHotkeys ? (unsigned)MaxHotkeys : table->count;
    for (unsigned i = 0; i < count; i++)
        if (table->entries[i].code == code)
            return &table->entries[i];
    return nullptr;
}
