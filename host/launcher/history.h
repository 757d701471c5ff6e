// The launcher's command history, oldest first, and the recall position for Up and Down.
#pragma once

enum { HistoryCapacity = 32 };

// Keeps a line: empty lines and a repeat of the newest entry are not kept; when full, the
// oldest entry goes. Also resets the recall position.
void HistoryAdd(const wchar_t *line);
void HistoryClear(void);
int HistoryCount(void);
const wchar_t *HistoryEntry(int index); // 0 = oldest; null outside the range

// Recall: Up steps to older entries, Down to newer ones; past the newest there is nothing
// (null). The position starts after the newest entry.
const wchar_t *HistoryOlder(void);
const wchar_t *HistoryNewer(void);
void HistoryResetRecall(void);
