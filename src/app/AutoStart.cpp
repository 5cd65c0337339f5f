#include "app/AutoStart.h"

#include "app/RegistryKey.h"
#include "framework/CWinApp.h"
#include "framework/ExecutablePath.h"
#include "framework/ShellFiles.h"

const wchar_t kRunKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValueName[] = L"Quillop";

namespace {

HWND MainWindow() { return AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr; }

// The Startup folder joined with the executable's name, ".lnk" for ".exe".
bool StartupShortcutPath(wchar_t (&shortcut)[MAX_PATH])
{
    wchar_t folder[MAX_PATH] = {};
    LPITEMIDLIST list = nullptr;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(MainWindow(), CSIDL_STARTUP, &list)) && list) {
        ::SHGetPathFromIDListW(list, folder);
        ::CoTaskMemFree(list);  // the shell's allocator
    }
    return folder[0] && MakeShortcutPath(ExecutablePath(), folder, shortcut);
}

}  // namespace

BOOL StartupShortcutExists()
{
    wchar_t shortcut[MAX_PATH];
    wchar_t absolute[MAX_PATH];
    if (!StartupShortcutPath(shortcut) || !::GetFullPathNameW(shortcut, MAX_PATH, absolute, nullptr)) return FALSE;
    WIN32_FIND_DATAW found;
    return UniqueFind(::FindFirstFileW(absolute, &found)) ? TRUE : FALSE;
}

void SetStartupShortcut(BOOL create)
{
    wchar_t shortcut[MAX_PATH];
    if (!StartupShortcutPath(shortcut)) return;
    if (create)
        CreateShortcut(ExecutablePath(), shortcut);
    else
        DeleteSilently(shortcut, MainWindow());
}

BOOL IsAutoStartOn()
{
    // Query access only: a standard account can read HKEY_LOCAL_MACHINE,
    // and must see a Run value that an installer wrote there.
    CRegistryKey key(HKEY_LOCAL_MACHINE);
    key.Open(HKEY_LOCAL_MACHINE, kRunKeyPath, KEY_QUERY_VALUE);
    CString value;
    return key.QueryString(kRunValueName, value) || StartupShortcutExists();
}

void ToggleAutoStart()
{
    BOOL on = IsAutoStartOn();
    CRegistryKey writer(HKEY_LOCAL_MACHINE);
    writer.Open(HKEY_LOCAL_MACHINE, kRunKeyPath, KEY_SET_VALUE);
    if (on) {
        writer.DeleteValue(kRunValueName);
        SetStartupShortcut(FALSE);
    } else if (!writer.SetString(kRunValueName, ExecutablePath())) {
        SetStartupShortcut(TRUE);
    }
}
