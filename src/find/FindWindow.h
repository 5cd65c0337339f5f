// The Find window: an edit field and below it the best matches of the menu
// folder tree for what is typed, each with its icon and its folder in grey.
// The keys are the menu's: Up, Down, Page Up and Page Down move; Enter
// opens (Shift: shows it in its folder; Ctrl+Shift: runs it as
// administrator); the Apps key and Shift+F10 open the entry's shell menu;
// Escape clears the text, then closes. Typing always goes to the edit
// field; a click on a result opens it, a right click gives its shell menu.
//
// One window, made on first use and hidden when closed. UI thread only: it
// searches the folder model's snapshot in memory, never the disk.
#pragma once

#include <string>
#include <vector>

#include "find/FindIndex.h"
#include "framework/CDialog.h"
#include "framework/Handles.h"

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
    LRESULT OnFocus(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()
};

class CFindWindow : public CDialog {
public:
    CFindWindow();

    // Shows the window with the text typed, at the pointer, or near the
    // notification area when asked from the keyboard (a hotkey); inside
    // the work area of that monitor.
    void Open(const std::wstring& typed, bool atPointer);
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
    void KeepTypingInTheEdit();
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
    DECLARE_MESSAGE_MAP()

private:
    void ShowResults();
    void IndexNewestSnapshot();
    void SearchNewestSnapshot();
    void MoveSelection(int rows);
    void ShowShellMenu(POINT at);
    bool SelectedEntryPoint(POINT& point) const;
    void Place(bool atPointer);
    LRESULT ToShellMenu(UINT message, WPARAM wParam, LPARAM lParam);

    CFindEdit m_edit;
    CFindList m_list;
    FindIndex m_index;
    FindResults m_results;
    std::vector<int> m_images;  // the shown results' images in the icon cache
    UniqueBrush m_background;
    COLORREF m_text = 0, m_grayText = 0, m_backgroundColour = 0;
};

// The Find window, made on first use, owned by the main window.
CFindWindow& TheFindWindow();
// Opens it (see CFindWindow::Open).
void OpenFind(const std::wstring& typed, bool atPointer);
