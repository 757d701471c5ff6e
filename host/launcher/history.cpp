#include "host/launcher/history.h"

#include "frame/text.h"
#include "host/launcher/editline.h"

#include <wchar.h>

namespace
{
wchar_t Entries[HistoryCapacity][EditLineCapacity];
int Count = 0;
int First = 0;  // ring index of the oldest entry
int Recall = 0; // 0..Count; Count = after the newest
} // namespace

void HistoryClear(void)
{
    Count = First = Recall = 0;
}

int HistoryCount(void)
{
    return Count;
}

const wchar_t *HistoryEntry(int index)
{
    if (index < 0 || index >= Count)
        return nullptr;
    return Entries[(First + index) % HistoryCapacity];
}

void HistoryAdd(const wchar_t *line)
{
    if (line && line[0] && !(Count > 0 && wcscmp(HistoryEntry(Count - 1), line) == 0)) {
        if (Count == HistoryCapacity) {
            First = (First + 1) % HistoryCapacity;
            Count--;
        }
        TextCopy(Entries[(First + Count) % HistoryCapacity], EditLineCapacity, line);
        Count++;
    }
    Recall = Count;
}

const wchar_t *HistoryOlder(void)
{
    if (Recall > 0)
        Recall--;
    return HistoryEntry(Recall);
}

const wchar_t *HistoryNewer(void)
{
    if (Recall < Count)
        Recall++;
    return HistoryEntry(Recall);
}

void HistoryResetRecall(void)
{
    Recall = Count;
}
