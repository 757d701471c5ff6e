// The clipboard actions through the exported hook, on the real clipboard: Alt-C copies the
// line, Alt-W the word, Ctrl-Alt-W cuts it, Ctrl-Alt-Z swaps it with the clipboard's word.
#include "tests/support/check.h"
#include "tests/support/clipboard.h"
#include "tests/support/hostctl.h"
#include "tests/support/startedplugin.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

namespace
{

enum { CopyLineKey = 0x1002E, CopyWordKey = 0x10011, CutWordKey = 0x50011, SwapKey = 0x5002C };
enum { ClipCapacity = 70000 };

wchar_t Clip[ClipCapacity];

const wchar_t *Clipboard(void)
{
    if (!ClipboardText(Clip, ClipCapacity))
        wcscpy(Clip, L"(cannot open)");
    return Clip;
}

// The clipboard's text, row by row; a row that expects it unchanged names the sentinel.
const wchar_t Sentinel[] = L"sentinel text";

struct ClipCase {
    const char *name;
    int key;
    const wchar_t *clipboard; // before; null empties it
    const wchar_t *line;      // pattern before
    const wchar_t *after;     // pattern after
    const wchar_t *clipAfter;
    bool consumed;
    int honks;
};

const ClipCase Cases[] = {
    {"copy line keeps its blanks", CopyLineKey, Sentinel, L"  d|ir  ", L"  d|ir  ", L"  dir  ",
     true, 0},
    {"copy line, empty line", CopyLineKey, Sentinel, L"|", L"|", Sentinel, false, 0},
    {"copy line, blank line", CopyLineKey, Sentinel, L" \t |", L" \t |", Sentinel, false, 0},
    {"copy word, cursor on the blank after it", CopyWordKey, Sentinel, L"copy abc| def",
     L"copy abc| def", L"abc", true, 0},
    {"copy word, cursor on a later blank", CopyWordKey, Sentinel, L"copy abc |  def",
     L"copy abc |  def", Sentinel, true, 1},
    {"copy word keeps quotes and their blank", CopyWordKey, Sentinel, L"echo \"a| b\" x",
     L"echo \"a| b\" x", L"\"a b\"", true, 0},
    {"copy word, blank line", CopyWordKey, Sentinel, L"  |  ", L"  |  ", Sentinel, false, 0},
    {"cut word takes the blanks after it", CutWordKey, Sentinel, L"copy a|bc   def", L"copy |def",
     L"abc", true, 0},
    {"cut the last word", CutWordKey, Sentinel, L"copy abc|", L"copy |", L"abc", true, 0},
    {"cut word, cursor stays before it", CutWordKey, Sentinel, L"|one two", L"|two", L"one", true,
     0},
    {"cut word, no word", CutWordKey, Sentinel, L"copy  |  x", L"copy  |  x", Sentinel, true, 1},
    {"swap with the clipboard's first word", SwapKey, L"  first second", L"x a|bc y", L"x first| y",
     L"abc", true, 0},
    {"swap with an empty clipboard cuts the word", SwapKey, nullptr, L"x abc| y", L"x | y", L"abc",
     true, 0},
    {"swap, no word at the cursor", SwapKey, Sentinel, L"x  | y", L"x  | y", Sentinel, true, 1},
    {"swap on an empty line", SwapKey, Sentinel, L"|", L"|", Sentinel, true, 1},
};

} // namespace

TEST(clipboard_actions_table)
{
    if (SkipUnderQemu("the clipboard cases ended the emulated process there"))
        return;
    KeepClipboardText();
    for (const ClipCase &c : Cases) {
        CHECK(SetClipboardText(c.clipboard));
        ShellKeyEvent e = ShellLine(c.key, c.line);
        CHECK_EQ(PressKey(&e), 0);
        CHECK_ROW_LINE(c.name, e, c.after);
        if (wcscmp(c.line, c.after) == 0 && !LineUnchanged())
            CheckFailed(__FILE__, __LINE__, c.name, "the line's buffer changed");
        CHECK_ROW_TEXT(c.name, Clipboard(), c.clipAfter);
        CHECK_ROW_EQ(c.name, e.code, c.consumed ? 0 : c.key);
        CHECK_ROW_EQ(c.name, Host().HonkCalls(), c.honks);
        bool edited = wcscmp(c.line, c.after) != 0;
        CHECK_ROW_EQ(c.name, e.redraw, edited);
    }
}

namespace
{

// A second thread holds the clipboard open until told to let go, as another program would.
struct Holder {
    HANDLE opened, release, thread;
};

DWORD WINAPI HoldClipboard(void *parameter)
{
    Holder *holder = (Holder *)parameter;
    if (OpenClipboard(nullptr)) {
        SetEvent(holder->opened);
        WaitForSingleObject(holder->release, 10000);
        CloseClipboard();
    } else {
        SetEvent(holder->opened); // the test sees the actions succeed and fails
    }
    return 0;
}

Holder HoldOpen(void)
{
    Holder holder;
    holder.opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    holder.release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    holder.thread = CreateThread(nullptr, 0, HoldClipboard, &holder, 0, nullptr);
    WaitForSingleObject(holder.opened, 10000);
    return holder;
}

void LetGo(Holder &holder)
{
    SetEvent(holder.release);
    WaitForSingleObject(holder.thread, 10000);
    CloseHandle(holder.thread);
    CloseHandle(holder.opened);
    CloseHandle(holder.release);
}

} // namespace

// Every action fails on a clipboard that another thread holds open: error sound, key
// consumed, line byte-identical; the clipboard keeps its text.
TEST(clipboard_held_open_elsewhere)
{
    if (SkipUnderQemu("the clipboard cases ended the emulated process there"))
        return;
    KeepClipboardText();
    const struct {
        const char *name;
        int key;
    } rows[] = {{"copy line", CopyLineKey},
                {"copy word", CopyWordKey},
                {"cut word", CutWordKey},
                {"swap clipboard word", SwapKey}};
    for (const auto &row : rows) {
        CHECK(SetClipboardText(Sentinel));
        Holder holder = HoldOpen();
        ShellKeyEvent e = ShellLine(row.key, L"copy a|bc def");
        PressKey(&e);
        LetGo(holder);
        CHECK_ROW_LINE(row.name, e, L"copy a|bc def");
        if (!LineUnchanged())
            CheckFailed(__FILE__, __LINE__, row.name, "the line's buffer changed");
        CHECK_ROW_EQ(row.name, e.code, 0);
        CHECK_ROW_EQ(row.name, e.redraw, 0);
        CHECK_ROW_EQ(row.name, Host().HonkCalls(), 1);
        CHECK_ROW_TEXT(row.name, Clipboard(), Sentinel);
    }
}

// Clipboard contents the swap cannot use: a word too long for its buffer, or one that would
// make the line too long, fail with the line and the clipboard as they were.
TEST(clipboard_swap_refuses_an_oversized_word)
{
    if (SkipUnderQemu("the clipboard cases ended the emulated process there"))
        return;
    KeepClipboardText();
    static wchar_t huge[9001];
    wmemset(huge, L'x', 9000);
    huge[9000] = 0;
    CHECK(SetClipboardText(huge));
    ShellKeyEvent e = ShellLine(SwapKey, L"x a|bc y");
    PressKey(&e);
    CHECK_ROW_LINE("a 9,000-unit clipboard word", e, L"x a|bc y");
    CHECK(LineUnchanged());
    CHECK_EQ(e.code, 0);
    CHECK_EQ(Host().HonkCalls(), 1);
    CHECK_EQ(wcslen(Clipboard()), 9000);

    // 8,000 units fit the word buffer but not a line of 65,535 holding a 2-unit word.
    huge[8000] = 0;
    CHECK(SetClipboardText(huge));
    e = LongShellLine(SwapKey, 65535, L'a', 65535);
    e.line[65532] = L' ';
    PressKey(&e);
    CHECK(LineUnchanged());
    CHECK_EQ(e.cursor - e.line, 65535);
    CHECK_EQ(Host().HonkCalls(), 1);
    CHECK_EQ(wcslen(Clipboard()), 8000);

    // The longest word the buffer takes, 8,191 units, is swapped in whole.
    huge[8000] = L'x';
    huge[8191] = 0;
    CHECK(SetClipboardText(huge));
    e = ShellLine(SwapKey, L"ab|");
    PressKey(&e);
    CHECK_EQ(wcslen(e.line), 8191);
    CHECK_EQ(e.cursor - e.line, 8191);
    CHECK_TEXT(Clipboard(), L"ab");
    CHECK_EQ(Host().HonkCalls(), 0);
}

// A clipboard that holds data but no text gives an empty replacement, as an empty one does.
TEST(clipboard_swap_with_no_text_on_the_clipboard)
{
    if (SkipUnderQemu("the clipboard cases ended the emulated process there"))
        return;
    KeepClipboardText();
    UINT format = RegisterClipboardFormatW(L"Linewise test data");
    CHECK(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
    memcpy(GlobalLock(block), "data", 4);
    GlobalUnlock(block);
    SetClipboardData(format, block);
    CloseClipboard();
    ShellKeyEvent e = ShellLine(SwapKey, L"x abc| y");
    PressKey(&e);
    CHECK_ROW_LINE("clipboard holding no text", e, L"x | y");
    CHECK_TEXT(Clipboard(), L"abc");
}

// Lines and words at the size limits go to the clipboard whole.
TEST(clipboard_full_line_and_long_word)
{
    if (SkipUnderQemu("the clipboard cases ended the emulated process there"))
        return;
    KeepClipboardText();
    ShellKeyEvent e = LongShellLine(CopyLineKey, 65535, L'q', 100);
    PressKey(&e);
    CHECK_EQ(e.code, 0);
    CHECK_EQ(wcslen(Clipboard()), 65535);
    CHECK_EQ(Clip[65534], L'q');

    // A word longer than any word buffer: the cut removes exactly what the clipboard got.
    e = LongShellLine(CutWordKey, 10002, L'w', 5000);
    e.line[0] = L'a';
    e.line[1] = L' ';
    PressKey(&e);
    CHECK_ROW_LINE("cut a 10,000-unit word", e, L"a |");
    CHECK_EQ(wcslen(Clipboard()), 10000);
    CHECK_EQ(Host().HonkCalls(), 0);
}
