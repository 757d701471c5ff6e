// The settings display of the linewise command.
#pragma once

void ShowSettings(void);
int ListHotkeysByAction(void);
