// Command marks in the console buffer and scrolling the window by commands.
#pragma once
#include <windows.h>

extern unsigned short CommandMarkBit;

// 0x0800 from Windows 10.0 build 19041 on, else 0x2000.
unsigned short ChooseCommandMarkBit(const OSVERSIONINFOEXW *version);

void MarkCommandLine(int row);

enum ScrollDirection { ScrollUp, ScrollDown };
int ScrollByCommands(ScrollDirection direction); // 0 moved, else error sound played

// Number of marked rows recoloured, or -1.
int RepaintCommandMarks(void);
