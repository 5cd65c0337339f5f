// The Hotkeys dialog: lists every hotkey, edits them through the HotKey
// dialog, and on OK rewrites the hotkey file and registers it again.
#pragma once

#include <memory>
#include <vector>

#include "controls/ReportListCtrl.h"
#include "framework/CDialog.h"
#include "framework/Handles.h"
#include "hotkeys/HotkeyStore.h"
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

// Its rows come from the program's reading of the hotkey file, the one its
// save compares the disk with: until the start-up read arrives (or while a
// save is on its way) the title says so and OK waits. OK registers the rows
// and saves them on a worker, the dialog answering meanwhile; Cancel always
// closes it, stopping a save that has not yet touched the file.
class CHotkeysDlg : public CResizableDlg {
public:
    CHotkeysDlg();
    ~CHotkeysDlg() override;

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    // The rows in order, then the short-cut menu hotkey.
    std::vector<Hotkey> WantedHotkeys() const;
    // Waiting for the reading, or saving.
    bool IsBusy() const { return !m_filled || m_save != nullptr; }

    CReportListCtrl& GetList() { return m_list; }
    unsigned GetMenuCode() const { return m_menu.code; }
    unsigned GetFindCode() const { return m_find.code; }

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnClientResize(int dx, int dy) override;
    LRESULT OnListDoubleClick(WPARAM, LPARAM);
    LRESULT OnListItemChanged(WPARAM, LPARAM);
    // Edit and Delete act on the selected row, Clear on any, the own lines'
    // Delete on their hotkey: each is enabled when it has something to act on.
    void EnableButtons();
    // The last column reaches the list's right edge: no empty column after it.
    void FillLastColumn();
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
    // The reading's hotkeys, once it has arrived, before any rows added
    // while it was awaited.
    void FillFromReading();
    void ShowState();
    void SaveEnded(const HotkeySaveResult& result);
    // While a save runs, nothing but Cancel takes input.
    void HoldInput(bool hold);

    OwnHotkey m_menu{ kShortcutMenuMarker, IDC_HOTKEYS_MENU_LABEL };
    OwnHotkey m_find{ kFindMarker, IDC_HOTKEYS_FIND_LABEL };
    CReportListCtrl m_list;
    // The reading the rows came from, and its save compares with.
    HotkeyFileRead m_reading;
    bool m_filled = false;
    bool m_closed = false;
    std::shared_ptr<SaveCancel> m_save;     // a save on its way
    std::vector<Hotkey> m_previous;         // registered again when it does not go through
    std::vector<HWND> m_held;               // controls disabled while it runs
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);  // for replies that come after the dialog
    // The window shows them; they go with the dialog object.
    UniqueIcon m_bigIcon;
    UniqueIcon m_smallIcon;
};


// Runs the Hotkeys dialog modally with no parent; one already open comes
// to the front instead: two would each save over the other.
void RunHotkeysDialog();
