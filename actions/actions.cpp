#include "actions/actions.h"

#include "actions/console/clearscreen.h"
#include "actions/console/marks.h"
#include "actions/console/printhistory.h"
#include "actions/console/viewport.h"
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
    {ActionClearScreen, ClearScreen},
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
    {ActionCharacterInfo, nullptr},
    {ActionScrollUpByCommands, ScrollUpByCommands},
    {ActionScrollDownByCommands, ScrollDownByCommands},
    {ActionFileToUri, nullptr},
    {ActionPrintViewport, PrintViewport},
    {ActionSaveViewportPicture, SaveViewportPicture},
    {ActionPrintHistory, PrintHistory},
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
