// Starting with Windows: the machine-wide Run value "Quillop", or else a
// shortcut in the user's Startup folder. Either one counts as on.
#pragma once

#include "framework/Afx.h"

extern const wchar_t kRunKeyPath[];
extern const wchar_t kRunValueName[];

BOOL IsAutoStartOn();
// Off: writes the Run value, or creates the Startup shortcut when the value
// cannot be written. On: removes both.
void ToggleAutoStart();
BOOL StartupShortcutExists();
void SetStartupShortcut(BOOL create);
