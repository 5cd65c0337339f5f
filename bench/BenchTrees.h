// The menu folder trees the benchmark measures, made afresh by it.
#pragma once

#include <string>

namespace bench {

// A path beside the benchmark's executable, its name followed by the name.
std::wstring Beside(const wchar_t* name);
void RemoveTree(const std::wstring& path);
// 2,000 entries in 100 folders (by default): documents of a few kinds.
void MakeDocumentTree(const std::wstring& root, int files = 2000, int folders = 100);
// Shortcuts that each carry an icon of their own: an .ico file each, written
// into iconFolder, set with IShellLinkW::SetIconLocation.
void MakeShortcutTree(const std::wstring& root, const std::wstring& iconFolder, int files = 2000,
                      int folders = 100);
// Writes an icon file of a colour of its own.
void AddIconFile(const std::wstring& path);
// Adds one document, or one shortcut with an icon of its own, to the
// tree's first folder.
void AddOneFile(const std::wstring& root);
void AddOneShortcut(const std::wstring& root, const std::wstring& iconFolder);
// The bare enumeration of a tree with FindFirstFileW: the floor of any menu
// of it. Returns the number of files seen.
int EnumerateTree(const std::wstring& folder);

}  // namespace bench
