// The Find window ("Find - Quillop"): an edit field and below it the best
// matches of the menu folder tree for what is typed, each with its icon,
// a document's extension and its folder in grey; with nothing typed, the
// entries opened last. The keys are the menu's: Up, Down, Page Up and Page
// Down move; Enter opens the first match of the whole text typed, or the
// row moved to (Shift: shows it in its folder; Ctrl+Shift: runs it as
// administrator, as menu/OpenEntry.h does); Alt+1 to Alt+9 open the first
// nine rows; the Apps key and Shift+F10 open the entry's shell menu;
// Shift+Delete forgets that the entry was used; Escape clears the text,
// then closes. Tab moves between the field and the list; Ctrl+Backspace
// deletes a word; typing always goes to the edit field. A click on a
// result opens it, a right click gives its shell menu. It closes when
// another program takes the focus.
//
// One window, made on first use and hidden when closed. UI thread only: it
// searches the folder model's snapshot in memory, never the disk.
#pragma once

#include <string>
#include <vector>

#include "find/FindIndex.h"
#include "framework/CDialog.h"
#include "framework/Handles.h"
#include "menu/OpenEntry.h"

// The edit field and the list tell the window of their changes through
// their reflected notifications.
class CFindEdit : public CWnd {
protected:
    LRESULT OnChange(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()
};
class CFindList : public CWnd {
protected:
    LRESULT OnSelectionChange(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()
};

// Where the window opens: from a hotkey at the top centre of the work area
// of the monitor under the pointer, from the menu above the notification
// icon.
enum class FindPlace { TopOfScreenAtPointer, AboveNotifyIcon };

class CFindWindow : public CDialog {
public:
    CFindWindow();

    // Shows the window with the text typed, in front with the focus; an
    // open window stays where it is.
    void Open(const std::wstring& typed, FindPlace place);
    void Close();

    const FindResults& Results() const { return m_results; }
    int Selection() const;
    const FindIndex& Index() const { return m_index; }

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL PreTranslateMessage(MSG* message) override;

    // From the edit field and the list.
    void Search();
    void OpenSelected();
    // The row opens the way the modifiers held now choose, or the way given.
    void OpenRow(int row);
    void OpenRow(int row, OpenWay way);
    // A new listing of the menu folder tree: an open window searches it
    // (the newest one, a moment later).
    void TakeSnapshot();

protected:
    LRESULT OnDrawItem(WPARAM, LPARAM);
    LRESULT OnContextMenu(WPARAM, LPARAM);
    LRESULT OnControlColour(WPARAM, LPARAM);
    LRESULT OnInitMenuPopup(WPARAM, LPARAM);
    LRESULT OnMeasureItem(WPARAM, LPARAM);
    LRESULT OnMenuChar(WPARAM, LPARAM);
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnClose(WPARAM, LPARAM);
    LRESULT OnActivate(WPARAM, LPARAM);
    LRESULT OnCheckForeground(WPARAM, LPARAM);
    LRESULT OnSize(WPARAM, LPARAM);
    LRESULT OnSettingChange(WPARAM, LPARAM);
    LRESULT OnColoursChange(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    void ShowResults();
    void ShowRecent();
    void ShowCount();
    void ForgetSelected();
    void DeleteWordBeforeCaret();
    void SwitchFocus();
    void TakeColours();
    void LayOut();
    bool HandleKey(const MSG& message);
    std::wstring TypedText() const;
    void IndexNewestSnapshot();
    void SearchNewestSnapshot();
    // Whether an Enter that found no row still waits for the text's first.
    bool EnterOwed() const;
    void MoveSelection(int rows);
    void ShowShellMenu(POINT at);
    bool SelectedEntryPoint(POINT& point) const;
    void Place(FindPlace place);
    LRESULT ToShellMenu(UINT message, WPARAM wParam, LPARAM lParam);

    CFindEdit m_edit;
    CFindList m_list;
    FindIndex m_index;
    FindResults m_results;
    std::vector<int> m_images;  // the shown results' images in the icon cache
    std::wstring m_searched;    // the text the results are for
    // Enter pressed with no row: for that text, until the tick count, the
    // way its modifiers chose.
    struct OwedEnter {
        std::wstring text;
        DWORD until = 0;
        OpenWay way = OpenWay::Open;
    } m_enterOwed;
    SnapshotPointer m_recentFrom;  // holds the entries of the recent list
    // The controls' margins as the template lays them out, kept on resizing.
    int m_margin = 0, m_gap = 0, m_editHeight = 0, m_countHeight = 0;
    UniqueBrush m_background;
    UniqueIcon m_bigIcon, m_smallIcon;  // the program's, in the title bar
    COLORREF m_text = 0, m_grayText = 0, m_backgroundColour = 0;
};

// The Find window, made on first use, owned by the main window.
CFindWindow& TheFindWindow();
// Opens it (see CFindWindow::Open).
void OpenFind(const std::wstring& typed, FindPlace place);
