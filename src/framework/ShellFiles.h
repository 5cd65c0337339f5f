// Files through the shell and the file system: paths joined within the
// classic limit, folder listings, shortcuts, the silent delete.
#pragma once

#include <string>
#include <vector>
#include <wrl/client.h>

#include "framework/Afx.h"
#include "framework/Handles.h"

// A path as paths are compared: without regard to case.
std::wstring PathKey(const std::wstring& path);

// folder + "\" + name into a MAX_PATH buffer; false (and nothing written)
// when it would not fit.
bool JoinPath(wchar_t (&path)[MAX_PATH], LPCWSTR folder, LPCWSTR name);

// Calls visit(entry, path) for each entry of the folder but "." and "..",
// in the order the file system lists them; entries whose path would not
// fit in MAX_PATH are left out. A folder that cannot be listed has none.
template <typename Visit>
void ForEachFolderEntry(LPCWSTR folder, Visit visit)
{
    wchar_t pattern[MAX_PATH];
    if (!JoinPath(pattern, folder, L"*.*")) return;
    WIN32_FIND_DATAW entry;
    UniqueFind find(::FindFirstFileW(pattern, &entry));
    if (!find) return;
    do {
        if (lstrcmpW(entry.cFileName, L".") == 0 || lstrcmpW(entry.cFileName, L"..") == 0) continue;
        wchar_t path[MAX_PATH];
        if (JoinPath(path, folder, entry.cFileName)) visit(entry, path);
    } while (::FindNextFileW(find.Get(), &entry));
}

// The entries of the folder but "." and "..", in the order the file system
// lists them; none when it cannot be listed.
std::vector<WIN32_FIND_DATAW> ListFolder(LPCWSTR folder);

// The folder joined with the source's name, its extension replaced by
// ".lnk": where a shortcut to source goes. False when it would not fit.
bool MakeShortcutPath(LPCWSTR source, LPCWSTR folder, wchar_t (&shortcut)[MAX_PATH]);
// Writes a shell link to target, working in the target's folder. True
// when it was saved.
bool CreateShortcut(LPCWSTR target, LPCWSTR shortcut);
// The shell link object of a shortcut file, loaded; null when it cannot be.
Microsoft::WRL::ComPtr<IShellLinkW> LoadShortcut(LPCWSTR shortcut);

// The file name of what a shortcut leads to ("WINWORD.EXE"), as the
// shortcut holds it, never looked for on the disk; "" when it cannot be read.
std::wstring ShortcutTargetName(LPCWSTR shortcut);

// Whether a shortcut, followed from shortcut to shortcut, comes back to one
// it has passed (or goes on past any sensible length): the shell's own
// resolution of such a chain never returns.
bool ShortcutLeadsBack(LPCWSTR shortcut);

// Deletes a file through the shell, silently and not to the recycle bin.
void DeleteSilently(LPCWSTR path, HWND owner);
