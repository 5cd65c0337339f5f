#include "app/AutoStart.h"

#include "app/RegistryKey.h"
#include "framework/CWinApp.h"
#include "framework/ExecutablePath.h"
#include "framework/ShellFiles.h"
#include "shell/ShellWorker.h"

const wchar_t kRunKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValueName[] = L"Quillop";
const wchar_t kApprovedRunPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const wchar_t kApprovedStartupFolderPath[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";

namespace {

BOOL gKnownState = FALSE;  // UI thread only

// The Startup folder joined with the executable's name, ".lnk" for ".exe".
bool StartupShortcutPath(wchar_t (&shortcut)[MAX_PATH])
{
    wchar_t folder[MAX_PATH] = {};
    LPITEMIDLIST list = nullptr;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_STARTUP, &list))) {
        UniqueItemIdList owned(list);
        if (owned) ::SHGetPathFromIDListW(owned.Get(), folder);
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
        DeleteSilently(shortcut, nullptr);  // on a worker: no window for the shell
}

namespace {

// The list's mark: a binary value named as the entry whose odd first byte
// means off. Anything else, or no value, is on.
bool MarkedOff(HKEY root, LPCWSTR path, LPCWSTR name)
{
    BYTE mark[64] = {};
    DWORD size = sizeof(mark);
    return ::RegGetValueW(root, path, name, RRF_RT_REG_BINARY, nullptr, mark, &size) == ERROR_SUCCESS && size >= 1 &&
           (mark[0] & 1) != 0;
}

// Clears an "off" mark the way the list itself switches an entry on.
bool ClearOffMark(HKEY root, LPCWSTR path, LPCWSTR name)
{
    if (!MarkedOff(root, path, name)) return true;
    const BYTE on[12] = { 0x02 };
    return ::RegSetKeyValueW(root, path, name, REG_BINARY, on, sizeof(on)) == ERROR_SUCCESS;
}

bool RunValuePresent()
{
    // Query access only: a standard account can read HKEY_LOCAL_MACHINE,
    // and must see a Run value that an installer wrote there.
    CRegistryKey key(HKEY_LOCAL_MACHINE);
    key.Open(HKEY_LOCAL_MACHINE, kRunKeyPath, KEY_QUERY_VALUE);
    CString value;
    return key.QueryString(kRunValueName, value);
}

bool RunValueOn() { return RunValuePresent() && !MarkedOff(HKEY_LOCAL_MACHINE, kApprovedRunPath, kRunValueName); }

// The Startup shortcut's file name, as the list names its mark.
CString StartupShortcutName()
{
    wchar_t shortcut[MAX_PATH];
    return StartupShortcutPath(shortcut) ? CString(::PathFindFileNameW(shortcut)) : CString();
}

bool StartupShortcutOn()
{
    return StartupShortcutExists() &&
           !MarkedOff(HKEY_CURRENT_USER, kApprovedStartupFolderPath, StartupShortcutName());
}

// The executable's path in double quotes: a path with spaces left bare
// could start another program.
CString QuotedExecutablePath() { return CString(L"\"") + ExecutablePath() + L"\""; }

// The program a Run value starts: its path without quotes or arguments.
CString ProgramOf(const CString& value)
{
    const wchar_t* start = value;
    while (*start == L' ') ++start;
    CString path(start);
    if (path.GetLength() > 0 && path[0] == L'"') {
        const int close = path.Find(L'"', 1);
        return close > 0 ? path.Mid(1, close - 1) : path.Mid(1);
    }
    return path;
}

// Switching on starts this program: a value naming another one (an older
// copy, a moved one) is replaced, and said so.
AutoStartResult SwitchOn(CString* replaced)
{
    CString old;
    CRegistryKey reader(HKEY_LOCAL_MACHINE);
    reader.Open(HKEY_LOCAL_MACHINE, kRunKeyPath, KEY_QUERY_VALUE);
    const bool hadValue = reader.QueryString(kRunValueName, old);
    const bool other = hadValue && lstrcmpiW(ProgramOf(old), ExecutablePath()) != 0;
    CRegistryKey writer(HKEY_LOCAL_MACHINE);
    writer.Open(HKEY_LOCAL_MACHINE, kRunKeyPath, KEY_SET_VALUE);
    if (writer.SetString(kRunValueName, QuotedExecutablePath()) &&
        ClearOffMark(HKEY_LOCAL_MACHINE, kApprovedRunPath, kRunValueName)) {
        if (other && replaced) *replaced = ProgramOf(old);
        return other ? AutoStartResult::RunValueReplaced : AutoStartResult::Done;
    }
    // No right to the machine's Run value: the user's Startup folder.
    SetStartupShortcut(TRUE);
    ClearOffMark(HKEY_CURRENT_USER, kApprovedStartupFolderPath, StartupShortcutName());
    return AutoStartResult::Done;
}

AutoStartResult SwitchOff()
{
    bool kept = false;
    if (RunValuePresent()) {
        CRegistryKey writer(HKEY_LOCAL_MACHINE);
        writer.Open(HKEY_LOCAL_MACHINE, kRunKeyPath, KEY_SET_VALUE);
        kept = !writer.DeleteValue(kRunValueName);
    }
    SetStartupShortcut(FALSE);
    return kept && RunValueOn() ? AutoStartResult::RunValueKept : AutoStartResult::Done;
}

}  // namespace

BOOL IsAutoStartOn() { return RunValueOn() || StartupShortcutOn(); }

AutoStartResult ToggleAutoStart(CString* replaced)
{
    if (IsAutoStartOn()) return SwitchOff();
    return SwitchOn(replaced);
}

const wchar_t* RunValueKeptMessage()
{
    return L"Quillop still starts with Windows: this account may not remove the value \"Quillop\" under "
           L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run.\n\n"
           L"An administrator can remove it, or you can switch Quillop off in Windows' Startup apps list "
           L"(Task Manager, Startup).";
}

BOOL KnownAutoStartState() { return gKnownState; }

void RefreshAutoStartState()
{
    TheShellWorker().Act(CShellWorker::ActionLane::Launches, []() -> CWorkerThread::Task {
        const BOOL on = IsAutoStartOn();
        return [on] { gKnownState = on; };
    }, L"auto start: read");
}

void ToggleAutoStartLater()
{
    TheShellWorker().Act(CShellWorker::ActionLane::Launches, []() -> CWorkerThread::Task {
        CString replaced;
        const AutoStartResult result = ToggleAutoStart(&replaced);
        const BOOL on = IsAutoStartOn();
        return [result, on, replaced] {
            gKnownState = on;
            if (result == AutoStartResult::RunValueKept) AfxMessageBox(RunValueKeptMessage());
            if (result == AutoStartResult::RunValueReplaced) {
                CString message;
                message.Format(L"Quillop now starts with Windows from\n%s\n\ninstead of\n%s",
                               static_cast<LPCWSTR>(ExecutablePath()), static_cast<LPCWSTR>(replaced));
                AfxMessageBox(message, MB_OK | MB_ICONINFORMATION);
            }
        };
    });  // each toggle runs: none is merged into another
}
