#include "app/AutoStart.h"

#include "app/RegistryKey.h"
#include "framework/CWinApp.h"

const wchar_t kRunKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValueName[] = L"Quillop";

namespace {

HWND MainWindow() { return AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr; }

// The Startup folder joined with the executable's name, ".lnk" for ".exe".
bool StartupShortcutPath(const wchar_t* executable, wchar_t (&shortcut)[MAX_PATH])
{
    wchar_t folder[MAX_PATH] = {};
    LPITEMIDLIST list = nullptr;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(MainWindow(), CSIDL_STARTUP, &list)) && list) {
        ::SHGetPathFromIDListW(list, folder);
        IMalloc* allocator = nullptr;
        if (SUCCEEDED(::SHGetMalloc(&allocator))) {
            allocator->Free(list);
            allocator->Release();
        }
    }
    if (!folder[0]) return false;
    if (!::PathCombineW(shortcut, folder, ::PathFindFileNameW(executable))) return false;
    return ::PathRenameExtensionW(shortcut, L".lnk") != FALSE;
}

}  // namespace

BOOL StartupShortcutExists()
{
    wchar_t executable[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, executable, MAX_PATH);
    wchar_t shortcut[MAX_PATH];
    if (!StartupShortcutPath(executable, shortcut)) return FALSE;
    wchar_t absolute[MAX_PATH];
    if (!::GetFullPathNameW(shortcut, MAX_PATH, absolute, nullptr)) return FALSE;
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW(absolute, &found);
    if (find == INVALID_HANDLE_VALUE) return FALSE;
    ::FindClose(find);
    return TRUE;
}

void SetStartupShortcut(BOOL create)
{
    wchar_t executable[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, executable, MAX_PATH);
    wchar_t shortcut[MAX_PATH];
    if (!StartupShortcutPath(executable, shortcut)) return;

    if (!create) {
        wchar_t list[520] = {};  // one entry, ended by two NULs
        lstrcpynW(list, shortcut, MAX_PATH);
        SHFILEOPSTRUCTW operation = {};
        operation.hwnd = MainWindow();
        operation.wFunc = FO_DELETE;
        operation.pFrom = list;
        operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
        ::SHFileOperationW(&operation);
        return;
    }

    IShellLinkW* link = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link))))
        return;
    wchar_t folder[MAX_PATH];
    lstrcpynW(folder, executable, MAX_PATH);
    ::PathRemoveFileSpecW(folder);
    link->SetPath(executable);
    link->SetWorkingDirectory(folder);
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        file->Save(shortcut, TRUE);
        file->Release();
    }
    link->Release();
}

BOOL IsAutoStartOn()
{
    CRegistryKey key(HKEY_LOCAL_MACHINE);
    key.Open(HKEY_LOCAL_MACHINE, kRunKeyPath);
    CString value;
    BOOL on = key.QueryString(kRunValueName, value);
    key.Close();
    return on || StartupShortcutExists();
}

void ToggleAutoStart()
{
    CRegistryKey writer(HKEY_LOCAL_MACHINE);
    writer.Open(HKEY_LOCAL_MACHINE, kRunKeyPath);
    if (IsAutoStartOn()) {
        writer.DeleteValue(kRunValueName);
        SetStartupShortcut(FALSE);
    } else {
        wchar_t executable[520] = {};
        ::GetModuleFileNameW(nullptr, executable, 520);
        if (!writer.SetString(kRunValueName, executable)) SetStartupShortcut(TRUE);
    }
    writer.Close();
}
