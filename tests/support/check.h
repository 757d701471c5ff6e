// A small test harness: TEST(name) { ... } cases with CHECK macros; the runner prints one
// line per failure and closes with "N passed, N failed". Several test files may be linked
// into one program; every case runs once.
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

// True, with a line saying what is skipped and why, when this program runs as a 32-bit
// program through qemu-user (scripts/wine-run sets LINEWISE_QEMU): for the cases that start
// other processes or windows, which take the emulated process down or a minute each there.
// The 64-bit run covers them. Use: if (SkipUnderQemu("why")) return;
bool SkipUnderQemu(const char *why);
