// The application object: brings the program up in order, runs the
// message loop with the hidden tray window as its main window, and takes
// it down again.
#pragma once

#include "app/RunningCopy.h"
#include "framework/CWinApp.h"
#include "shell/FolderListing.h"

class CLauncherApp : public CWinApp {
public:
    CLauncherApp() : CWinApp(nullptr) {}
    BOOL InitInstance() override;
    int ExitInstance() override;

    // How many times the shell was asked to add the icon at start-up.
    int GetIconAttempts() const { return m_iconAttempts; }


private:
    static void ShowFirstStartNoticeOnce(const SnapshotPointer& snapshot);
    static void TellRunningCopyDoesNotAnswer();
    void RelaxMessageFilter();
    bool AddIconWithRetries();
    void PumpMessages();

    int m_iconAttempts = 0;
    CSingleCopy m_singleCopy;
    bool m_comReady = false;
    bool m_iconUp = false;
    bool m_firstStartHere = false;
};

extern CLauncherApp theApp;
