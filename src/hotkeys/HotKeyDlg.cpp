#include "hotkeys/HotKeyDlg.h"

#include "framework/CWinApp.h"
#include "framework/Dpi.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeysDlg.h"
#include "hotkeys/SingleFileSel.h"
#include "menu/MenuFolder.h"
#include "menu/ShortcutMenu.h"
#include "res/resource.h"

namespace {

bool IsDigit(unsigned key) { return key >= L'0' && key <= L'9'; }
bool IsSpecialCharacter(unsigned key) { return key && wcschr(kSpecialCharacters, static_cast<wchar_t>(key)); }

}  // namespace

BEGIN_MESSAGE_MAP(CHotKeyDlg, CShortcutMenuOwner)
    ON_COMMAND(IDC_HOTKEY_BROWSE, OnBrowse)
    ON_COMMAND(IDC_HOTKEY_MENU_PICK, OnMenuPick)
    ON_MESSAGE(WM_MENU_COMMAND, OnMenuCommand)
END_MESSAGE_MAP()

CHotKeyDlg::CHotKeyDlg(CWnd* parent) : CShortcutMenuOwner(IDD_HOTKEY, parent) {}

void CHotKeyDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_HOTKEY_ALT, m_alt);
    DDX_Check(dx, IDC_HOTKEY_CTRL, m_ctrl);
    DDX_Check(dx, IDC_HOTKEY_SHIFT, m_shift);
    DDX_Check(dx, IDC_HOTKEY_WIN, m_win);
    DDX_Text(dx, IDC_HOTKEY_COMMAND, m_command);
    DDX_CBIndex(dx, IDC_HOTKEY_KEY, m_keyIndex);
}

// Rows are told apart by the code each makes, kept beside the list.
void CHotKeyDlg::FillKeyList()
{
    HWND combo = GetDlgItem(IDC_HOTKEY_KEY);
    ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    m_keyChoices = KeyChoices();
    for (const KeyChoice& choice : m_keyChoices)
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCWSTR>(choice.name)));
    // A list a dozen rows tall fits below the box on any screen the dialog
    // fits on, so it drops down rather than up to the top of the screen.
    ::SendMessageW(combo, CB_SETMINVISIBLE, 12, 0);
}

BOOL CHotKeyDlg::OnInitDialog()
{
    CShortcutMenuOwner::OnInitDialog();
    if (HWND parent = ::GetParent(m_hWnd)) CenterOver(parent);
    // 16 x 14 at 96 DPI, scaled with the rest.
    m_browseIcon = AfxLoadIcon(IDI_BROWSE, ScaleToDpi(16), ScaleToDpi(14));
    m_menuIcon = AfxLoadIcon(IDI_MENU_PICK, ScaleToDpi(16), ScaleToDpi(14));
    ::SendDlgItemMessageW(m_hWnd, IDC_HOTKEY_BROWSE, BM_SETIMAGE, IMAGE_ICON,
                          reinterpret_cast<LPARAM>(m_browseIcon.Get()));
    ::SendDlgItemMessageW(m_hWnd, IDC_HOTKEY_MENU_PICK, BM_SETIMAGE, IMAGE_ICON,
                          reinterpret_cast<LPARAM>(m_menuIcon.Get()));
    if (!m_commandEditable) {
        for (int id : { IDC_HOTKEY_COMMAND_LABEL, IDC_HOTKEY_BROWSE, IDC_HOTKEY_MENU_PICK, IDC_HOTKEY_COMMAND })
            ::EnableWindow(GetDlgItem(id), FALSE);
    }
    // No longer than the hotkey file gives back.
    ::SendDlgItemMessageW(m_hWnd, IDC_HOTKEY_COMMAND, EM_LIMITTEXT, CStringPool::kLongestString, 0);
    m_initialCode = m_code;
    m_initialCommand = m_command;
    FillKeyList();
    if (m_code) {
        unsigned flags = HotkeyFlags(m_code);
        m_alt = (flags & HotkeyFlag::Alt) != 0;
        m_ctrl = (flags & HotkeyFlag::Ctrl) != 0;
        m_shift = (flags & HotkeyFlag::Shift) != 0;
        m_win = (flags & HotkeyFlag::Win) != 0;
        UpdateData(FALSE);
        int row = KeyChoiceIndex(m_keyChoices, m_code);
        ::SendDlgItemMessageW(m_hWnd, IDC_HOTKEY_KEY, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
    }
    if (m_tips.Create(this, TTS_ALWAYSTIP)) {
        m_tips.AddControlTool(this, GetDlgItem(IDC_HOTKEY_BROWSE), L"Browse for a file");
        m_tips.AddControlTool(this, GetDlgItem(IDC_HOTKEY_MENU_PICK), L"Pick an entry of the short-cut menu");
    }
    // The key is what the dialog is about: the focus starts there.
    ::SetFocus(GetDlgItem(IDC_HOTKEY_KEY));
    return FALSE;
}

bool CHotKeyDlg::IsDuplicate(unsigned code) const
{
    auto* parent = dynamic_cast<CHotkeysDlg*>(CWnd::FromHandle(::GetParent(m_hWnd)));
    if (!parent) return false;
    CReportListCtrl& list = parent->GetList();
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (static_cast<unsigned>(list.GetRowValue(row)) == code && (m_initialCode == 0 || row != m_editedRow))
            return true;
    return (parent->GetMenuCode() == code || parent->GetFindCode() == code) && code != m_initialCode;
}

void CHotKeyDlg::OnOK()
{
    UpdateData(TRUE);
    if (m_commandEditable && m_command.IsEmpty()) {
        AfxMessageBox(L"Please input a valid command.", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    HWND combo = GetDlgItem(IDC_HOTKEY_KEY);
    int selection = static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
    if (selection < 0 || selection >= static_cast<int>(m_keyChoices.size())) {
        AfxMessageBox(L"Please select the key you want.", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const unsigned choice = m_keyChoices[static_cast<size_t>(selection)].code;
    const unsigned kind = HotkeyFlags(choice);
    const unsigned key = HotkeyKey(choice);
    bool modified = m_alt || m_ctrl || m_shift || m_win;
    bool isCharacter = !(kind & HotkeyFlag::VirtualKey);
    if (modified && isCharacter && (IsDigit(key) || IsSpecialCharacter(key))) {
        AfxMessageBox(L"Sorry, this key can't be used with any modifier.", MB_OK | MB_ICONEXCLAMATION);
        return;
    }

    unsigned flags = kind;
    if (m_alt) flags |= HotkeyFlag::Alt;
    if (m_ctrl) flags |= HotkeyFlag::Ctrl;
    if (m_shift) flags |= HotkeyFlag::Shift;
    if (m_win) flags |= HotkeyFlag::Win;
    m_code = MakeHotkeyCode(flags, key);

    if (m_code == m_initialCode && m_command == m_initialCommand) {
        PostMessage(WM_COMMAND, IDCANCEL);
        return;
    }
    if (IsDuplicate(m_code)) {
        AfxMessageBox(L"Sorry, this key is already used. Please select another one.", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CShortcutMenuOwner::OnOK();
}

LRESULT CHotKeyDlg::OnBrowse(WPARAM, LPARAM)
{
    CSingleFileSel select(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, L"All Files(*.*)|*.*||", this);
    select.SetTitle(L"Select File");
    if (select.DoModal() != IDOK) return 0;
    UpdateData(TRUE);
    m_command = select.GetPathName();
    UpdateData(FALSE);
    return 0;
}

LRESULT CHotKeyDlg::OnMenuPick(WPARAM, LPARAM)
{
    if (PopupShortcutMenu(m_hWnd, FALSE, FALSE) == 0)
        AfxMessageBox(L"Sorry, there is no menu item to select.", MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

LRESULT CHotKeyDlg::OnMenuCommand(WPARAM id, LPARAM)
{
    const wchar_t* path = id > MenuCommand::Exit ? MenuItemPath(static_cast<UINT>(id)) : nullptr;
    if (path) {
        UpdateData(TRUE);
        m_command = path;
        UpdateData(FALSE);
    }
    return 1;
}
