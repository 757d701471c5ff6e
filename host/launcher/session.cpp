#include "host/launcher/session.h"

#include "frame/text.h"
#include "host/launcher/commands.h"
#include "host/launcher/editline.h"
#include "host/launcher/help.h"
#include "host/launcher/history.h"
#include "host/launcher/keycodes.h"
#include "host/launcher/modifiers.h"
#include "host/launcher/screen.h"
#include "host/launcher/shelllib.h"

namespace
{

enum {
    KeyBackspace = 8,
    KeyEnter = 13,
    KeyEsc = 27,
    KeyCtrlC = 3,
    KeyF1 = ShellExtended | 0x3B,
    KeyF3 = ShellExtended | 0x3D,
    KeyHome = ShellExtended | 0x47,
    KeyEnd = ShellExtended | 0x4F,
    KeyLeft = ShellExtended | 0x4B,
    KeyRight = ShellExtended | 0x4D,
    KeyUp = ShellExtended | 0x48,
    KeyDown = ShellExtended | 0x50,
    KeyIns = ShellExtended | 0x52,
    KeyDel = ShellExtended | 0x53,
    KeyCtrlLeft = ShellExtended | 0x73,
    KeyCtrlRight = ShellExtended | 0x74,
    KeyCtrlEnd = ShellExtended | 0x75,
    KeyCtrlHome = ShellExtended | 0x77,
};

struct Session {
    SessionOptions options;
    EditLine line;
    LineView view;
    bool ended;
    int exitCode;
} State;

// The key name handed to a newer host's hook; the plug-in may empty it.
wchar_t KeyNameBuffer[64];

void NewPrompt(void)
{
    EditClear(&State.line);
    HistoryResetRecall();
    ShowPrompt(&State.view);
    ShellSetEditLine(State.line.text, State.view.homeRow, State.view.homeColumn);
}

void Redraw(int from)
{
    DrawLine(&State.view, &State.line, from);
    ShellSetEditLine(State.line.text, State.view.homeRow, State.view.homeColumn);
}

void ShowRecalled(const wchar_t *entry)
{
    EditSetText(&State.line, entry ? entry : L"");
    Redraw(0);
}

// Offers the key to the plug-in. True when the plug-in handled it (code 0); the line, the
// cursor and the line's place are taken over from the record as the hook left them.
bool OfferToHook(const ShellKey &key, bool *homeMoved)
{
    *homeMoved = false;
    if (!PluginHooksKeys())
        return false;
    ShellKeyEvent event = {};
    event.code = key.code;
    event.homeRow = State.view.homeRow;
    event.homeColumn = State.view.homeColumn;
    CellOf(&State.view, State.line.cursor, &event.row, &event.column);
    event.line = State.line.text;
    event.cursor = State.line.text + State.line.cursor;
    if (State.options.newerHost) {
        TextCopy(KeyNameBuffer, 64, key.name);
        event.keyName = KeyNameBuffer;
    }
    ShellSetEditLine(State.line.text, State.view.homeRow, State.view.homeColumn);

    int pressed = PressModifiers(key.shift, key.ctrl, key.alt);
    PluginKey(&event);
    ReleaseModifiers(pressed);

    // A plug-in that moved the screen under the line says so in homeRow, or in row alone.
    int cursorRow, cursorColumn;
    CellOf(&State.view, State.line.cursor, &cursorRow, &cursorColumn);
    if (event.homeRow == State.view.homeRow && event.row != cursorRow)
        event.homeRow += event.row - cursorRow;
    if (event.homeRow != State.view.homeRow || event.homeColumn != State.view.homeColumn) {
        State.view.homeRow = event.homeRow;
        State.view.homeColumn = event.homeColumn;
        *homeMoved = true;
    }
    // A cursor outside the buffer would be a plug-in fault; the old one stays then.
    int before = State.line.cursor;
    long long index = event.cursor - State.line.text;
    EditAdopt(&State.line, (index >= 0 && index < EditLineCapacity) ? (int)index : before);
    if (event.redraw)
        Redraw(0);
    else if (*homeMoved || State.line.cursor != before)
        PlaceCursor(&State.view, State.line.cursor);
    if (*homeMoved)
        ShellSetEditLine(State.line.text, State.view.homeRow, State.view.homeColumn);
    return event.code == 0;
}

void RunLine(bool homeMoved)
{
    // Output the hook wrote below the line (the calculator) already left a fresh row, where
    // the line's new home now is: the next output starts at its beginning.
    if (homeMoved)
        PlaceCursor(&State.view, 0);
    else
        LeaveLine(&State.view, &State.line);
    ShellSetEditLine(nullptr, 0, 0);
    HistoryAdd(State.line.text);
    ShellAddHistory(State.line.text);
    if (RunCommandLine(State.line.text, &State.exitCode) == CommandExit) {
        State.ended = true;
        return;
    }
    NewPrompt();
}

// F1: help on the word at the cursor. The plug-in's help opens in its viewer and leaves the
// line alone; the shell's own text goes below the line, which then comes back on a new
// prompt as it was.
void HelpAtCursor(void)
{
    wchar_t topic[256];
    HelpTopicAt(State.line.text, State.line.cursor, topic, 256);
    bool plugin = topic[0] && PluginHelp(topic);
    if (plugin && HelpViewerVisible())
        return;
    LeaveLine(&State.view, &State.line);
    if (plugin)
        ShowViewerNote();
    else
        ShowShellHelp(topic);
    ShowPrompt(&State.view);
    Redraw(0);
}

// The shell's own handling of a key the plug-in left alone.
void ShellHandles(const ShellKey &key, bool homeMoved)
{
    EditLine *line = &State.line;
    int before = line->cursor;
    if (key.character && key.code >= 32 && key.code != 127) {
        if (EditType(line, (wchar_t)key.code) == 0)
            Redraw(before);
        else
            MessageBeep(MB_OK); // the line is full
        return;
    }
    switch (key.code) {
    case KeyEnter:
        RunLine(homeMoved);
        break;
    case KeyBackspace:
        if (EditBackspace(line))
            Redraw(line->cursor);
        break;
    case KeyEsc:
        EditClear(line);
        Redraw(0);
        break;
    case KeyCtrlC:
        PlaceCursor(&State.view, EditLength(line));
        Out(L"^C\r\n");
        NewPrompt();
        break;
    case KeyHome:
        EditMoveTo(line, 0);
        break;
    case KeyEnd:
        EditMoveTo(line, EditLength(line));
        break;
    case KeyLeft:
        EditMoveTo(line, line->cursor - 1);
        break;
    case KeyRight:
        EditMoveTo(line, line->cursor + 1);
        break;
    case KeyCtrlLeft:
        EditMoveTo(line, EditWordLeft(line));
        break;
    case KeyCtrlRight:
        EditMoveTo(line, EditWordRight(line));
        break;
    case KeyUp:
        ShowRecalled(HistoryOlder());
        break;
    case KeyDown:
        ShowRecalled(HistoryNewer());
        break;
    case KeyDel:
        EditDelete(line, line->cursor, 1);
        Redraw(line->cursor);
        break;
    case KeyCtrlEnd:
        EditDelete(line, line->cursor, EditLength(line) - line->cursor);
        Redraw(line->cursor);
        break;
    case KeyCtrlHome:
        EditDelete(line, 0, line->cursor);
        Redraw(0);
        break;
    case KeyIns:
        line->insert = !line->insert;
        ShellSetVariable(L"_insert", line->insert ? L"1" : L"0");
        ShowMode(line->insert);
        break;
    case KeyF1:
        HelpAtCursor();
        break;
    case KeyF3: {
        // The rest of the previous command, from the current length on.
        const wchar_t *last = HistoryEntry(HistoryCount() - 1);
        int length = EditLength(line);
        if (last && (int)TextLength(last) > length) {
            EditMoveTo(line, length);
            EditInsert(line, last + length);
            Redraw(length);
        }
        break;
    }
    default:
        break;
    }
    if (!State.ended)
        PlaceCursor(&State.view, line->cursor);
}

} // namespace

void SessionStart(const SessionOptions &options)
{
    State.options = options;
    State.ended = false;
    State.exitCode = 0;
    State.line.insert = true;
    ShellSetVariable(L"_insert", L"1");
    ShowMode(true);
    NewPrompt();
}

bool SessionKey(const KEY_EVENT_RECORD &record)
{
    if (State.ended)
        return false;
    ShellKey key;
    if (!TranslateKeyEvent(record, State.options.newerHost, &key))
        return true;
    for (WORD repeat = record.wRepeatCount ? record.wRepeatCount : 1; repeat > 0; repeat--) {
        bool homeMoved = false;
        if (!OfferToHook(key, &homeMoved))
            ShellHandles(key, homeMoved);
        if (State.ended)
            return false;
    }
    return true;
}

bool SessionReadKeyboard(void)
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode;
    if (!GetConsoleMode(input, &mode))
        return false;
    while (!State.ended) {
        // The plug-in's popup lives on this thread: dispatch its messages (timers, clicks)
        // while waiting for keys, as the shell does.
        while (MsgWaitForMultipleObjects(1, &input, FALSE, INFINITE, QS_ALLINPUT) ==
               WAIT_OBJECT_0 + 1) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        INPUT_RECORD records[16];
        DWORD count = 0;
        if (!ReadConsoleInputW(input, records, 16, &count) || count == 0)
            return false;
        for (DWORD i = 0; i < count && !State.ended; i++)
            if (records[i].EventType == KEY_EVENT)
                SessionKey(records[i].Event.KeyEvent);
    }
    return true;
}

bool SessionEnded(void)
{
    return State.ended;
}

int SessionExitCode(void)
{
    return State.exitCode;
}
