#include "keys/hotkeys.h"

#include "frame/host.h"
#include "frame/messages.h"

HotkeyTableData HotkeyTable;

const wchar_t *const ActionNames[ActionCount + 1] = {
    L"",                        // ActionNone
    L"Swap Characters",         // ActionSwapCharacters
    L"Swap Arguments",          // ActionSwapArguments
    L"Insert Last Args",        // ActionInsertLastArgs
    L"Clear Screen",            // ActionClearScreen
    L"Math Word",               // ActionMathWord
    L"Expand Expression",       // ActionExpandExpression
    L"Unicode Entry",           // ActionUnicodeEntry
    L"Copy Line",               // ActionCopyLine
    L"Copy Word",               // ActionCopyWord
    L"Cut Word",                // ActionCutWord
    L"Swap Clipboard Word",     // ActionSwapClipboardWord
    L"Change Word Case",        // ActionChangeWordCase
    L"Custom Insert 1",         // ActionCustomInsert1
    L"Custom Insert 2",         // ActionCustomInsert2
    L"Custom Insert 3",         // ActionCustomInsert3
    L"Character Info",          // ActionCharacterInfo
    L"Scroll Up By Commands",   // ActionScrollUpByCommands
    L"Scroll Down By Commands", // ActionScrollDownByCommands
    L"File to URI",             // ActionFileToUri
    L"Print Viewport",          // ActionPrintViewport
    L"Save Viewport Picture",   // ActionSaveViewportPicture
    L"Print History",           // ActionPrintHistory
    L"Search Path and Expand",  // ActionSearchPathAndExpand
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
