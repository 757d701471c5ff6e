#include "actions/actions.h"

#include "actions/console/charinfo.h"
#include "actions/console/marks.h"
#include "actions/line/lastargs.h"
#include "actions/line/swapchars.h"
#include "keys/hotkeys.h"

namespace
{

struct ActionRow {
    ActionId id;
    ActionFunction run;
};

// One row per action, in id order (checked below at compile time).
constexpr ActionRow ActionTable[] = {
    {ActionNone, nullptr},
    {ActionSwapCharacters, SwapCharacters},
    {ActionSwapArguments, nullptr},
    {ActionInsertLastArgs, InsertLastArgs},
    {ActionClearScreen, nullptr},
    {ActionMathWord, nullptr},
    {ActionExpandExpression, nullptr},
    {ActionUnicodeEntry, nullptr},
    {ActionCopyLine, nullptr},
    {ActionCopyWord, nullptr},
    {ActionCutWord, nullptr},
    {ActionSwapClipboardWord, nullptr},
    {ActionChangeWordCase, ChangeWordCase},
    {ActionCustomInsert1, nullptr},
    {ActionCustomInsert2, nullptr},
    {ActionCustomInsert3, nullptr},
    {ActionCharacterInfo, ShowCharacterInfo},
    {ActionScrollUpByCommands, ScrollUpByCommands},
    {ActionScrollDownByCommands, ScrollDownByCommands},
    {ActionFileToUri, nullptr},
    {ActionPrintViewport, nullptr},
    {ActionSaveViewportPicture, nullptr},
    {ActionPrintHistory, nullptr},
    {ActionSearchPathAndExpand, nullptr},
};

constexpr bool RowsInIdOrder()
{
    for (int i = 0; i < (int)(sizeof ActionTable / sizeof ActionTable[0]); i++)
        if (ActionTable[i].id != i)
            return false;
    return sizeof ActionTable / sizeof ActionTable[0] == ActionCount + 1;
}
static_assert(RowsInIdOrder(), "one row per action id, in id order");

} // namespace

ActionFunction FindAction(int id)
{
    if (id <= 0 || id > ActionCount)
        return nullptr;
    return ActionTable[id].run;
}
