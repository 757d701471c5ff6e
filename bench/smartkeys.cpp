#include "bench/smartkeys.h"

#include "actions/line/autoclose.h"
#include "actions/line/unicodeentry.h"
#include "bench/table.h"
#include "frame/globals.h"
#include "keys/editline.h"
#include "settings/settings.h"

#include <string.h>
#include <wchar.h>

namespace
{

enum { Rounds = 200, Runs = 7 };

wchar_t Original[EditLineCapacity];
wchar_t Line[EditLineCapacity];

// A line of length units: words of five letters between blanks.
void Fill(int length)
{
    for (int i = 0; i < length; i++)
        Original[i] = i % 6 == 5 ? L' ' : L'a';
    Original[length] = 0;
}

typedef void (*Step)(KeyEvent *event);

// Best time of one step, the line restored from Original before each; the restore, one copy
// of the line, is timed in the same runs, taken off, and is the floor (*floor, its best).
double Time(Step step, int length, int cursor, double *floor)
{
    const size_t bytes = ((size_t)length + 1) * sizeof(wchar_t);
    double best = 1e9;
    *floor = 1e9;
    for (int run = 0; run < Runs; run++) {
        double start = Seconds();
        for (int i = 0; i < Rounds; i++)
            memcpy(Line, Original, bytes);
        double copies = (Seconds() - start) / Rounds;
        start = Seconds();
        for (int i = 0; i < Rounds; i++) {
            memcpy(Line, Original, bytes);
            KeyEvent event = {};
            event.code = 1;
            event.line = Line;
            event.cursor = Line + cursor;
            step(&event);
        }
        double total = (Seconds() - start) / Rounds - copies;
        best = total < best ? total : best;
        *floor = copies < *floor ? copies : *floor;
    }
    return best > 0 ? best : 0;
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

void BenchSmartKeys(void)
{
    Settings.ErrorSound = 0;
    Settings.AutoCloseFlags = 0x3F;
    const struct {
        const char *name;
        Step step;
        int length, cursor;
    } rows[] = {
        {"Unicode Entry, start and end", UnicodeEntryStep, 65532, 65532},
        {"auto-closed pair at the start", AutoCloseStep, 65533, 0},
    };
    for (const auto &row : rows) {
        Fill(row.length);
        double floor;
        double t = Time(row.step, row.length, row.cursor, &floor);
        TableRow(row.name, t, floor, 10, -1, "one line copy");
    }
    Plugin.unicodeEntry = false;
}
