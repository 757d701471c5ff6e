// What the black-box cases need of the machine beyond Wine's test prefix: on a real Windows
// machine the console window and the machine-wide registry are Microsoft's and the user's.
#pragma once

// Keeps this program's console window out of the console host search, as Wine's hidden
// terminal console is: a classic console window that belongs to this program alone (a console
// of its own, as run-tests.cmd makes) is hidden for the rest of the run. False when the
// console window would still be found first: one shared with other programs, or the window of
// Windows Terminal (class "PseudoConsoleWindow"), whose own window an ancestor owns.
bool ConsoleWindowOutOfTheWay(void);

// True when this program may create keys under HKEY_LOCAL_MACHINE\Software (the machine-wide
// settings key): always in a Wine prefix, on Windows only with administrator rights. Opening
// the key asks for the right without writing anything.
bool MachineKeyWritable(void);
