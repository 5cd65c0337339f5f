// The application object: start-up and exit virtuals, the message loop with
// pre-translation, the main window, the application name, the per-user
// profile under HKCU\Software\<key>\<application name>, and message boxes
// captioned with the application name.
#pragma once

#include <initializer_list>

#include "framework/CString.h"
#include "framework/Handles.h"
#include "framework/CWnd.h"

class CWinApp : public CObject {
public:
    // With no name, the application name is the executable's file name
    // without its extension.
    explicit CWinApp(LPCWSTR appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    // Returns the process exit code: the value the message loop ended with.
    virtual int ExitInstance() { return m_exitCode; }
    // Runs the message loop until WM_QUIT; returns ExitInstance().
    virtual int Run();
    // Walks from the message's window up through its parents and owners,
    // giving each framework window the chance to consume the message.
    virtual BOOL PreTranslateMessage(MSG* message);

    void SetRegistryKey(LPCWSTR company);
    UINT GetProfileInt(LPCWSTR section, LPCWSTR entry, int defaultValue) const;
    BOOL WriteProfileInt(LPCWSTR section, LPCWSTR entry, int value) const;
    // Whether the profile key exists: the program has kept settings here.
    bool SettingsExist() const;
    // "Software\<key>\<application name>", empty before SetRegistryKey.
    const CString& GetProfileKeyPath() const { return m_profileKey; }

    CWnd* m_pMainWnd = nullptr;
    CString m_appName;
    HINSTANCE m_hInstance = nullptr;

protected:
    int m_exitCode = 0;

private:
    CString m_profileKey;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
BOOL AfxPreTranslateMessage(MSG* message);
// An icon or cursor of the program's resources, the caller's own to
// destroy (LoadIconW and LoadCursorW give shared ones, which must not be
// destroyed). Size 0: the resource's own size.
UniqueIcon AfxLoadIcon(UINT id, int width = 0, int height = 0);
UniqueCursor AfxLoadCursor(UINT id);
// A message box captioned with the application name, owned by the active
// window of the program (or its main window).
int AfxMessageBox(LPCWSTR text, UINT type = MB_OK | MB_ICONEXCLAMATION);
// The same box with its buttons named for what they do ({ IDYES, L"&Notepad" }):
// the user reads the choice off the buttons, not from the text.
struct ButtonLabel {
    int id;
    LPCWSTR text;
};
int AfxMessageBox(LPCWSTR text, UINT type, std::initializer_list<ButtonLabel> labels);
// The box below the window (above it at the foot of the screen), where it
// leaves what the message is about in view.
int AfxMessageBoxClearOf(HWND window, LPCWSTR text, UINT type = MB_OK | MB_ICONEXCLAMATION);
// Keeps DLLs that the system loads by name to the system folder, not the
// program's own folder, where a planted DLL could wait (a portable program
// often runs from a downloads folder). Where the system lacks the call
// (Windows 7 without KB2533623) nothing changes.
void RestrictDllSearchToSystem();
// The framework's entry: InitInstance, then Run when it succeeded.
int AfxWinMain(CWinApp* app);
