#include "hotkeys/HotKeyDlg.h"

#include "framework/CWinApp.h"
#include "framework/Dpi.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeysDlg.h"
#include "hotkeys/SingleFileSel.h"
#include "menu/MenuFolder.h"
#include "menu/ShortcutMenu.h"
#include "res/resource.h"

#include <cwctype>

namespace {

bool IsDigit(unsigned key) { return key >= L'0' && key <= L'9'; }
bool IsSpecialCharacter(unsigned key) { return key && wcschr(kSpecialCharacters, static_cast<wchar_t>(key)); }

// A hotkey on a key that types takes that key from every program: the user
// says so in as many words, and a reflexive Enter answers No.
bool ConfirmTypedKey(unsigned code)
{
    if (!TakesTypedKey(code)) return true;
    const CString key = FormatHotkeyText(HotkeyFlags(code), HotkeyKey(code));
    CString question;
    question.Format(L"%s without Ctrl, Alt or Win will take every %s typed in every program. Use it anyway?",
                    static_cast<LPCWSTR>(key), static_cast<LPCWSTR>(key));
    return AfxMessageBox(question, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

}  // namespace

BEGIN_MESSAGE_MAP(CKeyListCombo, CWnd)
    ON_MESSAGE(WM_CHAR, OnChar)
END_MESSAGE_MAP()

// The list's own search would choose the row and close the list, so the
// open list is searched here and only its highlight moves.
LRESULT CKeyListCombo::OnChar(WPARAM typed, LPARAM)
{
    COMBOBOXINFO info = {};
    info.cbSize = sizeof(info);
    if (!SendMessage(CB_GETDROPPEDSTATE) || !::GetComboBoxInfo(m_hWnd, &info) || !info.hwndList || typed < L' ')
        return Default();
    const int count = static_cast<int>(::SendMessageW(info.hwndList, LB_GETCOUNT, 0, 0));
    const int current = static_cast<int>(::SendMessageW(info.hwndList, LB_GETCURSEL, 0, 0));
    const wint_t wanted = std::towupper(static_cast<wint_t>(typed));
    for (int step = 1; step <= count; ++step) {
        const int row = (current + step + count) % count;
        wchar_t text[32] = {};
        if (::SendMessageW(info.hwndList, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0) >= 32) continue;
        ::SendMessageW(info.hwndList, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text));
        if (std::towupper(static_cast<wint_t>(text[0])) == wanted) {
            ::SendMessageW(info.hwndList, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
            break;
        }
    }
    return 0;
}

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
    m_keyList.SubclassDlgItem(IDC_HOTKEY_KEY, this);
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
    ::SetWindowTextW(m_hWnd, static_cast<LPCWSTR>(Title()));
    // The key is what the dialog is about: the focus starts there.
    ::SetFocus(GetDlgItem(IDC_HOTKEY_KEY));
    return FALSE;
}

namespace {

// What a hotkey's command stands for, as a user knows it.
CString CommandInWords(LPCWSTR command)
{
    if (lstrcmpW(command, kShortcutMenuMarker) == 0) return L"the short-cut menu";
    if (lstrcmpW(command, kFindMarker) == 0) return L"Find";
    return command;
}

}  // namespace

CString CHotKeyDlg::HolderOf(unsigned code) const
{
    auto* parent = dynamic_cast<CHotkeysDlg*>(CWnd::FromHandle(::GetParent(m_hWnd)));
    if (!parent) return CString();
    CReportListCtrl& list = parent->GetList();
    for (int row = 0; row < list.GetItemCount(); ++row) {
        if (static_cast<unsigned>(list.GetRowValue(row)) == code && (m_initialCode == 0 || row != m_editedRow)) {
            CString command;
            list.GetCellText(row, 1, command);
            return command;
        }
    }
    if (code == m_initialCode) return CString();
    if (parent->GetMenuCode() == code) return CommandInWords(kShortcutMenuMarker);
    if (parent->GetFindCode() == code) return CommandInWords(kFindMarker);
    return CString();
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
    const CString holder = HolderOf(m_code);
    if (!holder.IsEmpty()) {
        CString message;
        message.Format(L"Sorry, %s is already the hotkey of %s. Please select another one.",
                       static_cast<LPCWSTR>(FormatHotkeyText(HotkeyFlags(m_code), HotkeyKey(m_code))),
                       static_cast<LPCWSTR>(holder));
        // The key field stays in view, with the key the message is about.
        AfxMessageBoxClearOf(m_hWnd, message);
        return;
    }
    if (!ConfirmTypedKey(m_code)) return;
    CShortcutMenuOwner::OnOK();
}

// The title says whose hotkey this is.
CString CHotKeyDlg::Title() const
{
    if (m_command.IsEmpty()) return L"New hotkey";
    CString title(L"Hotkey for ");
    const CString command = CommandInWords(m_command);
    // A path is known by its file's name.
    const bool path = lstrcmpW(command, m_command) == 0;
    title += path ? CString(::PathFindFileNameW(command)) : command;
    return title;
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
