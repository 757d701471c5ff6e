// The shell's links to its surroundings (declared in frame/host.h and control.h):
// TakeCommandIPC with the graphical host that tests switch on and off, GetParentPID from a
// process snapshot (or the parents a test set), and tty_yield, which dispatches the thread's
// pending window messages. With no graphical host every request gives -1. With one,
// "STATUSBAR" keeps the text (up to 1023 units) for HostTakeStatusBar (or fails when
// HostSetStatusBar said the host has none), and "HWND" and "HVIEW" write a window in decimal
// (HVIEW as HostSetGraphicalView chose).
#pragma once
