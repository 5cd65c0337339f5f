#include "menu/DroppedFiles.h"

#include "framework/CWinApp.h"
#include "framework/ShellFiles.h"
#include "menu/FolderChain.h"
#include "menu/MenuFolder.h"
#include "menu/ShellWorker.h"

namespace {

// A drop under way: the menu folder it goes to, and what it refused.
struct Drop {
    const std::wstring& menuFolder;
    std::wstring refused;

    void Refuse(LPCWSTR format, const std::wstring& path)
    {
        wchar_t line[kRefusalLength];
        wnsprintfW(line, kRefusalLength, format, path.c_str());
        refused += line;
        refused += L"\n";
    }
    static constexpr int kRefusalLength = 1024;
};

void AddPath(Drop& drop, LPCWSTR source, LPCWSTR targetFolder);

// Mirrors a folder, its files handled alike. A link that leads back up the
// chain, or to the menu folder (or a folder holding it), is not followed:
// either would copy its own copy again and again.
void MirrorFolder(Drop& drop, const FolderChain::Link& folder, LPCWSTR targetFolder)
{
    wchar_t mirror[MAX_PATH];
    if (!JoinPath(mirror, targetFolder, ::PathFindFileNameW(folder->Path().c_str()))) return;
    ::CreateDirectoryW(mirror, nullptr);  // an existing folder is filled
    ForEachFolderEntry(folder->Path().c_str(), [&](const WIN32_FIND_DATAW& entry, LPCWSTR path) {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) return;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            AddPath(drop, path, mirror);
            return;
        }
        if (folder->LoopsBack(path, entry.dwFileAttributes)) return;
        FolderChain::Link sub = FolderChain::Extend(folder, path, entry.dwFileAttributes);
        if (sub->IsBelowLink() && FolderChain::IsOrHolds(path, drop.menuFolder.c_str())) return;
        MirrorFolder(drop, sub, mirror);
    });
}

void CopyShortcut(LPCWSTR source, LPCWSTR targetFolder)
{
    wchar_t copy[MAX_PATH];
    if (JoinPath(copy, targetFolder, ::PathFindFileNameW(source))) ::CopyFileW(source, copy, TRUE);
}

void MakeFileShortcut(LPCWSTR source, LPCWSTR targetFolder)
{
    wchar_t shortcut[MAX_PATH];
    if (MakeShortcutPath(source, targetFolder, shortcut)) CreateShortcut(source, shortcut);
}

// A drive's shortcut is named after the shell's name for it, without the
// characters a file name cannot hold ("Local Disk (C)"), or else "C drive".
void MakeDriveShortcut(LPCWSTR root, LPCWSTR targetFolder)
{
    SHFILEINFOW info = {};
    ::SHGetFileInfoW(root, 0, &info, sizeof(info), SHGFI_DISPLAYNAME);
    wchar_t name[MAX_PATH] = {};
    int length = 0;
    for (const wchar_t* c = info.szDisplayName; *c && length < MAX_PATH - 1; ++c)
        if (!wcschr(L"\\/:*?\"<>|", *c)) name[length++] = *c;
    ::StrTrimW(name, L" .");
    if (!name[0] || name[0] == L'(') wnsprintfW(name, MAX_PATH, L"%c drive", root[0]);
    wchar_t shortcut[MAX_PATH];
    if (JoinPath(shortcut, targetFolder, name) && ::PathAddExtensionW(shortcut, L".lnk"))
        CreateShortcut(root, shortcut);
}

// Adds one dropped path, or a file of a mirrored folder, to a folder.
void AddPath(Drop& drop, LPCWSTR source, LPCWSTR targetFolder)
{
    SHFILEINFOW info = {};
    SFGAOF shell = ::SHGetFileInfoW(source, 0, &info, sizeof(info), SHGFI_ATTRIBUTES) ? info.dwAttributes : 0;
    switch (ClassifyDrop(::PathIsRootW(source) != FALSE, ::GetFileAttributesW(source), shell)) {
    case DropKind::None: break;
    case DropKind::Directory:
        if (FolderChain::IsOrHolds(source, drop.menuFolder.c_str()))
            drop.Refuse(L"Sorry, %s is the menu folder or holds it, and cannot be added to it.", source);
        else
            MirrorFolder(drop, FolderChain::Start(source), targetFolder);
        break;
    case DropKind::Shortcut: CopyShortcut(source, targetFolder); break;
    case DropKind::File: MakeFileShortcut(source, targetFolder); break;
    case DropKind::Drive: MakeDriveShortcut(source, targetFolder); break;
    }
}

}  // namespace

std::wstring AddDroppedPaths(const std::vector<std::wstring>& paths, const std::wstring& menuFolder)
{
    Drop drop{ menuFolder, {} };
    // A menu folder deleted meanwhile is made again; a file in its place is
    // not replaced.
    ::CreateDirectoryW(menuFolder.c_str(), nullptr);
    DWORD attributes = ::GetFileAttributesW(menuFolder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        drop.Refuse(L"Sorry, the menu folder %s cannot be made: nothing was added.", menuFolder);
        return drop.refused;
    }
    for (const std::wstring& path : paths) {
        // "D:\Proj\" and "D:\Proj\." are D:\Proj.
        wchar_t full[MAX_PATH];
        DWORD length = path.size() < MAX_PATH ? ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr) : 0;
        if (length == 0 || length >= MAX_PATH) {
            drop.Refuse(L"Sorry, this path is too long to be added:\n%s", path);
            continue;
        }
        if (!::PathIsRootW(full)) ::PathRemoveBackslashW(full);
        AddPath(drop, full, menuFolder.c_str());
    }
    return drop.refused;
}

void AddDroppedFiles(HDROP drop)
{
    std::vector<std::wstring> paths;
    UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        // Read whole, however long: a path cut at a buffer's end could name
        // another file.
        std::wstring path(::DragQueryFileW(drop, index, nullptr, 0), L'\0');
        if (!path.empty() && ::DragQueryFileW(drop, index, &path[0], static_cast<UINT>(path.size() + 1)))
            paths.push_back(std::move(path));
    }
    ::DragFinish(drop);
    // The shell reads each dropped file (a shortcut's target may sit on a
    // slow drive): on the action thread, in the order dropped.
    std::wstring folder = MenuFolderPath();
    TheShellWorker().Act([paths, folder]() -> CWorkerThread::Task {
        std::wstring refused = AddDroppedPaths(paths, folder);
        if (refused.empty()) return nullptr;
        return [refused] { AfxMessageBox(refused.c_str(), MB_OK | MB_ICONEXCLAMATION); };
    });
}

DropKind ClassifyDrop(bool driveRoot, DWORD fileAttributes, SFGAOF shellAttributes)
{
    if (fileAttributes == INVALID_FILE_ATTRIBUTES) return DropKind::None;
    if (driveRoot) return DropKind::Drive;
    // A folder is a directory on disk: the shell also calls archives, and
    // shortcuts to folders, folders.
    if (fileAttributes & FILE_ATTRIBUTE_DIRECTORY) return DropKind::Directory;
    if (shellAttributes & SFGAO_LINK) return DropKind::Shortcut;
    return DropKind::File;
}
