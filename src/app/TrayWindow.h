// The hidden tray window: owner of the notification icon, receiver of the
// icon's mouse messages, the global hotkeys, the short-cut menu's commands
// and dropped files. Shown on request as a small drop window at the pointer.
#pragma once

#include "controls/TipWindow.h"
#include "framework/CString.h"
#include "framework/Handles.h"
#include "menu/ShortcutMenu.h"
#include "menu/ShortcutMenuOwner.h"

// Messages the tray window owns.
constexpr UINT WM_TRAY_ICON = WM_USER + 11;         // icon callback
constexpr UINT WM_SHOW_DROP_WINDOW = WM_USER + 12;  // posted to itself
// WM_MENU_COMMAND (WM_USER + 13): the short-cut menu's choice; WM_MENU_FIND
// (WM_USER + 14): Find asked for from it (a letter typed that started no
// entry, or a capped level's last row).

extern const UINT taskbarCreatedMessage;

// Adds (NIM_ADD) or deletes (NIM_DELETE) the notification icon of a window.
BOOL AddNotifyIcon(HWND window);
// A balloon from the icon.
void ShowBalloon(HWND window, LPCWSTR title, const CString& text);
// A balloon from the icon telling a new user where the menu folder is and
// what the icon does.
void ShowFirstStartNotice(HWND window, LPCWSTR menuFolder);
void DeleteNotifyIcon(HWND window);

class CTrayWindow : public CShortcutMenuOwner {
public:
    CTrayWindow();
    ~CTrayWindow() override;

    BOOL PreTranslateMessage(MSG* message) override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}

    // Creates the tip that explains the drop window, with this window as
    // its one tool.
    BOOL CreateTip();

    // Runs a menu command (the handler of WM_MENU_COMMAND).
    void RunCommand(UINT id);
    HICON GetDropIcon() const { return m_dropIcon.Get(); }

protected:
    void DoDataExchange(CDataExchange*) override {}

    LRESULT OnDestroy(WPARAM, LPARAM);
    LRESULT OnDropFiles(HDROP drop);
    LRESULT OnButtonUp(WPARAM, LPARAM);
    LRESULT OnEraseBackground(WPARAM, LPARAM);
    LRESULT OnTrayIcon(WPARAM, LPARAM);
    LRESULT OnShowDropWindow(WPARAM, LPARAM);
    LRESULT OnMenuCommand(WPARAM, LPARAM);
    LRESULT OnMenuFind(WPARAM, LPARAM);
    LRESULT OnTaskbarCreated(WPARAM, LPARAM);
    LRESULT OnSecondStart(WPARAM, LPARAM);
    LRESULT OnHotkey(WPARAM, LPARAM);
    LRESULT OnSettingChange(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    void FitDropWindowToIcon();
    void MinimizeAllWindows();
    void RestoreAllWindows();
    void ExploreMenuFolder();
    void OpenHelpPage();
    // Whether Exit may go ahead: with drops or launches still pending, the
    // user is asked.
    bool ConfirmExit();
    void ReportDrop(const struct DropResult& result);

    CTipWindow m_tip;
    UniqueIcon m_dropIcon;  // the program's icon, drawn on the drop window
    POINT m_pointer = { 0, 0 };
};

extern CTrayWindow theTrayWindow;

// The balloon's text for a drop: how many entries it added, and the
// shortcuts it replaced (the first three); empty when it did neither.
CString DropReportText(const struct DropResult& result);
