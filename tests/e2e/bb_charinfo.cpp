// Character Info through the plug-in's exports: the status bar of the graphical host, the
// popup (text, transparency, owner, place, following its owner, closing, remembered place)
// and the message box when no popup can be made. Windows come from Wine's null driver; the
// owner is a Console2 main window of this process, which the plug-in finds as the console's
// host.
#include "tests/support/check.h"
#include "tests/support/hostctl.h"
#include "tests/support/platform.h"
#include "tests/support/startedplugin.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

namespace
{

enum { CtrlA = 1, Esc = 27 };
const wchar_t SettingsKey[] = L"Software\\JPPlugins\\Linewise";

PluginDll &Loaded(void)
{
    // The popup's owner is the test's own Console2-like window: no other host may be named by
    // what earlier tests of the same program left in the environment.
    SetEnvironmentVariableW(L"ConEmuHWND", nullptr);
    SetEnvironmentVariableW(L"ConEmuDrawHWND", nullptr);
    // the error sound is the shell's honk, which we can count
    static PluginDll plugin = StartPlugin(L"/E:1 /Q");
    return plugin;
}

void Pump(int milliseconds)
{
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    } while ((int)(GetTickCount() - start) < milliseconds);
}

// Ctrl-A on the line with the cursor at the given offset; the key must be consumed and the
// line left as it was.
void CharacterInfo(const wchar_t *text, int cursor)
{
    ShellKeyEvent event = PlainLineEvent<ShellKeyEvent>(CtrlA, text, cursor);
    RememberLine();
    Loaded().key(&event);
    CHECK_EQ(event.code, 0);
    CHECK(LineUnchanged());
    CHECK_EQ(CursorOf(event), cursor);
}

void PressEsc(void)
{
    ShellKeyEvent event = LineEvent<ShellKeyEvent>(Esc, L"");
    Loaded().key(&event);
}

HWND Popup(void)
{
    return FindWindowW(L"#32770", L"Character Info");
}

const wchar_t *PopupText(void)
{
    static wchar_t text[1024];
    text[0] = 0;
    GetDlgItemTextW(Popup(), -1, text, 1024);
    return text;
}

LRESULT CALLBACK OwnerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND Owner;

// The owner must be the first host the plug-in's search finds; false, with the case skipped,
// when this program's own console window would be found before it.
bool OwnerFoundFirst(void)
{
    if (ConsoleWindowOutOfTheWay())
        return true;
    SkipCase("the console's own host window is found before the test's Console2 window");
    return false;
}

void MakeOwner(void)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = OwnerProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"Console_2_Main";
    RegisterClassW(&windowClass);
    Owner = CreateWindowExW(0, L"Console_2_Main", L"console", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                            100, 640, 400, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!Owner) {
        printf("cannot make the owner window (no graphics driver?)\n");
        exit(2);
    }
}

void ConsoleSubkey(wchar_t *out)
{
    swprintf(out, 128, L"%ls\\CharInfo Popup %04X", SettingsKey,
             (unsigned int)(ULONG_PTR)GetConsoleWindow());
}

void CleanRegistry(void)
{
    wchar_t path[128];
    ConsoleSubkey(path);
    RegDeleteKeyW(HKEY_CURRENT_USER, path);
    swprintf(path, 128, L"%ls\\CharInfo Popup", SettingsKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, path);
}

// The four values of a subkey; false when one is missing.
bool ReadPlace(const wchar_t *path, int values[4])
{
    const wchar_t *names[4] = {L"X Offset", L"Y Offset", L"Width", L"Height"};
    for (int i = 0; i < 4; i++) {
        DWORD size = sizeof(DWORD), value = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, path, names[i], RRF_RT_REG_DWORD, nullptr, &value,
                         &size) != ERROR_SUCCESS)
            return false;
        values[i] = (int)value;
    }
    return true;
}

void WritePlace(const wchar_t *path, const int values[4], int count)
{
    const wchar_t *names[4] = {L"X Offset", L"Y Offset", L"Width", L"Height"};
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    for (int i = 0; i < count; i++)
        RegSetValueExW(key, names[i], 0, REG_DWORD, (const BYTE *)&values[i], sizeof(DWORD));
    RegCloseKey(key);
}

RECT RectOf(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

// Where the popup goes when no place is remembered: the owner's top right.
POINT DefaultCorner(void)
{
    RECT owner = RectOf(Owner), popup = RectOf(Popup());
    POINT corner = {owner.right - (popup.right - popup.left) - GetSystemMetrics(SM_CXVSCROLL) - 10,
                    owner.top + GetSystemMetrics(SM_CYCAPTION) + 15};
    return corner;
}

bool CloseByCancel(void)
{
    HWND popup = Popup();
    if (!popup)
        return false;
    SendMessageW(popup, WM_COMMAND, IDCANCEL, 0);
    return !IsWindow(popup);
}

const wchar_t GrinningPopup[] =
    L"Character: \t\xD83D\xDE00\n\nValue: \t\tU+1F600  (128512 decimal)\n"
    L"UTF-8: \t\tF0 9F 98 80\nUTF-16: \tD83D DE00\n\nGRINNING FACE\n";

} // namespace

TEST(charinfo_empty_line_and_status_bar)
{
    Loaded();
    CleanRegistry();
    Host().ResetCounters();
    CharacterInfo(L"", 0);
    CHECK_EQ(Host().HonkCalls(), 1);
    CHECK(Popup() == nullptr);

    // The graphical host shows the line (with the name from icu.dll) and closes a popup.
    MakeOwner();
    CharacterInfo(L"x", 0);
    CHECK(Popup() != nullptr);
    Host().SetGraphicalHost(1, nullptr);
    CharacterInfo(L"a\xD83D\xDE00", 2);
    wchar_t status[1024];
    Host().TakeStatusBar(status, 1024);
    CHECK_TEXT(status, L"[\x200A\xD83D\xDE00\x200A] \x2001\x2001U+1F600   (128512 decimal) "
                       L"\x2001\x2001UTF-8: F0 9F 98 80 \x2001\x2001UTF-16: D83D DE00 "
                       L"\x2001\x2001GRINNING FACE");
    CHECK(Popup() == nullptr);
    Host().SetGraphicalHost(0, nullptr);
    DestroyWindow(Owner);
    CleanRegistry();
}

TEST(charinfo_popup_text_look_and_place)
{
    if (SkipUnderQemu("opens the popup or a message box"))
        return;
    if (!OwnerFoundFirst())
        return;
    Loaded();
    CleanRegistry();
    MakeOwner();
    SetForegroundWindow(Owner);
    CharacterInfo(L"a\xD83D\xDE00", 1);
    HWND popup = Popup();
    CHECK(popup != nullptr);
    CHECK_TEXT(PopupText(), GrinningPopup);
    BYTE alpha = 0;
    DWORD flags = 0;
    CHECK(GetLayeredWindowAttributes(popup, nullptr, &alpha, &flags));
    CHECK_EQ(alpha, 240);
    CHECK_EQ(flags, LWA_ALPHA);
    CHECK(GetWindow(popup, GW_OWNER) == Owner);
    CHECK(GetForegroundWindow() == Owner);
    RECT place = RectOf(popup);
    POINT corner = DefaultCorner();
    CHECK_EQ(place.left, corner.x);
    CHECK_EQ(place.top, corner.y);

    // Again: the same window, new text, same place.
    CharacterInfo(L"\tx", 0);
    CHECK(Popup() == popup);
    CHECK_TEXT(PopupText(), L"Character: \t^I  (HT)\n\nValue: \t\tU+0009  (9 decimal)\n"
                            L"UTF-8: \t\t09\n");
    CHECK(RectOf(popup).left == place.left && RectOf(popup).top == place.top);

    // The owner moves: the popup follows within about 300 ms.
    SetWindowPos(Owner, nullptr, 150, 140, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    DWORD start = GetTickCount();
    while (RectOf(popup).left == place.left && GetTickCount() - start < 2000)
        Pump(10);
    // One 300 ms tick; room for a slow (emulated) 32-bit Wine.
    DWORD took = GetTickCount() - start;
    CHECK(took < 1000);
    CHECK_EQ(RectOf(popup).left, place.left + 50);
    CHECK_EQ(RectOf(popup).top, place.top + 40);

    // Closed: its place relative to the owner is kept for this console only; no quit message.
    RECT last = RectOf(popup), owner = RectOf(Owner);
    CHECK(CloseByCancel());
    MSG quit;
    CHECK(!PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    wchar_t path[128];
    ConsoleSubkey(path);
    int values[4] = {};
    CHECK(ReadPlace(path, values));
    CHECK_EQ(values[0], last.left - owner.left);
    CHECK_EQ(values[1], last.top - owner.top);
    CHECK_EQ(values[2], last.right - last.left);
    CHECK_EQ(values[3], last.bottom - last.top);
    wchar_t defaultPath[128];
    swprintf(defaultPath, 128, L"%ls\\CharInfo Popup", SettingsKey);
    CHECK(!ReadPlace(defaultPath, values));
    DestroyWindow(Owner);
    CleanRegistry();
}

TEST(charinfo_remembered_places)
{
    if (SkipUnderQemu("opens the popup or a message box"))
        return;
    if (!OwnerFoundFirst())
        return;
    Loaded();
    CleanRegistry();
    MakeOwner();
    wchar_t path[128], defaultPath[128];
    ConsoleSubkey(path);
    swprintf(defaultPath, 128, L"%ls\\CharInfo Popup", SettingsKey);
    struct Row {
        const char *name;
        int console[4], consoleCount; // values written for this console
        int defaults[4], defaultCount;
        bool expectDefaultCorner;
        int x, y, width, height; // else the place relative to the owner
    } rows[] = {
        {"this console's place", {20, 30, 400, 200}, 4, {}, 0, false, 20, 30, 400, 200},
        {"this console's place before the default",
         {-300, 10, 310, 150},
         4,
         {5, 5, 300, 160},
         4,
         false,
         -300,
         10,
         310,
         150},
        {"the default when this console has none",
         {},
         0,
         {5, 6, 300, 160},
         4,
         false,
         5,
         6,
         300,
         160},
        {"off every monitor: ignored", {-10000, 0, 300, 150}, 4, {}, 0, true, 0, 0, 0, 0},
        {"off-monitor place, then the default",
         {-10000, 0, 300, 150},
         4,
         {7, 8, 300, 160},
         4,
         false,
         7,
         8,
         300,
         160},
        {"a value missing", {20, 30, 400}, 3, {}, 0, true, 0, 0, 0, 0},
    };
    for (const Row &row : rows) {
        CleanRegistry();
        if (row.consoleCount)
            WritePlace(path, row.console, row.consoleCount);
        if (row.defaultCount)
            WritePlace(defaultPath, row.defaults, row.defaultCount);
        CharacterInfo(L"z", 0);
        HWND popup = Popup();
        CHECK_ROW(row.name, popup != nullptr);
        RECT place = RectOf(popup), owner = RectOf(Owner);
        if (row.expectDefaultCorner) {
            POINT corner = DefaultCorner();
            CHECK_ROW(row.name, place.left == corner.x && place.top == corner.y);
        } else {
            CHECK_ROW_EQ(row.name, place.left - owner.left, row.x);
            CHECK_ROW_EQ(row.name, place.top - owner.top, row.y);
            CHECK_ROW_EQ(row.name, place.right - place.left, row.width);
            CHECK_ROW_EQ(row.name, place.bottom - place.top, row.height);
        }
        PressEsc(); // Escape on the command line closes it
        CHECK_ROW(row.name, Popup() == nullptr);
    }

    // Closed with Shift and Ctrl held: also the default for every console.
    CleanRegistry();
    CharacterInfo(L"z", 0);
    RECT place = RectOf(Popup()), owner = RectOf(Owner);
    PressModifiers(true, true, false, true);
    CloseByCancel();
    PressModifiers(true, true, false, false);
    int values[4] = {};
    CHECK(ReadPlace(defaultPath, values));
    CHECK_EQ(values[0], place.left - owner.left);
    CHECK_EQ(values[1], place.top - owner.top);
    DestroyWindow(Owner);
    CleanRegistry();
}

TEST(charinfo_closing_and_no_owner)
{
    if (SkipUnderQemu("opens the popup or a message box"))
        return;
    if (!OwnerFoundFirst())
        return;
    Loaded();
    CleanRegistry();
    MakeOwner();
    // The close button: the click is taken, the popup goes 100 ms later.
    CharacterInfo(L"q", 0);
    HWND popup = Popup();
    SendMessageW(popup, WM_SETCURSOR, (WPARAM)popup, MAKELPARAM(HTCLOSE, WM_LBUTTONDOWN));
    CHECK(IsWindow(popup));
    Pump(400);
    CHECK(!IsWindow(popup));

    // Escape reaching the popup itself.
    CharacterInfo(L"q", 0);
    popup = Popup();
    SendMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    CHECK(!IsWindow(popup));

    // No host window at all: a popup without owner.
    DestroyWindow(Owner);
    CharacterInfo(L"q", 0);
    popup = Popup();
    CHECK(popup != nullptr);
    CHECK(GetWindow(popup, GW_OWNER) == nullptr);
    CloseByCancel();
    CleanRegistry();
}

namespace
{

HHOOK RefuseHook;

// Refuses the popup (a layered dialog) but not the message box.
LRESULT CALLBACK RefuseLayered(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        CBT_CREATEWNDW *create = (CBT_CREATEWNDW *)lParam;
        if (create->lpcs->dwExStyle & WS_EX_LAYERED)
            return 1;
    }
    return CallNextHookEx(RefuseHook, code, wParam, lParam);
}

wchar_t BoxText[1024];
bool BoxSeen;

DWORD WINAPI DismissBox(void *)
{
    for (int i = 0; i < 200; i++) {
        HWND box = FindWindowW(L"#32770", L"Character Info");
        if (box) {
            GetDlgItemTextW(box, 65535, BoxText, 1024);
            BoxSeen = true;
            SendMessageW(box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        Sleep(25);
    }
    return 1;
}

} // namespace

TEST(charinfo_message_box_when_no_popup)
{
    if (SkipUnderQemu("opens the popup or a message box"))
        return;
    Loaded();
    CleanRegistry();
    RefuseHook = SetWindowsHookExW(WH_CBT, RefuseLayered, nullptr, GetCurrentThreadId());
    CHECK(RefuseHook != nullptr);
    HANDLE dismisser = CreateThread(nullptr, 0, DismissBox, nullptr, 0, nullptr);
    CharacterInfo(L"a\xD83D\xDE00", 2);
    WaitForSingleObject(dismisser, 10000);
    CloseHandle(dismisser);
    UnhookWindowsHookEx(RefuseHook);
    CHECK(BoxSeen);
    CHECK_TEXT(BoxText, GrinningPopup);
    CHECK(Popup() == nullptr);
}

TEST(charinfo_shutdown_closes_the_popup)
{
    if (SkipUnderQemu("opens the popup or a message box"))
        return;
    if (!OwnerFoundFirst())
        return;
    PluginDll &plugin = Loaded();
    MakeOwner();
    CharacterInfo(L"q", 0);
    HWND popup = Popup();
    CHECK(popup != nullptr);
    plugin.ShutdownPlugin(0);
    CHECK(!IsWindow(popup));
    UnloadPluginDll(plugin);
    plugin.module = nullptr;
    // Nothing of the freed library may run now: no timer, no window procedure.
    Pump(700);
    DestroyWindow(Owner);
    CleanRegistry();
}
