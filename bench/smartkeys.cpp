#include "bench/smartkeys.h"

#include "actions/line/autoclose.h"
#include "actions/line/clipboard.h"
#include "actions/line/unicodeentry.h"
#include "frame/plugin.h"
#include "keys/editline.h"
#include "settings/settings.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

namespace
{

wchar_t Original[EditLineCapacity];
wchar_t Line[EditLineCapacity];

double Now(void)
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

// A line of length units: one word of a's, or words of five letters when spaced.
void Fill(int length, bool spaced)
{
    for (int i = 0; i < length; i++)
        Original[i] = spaced && i % 6 == 5 ? L' ' : L'a';
    Original[length] = 0;
}

typedef void (*Step)(KeyEvent *event);

// Best time of one step, the line restored from Original before each (that copy is
// subtracted).
double Time(Step step, int cursor, int rounds)
{
    double best = 1e9, restore = 1e9;
    for (int run = 0; run < 3; run++) {
        double start = Now();
        for (int i = 0; i < rounds; i++)
            memcpy(Line, Original, sizeof Line);
        double copies = (Now() - start) / rounds;
        start = Now();
        for (int i = 0; i < rounds; i++) {
            memcpy(Line, Original, sizeof Line);
            KeyEvent event = {};
            event.code = 1;
            event.line = Line;
            event.cursor = Line + cursor;
            step(&event);
        }
        double total = (Now() - start) / rounds;
        if (total < best) {
            best = total;
            restore = copies;
        }
    }
    return best - restore;
}

void CopyLineStep(KeyEvent *event)
{
    CopyLine(event);
}
void CopyWordStep(KeyEvent *event)
{
    CopyWord(event, false);
}
void CutWordStep(KeyEvent *event)
{
    CopyWord(event, true);
}
void SwapStep(KeyEvent *event)
{
    SwapClipboardWord(event);
}
void UnicodeEntryStep(KeyEvent *event)
{
    StartUnicodeEntry(event);
    // The digits as the shell would have typed them after the marker.
    event->cursor[0] = L'4';
    event->cursor[1] = L'1';
    event->cursor[2] = 0;
    event->cursor += 2;
    FinishUnicodeEntry(event, false);
}
void AutoCloseStep(KeyEvent *event)
{
    event->code = L'(';
    AutoClosePair(event);
}

} // namespace

void BenchSmartKeys(double copyLine)
{
    Settings.ErrorSound = 0;
    Settings.CopyChime = 0;
    Settings.AutoCloseFlags = 0x3F;
    const int rounds = 200;
    struct {
        const char *name;
        Step step;
        int length, cursor;
        bool spaced;
    } rows[] = {
        {"Copy Line", CopyLineStep, 65535, 0, false},
        {"Copy Word (one 65,535-unit word)", CopyWordStep, 65535, 65535, false},
        {"Cut Word (one 65,535-unit word)", CutWordStep, 65535, 65535, false},
        {"Cut Word (last of many words)", CutWordStep, 65535, 65535, true},
        {"Swap Clipboard Word (last word)", SwapStep, 65535, 65535, true},
        {"Unicode Entry, start and finish", UnicodeEntryStep, 65532, 65532, true},
        {"Auto-close pair at the start", AutoCloseStep, 65533, 0, true},
    };
    // The clipboard calls themselves cost the same for any line, far above a line copy under
    // Wine; the rows above that floor are the actions' own work.
    double start = Now();
    for (int i = 0; i < rounds; i++)
        PutOnClipboard(L"word", 4);
    double floor = (Now() - start) / rounds;
    printf("%-36s %9.1f us, %6.2f x line copy\n", "floor: clipboard calls, 4 units", floor * 1e6,
           floor / copyLine);
    // Every edit-line operation measures the line first; the C runtime's wcsnlen reads it one
    // unit at a time.
    Fill(65535, false);
    volatile size_t measured = 0;
    start = Now();
    for (int i = 0; i < rounds * 10; i++)
        measured = measured + wcsnlen(Original, EditLineCapacity - 1);
    double length = (Now() - start) / (rounds * 10);
    printf("%-36s %9.1f us, %6.2f x line copy\n", "floor: measuring the line (wcsnlen)",
           length * 1e6, length / copyLine);
    for (const auto &row : rows) {
        Fill(row.length, row.spaced);
        if (row.step == SwapStep)
            PutOnClipboard(L"word", 4);
        double t = Time(row.step, row.cursor, rounds);
        printf("%-36s %9.1f us, %6.2f x line copy\n", row.name, t * 1e6, t / copyLine);
    }
}
