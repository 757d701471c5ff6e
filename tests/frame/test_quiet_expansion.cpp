#include "frame/host.h"
#include "frame/text.h"
#include "tests/support/check.h"

#include <wchar.h>
#include <windows.h>

TEST(expand_quietly_expands_and_restores_the_standard_handles)
{
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    SetEnvironmentVariableW(L"LWQUIET", L"value");

    wchar_t text[8192];
    TextCopy(text, 8192, L"<%LWQUIET>");
    wchar_t expected[8192];
    TextCopy(expected, 8192, L"<%LWQUIET>");
    int plain = ExpandVariables(expected, 1);

    CHECK_EQ(ExpandQuietly(text), plain);
    CHECK_TEXT(text, L"<value>");
    CHECK(GetStdHandle(STD_OUTPUT_HANDLE) == output);
    CHECK(GetStdHandle(STD_ERROR_HANDLE) == error);

    // Repeated use leaves no handle behind and keeps the console handles in place.
    // A leaked handle would push the next new handle's value up.
    HANDLE probe = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(probe);
    for (int i = 0; i < 50; i++) {
        TextCopy(text, 8192, L"%LWQUIET");
        ExpandQuietly(text);
    }
    HANDLE next = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(next);
    CHECK((ULONG_PTR)next < (ULONG_PTR)probe + 10 * sizeof(void *));
    CHECK_TEXT(text, L"value");
    CHECK(GetStdHandle(STD_OUTPUT_HANDLE) == output);
    CHECK(GetStdHandle(STD_ERROR_HANDLE) == error);
    DWORD mode = 0;
    CHECK(GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode));

    // "nul" stays open between calls, in the slot a freed handle leaves, until shut-down closes
    // it; the next call opens it again.
    CloseQuietOutput();
    HANDLE slot = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(slot);
    TextCopy(text, 8192, L"%LWQUIET");
    CHECK_EQ(ExpandQuietly(text), 0);
    EvaluateQuietly(wcscpy(text, L"1/0"));
    HANDLE taken = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(taken);
    CloseQuietOutput();
    HANDLE freed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(freed);
    CHECK(taken != slot);
    CHECK(freed == slot);
    CHECK(GetStdHandle(STD_OUTPUT_HANDLE) == output);
    SetEnvironmentVariableW(L"LWQUIET", nullptr);
}
