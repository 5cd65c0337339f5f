// Files and folders dropped on the drop window become menu folder content:
// shortcuts are copied, other files get a new shortcut, folders are
// mirrored with their files handled alike (links that lead back up, or to
// the menu folder, are not followed), and a drive gets a shortcut. The
// menu folder itself, or a folder that holds it, is refused, and so is a
// file named as a device (CON, NUL, COM1...), which no shortcut can stand
// for. Drops run on the drop lane, one after another; a path whose drive
// does not answer within kDropAnswerMs is left out and named, so that a dead
// share holds the lane, and the drops behind it, no longer than that.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "framework/Afx.h"

// What one drop did.
struct DropResult {
    int added = 0;                       // shortcuts made or copied
    std::vector<std::wstring> replaced;  // shortcuts of the same name that a new one replaced
    std::wstring refused;                // one line for each path left out
    std::vector<std::wstring> unanswered;  // paths left out because their drive did not answer
};

// How long a dropped path's drive may take to answer its first question
// (a few steps, each of which a drive waking up can take seconds over): a
// sleeping disk's spin-up, not a dead share's for ever. Windows itself gives
// up on a share that does not answer after about as long.
constexpr DWORD kDropAnswerMs = 15000;

// Reads the dropped paths at their full length, releases the drop, and
// adds them to the menu folder on the drop lane; done runs on the UI
// thread with what the drop did. False (after telling the user) when too
// many drops are waiting already.
bool AddDroppedFiles(HDROP drop, const std::wstring& menuFolder, std::function<void(const DropResult&)> done);
// Any thread: adds the paths to the menu folder, making it again when it
// has gone.
DropResult AddDroppedPaths(const std::vector<std::wstring>& paths, const std::wstring& menuFolder);
// Dropped files not yet added, of every drop accepted: a folder counts its
// files as its mirror finds them.
int DroppedFilesLeft();

// What a dropped path becomes.
enum class DropKind { None, Directory, Shortcut, File, Drive };
// Decides from whether the path is a drive's root, the file system's
// attributes of it and the shell's.
DropKind ClassifyDrop(bool driveRoot, DWORD fileAttributes, SFGAOF shellAttributes);
// Whether the name is a device's (CON, PRN, AUX, NUL, COM1-9, LPT1-9),
// with or without an extension: the system takes such a path for the device.
bool IsDeviceName(LPCWSTR name);
