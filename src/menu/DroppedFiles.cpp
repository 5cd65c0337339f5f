#include "menu/DroppedFiles.h"

#include <string>
#include <vector>

#include "framework/ShellFiles.h"
#include "menu/MenuFolder.h"
#include "menu/ShellWorker.h"

namespace {

void MirrorFolder(LPCWSTR source, LPCWSTR targetFolder)
{
    // The menu folder itself is never mirrored: a dropped folder that holds
    // it would otherwise copy its own copy again and again.
    if (lstrcmpiW(source, MenuFolderPath()) == 0) return;
    wchar_t mirror[MAX_PATH];
    if (!JoinPath(mirror, targetFolder, ::PathFindFileNameW(source))) return;
    ::CreateDirectoryW(mirror, nullptr);  // an existing folder is filled
    ForEachFolderEntry(source, [&mirror](const WIN32_FIND_DATAW& entry, LPCWSTR path) {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) AddDroppedPath(path, mirror);
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

}  // namespace

void AddDroppedFiles(HDROP drop)
{
    std::vector<std::wstring> paths;
    UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        wchar_t path[MAX_PATH] = {};
        if (::DragQueryFileW(drop, index, path, MAX_PATH)) paths.emplace_back(path);
    }
    ::DragFinish(drop);
    // The shell reads each dropped file (a shortcut's target may sit on a
    // slow drive): on the action thread, in the order dropped.
    std::wstring folder = MenuFolderPath();
    TheShellWorker().Act([paths, folder]() -> CWorkerThread::Task {
        for (const std::wstring& path : paths) AddDroppedPath(path.c_str(), folder.c_str());
        return nullptr;
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

void AddDroppedPath(LPCWSTR source, LPCWSTR targetFolder)
{
    SHFILEINFOW info = {};
    SFGAOF shell = ::SHGetFileInfoW(source, 0, &info, sizeof(info), SHGFI_ATTRIBUTES) ? info.dwAttributes : 0;
    switch (ClassifyDrop(::PathIsRootW(source) != FALSE, ::GetFileAttributesW(source), shell)) {
    case DropKind::None: break;
    case DropKind::Directory: MirrorFolder(source, targetFolder); break;
    case DropKind::Shortcut: CopyShortcut(source, targetFolder); break;
    case DropKind::File: MakeFileShortcut(source, targetFolder); break;
    case DropKind::Drive: MakeDriveShortcut(source, targetFolder); break;
    }
}
