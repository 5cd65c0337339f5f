// Files and folders dropped on the drop window become menu folder content:
// shortcuts are copied, other files get a new shortcut, folders are
// mirrored with their files handled alike, and a drive gets a shortcut.
#pragma once

#include "framework/Afx.h"

// Adds every dropped path to the menu folder, on the shell worker's action
// thread, and releases the drop.
void AddDroppedFiles(HDROP drop);
// Adds one path to a folder; recursive for folders. Any thread.
void AddDroppedPath(LPCWSTR source, LPCWSTR targetFolder);

// What a dropped path becomes.
enum class DropKind { None, Directory, Shortcut, File, Drive };
// Decides from whether the path is a drive's root, the file system's
// attributes of it and the shell's.
DropKind ClassifyDrop(bool driveRoot, DWORD fileAttributes, SFGAOF shellAttributes);
