// Starting with Windows: the machine-wide Run value "Quillop", or else a
// shortcut in the user's Startup folder. Either one counts as on unless
// Windows' Startup apps list has switched it off: that list marks an entry
// off, without deleting it, under Explorer\StartupApproved.
#pragma once

#include "framework/Afx.h"

extern const wchar_t kRunKeyPath[];
extern const wchar_t kRunValueName[];
extern const wchar_t kApprovedRunPath[];
extern const wchar_t kApprovedStartupFolderPath[];

enum class AutoStartResult {
    Done,
    RunValueKept,  // switching off: this account may not delete the Run value
};

BOOL IsAutoStartOn();
// UI thread: the state as last read (off before the first reading), and a
// new reading asked for: the Startup folder is read on the launch lane.
BOOL KnownAutoStartState();
void RefreshAutoStartState();
// UI thread: toggles auto start on the launch lane; a message, if any,
// comes from the UI thread.
void ToggleAutoStartLater();
// Off: switches an entry the Startup apps list switched off back on, or
// writes the Run value (the path quoted), or creates the Startup shortcut
// when the value cannot be written. On: removes both.
AutoStartResult ToggleAutoStart();
// What to tell the user when the Run value was kept.
const wchar_t* RunValueKeptMessage();
BOOL StartupShortcutExists();
void SetStartupShortcut(BOOL create);
