// The default keys a terminal cannot send to Wine's console: Ctrl-Shift-letter arrives as
// Ctrl-letter and Ctrl-Z never arrives. For a session in a terminal their actions get a
// second key that a terminal can send, bound through the plug-in's command for this session
// only (nothing is saved to the registry).
#pragma once

// Binds the substitutes and says on standard output which keys stand for which. False
// (with the plug-in's own message on standard error) when the plug-in refused them.
bool BindTerminalKeys(void);
