// Opening paths through the shell on the launch lane: the shell may wait
// for a slow drive, and the program answers meanwhile. A path asked for
// again while its launch is still pending is opened once. Every launch
// starts in the same folder whatever the verb: a shortcut's working
// directory, else the file's own folder. A failure is shown from the UI
// thread when the launch reports back.
#pragma once

#include <string>

#include "framework/Afx.h"

struct LaunchRequest {
    explicit LaunchRequest(std::wstring pathToOpen, std::wstring verbToUse = {}, bool expand = false)
        : path(std::move(pathToOpen)), verb(std::move(verbToUse)), expandVariables(expand)
    {
    }
    std::wstring path;
    std::wstring verb;             // "" for the default verb, or "runas", "explore"
    bool expandVariables = false;  // %NAME% in the path stands for the variable
};

// Launch lane: opens the path as OpenPath describes; the system's error
// code, or 0. A shortcut that leads back to itself is not opened:
// kShortcutLeadsBack.
DWORD LaunchPath(const LaunchRequest& request);
constexpr DWORD kShortcutLeadsBack = 0x20000001;  // an application's own code (bit 29)

// The folder a path starts in: a shortcut's working directory (when it can
// be read), else the file's own folder; "" for a bare name. Touches the
// shortcut file, never the UI thread's.
std::wstring StartingDirectory(const std::wstring& path);

// UI thread: queues the launch; false (after telling the user) when too
// many launches are waiting already.
bool QueueLaunch(LaunchRequest request);
// Launches accepted and not yet handed to the shell (or failed).
int LaunchesPending();
// UI thread: tells the user the launch lane takes no more for now.
void TellLaunchLaneIsFull();
// Launch lane: shows the file in its folder's window, selected; the
// system's error code, or 0.
DWORD ShowInFolder(const std::wstring& path);
// UI thread: queues ShowInFolder; a failure is shown when it reports back.
bool QueueShowInFolder(const std::wstring& path);
// The system's reason for an error in words, its inserts filled with the
// file's name or left out; no closing full stop.
std::wstring LaunchErrorInWords(DWORD error, const std::wstring& name);
// UI thread: tells the user that a launch failed, naming the entry and the
// reason; a failed run as administrator offers to open it normally.
void ShowLaunchError(DWORD error, const LaunchRequest& request);
