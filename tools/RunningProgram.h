// Finding a running Quillop from another process, as the run script, the
// benchmark and the acceptance tests do: its tray window, and whether its
// icon is in the notification area.
#pragma once

#include "app/RunningCopy.h"

// The tray window of one process.
HWND FindTrayWindow(DWORD process);
// The shell knows the icon when it takes a change to it.
bool IconIsUp(HWND tray);
