#include "actions/console/popup.h"

#include "actions/console/consolewindow.h"
#include "frame/globals.h"
#include "frame/text.h"
#include "settings/registry.h"

namespace
{

enum { SubkeyCapacity = 64 };

// The owner and its last known top-left corner, for the follow timer and the saved place.
HWND Owner;
POINT OwnerCorner;

const wchar_t DefaultSubkey[] = L"CharInfo Popup";

// The popup's place relative to its owner, as kept in the registry.
struct PopupGeometry {
    int xOffset, yOffset; // popup's outer top-left minus the owner's, in pixels
    int width, height;    // popup's outer size
};

// The geometry's values in the registry, in the structure's order.
const wchar_t *const GeometryNames[4] = {L"X Offset", L"Y Offset", L"Width", L"Height"};

// Name of the volatile subkey for this console: "CharInfo Popup %04X" with the console window.
void PopupSubkeyName(wchar_t *out, size_t capacity)
{
    TextFormat(out, capacity, L"%s %04X", DefaultSubkey,
               (unsigned int)(ULONG_PTR)GetConsoleWindow());
}

// Reads a geometry from a subkey of the plug-in's key: 0 when all four values are REG_DWORDs.
int ReadPopupGeometry(const wchar_t *subkey, PopupGeometry *geometry)
{
    wchar_t path[256];
    TextFormat(path, 256, L"%s\\%s", SETTINGS_KEY_PATH, subkey);
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    DWORD values[4];
    int result = 0;
    for (int i = 0; i < 4 && result == 0; i++) {
        DWORD type = 0, size = sizeof(DWORD);
        if (RegQueryValueExW(key, GeometryNames[i], nullptr, &type, (BYTE *)&values[i], &size) !=
                ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof(DWORD))
            result = -1;
    }
    RegCloseKey(key);
    if (result == 0)
        *geometry = PopupGeometry{(int)values[0], (int)values[1], (int)values[2], (int)values[3]};
    return result;
}

// Writes it (creating the subkey, volatile when asked). 0 or a Windows error code.
int WritePopupGeometry(const wchar_t *subkey, bool isVolatile, const PopupGeometry *geometry)
{
    HKEY base, key;
    LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &base, nullptr);
    if (status != ERROR_SUCCESS)
        return (int)status;
    status = RegCreateKeyExW(base, subkey, 0, nullptr,
                             isVolatile ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE, KEY_WRITE,
                             nullptr, &key, nullptr);
    RegCloseKey(base);
    if (status != ERROR_SUCCESS)
        return (int)status;
    const DWORD values[4] = {(DWORD)geometry->xOffset, (DWORD)geometry->yOffset,
                             (DWORD)geometry->width, (DWORD)geometry->height};
    for (int i = 0; i < 4 && status == ERROR_SUCCESS; i++)
        status = RegSetValueExW(key, GeometryNames[i], 0, REG_DWORD, (const BYTE *)&values[i],
                                sizeof(DWORD));
    RegCloseKey(key);
    return (int)status;
}

bool Held(int virtualKey)
{
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

bool OwnerRect(RECT *rect)
{
    return Owner && IsWindow(Owner) && GetWindowRect(Owner, rect);
}

void SaveGeometry(HWND popup)
{
    RECT ownerRect, popupRect;
    if (!OwnerRect(&ownerRect) || !GetWindowRect(popup, &popupRect))
        return;
    PopupGeometry geometry = {popupRect.left - ownerRect.left, popupRect.top - ownerRect.top,
                              popupRect.right - popupRect.left, popupRect.bottom - popupRect.top};
    wchar_t subkey[SubkeyCapacity];
    PopupSubkeyName(subkey, SubkeyCapacity);
    WritePopupGeometry(subkey, true, &geometry);
    if (Held(VK_SHIFT) && Held(VK_CONTROL))
        WritePopupGeometry(DefaultSubkey, false, &geometry);
}

bool RestoreFrom(HWND popup, const wchar_t *subkey, const RECT &ownerRect)
{
    PopupGeometry geometry;
    if (ReadPopupGeometry(subkey, &geometry) != 0)
        return false;
    RECT place = {ownerRect.left + geometry.xOffset, ownerRect.top + geometry.yOffset, 0, 0};
    place.right = place.left + geometry.width;
    place.bottom = place.top + geometry.height;
    if (!MonitorFromRect(&place, MONITOR_DEFAULTTONULL))
        return false;
    SetWindowPos(popup, nullptr, place.left, place.top, geometry.width, geometry.height,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
    return true;
}

bool RestoreGeometry(HWND popup)
{
    RECT ownerRect;
    if (!OwnerRect(&ownerRect))
        return false;
    wchar_t subkey[SubkeyCapacity];
    PopupSubkeyName(subkey, SubkeyCapacity);
    return RestoreFrom(popup, subkey, ownerRect) || RestoreFrom(popup, DefaultSubkey, ownerRect);
}

void PlaceByDefault(HWND popup)
{
    RECT ownerRect, popupRect;
    if (!OwnerRect(&ownerRect) || !GetWindowRect(popup, &popupRect))
        return;
    int x =
        ownerRect.right - (popupRect.right - popupRect.left) - GetSystemMetrics(SM_CXVSCROLL) - 10;
    int y = ownerRect.top + GetSystemMetrics(SM_CYCAPTION) + 15;
    SetWindowPos(popup, nullptr, x, y, 0, 0,
                 SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
}

void FollowOwner(HWND popup)
{
    RECT ownerRect, popupRect;
    if (!OwnerRect(&ownerRect) || !GetWindowRect(popup, &popupRect))
        return;
    int dx = ownerRect.left - OwnerCorner.x, dy = ownerRect.top - OwnerCorner.y;
    if (dx == 0 && dy == 0)
        return;
    SetWindowPos(popup, nullptr, popupRect.left + dx, popupRect.top + dy, 0, 0,
                 SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
    OwnerCorner.x = ownerRect.left;
    OwnerCorner.y = ownerRect.top;
}

INT_PTR CALLBACK PopupProcedure(HWND popup, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetTimer(popup, FollowTimer, 300, nullptr);
        return TRUE;
    case WM_TIMER:
        if (wParam == FollowTimer)
            FollowOwner(popup);
        else if (wParam == CloseTimer)
            DestroyWindow(popup);
        return TRUE;
    case WM_SETCURSOR:
        // Closing from a timer lets the click end without activating the popup.
        if ((HWND)wParam == popup && LOWORD(lParam) == HTCLOSE &&
            HIWORD(lParam) == WM_LBUTTONDOWN) {
            SetTimer(popup, CloseTimer, 100, nullptr);
            SetWindowLongPtrW(popup, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            DestroyWindow(popup);
        return TRUE;
    case WM_KEYDOWN:
        // The shell does not run IsDialogMessage, so Escape does not become IDCANCEL by itself.
        if (wParam == VK_ESCAPE) {
            DestroyWindow(popup);
            return TRUE;
        }
        return FALSE;
    case WM_SETFOCUS:
        if (!Held(VK_SHIFT) && Owner && IsWindow(Owner))
            SetForegroundWindow(Owner);
        return FALSE;
    case WM_DESTROY:
        KillTimer(popup, FollowTimer);
        KillTimer(popup, CloseTimer);
        SaveGeometry(popup);
        // No PostQuitMessage: the quit would end the shell's own message loop or the next
        // modal loop on this thread (a message box closing by itself).
        if (Plugin.popup == popup)
            Plugin.popup = nullptr;
        return TRUE;
    }
    return FALSE;
}

} // namespace

int ShowCharInfoPopup(const wchar_t *text)
{
    HWND foreground = GetForegroundWindow();
    if (Plugin.popup && IsWindow(Plugin.popup)) {
        if (text)
            SetDlgItemTextW(Plugin.popup, -1, text);
    } else {
        Plugin.popup = nullptr;
        Owner = FindConsoleWindow();
        RECT ownerRect;
        if (OwnerRect(&ownerRect)) {
            OwnerCorner.x = ownerRect.left;
            OwnerCorner.y = ownerRect.top;
        }
        HWND popup = CreateDialogParamW(Plugin.instance, MAKEINTRESOURCEW(CharInfoDialog), Owner,
                                        PopupProcedure, 0);
        if (!popup)
            return -1;
        Plugin.popup = popup;
        SendMessageW(popup, WM_SETICON, ICON_SMALL, 0);
        SetLayeredWindowAttributes(popup, 0, 240, LWA_ALPHA);
        if (text)
            SetDlgItemTextW(popup, -1, text);
        if (Owner && IsWindowVisible(Owner) && !RestoreGeometry(popup))
            PlaceByDefault(popup);
    }
    if (foreground && foreground != Plugin.popup)
        SetForegroundWindow(foreground);
    return 0;
}
