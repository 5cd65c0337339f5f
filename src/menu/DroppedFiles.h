// Files and folders dropped on the drop window become menu folder content:
// shortcuts are copied, other files get a new shortcut, folders are
// mirrored with their files handled alike (links that lead back up, or to
// the menu folder, are not followed), and a drive gets a shortcut. The
// menu folder itself, or a folder that holds it, is refused.
#pragma once

#include <string>
#include <vector>

#include "framework/Afx.h"

// Reads the dropped paths at their full length, releases the drop, and
// adds them to the menu folder on the shell worker's action thread; what
// was refused is told in one message.
void AddDroppedFiles(HDROP drop);
// Any thread: adds the paths to the menu folder, making it again when it
// has gone. Returns what was refused, one line each ("" for nothing).
std::wstring AddDroppedPaths(const std::vector<std::wstring>& paths, const std::wstring& menuFolder);

// What a dropped path becomes.
enum class DropKind { None, Directory, Shortcut, File, Drive };
// Decides from whether the path is a drive's root, the file system's
// attributes of it and the shell's.
DropKind ClassifyDrop(bool driveRoot, DWORD fileAttributes, SFGAOF shellAttributes);
