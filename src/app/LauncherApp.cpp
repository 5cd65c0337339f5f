#include "app/LauncherApp.h"

#include "app/AutoStart.h"
#include "app/TrayWindow.h"
#include "find/UsageLog.h"
#include "framework/ExecutablePath.h"
#include "menu/MenuFolder.h"
#include "menu/OpenEntry.h"
#include "menu/ShortcutMenu.h"
#include "shell/FolderModel.h"
#include "shell/ShellWorker.h"
#include "res/resource.h"

namespace {

constexpr int kIconTries = 20;
constexpr DWORD kIconRetryPause = 200;  // ms
constexpr UINT kCopyGlobalDataMessage = 0x0049;
// ms: a call in progress (a listing, a look-up) is let finish; one held by a
// drive that does not answer is left behind.
constexpr DWORD kWorkerStopWait = 2000;

}  // namespace

BOOL CLauncherApp::InitInstance()
{
    // A second start of this very program file shows the first one's menu
    // instead: two copies would each save over the other's hotkey file. A
    // copy that does not answer is named to the user, and no second one
    // starts; a claim no copy holds (another program holds its name) does
    // not keep the program from starting.
    if (!m_singleCopy.Claim()) {
        const CSingleCopy::Answer answer = m_singleCopy.AskRunningCopy();
        if (answer == CSingleCopy::Answer::Asked) return FALSE;
        if (answer == CSingleCopy::Answer::NotAnswering) {
            TellRunningCopyDoesNotAnswer();
            m_exitCode = 1;
            return FALSE;
        }
    }
    // The framework's 3-D dialog controls are always on: nothing to enable.
    // OLE, not just COM: the shell's Cut and Copy of an entry put it on the
    // OLE clipboard from this thread.
    m_comReady = SUCCEEDED(::OleInitialize(nullptr));
    RelaxMessageFilter();
    SetRegistryKey(L"Velmor's Tools");
    // No settings yet: the program has not started here before. Writing
    // the option's default makes them, so that the next start knows.
    m_firstStartHere = !SettingsExist();
    if (m_firstStartHere) WriteProfileInt(L"Option", L"DirAsSpt", 0);
    // The menu folder is listed (and made, on a first start) on the folder
    // model's thread from now on; its icons load once it has been listed.
    ListenToFolderModel();
    TheFolderModel().AddListener(ShowFirstStartNoticeOnce);
    TheFolderModel().Refresh();
    // Every entry opened from the menu or Find counts in the usage file,
    // read on the launch lane.
    TheUsageLog().Start(UsageFilePath(), MenuFolderPath());
    ListenToOpenedEntries([](const std::wstring& path) { TheUsageLog().CountOpened(path); });
    theTrayWindow.Create(IDD_TRAY_WINDOW, nullptr);
    m_pMainWnd = &theTrayWindow;
    m_singleCopy.SignalReady();
    theTrayWindow.CreateTip();
    m_iconUp = AddIconWithRetries();
    ShowFirstStartNoticeOnce(nullptr);
    LoadFolderAsSeparator();
    RefreshAutoStartState();
    return TRUE;
}

int CLauncherApp::ExitInstance()
{
    // A quit request met before "Exit" leaves the tray window alive: destroy
    // it while it is still the main window, so that its hotkeys are released
    // and its icon deleted.
    if (m_pMainWnd && m_pMainWnd->m_hWnd) m_pMainWnd->DestroyWindow();
    TheUsageLog().SaveAtExit();
    // A shell call that hangs (a sleeping drive) does not hold the exit up.
    TheFolderModel().StopListing();
    TheShellWorker().Stop(kWorkerStopWait);
    TheFolderModel().Stop(kWorkerStopWait);
    if (m_comReady) ::OleUninitialize();
    m_comReady = false;
    return CWinApp::ExitInstance();
}

// A new user learns where things are, once: on the first start in a place
// (the first listing made the menu folder, or one made for it beforehand,
// with a demo menu, has never seen the program start: its settings do not
// exist yet).
void CLauncherApp::ShowFirstStartNoticeOnce(const SnapshotPointer&)
{
    static bool shown = false;
    // Once the icon is up and the first listing has come.
    if (shown || !theApp.m_iconUp || TheFolderModel().Snapshot()->Generation() == 0) return;
    shown = true;
    if (TheFolderModel().MadeTopFolder() || theApp.m_firstStartHere)
        ShowFirstStartNotice(theTrayWindow.m_hWnd, MenuFolderPath());
}

void CLauncherApp::TellRunningCopyDoesNotAnswer()
{
    wchar_t text[512];
    const CString name = ExecutableBaseName();
    wnsprintfW(text, ARRAYSIZE(text),
               L"%s is already running, but it does not answer.\n\nWait a moment and start it again. If it still does "
               L"not answer, end %s.exe in the Task Manager, then start it again.",
               static_cast<LPCWSTR>(name), static_cast<LPCWSTR>(name));
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
}

// Lets files be dropped on the tray window from processes of lower
// integrity, where the system has a message filter.
void CLauncherApp::RelaxMessageFilter()
{
    // Already loaded: looked up, not loaded by name.
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (!user32) return;
    using ChangeFilter = BOOL(WINAPI*)(UINT, DWORD);
    auto change = reinterpret_cast<ChangeFilter>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "ChangeWindowMessageFilter")));
    if (change) {
        change(WM_DROPFILES, MSGFLT_ADD);
        change(WM_COPYDATA, MSGFLT_ADD);
        change(kCopyGlobalDataMessage, MSGFLT_ADD);
    }
}

// The shell may not be ready yet, for instance at logon: try for about 4 s.
bool CLauncherApp::AddIconWithRetries()
{
    for (int attempt = 1; attempt <= kIconTries; ++attempt) {
        PumpMessages();
        ++m_iconAttempts;
        if (AddNotifyIcon(theTrayWindow.m_hWnd)) return true;
        PumpMessages();
        ::Sleep(kIconRetryPause);
    }
    return false;
}

void CLauncherApp::PumpMessages()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Ends the message loop as soon as start-up returns.
            ::PostQuitMessage(-1);
            break;
        }
        if (!PreTranslateMessage(&message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}
