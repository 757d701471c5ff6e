#include "host/takecmd/ipc.h"

#include "frame/host.h"
#include "frame/text.h"
#include "host/takecmd/control.h"

#include <tlhelp32.h>

namespace
{

const size_t StatusUnits = 1024;
// At most this many messages per call, so that a window posting to itself cannot hold the
// shell here.
const int MaxMessages = 1000;

bool graphicalHost;
bool statusBarPresent = true;
void *hostWindow;
// "HVIEW": -1 fails the request, 0 answers hostWindow, 1 answers hostView.
int viewAnswer;
void *hostView;
wchar_t statusBar[StatusUnits];

enum { ParentCapacity = 16 };
struct ParentOverride {
    int processId;
    int parent;
};
ParentOverride parents[ParentCapacity];
int parentCount;

} // namespace

extern "C" {

TAKECMD_API int __stdcall TakeCommandIPC(const wchar_t *request, wchar_t *inOut)
{
    if (!graphicalHost || !request)
        return -1;
    if (TextEqualNoCase(request, L"STATUSBAR")) {
        if (!statusBarPresent)
            return -1;
        TextCopy(statusBar, StatusUnits, inOut ? inOut : L"");
        return 0;
    }
    bool view = TextEqualNoCase(request, L"HVIEW");
    if (view || TextEqualNoCase(request, L"HWND")) {
        if (!inOut || (view && viewAnswer < 0))
            return -1;
        void *window = (view && viewAnswer == 1) ? hostView : hostWindow;
        TextFormat(inOut, 32, L"%llu", (unsigned long long)(ULONG_PTR)window);
        return 0;
    }
    return -1;
}

TAKECMD_API int __stdcall GetParentPID(int processId)
{
    for (int i = 0; i < parentCount; i++)
        if (parents[i].processId == processId)
            return parents[i].parent;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    int parent = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == (DWORD)processId) {
            parent = (int)entry.th32ParentProcessID;
            break;
        }
    CloseHandle(snapshot);
    return parent;
}

TAKECMD_API void __stdcall tty_yield(int)
{
    MSG message;
    for (int i = 0; i < MaxMessages && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); i++) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

TAKECMD_API void __cdecl HostSetGraphicalHost(int present, void *window)
{
    graphicalHost = present != 0;
    statusBarPresent = true;
    hostWindow = window;
    viewAnswer = 0;
    hostView = nullptr;
    if (!graphicalHost)
        statusBar[0] = 0;
}

TAKECMD_API void __cdecl HostSetGraphicalView(int answer, void *view)
{
    viewAnswer = answer < 0 ? -1 : answer > 0 ? 1 : 0;
    hostView = view;
}

TAKECMD_API void __cdecl HostSetStatusBar(int present)
{
    statusBarPresent = present != 0;
}

TAKECMD_API void __cdecl HostSetParentPID(int processId, int parent)
{
    if (processId == 0) {
        parentCount = 0;
        return;
    }
    for (int i = 0; i < parentCount; i++)
        if (parents[i].processId == processId) {
            parents[i].parent = parent;
            return;
        }
    if (parentCount < ParentCapacity)
        parents[parentCount++] = ParentOverride{processId, parent};
}

TAKECMD_API int __cdecl HostTakeStatusBar(wchar_t *out, int capacity)
{
    int length = (int)TextLength(statusBar);
    if (out && capacity > 0)
        TextCopy(out, (size_t)capacity, statusBar);
    statusBar[0] = 0;
    return length;
}
}
