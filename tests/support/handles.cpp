#include "tests/support/handles.h"

#include <windows.h>

uintptr_t HandleCount(void)
{
    HANDLE probe = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    uintptr_t value = (uintptr_t)probe / 4;
    CloseHandle(probe);
    return value;
}
