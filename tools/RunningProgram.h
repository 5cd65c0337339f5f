// Finding a running Quillop from another process, as the run script, the
// benchmark and the acceptance tests do: its tray window, and whether its
// icon is in the notification area.
#pragma once

#include <functional>

#include "framework/Afx.h"

// The tray window of the first process the test accepts: a dialog window
// that takes dropped files.
HWND FindTrayWindow(const std::function<bool(DWORD process)>& isProgram);
// The tray window of one process.
HWND FindTrayWindow(DWORD process);
// The shell knows the icon when it takes a change to it.
bool IconIsUp(HWND tray);
