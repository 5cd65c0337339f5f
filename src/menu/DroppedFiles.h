// Files and folders dropped on the drop window become menu folder content:
// shortcuts are copied, other files get a new shortcut, folders are
// mirrored with their files handled alike.
#pragma once

#include "framework/Afx.h"

// Adds every dropped path to the menu folder and releases the drop.
void AddDroppedFiles(HDROP drop);
// Adds one path to a folder; recursive for folders.
void AddDroppedPath(LPCWSTR source, LPCWSTR targetFolder);
// The target folder joined with the source's name, its extension replaced
// by ".lnk". False when the result would not fit in MAX_PATH.
bool MakeShortcutPath(LPCWSTR source, LPCWSTR targetFolder, wchar_t (&shortcut)[MAX_PATH]);
// Writes a shell link to target, working in the target's folder.
bool CreateShortcut(LPCWSTR target, LPCWSTR shortcut);
