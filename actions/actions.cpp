#include "actions/actions.h"

#include "actions/console/charinfo.h"
#include "actions/console/clearscreen.h"
#include "actions/console/marks.h"
#include "actions/console/printhistory.h"
#include "actions/console/viewport.h"
#include "actions/line/clipboard.h"
#include "actions/line/custominsert.h"
#include "actions/line/expandexpr.h"
#include "actions/line/fileuri.h"
#include "actions/line/lastargs.h"
#include "actions/line/mathword.h"
#include "actions/line/searchpath.h"
#include "actions/line/swapargs.h"
#include "actions/line/swapchars.h"
#include "actions/line/unicodeentry.h"
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
    {ActionSwapArguments, SwapArguments},
    {ActionInsertLastArgs, InsertLastArgs},
    {ActionClearScreen, ClearScreen},
    {ActionMathWord, MathWord},
    {ActionExpandExpression, ExpandExpression},
    {ActionUnicodeEntry, StartUnicodeEntry},
    {ActionCopyLine, CopyLine},
    {ActionCopyWord, CopyWordAction},
    {ActionCutWord, CutWordAction},
    {ActionSwapClipboardWord, SwapClipboardWord},
    {ActionChangeWordCase, ChangeWordCase},
    {ActionCustomInsert1, CustomInsert1},
    {ActionCustomInsert2, CustomInsert2},
    {ActionCustomInsert3, CustomInsert3},
    {ActionCharacterInfo, ShowCharacterInfo},
    {ActionScrollUpByCommands, ScrollUpByCommands},
    {ActionScrollDownByCommands, ScrollDownByCommands},
    {ActionFileToUri, FileToUri},
    {ActionPrintViewport, PrintViewport},
    {ActionSaveViewportPicture, SaveViewportPicture},
    {ActionPrintHistory, PrintHistory},
    {ActionSearchPathAndExpand, SearchPathAndExpand},
};

static_assert(RowsInIdOrder(ActionTable), "one row per action id, in id order");

} // namespace

ActionFunction FindAction(int id)
{
    if (id <= 0 || id > ActionCount)
        return nullptr;
    return ActionTable[id].run;
}
