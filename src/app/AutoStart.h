// Starting with Windows: the machine-wide Run value "Quillop", or else a
// shortcut in the user's Startup folder. Either one counts as on unless
// Windows' Startup apps list has switched it off: that list marks an entry
// off, without deleting it, under Explorer\StartupApproved.
#pragma once

#include "framework/CString.h"

extern const wchar_t kRunKeyPath[];
extern const wchar_t kRunValueName[];
extern const wchar_t kApprovedRunPath[];
extern const wchar_t kApprovedStartupFolderPath[];

enum class AutoStartResult {
    Done,
    RunValueKept,      // switching off: this account may not delete the Run value
    RunValueReplaced,  // switching on: the Run value named another program
};

BOOL IsAutoStartOn();
// UI thread: the state as last read (off before the first reading), and a
// new reading asked for: the Startup folder is read on the launch lane.
BOOL KnownAutoStartState();
void RefreshAutoStartState();
// UI thread: toggles auto start on the launch lane; a message, if any,
// comes from the UI thread.
void ToggleAutoStartLater();
// Off: writes this program's quoted path as the Run value and clears any
// off mark the Startup apps list set (replaced says what the value named
// before, when that was another program), or creates the Startup shortcut
// when the value cannot be written. On: removes both.
AutoStartResult ToggleAutoStart(CString* replaced = nullptr);
// What to tell the user when the Run value was kept.
const wchar_t* RunValueKeptMessage();
BOOL StartupShortcutExists();
void SetStartupShortcut(BOOL create);
