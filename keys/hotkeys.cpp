#include "keys/hotkeys.h"

#include "frame/host.h"
#include "frame/messages.h"

HotkeyTableData HotkeyTable;

namespace
{

struct NamedAction {
    ActionId id;
    const wchar_t *name;
};

// One row per action, in id order (checked below at compile time).
constexpr NamedAction NamedActions[] = {
    {ActionNone, L""},
    {ActionSwapCharacters, L"Swap Characters"},
    {ActionSwapArguments, L"Swap Arguments"},
    {ActionInsertLastArgs, L"Insert Last Args"},
    {ActionClearScreen, L"Clear Screen"},
    {ActionMathWord, L"Math Word"},
    {ActionExpandExpression, L"Expand Expression"},
    {ActionUnicodeEntry, L"Unicode Entry"},
    {ActionCopyLine, L"Copy Line"},
    {ActionCopyWord, L"Copy Word"},
    {ActionCutWord, L"Cut Word"},
    {ActionSwapClipboardWord, L"Swap Clipboard Word"},
    {ActionChangeWordCase, L"Change Word Case"},
    {ActionCustomInsert1, L"Custom Insert 1"},
    {ActionCustomInsert2, L"Custom Insert 2"},
    {ActionCustomInsert3, L"Custom Insert 3"},
    {ActionCharacterInfo, L"Character Info"},
    {ActionScrollUpByCommands, L"Scroll Up By Commands"},
    {ActionScrollDownByCommands, L"Scroll Down By Commands"},
    {ActionFileToUri, L"File to URI"},
    {ActionPrintViewport, L"Print Viewport"},
    {ActionSaveViewportPicture, L"Save Viewport Picture"},
    {ActionPrintHistory, L"Print History"},
    {ActionSearchPathAndExpand, L"Search Path and Expand"},
};

static_assert(RowsInIdOrder(NamedActions), "one name per action id, in id order");

struct NameList {
    const wchar_t *names[ActionCount + 1];
};

constexpr NameList ListNames()
{
    NameList list = {};
    for (const NamedAction &row : NamedActions)
        list.names[row.id] = row.name;
    return list;
}
constexpr NameList Names = ListNames();

} // namespace

const wchar_t *const (&ActionNames)[ActionCount + 1] = Names.names;

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
