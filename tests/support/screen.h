// A console screen buffer of a test's own, for the tests that read and write real cells.
#pragma once
#include <windows.h>

// A new screen buffer, made active so that "CONOUT$" (which the plug-in opens at load) reaches
// it: columns x rows when rows > 0, its window the top windowRows rows when windowRows > 0.
// Null, with a line saying so, when the console refuses any of it.
HANDLE NewTestScreen(int columns, int rows, int windowRows);
