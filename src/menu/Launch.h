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
// code, or 0. A shortcut that leads back to itself is not opened:
// kShortcutLeadsBack.
DWORD LaunchPath(const LaunchRequest& request);
constexpr DWORD kShortcutLeadsBack = 0x20000001;  // an application's own code (bit 29)

// UI thread: queues the launch.
void QueueLaunch(LaunchRequest request);
// UI thread: the message the shell shows when it cannot open a path, or
// ours for a shortcut that leads back to itself.
void ShowLaunchError(DWORD error, const std::wstring& path, HWND owner);
