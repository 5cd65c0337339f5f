#include "framework/ShellFiles.h"

#include <string>

#include "framework/ExecutablePath.h"

using Microsoft::WRL::ComPtr;

std::wstring PathKey(const std::wstring& path)
{
    std::wstring key(path);
    if (!key.empty()) ::CharLowerBuffW(&key[0], static_cast<DWORD>(key.size()));
    return key;
}

bool JoinPath(wchar_t (&path)[MAX_PATH], LPCWSTR folder, LPCWSTR name)
{
    int folderLength = lstrlenW(folder);
    if (folderLength + 1 + lstrlenW(name) >= MAX_PATH) return false;
    lstrcpyW(path, folder);
    path[folderLength] = L'\\';
    lstrcpyW(path + folderLength + 1, name);
    return true;
}

std::vector<WIN32_FIND_DATAW> ListFolder(LPCWSTR folder)
{
    std::vector<WIN32_FIND_DATAW> entries;
    ForEachFolderEntry(folder, [&entries](const WIN32_FIND_DATAW& entry, LPCWSTR) { entries.push_back(entry); });
    return entries;
}

bool MakeShortcutPath(LPCWSTR source, LPCWSTR folder, wchar_t (&shortcut)[MAX_PATH])
{
    // Room for the ".lnk" that may be appended.
    if (lstrlenW(folder) + 1 + lstrlenW(::PathFindFileNameW(source)) + 4 >= MAX_PATH) return false;
    if (!::PathCombineW(shortcut, folder, ::PathFindFileNameW(source))) return false;
    return ::PathRenameExtensionW(shortcut, L".lnk") != FALSE;
}

bool CreateShortcut(LPCWSTR target, LPCWSTR shortcut)
{
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(link.GetAddressOf()))))
        return false;
    wchar_t folder[MAX_PATH];
    lstrcpynW(folder, target, MAX_PATH);
    ::PathRemoveFileSpecW(folder);
    link->SetPath(target);
    link->SetWorkingDirectory(folder);
    return SUCCEEDED(link.As(&file)) && SUCCEEDED(file->Save(shortcut, TRUE));
}

ComPtr<IShellLinkW> LoadShortcut(LPCWSTR shortcut)
{
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(link.GetAddressOf()))) ||
        FAILED(link.As(&file)) || FAILED(file->Load(shortcut, STGM_READ)))
        return nullptr;
    return link;
}

std::wstring ShortcutTargetName(LPCWSTR shortcut)
{
    ComPtr<IShellLinkW> link = LoadShortcut(shortcut);
    wchar_t target[MAX_PATH] = {};
    if (!link || FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) return std::wstring();
    return ::PathFindFileNameW(target);
}

bool ShortcutLeadsBack(LPCWSTR shortcut)
{
    constexpr int kLongestChain = 32;
    std::vector<std::wstring> passed;
    wchar_t current[MAX_PATH];
    lstrcpynW(current, shortcut, MAX_PATH);
    for (int step = 0; step < kLongestChain; ++step) {
        wchar_t full[MAX_PATH];
        if (!::GetFullPathNameW(current, MAX_PATH, full, nullptr)) return false;
        for (const std::wstring& earlier : passed)
            if (lstrcmpiW(earlier.c_str(), full) == 0) return true;
        passed.emplace_back(full);
        ComPtr<IShellLinkW> link = LoadShortcut(full);
        if (!link) return false;  // the chain ends in something that is not a shortcut
        wchar_t target[MAX_PATH] = {};
        if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) || !target[0]) return false;
        if (lstrcmpiW(::PathFindExtensionW(target), L".lnk") != 0) return false;
        lstrcpynW(current, target, MAX_PATH);
    }
    return true;
}

void DeleteSilently(LPCWSTR path, HWND owner)
{
    wchar_t list[kLongPathBuffer + 1] = {};  // one entry, ended by two NULs
    lstrcpynW(list, path, kLongPathBuffer);
    SHFILEOPSTRUCTW operation = {};
    operation.hwnd = owner;
    operation.wFunc = FO_DELETE;
    operation.pFrom = list;
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    ::SHFileOperationW(&operation);
}
