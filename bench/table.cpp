#include "bench/table.h"

#include <stdarg.h>
#include <windows.h>

namespace
{

FILE *Copy;

void Put(const char *text)
{
    fputs(text, stdout);
    if (Copy)
        fputs(text, Copy);
}

} // namespace

double Seconds(void)
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

void SetTableCopy(FILE *copy)
{
    Copy = copy;
}

void TableLine(const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Put(text);
}

void TableHeader(void)
{
    TableLine("%-30s %11s %10s %9s %5s %-4s %7s  %s\n", "action", "time", "floor", "ratio", "goal",
              "met", "ours", "floor; what ours leaves out");
}

void TableRow(const char *name, double time, double floor, double goal, double ours,
              const char *note)
{
    double ratio = time / floor;
    char goalText[16] = "-", oursText[16] = "-";
    const char *met = "-";
    if (goal > 0) {
        snprintf(goalText, sizeof goalText, "%.1fx", goal);
        met = ratio <= goal ? "yes" : "no";
    }
    if (ours >= 0) {
        snprintf(oursText, sizeof oursText, "%.2fx", ours / floor);
        if (goal > 0 && ratio > goal && ours / floor <= goal)
            met = "ours";
    }
    TableLine("%-30s %8.1f us %7.1f us %8.2fx %5s %-4s %7s  %s\n", name, time * 1e6, floor * 1e6,
              ratio, goalText, met, oursText, note);
}

void TableSkip(const char *name, const char *reason)
{
    TableLine("%-30s %11s %10s %9s %5s %-4s %7s  %s\n", name, "-", "-", "-", "-", "-", "-", reason);
}
