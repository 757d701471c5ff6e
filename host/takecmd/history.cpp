#include "host/takecmd/history.h"

#include "frame/host.h"
#include "frame/text.h"
#include "host/takecmd/control.h"

#include <string.h>

namespace
{

wchar_t entries[HistoryUnits];
size_t used; // units in use, each entry's terminator included

void DropOldest(void)
{
    size_t first = wcslen(entries) + 1;
    memmove(entries, entries + first, (used - first) * sizeof(wchar_t));
    used -= first;
}

} // namespace

extern "C" {

TAKECMD_API wchar_t *__stdcall HistoryStart(void)
{
    return used ? entries : nullptr;
}

TAKECMD_API wchar_t *__stdcall NextHistoryEntry(wchar_t *entry)
{
    if (!entry || entry < entries || entry >= entries + used)
        return nullptr;
    wchar_t *next = entry + wcslen(entry) + 1;
    return next < entries + used ? next : nullptr;
}

TAKECMD_API void __cdecl HostClearHistory(void)
{
    used = 0;
}

TAKECMD_API void __cdecl HostAddHistory(const wchar_t *entry)
{
    size_t length = TextLength(entry);
    if (length == 0 || length + 1 > HistoryUnits)
        return;
    while (used + length + 1 > HistoryUnits)
        DropOldest();
    memcpy(entries + used, entry, (length + 1) * sizeof(wchar_t));
    used += length + 1;
}
}
