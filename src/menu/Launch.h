// Opening paths through the shell on the shell worker's action thread: the
// shell may wait for a slow drive, or ask where a shortcut's target went,
// and the program answers meanwhile. Launches run one after another, in
// the order they were asked for; a failure is shown from the UI thread when
// the launch reports back.
#pragma once

#include <string>

#include "framework/Afx.h"

struct LaunchRequest {
    std::wstring path;
    LPCWSTR verb = nullptr;           // the default verb, or "explore" and the like
    HWND owner = nullptr;             // for the shell's questions
    bool expandVariables = true;      // %NAME% in the path stands for the variable
};

// Action thread: opens the path as OpenPath describes; the system's error
// code, or 0.
DWORD LaunchPath(const LaunchRequest& request);

// UI thread: queues the launch.
void QueueLaunch(LaunchRequest request);
// UI thread: the message the shell shows when it cannot open a path.
void ShowLaunchError(DWORD error, HWND owner);
