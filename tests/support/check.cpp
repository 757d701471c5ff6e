#include "tests/support/check.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace
{
struct Case {
    const char *name;
    TestFunction function;
};
Case cases[2048];
int caseCount;
int failedChecks;
const char *currentCase = "";
} // namespace

TestRegistration::TestRegistration(const char *name, TestFunction function)
{
    if (caseCount < (int)(sizeof cases / sizeof cases[0]))
        cases[caseCount++] = Case{name, function};
}

void CheckFailed(const char *file, int line, const char *what, const char *detail)
{
    failedChecks++;
    printf("FAIL %s (%s:%d): %s%s%s\n", currentCase, file, line, what, detail ? " -- " : "",
           detail ? detail : "");
    fflush(stdout);
}

void CheckTrue(bool ok, const char *file, int line, const char *what)
{
    if (!ok)
        CheckFailed(file, line, what, nullptr);
}

void CheckInt(long long actual, long long expected, const char *file, int line, const char *what)
{
    if (actual == expected)
        return;
    char detail[128];
    snprintf(detail, sizeof detail, "got %lld (0x%llx), expected %lld (0x%llx)", actual,
             (unsigned long long)actual, expected, (unsigned long long)expected);
    CheckFailed(file, line, what, detail);
}

const char *Show(const wchar_t *text)
{
    static char buffers[2][4096];
    static int which;
    char *out = buffers[which ^= 1];
    if (!text)
        return "(null)";
    size_t n = 0;
    for (; *text && n + 12 < sizeof buffers[0]; text++) {
        unsigned c = (unsigned short)*text;
        if (c >= 32 && c < 127 && c != '\\')
            out[n++] = (char)c;
        else
            n += snprintf(out + n, 12, "\\u%04X", c);
    }
    out[n] = 0;
    return out;
}

void CheckText(const wchar_t *actual, const wchar_t *expected, const char *file, int line,
               const char *what)
{
    if (actual && expected && wcscmp(actual, expected) == 0)
        return;
    if (!actual && !expected)
        return;
    char detail[8400];
    snprintf(detail, sizeof detail, "\n   got      \"%s\"\n   expected \"%s\"", Show(actual),
             Show(expected));
    CheckFailed(file, line, what, detail);
}

const char *RowWhat(const char *row, const char *what)
{
    static char buffers[4][256];
    static int which;
    char *out = buffers[which = (which + 1) % 4];
    snprintf(out, sizeof buffers[0], "%s: %s", row, what);
    return out;
}

bool SkipUnderQemu(const char *why)
{
    if (!getenv("LINEWISE_QEMU"))
        return false;
    printf("skipped under qemu-user: %s (%s)\n", currentCase ? currentCase : "?", why);
    return true;
}

int main(int argc, char **argv)
{
    int passed = 0, failed = 0;
    for (int i = 0; i < caseCount; i++) {
        if (argc > 1 && !strstr(cases[i].name, argv[1]))
            continue;
        currentCase = cases[i].name;
        // Named before it runs, so a case that takes the whole process down is known.
        fprintf(stderr, "case %s\n", cases[i].name);
        int before = failedChecks;
        cases[i].function();
        if (failedChecks == before)
            passed++;
        else
            failed++;
    }
    printf("%d passed, %d failed\n", passed, failed);
    fflush(stdout);
    return failed == 0 ? 0 : 1;
}
