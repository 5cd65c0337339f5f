// The Hotkeys dialog: lists every hotkey, edits them through the HotKey
// dialog, and on OK rewrites the hotkey file and registers it again.
#pragma once

#include <vector>

#include "controls/ReportListCtrl.h"
#include "framework/CDialog.h"
#include "framework/Handles.h"
#include "hotkeys/HotkeyTable.h"
#include "res/resource.h"

// A dialog that can grow, never shrink below its first size, and tells its
// class how far its client area moved.
class CResizableDlg : public CDialog {
public:
    using CDialog::CDialog;
    BOOL OnInitDialog() override;

protected:
    virtual void OnClientResize(int dx, int dy) = 0;
    void FitIntoWorkArea();
    LRESULT OnGetMinMaxInfo(MINMAXINFO& info);
    LRESULT OnSize(UINT type, int width, int height);
    DECLARE_MESSAGE_MAP()

private:
    int m_minimumWidth = 0;
    int m_minimumHeight = 0;
    RECT m_lastClient = {};
};

class CHotkeysDlg : public CResizableDlg {
public:
    CHotkeysDlg();

    BOOL OnInitDialog() override;
    void OnOK() override;

    // Writes the hotkey file from the rows and the short-cut menu hotkey;
    // with nothing to write, deletes it. Anything the new file would change
    // beyond the edits is kept beside it first. 1 when saved or deleted.
    int SaveHotkeys();
    int SaveHotkeys(const std::vector<Hotkey>& hotkeys);
    // The rows in order, then the short-cut menu hotkey.
    std::vector<Hotkey> WantedHotkeys() const;

    CReportListCtrl& GetList() { return m_list; }
    unsigned GetMenuCode() const { return m_menu.code; }
    unsigned GetFindCode() const { return m_find.code; }

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnClientResize(int dx, int dy) override;
    LRESULT OnListDoubleClick(WPARAM, LPARAM);
    LRESULT OnAdd(WPARAM, LPARAM);
    LRESULT OnDelete(WPARAM, LPARAM);
    LRESULT OnEdit(WPARAM, LPARAM);
    LRESULT OnClear(WPARAM, LPARAM);
    LRESULT OnMenuDelete(WPARAM, LPARAM);
    LRESULT OnMenuEdit(WPARAM, LPARAM);
    LRESULT OnFindDelete(WPARAM, LPARAM);
    LRESULT OnFindEdit(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    // A hotkey of the program's own (the short-cut menu's, Find's): a line
    // of its own below the rows.
    struct OwnHotkey {
        const wchar_t* command;
        UINT labelId;
        unsigned code = 0;
    };
    void ShowRow(int row);
    void SetOwnHotkey(OwnHotkey& hotkey, unsigned code);
    void EditOwnHotkey(OwnHotkey& hotkey);
    void ReportConflicts(const std::vector<Hotkey>& wanted, const std::vector<int>& failed);

    OwnHotkey m_menu{ kShortcutMenuMarker, IDC_HOTKEYS_MENU_LABEL };
    OwnHotkey m_find{ kFindMarker, IDC_HOTKEYS_FIND_LABEL };
    CReportListCtrl m_list;
    // The window shows them; they go with the dialog object.
    UniqueIcon m_bigIcon;
    UniqueIcon m_smallIcon;
};


// Runs the Hotkeys dialog modally with no parent; one already open comes
// to the front instead: two would each save over the other.
void RunHotkeysDialog();
