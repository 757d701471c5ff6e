#include "tests/support/check.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

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
char skipReason[512]; // non-empty once the running case skipped
FILE *report;         // --report FILE, beside standard output

// One line of the run's own output: to standard output and to the report.
void Say(const char *format, ...)
{
    char line[1024];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    fputs(line, stdout);
    fflush(stdout);
    if (report) {
        fputs(line, report);
        fflush(report);
    }
}
} // namespace

TestRegistration::TestRegistration(const char *name, TestFunction function)
{
    if (caseCount < (int)(sizeof cases / sizeof cases[0]))
        cases[caseCount++] = Case{name, function};
}

void CheckFailed(const char *file, int line, const char *what, const char *detail)
{
    failedChecks++;
    // Printed whole to standard output; the report gets the first kilobyte.
    printf("  %s (%s:%d): %s%s%s\n", currentCase, file, line, what, detail ? " -- " : "",
           detail ? detail : "");
    fflush(stdout);
    if (report) {
        fprintf(report, "  %s (%s:%d): %.900s%s%.900s\n", currentCase, file, line, what,
                detail ? " -- " : "", detail ? detail : "");
        fflush(report);
    }
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

bool SkipCase(const char *why)
{
    if (!skipReason[0])
        snprintf(skipReason, sizeof skipReason, "%s", why && why[0] ? why : "skipped");
    return true;
}

bool UnderWine(void)
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool SkipUnderWine(const char *why)
{
    if (!UnderWine())
        return false;
    char reason[512];
    snprintf(reason, sizeof reason, "runs on Windows only (%s)", why);
    return SkipCase(reason);
}

bool SkipOutsideWine(const char *why)
{
    if (UnderWine())
        return false;
    char reason[512];
    snprintf(reason, sizeof reason, "runs under Wine only (%s)", why);
    return SkipCase(reason);
}

bool SkipUnderQemu(const char *why)
{
    if (!getenv("LINEWISE_QEMU"))
        return false;
    char reason[512];
    snprintf(reason, sizeof reason, "32-bit Wine through qemu-user (%s)", why);
    return SkipCase(reason);
}

int main(int argc, char **argv)
{
    const char *only = nullptr;
    bool list = false;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--list") == 0) {
            list = true;
        } else if (strcmp(argv[i], "--report") == 0 && i + 1 < argc) {
            report = fopen(argv[++i], "w");
            if (!report) {
                printf("cannot write the report %s\n", argv[i]);
                return 1;
            }
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            printf("usage: %s [--list] [--report FILE] [NAME]\n", argv[0]);
            return 1;
        } else {
            only = argv[i];
        }
    }
    // A name that is a case's whole name runs that case alone; otherwise a part of names.
    bool exact = false;
    for (int i = 0; only && i < caseCount; i++)
        exact = exact || strcmp(cases[i].name, only) == 0;
    int passed = 0, failed = 0, skipped = 0, chosen = 0;
    for (int i = 0; i < caseCount; i++) {
        if (only && (exact ? strcmp(cases[i].name, only) != 0 : !strstr(cases[i].name, only)))
            continue;
        chosen++;
        if (list) {
            Say("%s\n", cases[i].name);
            continue;
        }
        currentCase = cases[i].name;
        skipReason[0] = 0;
        // Named before it runs, so a case that takes the whole process down is known.
        fprintf(stderr, "case %s\n", cases[i].name);
        int before = failedChecks;
        cases[i].function();
        if (failedChecks != before) {
            failed++;
            Say("FAIL %s\n", cases[i].name);
        } else if (skipReason[0]) {
            skipped++;
            Say("SKIP %s: %s\n", cases[i].name, skipReason);
        } else {
            passed++;
            Say("PASS %s\n", cases[i].name);
        }
    }
    if (only && chosen == 0) {
        Say("no case named %s\n", only);
        failed = 1;
    }
    if (!list)
        Say("%d passed, %d failed, %d skipped\n", passed, failed, skipped);
    if (report)
        fclose(report);
    return failed < 255 ? failed : 255;
}
