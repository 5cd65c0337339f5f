#include "app/LauncherApp.h"

#include "app/TrayWindow.h"
#include "menu/MenuFolder.h"
#include "menu/ShellWorker.h"
#include "res/resource.h"

namespace {

constexpr int kIconTries = 20;
constexpr DWORD kIconRetryPause = 200;  // ms
constexpr UINT kCopyGlobalDataMessage = 0x0049;
constexpr DWORD kWorkerStopWait = 500;  // ms

}  // namespace

BOOL CLauncherApp::InitInstance()
{
    // A second start of this very executable shows the first one's menu
    // instead: two copies would each save over the other's hotkey file.
    if (!m_singleCopy.Claim()) {
        ShowRunningCopysMenu();
        return FALSE;
    }
    // The framework's 3-D dialog controls are always on: nothing to enable.
    // OLE, not just COM: the shell's Cut and Copy of an entry put it on the
    // OLE clipboard from this thread.
    m_comReady = SUCCEEDED(::OleInitialize(nullptr));
    RelaxMessageFilter();
    SetRegistryKey(L"Velmor's Tools");
    const bool firstStart = CreateMenuFolder();
    theTrayWindow.Create(IDD_TRAY_WINDOW, nullptr);
    m_pMainWnd = &theTrayWindow;
    theTrayWindow.CreateTip();
    // A new user learns where things are, once: next time the folder exists.
    if (AddIconWithRetries() && firstStart) ShowFirstStartNotice(theTrayWindow.m_hWnd, MenuFolderPath());
    LoadFolderAsSeparator();
    // The icons of the menu folder load on the shell worker's thread once
    // the icon is up: start-up never waits for them.
    TheShellWorker().Preload(MenuFolderPath());
    return TRUE;
}

int CLauncherApp::ExitInstance()
{
    // A quit request met before "Exit" leaves the tray window alive: destroy
    // it while it is still the main window, so that its hotkeys are released
    // and its icon deleted.
    if (m_pMainWnd && m_pMainWnd->m_hWnd) m_pMainWnd->DestroyWindow();
    // A shell call that hangs (a sleeping drive) does not hold the exit up.
    TheShellWorker().Stop(kWorkerStopWait);
    if (m_comReady) ::OleUninitialize();
    m_comReady = false;
    return CWinApp::ExitInstance();
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
