// One copy of the program per program file, whatever path started it (a
// link to its folder, another drive's name for it): a second start brings
// the running copy's menu up and ends at once. A copy under another name or
// in another folder has its own menu folder, hotkey file and claim, and
// runs beside it.
#pragma once

#include <functional>

#include "framework/Handles.h"

class CSingleCopy {
public:
    // True when no other copy of this program file runs: the claim, a named
    // mutex made from the file's volume and index, holds while the object
    // lives.
    bool Claim();

private:
    UniqueKernelHandle m_mutex;
};

// The tray window of the first process the test accepts: a dialog window
// that takes dropped files.
HWND FindTrayWindow(const std::function<bool(DWORD process)>& isProgram);
// Pops the short-cut menu of the running copy of this program file up at
// the pointer, waiting a few seconds for its tray window; false when none
// answers (another program holds the claim's name, say).
bool ShowRunningCopysMenu();
