#include "menu/DroppedFiles.h"

#include "menu/MenuFolder.h"

namespace {

void MirrorFolder(LPCWSTR source, LPCWSTR targetFolder)
{
    // The menu folder itself is never mirrored: a dropped folder that holds
    // it would otherwise copy its own copy again and again.
    if (lstrcmpiW(source, MenuFolderPath()) == 0) return;
    wchar_t mirror[MAX_PATH];
    wchar_t pattern[MAX_PATH];
    if (!JoinPath(mirror, targetFolder, ::PathFindFileNameW(source))) return;
    if (!JoinPath(pattern, source, L"*.*")) return;
    ::CreateDirectoryW(mirror, nullptr);  // an existing folder is filled

    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (lstrcmpW(entry.cFileName, L".") == 0 || lstrcmpW(entry.cFileName, L"..") == 0) continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) continue;
        wchar_t path[MAX_PATH];
        if (JoinPath(path, source, entry.cFileName)) AddDroppedPath(path, mirror);
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
}

}  // namespace

void AddDroppedFiles(HDROP drop)
{
    UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        wchar_t path[MAX_PATH] = {};
        if (::DragQueryFileW(drop, index, path, MAX_PATH)) AddDroppedPath(path, MenuFolderPath());
    }
    ::DragFinish(drop);
}

void AddDroppedPath(LPCWSTR source, LPCWSTR targetFolder)
{
    SHFILEINFOW info = {};
    // A path whose attributes cannot be had is left out.
    if (!::SHGetFileInfoW(source, 0, &info, sizeof(info), SHGFI_ATTRIBUTES)) return;
    if (info.dwAttributes & SFGAO_FOLDER) {
        MirrorFolder(source, targetFolder);
    } else if (info.dwAttributes & SFGAO_LINK) {
        wchar_t copy[MAX_PATH];
        if (JoinPath(copy, targetFolder, ::PathFindFileNameW(source))) ::CopyFileW(source, copy, TRUE);
    } else {
        wchar_t shortcut[MAX_PATH];
        if (MakeShortcutPath(source, targetFolder, shortcut)) CreateShortcut(source, shortcut);
    }
}

bool MakeShortcutPath(LPCWSTR source, LPCWSTR targetFolder, wchar_t (&shortcut)[MAX_PATH])
{
    // Room for the ".lnk" that may be appended.
    if (lstrlenW(targetFolder) + 1 + lstrlenW(::PathFindFileNameW(source)) + 4 >= MAX_PATH) return false;
    if (!::PathCombineW(shortcut, targetFolder, ::PathFindFileNameW(source))) return false;
    return ::PathRenameExtensionW(shortcut, L".lnk") != FALSE;
}

bool CreateShortcut(LPCWSTR target, LPCWSTR shortcut)
{
    IShellLinkW* link = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link))))
        return false;
    wchar_t folder[MAX_PATH];
    lstrcpynW(folder, target, MAX_PATH);
    ::PathRemoveFileSpecW(folder);
    link->SetPath(target);
    link->SetWorkingDirectory(folder);
    bool saved = false;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        saved = SUCCEEDED(file->Save(shortcut, TRUE));
        file->Release();
    }
    link->Release();
    return saved;
}
