#include "tests/support/handles.h"

#include <windows.h>

uintptr_t HandleCount(void)
{
    HANDLE probe = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    uintptr_t value = (uintptr_t)probe / 4;
    CloseHandle(probe);
    return value;
}

size_t CommittedBytes(void)
{
    size_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char *at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type != MEM_IMAGE)
            total += region.RegionSize;
        const char *next = (const char *)region.BaseAddress + region.RegionSize;
        if (next <= at)
            break;
        at = next;
    }
    return total;
}

unsigned long FreeTlsSlot(void)
{
    DWORD slot = TlsAlloc();
    if (slot != TLS_OUT_OF_INDEXES)
        TlsFree(slot);
    return slot;
}
