// A small test harness: TEST(name) { ... } cases with CHECK macros. The runner prints one
// line per case, "PASS name", "FAIL name" (after an indented line per failed check) or
// "SKIP name: reason", closes with "N passed, N failed, N skipped" and exits with the number
// of failed cases (at most 255). Several test files may be linked into one program; every
// case runs once, in the order of registration.
//   program            every case
//   program NAME       the case of that name, or else every case whose name holds NAME
//   program --list     the names, one a line
//   --report FILE      also writes the per-case lines and the summary to FILE
#pragma once
#include <stddef.h>

typedef void (*TestFunction)(void);
struct TestRegistration {
    TestRegistration(const char *name, TestFunction function);
};

#define TEST(name)                                                                                 \
    static void test_##name(void);                                                                 \
    static TestRegistration registration_##name(#name, test_##name);                               \
    static void test_##name(void)

void CheckFailed(const char *file, int line, const char *what, const char *detail);
void CheckTrue(bool ok, const char *file, int line, const char *what);
void CheckInt(long long actual, long long expected, const char *file, int line, const char *what);
void CheckText(const wchar_t *actual, const wchar_t *expected, const char *file, int line,
               const char *what);

#define CHECK(cond) CheckTrue((cond), __FILE__, __LINE__, #cond)
#define CHECK_EQ(actual, expected)                                                                 \
    CheckInt((long long)(actual), (long long)(expected), __FILE__, __LINE__,                       \
             #actual " == " #expected)
#define CHECK_TEXT(actual, expected)                                                               \
    CheckText((actual), (expected), __FILE__, __LINE__, #actual " == " #expected)

// "row: what", for failure messages (a few rotating static buffers).
const char *RowWhat(const char *row, const char *what);

#define CHECK_ROW(row, cond) CheckTrue((cond), __FILE__, __LINE__, RowWhat((row), #cond))
#define CHECK_ROW_EQ(row, actual, expected)                                                        \
    CheckInt((long long)(actual), (long long)(expected), __FILE__, __LINE__,                       \
             RowWhat((row), #actual " == " #expected))
#define CHECK_ROW_TEXT(row, actual, expected)                                                      \
    CheckText((actual), (expected), __FILE__, __LINE__, RowWhat((row), #actual " == " #expected))

// Printable form of a UTF-16 text for failure messages (escapes non-ASCII), in a static
// buffer.
const char *Show(const wchar_t *text);

// Marks the running case as skipped for the reason given (kept for its SKIP line) and returns
// true; the case returns right after. A case that has failed a check stays failed.
// Use: if (cannot) { SkipCase("why"); return; }
bool SkipCase(const char *why);

// True when this program runs under Wine (ntdll exports wine_get_version).
bool UnderWine(void);

// Skip the running case, saying so, when the platform cannot run it: under Wine, or outside
// it (on Windows), or as a 32-bit program through qemu-user (scripts/wine-run sets
// LINEWISE_QEMU; there the cases that start other processes or windows take the emulated
// process down or a minute each, and the 64-bit run covers them). True when skipped.
// Use: if (SkipUnderQemu("why")) return;
bool SkipUnderWine(const char *why);
bool SkipOutsideWine(const char *why);
bool SkipUnderQemu(const char *why);
