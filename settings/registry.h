// The settings in the registry: key "Software\JPPlugins\Linewise" under HKCU or HKLM.
#pragma once
#include <windows.h>

#define SETTINGS_KEY_PATH L"Software\\JPPlugins\\Linewise"
enum { SettingsFormatVersion = 0x00010000 };

// 0 used; 1 key missing; -10 bad version; else the number of bad values. Nothing changes on
// a non-zero result.
int LoadSettings(HKEY root);

// 0, or the Windows error code of the creation or of the last failed write.
int SaveSettings(HKEY root);

// The start-up and /R order: HKCU, then HKLM only when that fails. The root used, or null.
HKEY LoadSettingsFromEitherRoot(void);
