#include "hotkeys/HotkeysDlg.h"

#include <algorithm>
#include <climits>

#include "framework/CWinApp.h"
#include "framework/ExecutablePath.h"
#include "hotkeys/HotKeyDlg.h"
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyStore.h"
#include "hotkeys/HotkeyTable.h"
#include "res/resource.h"

// --- CResizableDlg ------------------------------------------------------------

BEGIN_MESSAGE_MAP(CResizableDlg, CDialog)
    ON_MESSAGE_RECORD(WM_GETMINMAXINFO, MINMAXINFO, OnGetMinMaxInfo)
    ON_WM_SIZE(OnSize)
END_MESSAGE_MAP()

BOOL CResizableDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    FitIntoWorkArea();
    ::GetClientRect(m_hWnd, &m_lastClient);
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    m_minimumWidth = window.right - window.left;
    m_minimumHeight = window.bottom - window.top;
    return TRUE;
}

// At a large scaling on a small screen the template is larger than the
// screen: the dialog shrinks to the work area (or the system already made
// it smaller than its controls need), and its class moves what follows the
// size (the list and what lies below it) in by as much.
void CResizableDlg::FitIntoWorkArea()
{
    const SIZE over = OverflowOfWorkArea();
    if (over.cx != 0 || over.cy != 0) {
        RECT window;
        ::GetWindowRect(m_hWnd, &window);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left - over.cx,
                       window.bottom - window.top - over.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // What the controls need: as far right and down as they reach, and the
    // margin they keep at the left.
    RECT client, needed = { LONG_MAX, 0, 0, 0 };
    ::GetClientRect(m_hWnd, &client);
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT c;
        ::GetWindowRect(child, &c);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&c), 2);
        needed = { std::min(needed.left, c.left), 0, std::max(needed.right, c.right), std::max(needed.bottom, c.bottom) };
    }
    if (needed.left == LONG_MAX) return;
    const int dx = std::min<LONG>(0, client.right - (needed.right + needed.left));
    const int dy = std::min<LONG>(0, client.bottom - (needed.bottom + needed.left));
    if (dx || dy) OnClientResize(dx, dy);
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
    // Sizes before the dialog knew its first client area are fitted there.
    const bool known = m_lastClient.right > 0 || m_lastClient.bottom > 0;
    if (type == SIZE_MINIMIZED || width < 0 || height < 0 || !known) return result;
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
    ON_NOTIFY(LVN_ITEMCHANGED, IDC_HOTKEYS_LIST, OnListItemChanged)
    ON_COMMAND(IDC_HOTKEYS_ADD, OnAdd)
    ON_COMMAND(IDC_HOTKEYS_DELETE, OnDelete)
    ON_COMMAND(IDC_HOTKEYS_EDIT, OnEdit)
    ON_COMMAND(IDC_HOTKEYS_CLEAR, OnClear)
    ON_COMMAND(IDC_HOTKEYS_MENU_DELETE, OnMenuDelete)
    ON_COMMAND(IDC_HOTKEYS_MENU_EDIT, OnMenuEdit)
    ON_COMMAND(IDC_HOTKEYS_FIND_DELETE, OnFindDelete)
    ON_COMMAND(IDC_HOTKEYS_FIND_EDIT, OnFindEdit)
END_MESSAGE_MAP()

CHotkeysDlg::CHotkeysDlg()
    : CResizableDlg(IDD_HOTKEYS),
      m_bigIcon(AfxLoadIcon(IDI_PROGRAM, ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON))),
      m_smallIcon(AfxLoadIcon(IDI_PROGRAM, ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)))
{
    StandAlone();
}

CHotkeysDlg::~CHotkeysDlg() { ListenToHotkeyFile(nullptr); }

void CHotkeysDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_HOTKEYS_LIST, m_list);
}

BOOL CHotkeysDlg::OnInitDialog()
{
    CResizableDlg::OnInitDialog();
    CenterOnPointerMonitor();
    ShowInTaskbar();  // behind another window, it is found again
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.Get()));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.Get()));
    m_list.SetupColumns(L"Key, 150; Command, 400");
    FillLastColumn();
    m_list.SetGridLines(TRUE);
    m_list.EnableToolTips(FALSE);

    // The rows come with the program's reading of the file: now, or when it
    // arrives.
    ListenToHotkeyFile([this] { ShowState(); });
    // Enter is OK, drawn as the default; the rows are what the dialog is
    // about, so the focus starts there (not on Add, which would then look
    // like the default).
    SendMessage(DM_SETDEFID, IDOK);
    ::SetFocus(m_list.m_hWnd);
    ShowState();
    return FALSE;
}

void CHotkeysDlg::FillFromReading()
{
    m_reading = TheHotkeyFile();
    m_filled = true;
    // The first hotkey of the short-cut menu, and the first of Find, have a
    // line of their own; any other one is a row, so that OK keeps it.
    for (const Hotkey& hotkey : m_reading.content.hotkeys) {
        bool own = false;
        for (OwnHotkey* line : { &m_menu, &m_find }) {
            if (own || line->code || lstrcmpW(hotkey.command, line->command) != 0) continue;
            SetOwnHotkey(*line, hotkey.code);
            own = true;
        }
        if (own) continue;
        CString key = FormatHotkeyText(HotkeyFlags(hotkey.code), HotkeyKey(hotkey.code));
        int row = m_list.AddRow(m_list.GetItemCount(), { key, hotkey.command });
        m_list.SetRowValue(row, static_cast<int>(hotkey.code));
    }
}

namespace {

// The title tells what OK will do with the file, when that is not plain.
std::wstring HotkeysTitle(const HotkeyFileRead& reading, bool filled, bool saving)
{
    wchar_t path[kLongPathBuffer];
    HotkeyFilePath(path, kLongPathBuffer);
    const std::wstring name = ::PathFindFileNameW(path);
    if (saving) return L"Hotkeys - Saving " + name + L"\x2026";
    if (!filled) return L"Hotkeys - Reading " + name + L"\x2026";
    if (!reading.read) return L"Hotkeys - not saved: " + name + L" is " + reading.spot.inTheWay;
    if (reading.content.cutShort) return L"Hotkeys - " + name + L" may be cut short: OK keeps a copy of it";
    if (!reading.content.whole) return L"Hotkeys - part of " + name + L" could not be read: OK keeps a copy of it";
    if (reading.content.guessedLetters)
        return L"Hotkeys - " + name + L" is not Unicode text: OK keeps a copy of it";
    return L"Hotkeys";
}

// The hotkeys registered again from memory, as they were.
void RestoreHotkeys(HWND window, const std::vector<Hotkey>& hotkeys)
{
    UnregisterHotkeys(window);
    SetHotkeys(hotkeys);
    RegisterHotkeys(window);
}

HWND MainWindow()
{
    CWnd* main = AfxGetMainWnd();
    return main ? main->m_hWnd : nullptr;
}

}  // namespace

// Until the reading has arrived (or while a save is on its way) the
// dialog takes no input but Cancel, and its title says why.
void CHotkeysDlg::ShowState()
{
    if (!m_hWnd) return;
    if (!m_filled && IsHotkeyFileReady()) {
        FillFromReading();
        HoldInput(false);
        ::SetFocus(m_list.m_hWnd);
    }
    if (!m_filled) HoldInput(true);
    if (m_filled && !m_save) EnableButtons();
    const bool saving = m_save || (!m_filled && IsHotkeyFileSaving());
    ::SetWindowTextW(m_hWnd, HotkeysTitle(m_reading, m_filled, saving).c_str());
}

void CHotkeysDlg::HoldInput(bool hold)
{
    if (!hold) {
        for (HWND control : m_held) ::EnableWindow(control, TRUE);
        m_held.clear();
        return;
    }
    if (!m_held.empty()) return;
    HWND cancel = GetDlgItem(IDCANCEL);
    const bool hadFocus = ::IsChild(m_hWnd, ::GetFocus()) && ::GetFocus() != cancel;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[16] = {};
        ::GetClassNameW(child, kind, ARRAYSIZE(kind));
        if (child == cancel || lstrcmpiW(kind, L"Static") == 0 || !::IsWindowEnabled(child)) continue;
        ::EnableWindow(child, FALSE);
        m_held.push_back(child);
    }
    if (hadFocus) ::SetFocus(cancel);
}

void CHotkeysDlg::EnableButtons()
{
    if (!m_held.empty()) return;  // held while the file is read or saved; set again after
    const bool selected = m_list.GetNextSelected(-1) >= 0;
    const std::pair<int, bool> buttons[] = {
        { IDC_HOTKEYS_EDIT, selected },
        { IDC_HOTKEYS_DELETE, selected },
        { IDC_HOTKEYS_CLEAR, m_list.GetItemCount() > 0 },
        { IDC_HOTKEYS_MENU_DELETE, m_menu.code != 0 },
        { IDC_HOTKEYS_FIND_DELETE, m_find.code != 0 },
    };
    HWND focus = ::GetFocus();
    for (const auto& [id, enabled] : buttons) {
        HWND button = GetDlgItem(id);
        // A button that goes grey with the focus would leave the keys nowhere.
        if (!enabled && button == focus) SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_list.m_hWnd), TRUE);
        ::EnableWindow(button, enabled);
    }
}

void CHotkeysDlg::FillLastColumn()
{
    const int last = m_list.GetColumnCount() - 1;
    if (last >= 0) m_list.SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(last), LVSCW_AUTOSIZE_USEHEADER);
}

LRESULT CHotkeysDlg::OnListItemChanged(WPARAM, LPARAM)
{
    EnableButtons();
    return 0;
}

LRESULT CHotkeysDlg::OnListDoubleClick(WPARAM, LPARAM)
{
    PostMessage(WM_COMMAND, m_list.GetNextSelected(-1) >= 0 ? IDC_HOTKEYS_EDIT : IDC_HOTKEYS_ADD);
    return 0;
}

void CHotkeysDlg::ShowRow(int row)
{
    m_list.EnsureVisible(row, FALSE);
    // The one row chosen: Wine's list keeps an earlier choice beside it.
    m_list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SelectRow(row, FALSE);
}

LRESULT CHotkeysDlg::OnAdd(WPARAM, LPARAM)
{
    CHotKeyDlg edit(this);
    const INT_PTR result = edit.DoModal();
    // The rows are what the dialog is about: back there, not on Add, where
    // Enter would add again rather than press OK.
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_list.m_hWnd), TRUE);
    if (result != IDOK) return 0;
    CString key = FormatHotkeyText(HotkeyFlags(edit.m_code), HotkeyKey(edit.m_code));
    int row = m_list.AddRow(m_list.GetItemCount(), { key, edit.m_command });
    m_list.SetRowValue(row, static_cast<int>(edit.m_code));
    ShowRow(row);
    m_list.SetItemState(row, LVIS_FOCUSED, LVIS_FOCUSED);  // the keys go on from the new row
    return 0;
}

LRESULT CHotkeysDlg::OnEdit(WPARAM, LPARAM)
{
    int row = m_list.GetNextSelected(-1);
    if (row < 0) return 0;  // the button is disabled then
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
    if (m_list.GetNextSelected(-1) < 0) return 0;  // the button is disabled then
    if (AfxMessageBox(L"Are you sure you really want to delete the selected item?", MB_YESNO | MB_ICONEXCLAMATION) !=
        IDYES)
        return 0;
    ::LockWindowUpdate(m_list.m_hWnd);
    m_list.DeleteSelected(nullptr, 0);
    ::LockWindowUpdate(nullptr);
    EnableButtons();
    return 0;
}

LRESULT CHotkeysDlg::OnClear(WPARAM, LPARAM)
{
    if (m_list.GetItemCount() == 0) return 0;
    // Every row at once: a reflexive Enter keeps them.
    if (AfxMessageBox(L"Are you sure you really want to delete all items?",
                      MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) != IDYES)
        return 0;
    ::LockWindowUpdate(m_list.m_hWnd);
    m_list.DeleteAll(nullptr, 0);
    ::LockWindowUpdate(nullptr);
    EnableButtons();
    return 0;
}

void CHotkeysDlg::SetOwnHotkey(OwnHotkey& hotkey, unsigned code)
{
    hotkey.code = code;
    const CString text = code ? FormatHotkeyText(HotkeyFlags(code), HotkeyKey(code)) : CString();
    ::SetDlgItemTextW(m_hWnd, static_cast<int>(hotkey.labelId), text);
    EnableButtons();
}

void CHotkeysDlg::EditOwnHotkey(OwnHotkey& hotkey)
{
    CHotKeyDlg edit(this);
    edit.m_commandEditable = FALSE;
    edit.m_code = hotkey.code;
    edit.m_command = hotkey.command;
    if (edit.DoModal() == IDOK) SetOwnHotkey(hotkey, edit.m_code);
}

LRESULT CHotkeysDlg::OnMenuDelete(WPARAM, LPARAM)
{
    SetOwnHotkey(m_menu, 0);
    return 0;
}

LRESULT CHotkeysDlg::OnMenuEdit(WPARAM, LPARAM)
{
    EditOwnHotkey(m_menu);
    return 0;
}

LRESULT CHotkeysDlg::OnFindDelete(WPARAM, LPARAM)
{
    SetOwnHotkey(m_find, 0);
    return 0;
}

LRESULT CHotkeysDlg::OnFindEdit(WPARAM, LPARAM)
{
    EditOwnHotkey(m_find);
    return 0;
}

// The list takes the change and the lines below it move with its bottom;
// the buttons keep their places, but when the dialog shrinks (to fit the
// work area) those in the right half move in with its right edge.
void CHotkeysDlg::OnClientResize(int dx, int dy)
{
    HWND list = GetDlgItem(IDC_HOTKEYS_LIST);
    if ((dx == 0 && dy == 0) || !list) return;
    RECT r;
    ::GetWindowRect(list, &r);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    const LONG middle = (r.left + r.right) / 2;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (child == list) continue;
        RECT c;
        ::GetWindowRect(child, &c);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&c), 2);
        const int moveX = c.left > middle && dx < 0 ? dx : 0, moveY = c.top >= r.bottom ? dy : 0;
        // A label reaching past the middle (the program's own hotkeys') ends
        // where it did before the buttons right of it moved in: over them,
        // its repainting would erase part of them.
        const int narrow = c.left <= middle && c.right > middle && dx < 0 ? dx : 0;
        if (moveX || moveY || narrow)
            ::SetWindowPos(child, nullptr, c.left + moveX, c.top + moveY, c.right - c.left + narrow, c.bottom - c.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::MoveWindow(list, r.left, r.top, r.right - r.left + dx, r.bottom - r.top + dy, TRUE);
    FillLastColumn();
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
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
    for (const OwnHotkey* hotkey : { &m_menu, &m_find })
        if (hotkey->code) hotkeys.push_back({ hotkey->code, hotkey->command });
    return hotkeys;
}

// The new set is registered whole or not at all, then saved on a worker;
// on any failure the hotkeys that worked before work again, from memory,
// and the file stays as it was.
void CHotkeysDlg::OnOK()
{
    if (IsBusy()) return;  // OK waits for the reading, and for the save under way
    const HWND window = MainWindow();
    m_previous = CurrentHotkeys();
    const std::vector<Hotkey> wanted = WantedHotkeys();
    UnregisterHotkeys(window);
    SetHotkeys(wanted);
    const std::vector<int> failed = RegisterHotkeys(window);
    if (!failed.empty()) {
        RestoreHotkeys(window, m_previous);
        ReportConflicts(wanted, failed);
        return;
    }
    // The reply may come after the dialog has gone.
    const std::weak_ptr<bool> alive = m_alive;
    m_save = SaveHotkeysLater(m_reading, wanted,
                              [this, alive, window, previous = m_previous](const HotkeySaveResult& result) {
                                  if (!result.saved && !result.cancelled) RestoreHotkeys(window, previous);
                                  if (alive.lock()) SaveEnded(result);
                              });
    if (!m_save) {
        RestoreHotkeys(window, m_previous);
        AfxMessageBox(L"Falied to save keys.\n\nQuillop is still busy with earlier work on the disk. Try OK again in a "
                      L"moment.",
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    HoldInput(true);
    ShowState();
}

void CHotkeysDlg::SaveEnded(const HotkeySaveResult& result)
{
    m_save.reset();
    if (m_closed) return;
    if (!result.saved) HoldInput(false);
    ShowState();
    if (!result.message.empty())
        AfxMessageBox(result.message.c_str(), MB_OK | (result.saved ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    if (result.saved) CDialog::OnOK();
}

// Cancel always closes the dialog: a save that has not touched the file
// yet stops, and the hotkeys of before are registered again.
void CHotkeysDlg::OnCancel()
{
    if (m_save && CancelHotkeysSave(m_save)) RestoreHotkeys(MainWindow(), m_previous);
    m_closed = true;
    CResizableDlg::OnCancel();
}

// One message for every key that could not be registered: the first one's
// (its row selected), then the others listed.
void CHotkeysDlg::ReportConflicts(const std::vector<Hotkey>& wanted, const std::vector<int>& failed)
{
    const Hotkey& first = wanted[static_cast<size_t>(failed.front() - 1)];
    CString message;
    if (first.command == kShortcutMenuMarker) {
        message = L"The hotkey for Quillop's short-cut menu may be conflicted. Please use another key.";
    } else if (first.command == kFindMarker) {
        message = L"The hotkey for Find may be conflicted. Please use another key.";
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
    if (first.command != kShortcutMenuMarker && first.command != kFindMarker) ::SetFocus(m_list.m_hWnd);
}

void RunHotkeysDialog() { DoModalOnce<CHotkeysDlg>(); }
