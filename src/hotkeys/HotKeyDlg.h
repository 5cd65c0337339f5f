// The HotKey dialog: edits one hotkey's modifiers, key and command, and
// refuses combinations it does not allow and keys already in use.
#pragma once

#include "framework/Controls.h"
#include "framework/Handles.h"
#include "hotkeys/HotkeyTable.h"
#include "menu/ShortcutMenuOwner.h"

class CHotkeysDlg;

// The key list: a letter typed while the list is open moves the selection
// to the next row it starts, and the list stays open for Enter to take it.
class CKeyListCombo : public CWnd {
protected:
    LRESULT OnChar(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()
};

class CHotKeyDlg : public CShortcutMenuOwner {
public:
    explicit CHotKeyDlg(CWnd* parent);

    BOOL OnInitDialog() override;
    void OnOK() override;

    unsigned m_code = 0;
    int m_editedRow = -2;
    BOOL m_commandEditable = TRUE;
    CString m_command;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    LRESULT OnBrowse(WPARAM, LPARAM);
    LRESULT OnMenuPick(WPARAM, LPARAM);
    LRESULT OnMenuCommand(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    void FillKeyList();
    // The command that already holds the code, in words, or "" when none.
    CString HolderOf(unsigned code) const;
    CString Title() const;

    unsigned m_initialCode = 0;
    CString m_initialCommand;
    BOOL m_alt = FALSE, m_ctrl = FALSE, m_shift = FALSE, m_win = FALSE;
    int m_keyIndex = -1;
    std::vector<KeyChoice> m_keyChoices;  // the key list's rows, in order
    CKeyListCombo m_keyList;
    UniqueIcon m_browseIcon;
    UniqueIcon m_menuIcon;
    CToolTipCtrl m_tips;  // the picture buttons say what they do
};
