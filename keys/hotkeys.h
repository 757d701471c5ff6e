// The hotkey table: bindings of key codes to action ids, and the action names.
#pragma once
#include <stddef.h>

enum { MaxHotkeys = 64 };

// The actions by id, as stored in "Key n" values and given to /K. The numbers are the stored
// format: never renumber.
enum ActionId {
    ActionNone = 0,
    ActionSwapCharacters = 1,
    ActionSwapArguments = 2,
    ActionInsertLastArgs = 3,
    ActionClearScreen = 4,
    ActionMathWord = 5,
    ActionExpandExpression = 6,
    ActionUnicodeEntry = 7,
    ActionCopyLine = 8,
    ActionCopyWord = 9,
    ActionCutWord = 10,
    ActionSwapClipboardWord = 11,
    ActionChangeWordCase = 12,
    ActionCustomInsert1 = 13,
    ActionCustomInsert2 = 14,
    ActionCustomInsert3 = 15,
    ActionCharacterInfo = 16,
    ActionScrollUpByCommands = 17,
    ActionScrollDownByCommands = 18,
    ActionFileToUri = 19,
    ActionPrintViewport = 20,
    ActionSaveViewportPicture = 21,
    ActionPrintHistory = 22,
    ActionSearchPathAndExpand = 23,
    ActionCount = 23
};

// For the tables indexed by action id: true when they hold one row per id, row i for id i.
template <typename Row, size_t N> constexpr bool RowsInIdOrder(const Row (&rows)[N])
{
    for (size_t i = 0; i < N; i++)
        if (rows[i].id != (int)i)
            return false;
    return N == ActionCount + 1;
}

// One binding, 8 bytes: the layout of a stored "Key n" value.
struct Hotkey {
    int code;
    unsigned short action; // ActionId, 0 = none
    unsigned short reserved;
};

struct HotkeyTableData {
    Hotkey entries[MaxHotkeys];
    unsigned int count;
};

extern HotkeyTableData HotkeyTable;

// Indexed by action id; id 0 is the empty name. A reference to the array that hotkeys.cpp
// builds from its rows of id and name, which are checked at compile time.
extern const wchar_t *const (&ActionNames)[ActionCount + 1];

// set: action 0 removes; replaces an existing binding or appends. 0 success, 1 table full
// (message written), -1 code 0.
int HotkeySet(HotkeyTableData *table, int code, int action);
// remove: takes out the last entry with the code. 0 success, 1 not found (message written),
// -1 code 0.
int HotkeyRemove(HotkeyTableData *table, int code);
// lookup: the first entry with the code, or null.
const Hotkey *HotkeyLookup(const HotkeyTableData *table, int code);
