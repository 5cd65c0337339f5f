#include "hotkeys/HotkeysDlg.h"

#include "framework/CWinApp.h"
#include "framework/ExecutablePath.h"
#include "hotkeys/HotKeyDlg.h"
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyStore.h"
#include "hotkeys/HotkeyTable.h"
#include "res/resource.h"
#include "shell/ShellWorker.h"

// --- CResizableDlg ------------------------------------------------------------

BEGIN_MESSAGE_MAP(CResizableDlg, CDialog)
    ON_MESSAGE_RECORD(WM_GETMINMAXINFO, MINMAXINFO, OnGetMinMaxInfo)
    ON_WM_SIZE(OnSize)
END_MESSAGE_MAP()

BOOL CResizableDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    FitIntoWorkArea();
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    m_minimumWidth = window.right - window.left;
    m_minimumHeight = window.bottom - window.top;
    ::GetClientRect(m_hWnd, &m_lastClient);
    return TRUE;
}

// At a large scaling on a small screen the template is larger than the
// screen: the dialog shrinks to the work area, its class moving what
// follows the size (the list) by as much.
void CResizableDlg::FitIntoWorkArea()
{
    const SIZE over = OverflowOfWorkArea();
    if (over.cx == 0 && over.cy == 0) return;
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    RECT before;
    ::GetClientRect(m_hWnd, &before);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left - over.cx, window.bottom - window.top - over.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT after;
    ::GetClientRect(m_hWnd, &after);
    OnClientResize(after.right - before.right, after.bottom - before.bottom);
}

LRESULT CResizableDlg::OnGetMinMaxInfo(MINMAXINFO& info)
{
    LRESULT result = Default();
    if (m_minimumWidth && m_minimumHeight) info.ptMinTrackSize = { m_minimumWidth, m_minimumHeight };
    return result;
}

LRESULT CResizableDlg::OnSize(UINT type, int width, int height)
{
    LRESULT result = Default();
    if (type == SIZE_MINIMIZED || width < 0 || height < 0 || (!m_minimumWidth && !m_minimumHeight)) return result;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (client.right - client.left == 0 || client.bottom - client.top == 0) return result;
    int dx = client.right - m_lastClient.right, dy = client.bottom - m_lastClient.bottom;
    if (dx == 0 && dy == 0) return result;
    OnClientResize(dx, dy);
    m_lastClient.right = client.right;
    m_lastClient.bottom = client.bottom;
    return result;
}

// --- CHotkeysDlg ------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CHotkeysDlg, CResizableDlg)
    ON_NOTIFY(NM_DBLCLK, IDC_HOTKEYS_LIST, OnListDoubleClick)
    ON_COMMAND(IDC_HOTKEYS_ADD, OnAdd)
    ON_COMMAND(IDC_HOTKEYS_DELETE, OnDelete)
    ON_COMMAND(IDC_HOTKEYS_EDIT, OnEdit)
    ON_COMMAND(IDC_HOTKEYS_CLEAR, OnClear)
    ON_COMMAND(IDC_HOTKEYS_MENU_DELETE, OnMenuDelete)
    ON_COMMAND(IDC_HOTKEYS_MENU_EDIT, OnMenuEdit)
END_MESSAGE_MAP()

CHotkeysDlg::CHotkeysDlg()
    : CResizableDlg(IDD_HOTKEYS),
      m_bigIcon(AfxLoadIcon(IDI_PROGRAM, ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON))),
      m_smallIcon(AfxLoadIcon(IDI_PROGRAM, ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)))
{
}

void CHotkeysDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_HOTKEYS_LIST, m_list);
    DDX_Text(dx, IDC_HOTKEYS_MENU_LABEL, m_labelText);
}

BOOL CHotkeysDlg::OnInitDialog()
{
    CResizableDlg::OnInitDialog();
    CenterOnPointerMonitor();
    ShowInTaskbar();  // behind another window, it is found again
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.Get()));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.Get()));
    m_list.SetupColumns(L"Key, 150; Command, 400");
    m_list.SetGridLines(TRUE);
    m_list.EnableToolTips(FALSE);

    // The first hotkey of the short-cut menu has a line of its own; any
    // other one is a row, so that OK keeps it.
    int menuIndex = 0;
    for (int index = 1; index <= static_cast<int>(theRecordList.GetCount()) && !menuIndex; ++index) {
        const wchar_t* command = GetHotkeyCommand(GetHotkeyRecord(index));
        if (command && lstrcmpW(command, kShortcutMenuMarker) == 0) menuIndex = index;
    }
    for (int index = 1; index <= static_cast<int>(theRecordList.GetCount()); ++index) {
        const HotkeyRecord* record = GetHotkeyRecord(index);
        const wchar_t* command = GetHotkeyCommand(record);
        if (!command) continue;
        CString key = FormatHotkeyText(HotkeyFlags(record->code), HotkeyKey(record->code));
        if (index == menuIndex) {
            m_labelText = key;
            m_menuCode = record->code;
            continue;
        }
        int row = m_list.AddRow(m_list.GetItemCount(), { key, command });
        m_list.SetRowValue(row, static_cast<int>(record->code));
    }
    ::SetDlgItemTextW(m_hWnd, IDC_HOTKEYS_MENU_LABEL, m_labelText);
    // A hotkey file that could not be read is said in the title: OK will
    // not write over it (and says why when pressed).
    const HotkeyFileRead& file = TheHotkeyFile();
    if (!file.read) {
        const std::wstring title = L"Hotkeys - not saved: " + std::wstring(::PathFindFileNameW(file.path.c_str())) +
                                   L" is " + file.spot.inTheWay;
        ::SetWindowTextW(m_hWnd, title.c_str());
    }
    // Enter is OK, drawn as the default; the rows are what the dialog is
    // about, so the focus starts there (not on Add, which would then look
    // like the default).
    SendMessage(DM_SETDEFID, IDOK);
    ::SetFocus(m_list.m_hWnd);
    return FALSE;
}

LRESULT CHotkeysDlg::OnListDoubleClick(WPARAM, LPARAM)
{
    PostMessage(WM_COMMAND, m_list.GetNextSelected(-1) >= 0 ? IDC_HOTKEYS_EDIT : IDC_HOTKEYS_ADD);
    return 0;
}

void CHotkeysDlg::ShowRow(int row)
{
    m_list.EnsureVisible(row, FALSE);
    m_list.SelectRow(row, FALSE);
}

LRESULT CHotkeysDlg::OnAdd(WPARAM, LPARAM)
{
    CHotKeyDlg edit(this);
    if (edit.DoModal() != IDOK) return 0;
    CString key = FormatHotkeyText(HotkeyFlags(edit.m_code), HotkeyKey(edit.m_code));
    int row = m_list.AddRow(m_list.GetItemCount(), { key, edit.m_command });
    m_list.SetRowValue(row, static_cast<int>(edit.m_code));
    ShowRow(row);
    return 0;
}

LRESULT CHotkeysDlg::OnEdit(WPARAM, LPARAM)
{
    int row = m_list.GetNextSelected(-1);
    if (row < 0) {
        AfxMessageBox(L"Please check the item you want to modify.", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    CHotKeyDlg edit(this);
    edit.m_code = static_cast<unsigned>(m_list.GetRowValue(row));
    edit.m_editedRow = row;
    m_list.GetCellText(row, 1, edit.m_command);
    if (edit.DoModal() != IDOK) return 0;
    m_list.SetCellText(row, 0, FormatHotkeyText(HotkeyFlags(edit.m_code), HotkeyKey(edit.m_code)));
    m_list.SetCellText(row, 1, edit.m_command);
    m_list.SetRowValue(row, static_cast<int>(edit.m_code));
    return 0;
}

LRESULT CHotkeysDlg::OnDelete(WPARAM, LPARAM)
{
    if (m_list.GetItemCount() == 0) return 0;
    if (m_list.GetNextSelected(-1) < 0) {
        AfxMessageBox(L"Please selecte the item you want to delete.", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    if (AfxMessageBox(L"Are you sure you really want to delete the selected item?", MB_YESNO | MB_ICONEXCLAMATION) !=
        IDYES)
        return 0;
    ::LockWindowUpdate(m_list.m_hWnd);
    m_list.DeleteSelected(nullptr, 0);
    ::LockWindowUpdate(nullptr);
    return 0;
}

LRESULT CHotkeysDlg::OnClear(WPARAM, LPARAM)
{
    if (m_list.GetItemCount() == 0) return 0;
    if (AfxMessageBox(L"Are you sure you really want to delete all items?", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return 0;
    ::LockWindowUpdate(m_list.m_hWnd);
    m_list.DeleteAll(nullptr, 0);
    ::LockWindowUpdate(nullptr);
    return 0;
}

void CHotkeysDlg::SetMenuHotkey(unsigned code)
{
    m_menuCode = code;
    m_labelText = code ? FormatHotkeyText(HotkeyFlags(code), HotkeyKey(code)) : CString();
    ::SetDlgItemTextW(m_hWnd, IDC_HOTKEYS_MENU_LABEL, m_labelText);
}

LRESULT CHotkeysDlg::OnMenuDelete(WPARAM, LPARAM)
{
    SetMenuHotkey(0);
    return 0;
}

LRESULT CHotkeysDlg::OnMenuEdit(WPARAM, LPARAM)
{
    CHotKeyDlg edit(this);
    edit.m_commandEditable = FALSE;
    if (edit.DoModal() == IDOK) SetMenuHotkey(edit.m_code);
    return 0;
}

void CHotkeysDlg::OnClientResize(int dx, int dy)
{
    HWND list = GetDlgItem(IDC_HOTKEYS_LIST);
    if ((dx == 0 && dy == 0) || !list) return;
    RECT r;
    ::GetWindowRect(list, &r);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    ::MoveWindow(list, r.left, r.top, r.right - r.left + dx, r.bottom - r.top + dy, TRUE);
}

std::vector<Hotkey> CHotkeysDlg::WantedHotkeys() const
{
    // Every row, from its code: the key text is for show.
    std::vector<Hotkey> hotkeys;
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        CString command;
        m_list.GetCellText(row, 1, command);
        hotkeys.push_back({ static_cast<unsigned>(m_list.GetRowValue(row)), command });
    }
    if (m_menuCode) hotkeys.push_back({ m_menuCode, kShortcutMenuMarker });
    return hotkeys;
}

int CHotkeysDlg::SaveHotkeys() { return SaveHotkeys(WantedHotkeys()); }

// The file is written on the launch lane (its drive may be slow) while the
// dialog waits, answering: it never writes over a file it did not read,
// and keeps a copy first of anything it would change beyond the edits.
int CHotkeysDlg::SaveHotkeys(const std::vector<Hotkey>& hotkeys)
{
    const HotkeyFileRead before = TheHotkeyFile();
    HotkeySaveResult result;
    const BOOL wasEnabled = ::IsWindowEnabled(m_hWnd);
    ::EnableWindow(m_hWnd, FALSE);  // no second OK meanwhile
    RunOnLaneAndWait(CShellWorker::ActionLane::Launches, [&] { result = SaveHotkeysToDisk(before, hotkeys); });
    ::EnableWindow(m_hWnd, wasEnabled);
    if (result.saved) TheHotkeyFile() = result.now;
    if (!result.message.empty())
        AfxMessageBox(result.message.c_str(), MB_OK | (result.saved ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    return result.saved ? 1 : 0;
}

// The new set is registered whole or not at all, and saved only then; on
// any failure the hotkeys that worked before work again, from memory, and
// the file stays as it was.
void CHotkeysDlg::OnOK()
{
    CWnd* main = AfxGetMainWnd();
    const HWND window = main ? main->m_hWnd : nullptr;
    const std::vector<Hotkey> previous = CurrentHotkeys();
    const std::vector<Hotkey> wanted = WantedHotkeys();
    UnregisterHotkeys(window);
    SetHotkeys(wanted);
    const std::vector<int> failed = RegisterHotkeys(window);
    if (failed.empty() && SaveHotkeys(wanted)) {
        CDialog::OnOK();
        return;
    }
    UnregisterHotkeys(window);
    SetHotkeys(previous);
    RegisterHotkeys(window);
    if (!failed.empty()) ReportConflicts(wanted, failed);
}

// One message for every key that could not be registered: the first one's
// (its row selected), then the others listed.
void CHotkeysDlg::ReportConflicts(const std::vector<Hotkey>& wanted, const std::vector<int>& failed)
{
    const Hotkey& first = wanted[static_cast<size_t>(failed.front() - 1)];
    CString message;
    if (first.command == kShortcutMenuMarker) {
        message = L"The hotkey for Quillop's short-cut menu may be conflicted. Please use another key.";
    } else {
        message = L"Hotkey may be conflicted. Please use another key.";
        for (int row = 0; row < m_list.GetItemCount(); ++row) {
            if (static_cast<unsigned>(m_list.GetRowValue(row)) == first.code) {
                ShowRow(row);
                break;
            }
        }
    }
    for (size_t i = 1; i < failed.size(); ++i) {
        const Hotkey& other = wanted[static_cast<size_t>(failed[i] - 1)];
        message += i == 1 ? L"\n\nAlso taken: " : L", ";
        message += FormatHotkeyText(HotkeyFlags(other.code), HotkeyKey(other.code));
    }
    AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
    if (first.command != kShortcutMenuMarker) ::SetFocus(m_list.m_hWnd);
}

void RunHotkeysDialog() { DoModalOnce<CHotkeysDlg>(); }
