#include "find/FindWindow.h"

#include <algorithm>

#include "find/UsageLog.h"
#include "framework/CWinApp.h"
#include "framework/Dpi.h"
#include "framework/Keyboard.h"
#include "framework/Theme.h"
#include "menu/IconCache.h"
#include "menu/MenuFolder.h"
#include "menu/OpenEntry.h"
#include "menu/ShellItemMenu.h"
#include "res/resource.h"
#include "shell/FolderModel.h"

namespace {

constexpr UINT_PTR kIconTimer = 1;
// New listings come as often as every 100 ms while a large tree is read:
// the open window takes the newest one at most this often.
constexpr UINT_PTR kSnapshotTimer = 2;
constexpr UINT kSnapshotEveryMs = 250;
constexpr UINT kIconPollMs = 200;  // while icons of shown results are on their way
constexpr int kRowPadding = 4;     // at 96 DPI
constexpr size_t kRecentShown = 20;
// Posted when the window lost the activation: whose window took it is
// known once the switch is done.
constexpr UINT WM_CHECK_FOREGROUND = WM_APP + 1;
// While no window is in front (between one program's window and the
// next's) the look is taken again this often.
constexpr UINT_PTR kForegroundTimer = 3;
constexpr UINT kForegroundPollMs = 50;
// Enter with no row yet (just after start, the listings still on their
// way) opens the first row of that text that comes within this time.
constexpr DWORD kEnterWaitsMs = 5000;

// The name the menu shows: a file's up to its last dot.
std::wstring ShownName(const FolderEntry& entry)
{
    const size_t dot = entry.IsFolder() ? std::wstring::npos : entry.name.rfind(L'.');
    return dot == std::wstring::npos ? entry.name : entry.name.substr(0, dot);
}

// A recently used entry as a row, when the snapshot still has it.
bool DescribeRecent(const FolderSnapshot& snapshot, const std::wstring& fromMenuFolder, FoundEntry& found)
{
    const size_t slash = fromMenuFolder.rfind(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : fromMenuFolder.substr(0, slash);
    const std::wstring name = fromMenuFolder.substr(slash == std::wstring::npos ? 0 : slash + 1);
    const FolderListing* listing = snapshot.Find(folder.empty() ? snapshot.Root() : snapshot.Root() + L"\\" + folder);
    if (!listing) return false;
    for (const FolderEntry& entry : listing->entries) {
        if (lstrcmpiW(entry.name.c_str(), name.c_str()) != 0 || entry.IsHidden()) continue;
        found.path = listing->path + L"\\" + entry.name;
        found.name = ShownName(entry);
        found.folder = folder;
        found.isFolder = entry.IsFolder();
        found.entry = &entry;
        return true;
    }
    return false;
}

// Where the notification icon is, or the corner of the work area the
// notification area lies in (the taskbar's end) when the shell does not say.
RECT NotifyIconRect()
{
    RECT icon = {};
    using GetRect = HRESULT(WINAPI*)(const NOTIFYICONIDENTIFIER*, RECT*);
    const auto getRect = reinterpret_cast<GetRect>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"shell32.dll"), "Shell_NotifyIconGetRect")));
    NOTIFYICONIDENTIFIER identifier = {};
    identifier.cbSize = sizeof(identifier);
    identifier.hWnd = AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr;
    if (getRect && identifier.hWnd && SUCCEEDED(getRect(&identifier, &icon)) && icon.right > icon.left) return icon;
    POINT pointer;
    ::GetCursorPos(&pointer);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const LONG x = work.left > monitor.rcMonitor.left ? work.left : work.right;
    const LONG y = work.top > monitor.rcMonitor.top ? work.top : work.bottom;
    return { x, y, x, y };
}

// Where a word begins before the caret, as Ctrl+Backspace deletes it:
// the spaces before the caret, then the letters before them.
size_t WordStartBefore(const std::wstring& text, size_t caret)
{
    size_t at = std::min(caret, text.size());
    while (at > 0 && ::iswspace(text[at - 1])) --at;
    const bool word = at > 0 && ::iswalnum(text[at - 1]);
    while (at > 0 && !::iswspace(text[at - 1]) && (::iswalnum(text[at - 1]) != 0) == word) --at;
    return at;
}

// What a screen reader reads for a row: the name, and its folder.
std::wstring SpokenText(const FoundEntry& found)
{
    return found.folder.empty() ? found.name : found.name + L", in " + found.folder;
}

}  // namespace

BEGIN_MESSAGE_MAP(CFindWindow, CDialog)
    ON_MESSAGE(WM_DRAWITEM, OnDrawItem)
    ON_MESSAGE(WM_CONTEXTMENU, OnContextMenu)
    ON_MESSAGE(WM_CTLCOLORDLG, OnControlColour)
    ON_MESSAGE(WM_CTLCOLOREDIT, OnControlColour)
    ON_MESSAGE(WM_CTLCOLORLISTBOX, OnControlColour)
    ON_MESSAGE(WM_CTLCOLORSTATIC, OnControlColour)
    ON_MESSAGE(WM_INITMENUPOPUP, OnInitMenuPopup)
    ON_MESSAGE(WM_MEASUREITEM, OnMeasureItem)
    ON_MESSAGE(WM_MENUCHAR, OnMenuChar)
    ON_MESSAGE(WM_TIMER, OnTimer)
    ON_MESSAGE(WM_CLOSE, OnClose)
    ON_MESSAGE(WM_ACTIVATE, OnActivate)
    ON_MESSAGE(WM_CHECK_FOREGROUND, OnCheckForeground)
    ON_MESSAGE(WM_SIZE, OnSize)
    ON_MESSAGE(WM_SETTINGCHANGE, OnSettingChange)
    ON_MESSAGE(WM_SYSCOLORCHANGE, OnColoursChange)
    ON_MESSAGE(WM_THEMECHANGED, OnColoursChange)
END_MESSAGE_MAP()

// What the user opened orders the entries of one tier.
CFindWindow::CFindWindow() : CDialog(IDD_FIND) { m_index.SetUse(&TheUsageLog()); }

BOOL CFindWindow::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_edit.SubclassDlgItem(IDC_FIND_TEXT, this);
    m_list.SubclassDlgItem(IDC_FIND_LIST, this);
    // What is searched, in grey while nothing is typed.
    m_edit.SendMessage(EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"Search the menu folder"));
    m_bigIcon = AfxLoadIcon(IDI_PROGRAM, ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
    m_smallIcon = AfxLoadIcon(IDI_PROGRAM, ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.Get()));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.Get()));
    TakeColours();
    const int iconSize = TheIconCache().GetIconSize();
    TEXTMETRICW metrics = {};
    {
        WindowDC dc(m_list.m_hWnd);
        SelectedObject font(dc, WindowFont(m_list.m_hWnd));
        ::GetTextMetricsW(dc, &metrics);
    }
    const int height = std::max<int>(iconSize, metrics.tmHeight) + ScaleToDpi(kRowPadding);
    m_list.SendMessage(LB_SETITEMHEIGHT, 0, height);
    // The template's margins, kept as the window is resized.
    RECT edit, list, count;
    ::GetWindowRect(m_edit.m_hWnd, &edit);
    ::GetWindowRect(m_list.m_hWnd, &list);
    ::GetWindowRect(GetDlgItem(IDC_FIND_COUNT), &count);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&edit), 2);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&list), 2);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&count), 2);
    m_margin = edit.left;
    m_editHeight = edit.bottom - edit.top;
    m_gap = list.top - edit.bottom;
    m_countHeight = count.bottom - count.top;
    LayOut();
    ShowInTaskbar();
    return TRUE;
}

// The colours of the look in force: taken again when it changes while the
// window is open.
void CFindWindow::TakeColours()
{
    const ThemeColours colours = CurrentThemeColours();
    m_backgroundColour = colours.menu;
    m_text = colours.menuText;
    m_grayText = colours.grayText;
    m_background.Reset(::CreateSolidBrush(m_backgroundColour));
    FollowDarkModeInTitleBar(m_hWnd, colours.dark);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void CFindWindow::Open(const std::wstring& typed, FindPlace place)
{
    // Owned by no window: Wine's taskbar gives an owned window no button.
    if (!m_hWnd && !Create(IDD_FIND, nullptr)) return;
    // The newest listing answers at once; a fresh one is asked for, and
    // updates the results when it comes (a file added meanwhile shows up).
    TheFolderModel().Refresh();
    IndexNewestSnapshot();
    ::SetWindowTextW(m_edit.m_hWnd, typed.c_str());
    m_edit.SendMessage(EM_SETSEL, typed.size(), typed.size());
    Search();
    if (!::IsWindowVisible(m_hWnd)) Place(place);
    ShowWindow(SW_SHOW);
    ::SetForegroundWindow(m_hWnd);
    ::SetFocus(m_edit.m_hWnd);
}

void CFindWindow::Close()
{
    ::KillTimer(m_hWnd, kIconTimer);
    ::KillTimer(m_hWnd, kForegroundTimer);
    m_enterOwed = {};
    ShowWindow(SW_HIDE);
    ::SetWindowTextW(m_edit.m_hWnd, L"");
}

// From a hotkey at the top centre of the work area under the pointer; from
// the menu above the notification icon (below it when the taskbar is at
// the top); shrunk to the work area where it does not fit.
void CFindWindow::Place(FindPlace place)
{
    POINT pointer;
    ::GetCursorPos(&pointer);
    const RECT icon = NotifyIconRect();
    const POINT anchor = place == FindPlace::AboveNotifyIcon ? POINT{ (icon.left + icon.right) / 2, icon.top } : pointer;
    const RECT work = WorkAreaAt(anchor);
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    const LONG width = std::min(window.right - window.left, work.right - work.left);
    const LONG height = std::min(window.bottom - window.top, work.bottom - work.top);
    LONG x, y;
    if (place == FindPlace::TopOfScreenAtPointer) {
        x = work.left + (work.right - work.left - width) / 2;
        y = work.top + (work.bottom - work.top - height) / 8;
    } else {
        x = anchor.x - width / 2;
        const bool taskbarAtTop = icon.top < (work.top + work.bottom) / 2;
        y = taskbarAtTop ? icon.bottom : icon.top - height;
    }
    x = std::max(work.left, std::min(x, work.right - width));
    y = std::max(work.top, std::min(y, work.bottom - height));
    ::SetWindowPos(m_hWnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The edit field along the top, the count line along the bottom, the list
// between them, at the template's margins.
void CFindWindow::LayOut()
{
    if (!m_edit.m_hWnd) return;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int width = std::max(0, static_cast<int>(client.right) - 2 * m_margin);
    const int countTop = std::max(0, static_cast<int>(client.bottom) - m_margin - m_countHeight);
    const int listTop = m_margin + m_editHeight + m_gap;
    ::MoveWindow(m_edit.m_hWnd, m_margin, m_margin, width, m_editHeight, TRUE);
    ::MoveWindow(m_list.m_hWnd, m_margin, listTop, width, std::max(0, countTop - m_gap - listTop), TRUE);
    ::MoveWindow(GetDlgItem(IDC_FIND_COUNT), m_margin, countTop, width, m_countHeight, TRUE);
}

LRESULT CFindWindow::OnSize(WPARAM, LPARAM)
{
    LayOut();
    return 0;
}

void CFindWindow::IndexNewestSnapshot()
{
    SnapshotPointer snapshot = TheFolderModel().Snapshot();
    if (snapshot->Generation() != m_index.Generation()) m_index.Build(std::move(snapshot));
}

std::wstring CFindWindow::TypedText() const
{
    return m_edit.m_hWnd ? std::wstring(static_cast<LPCWSTR>(WindowText(m_edit.m_hWnd))) : std::wstring();
}

void CFindWindow::Search()
{
    if (!m_hWnd) return;
    m_searched = TypedText();
    if (m_searched.find_first_not_of(L' ') == std::wstring::npos) {
        ShowRecent();
        return;
    }
    m_results = m_index.Search(m_searched);
    ShowResults();
}

// With nothing typed: the entries opened last that are still there.
void CFindWindow::ShowRecent()
{
    m_results = FindResults();
    m_recentFrom = TheFolderModel().Snapshot();
    for (const UseRecord& record : TheUsageLog().Recent(kRecentShown)) {
        FoundEntry found;
        if (DescribeRecent(*m_recentFrom, record.path, found)) m_results.shown.push_back(std::move(found));
    }
    m_results.total = m_results.shown.size();
    ShowResults();
}

// The rows, their icons from the icon cache (stand-ins while the real ones
// are on their way) and the count.
void CFindWindow::ShowResults()
{
    ::SendMessageW(m_list.m_hWnd, WM_SETREDRAW, FALSE, 0);
    m_list.SendMessage(LB_RESETCONTENT);
    m_images.clear();
    bool awaiting = false;
    TheIconCache().BeginScan(false);
    for (const FoundEntry& found : m_results.shown) {
        std::wstring awaited;
        m_images.push_back(found.isFolder || !found.entry
                               ? MenuImage::Folder
                               : TheIconCache().ImageOf(found.path.c_str(), *found.entry, &awaited));
        awaiting = awaiting || !awaited.empty();
        m_list.SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SpokenText(found).c_str()));
    }
    TheIconCache().EndScan();
    if (!m_results.shown.empty()) m_list.SendMessage(LB_SETCURSEL, 0);
    ::SendMessageW(m_list.m_hWnd, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_list.m_hWnd, nullptr, TRUE);
    if (awaiting) ::SetTimer(m_hWnd, kIconTimer, kIconPollMs, nullptr);
    ShowCount();
}

void CFindWindow::ShowCount()
{
    std::wstring count;
    const unsigned total = static_cast<unsigned>(m_results.total), shown = static_cast<unsigned>(m_results.shown.size());
    if (m_searched.find_first_not_of(L' ') == std::wstring::npos)
        count.clear();  // the recent entries
    else if (total > shown)
        count = std::to_wstring(total) + L" found, the first " + std::to_wstring(shown) + L" shown";
    else if (total > 0)
        count = std::to_wstring(total) + L" found";
    else
        count = L"Nothing in the menu folder matches \u201C" + m_searched + L"\u201D";
    ::SetDlgItemTextW(m_hWnd, IDC_FIND_COUNT, count.c_str());
}

int CFindWindow::Selection() const
{
    return m_hWnd ? static_cast<int>(::SendMessageW(m_list.m_hWnd, LB_GETCURSEL, 0, 0)) : -1;
}

void CFindWindow::MoveSelection(int rows)
{
    const int count = static_cast<int>(m_results.shown.size());
    if (count == 0) return;
    const int next = std::max(0, std::min(count - 1, std::max(Selection(), 0) + rows));
    m_list.SendMessage(LB_SETCURSEL, static_cast<WPARAM>(next));
}

// Enter: the first result of the whole text typed, or the row moved to
// in its results; never a row of an earlier text (a search still owed is
// made first).
void CFindWindow::OpenSelected()
{
    if (TypedText() != m_searched) Search();
    if (Selection() < 0 && m_searched.find_first_not_of(L' ') != std::wstring::npos) {
        m_enterOwed = { m_searched, ::GetTickCount() + kEnterWaitsMs, OpenWayOfKeys() };
        return;
    }
    OpenRow(Selection());
}

bool CFindWindow::EnterOwed() const
{
    return !m_enterOwed.text.empty() && m_enterOwed.text == m_searched &&
           static_cast<LONG>(::GetTickCount() - m_enterOwed.until) < 0;
}

// The row goes the menu's ways (menu/OpenEntry.h); then Find closes.
void CFindWindow::OpenRow(int row) { OpenRow(row, OpenWayOfKeys()); }

void CFindWindow::OpenRow(int row, OpenWay way)
{
    if (row < 0 || row >= static_cast<int>(m_results.shown.size())) return;
    const std::wstring path = m_results.shown[static_cast<size_t>(row)].path;
    OpenEntry(path, way);
    Close();
}

// Shift+Delete: the selected entry's use is forgotten (and it leaves the
// recent list).
void CFindWindow::ForgetSelected()
{
    const int row = Selection();
    if (row < 0 || row >= static_cast<int>(m_results.shown.size())) return;
    const std::wstring path = TheUsageLog().FromMenuFolder(m_results.shown[static_cast<size_t>(row)].path);
    if (path.empty()) return;
    TheUsageLog().Forget(path);
    Search();
    MoveSelection(std::min(row, static_cast<int>(m_results.shown.size()) - 1));
}

// Ctrl+Backspace: the selection, or the word before the caret.
void CFindWindow::DeleteWordBeforeCaret()
{
    DWORD start = 0, end = 0;
    m_edit.SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (start == end) start = static_cast<DWORD>(WordStartBefore(TypedText(), end));
    m_edit.SendMessage(EM_SETSEL, start, end);
    m_edit.SendMessage(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
}

// Tab: from the edit field to the list and back, the text left as it is
// (the dialog's own Tab would select it all).
void CFindWindow::SwitchFocus()
{
    if (::GetFocus() == m_edit.m_hWnd && !m_results.shown.empty()) {
        if (Selection() < 0) m_list.SendMessage(LB_SETCURSEL, 0);
        ::SetFocus(m_list.m_hWnd);
    } else {
        ::SetFocus(m_edit.m_hWnd);
    }
}

// The selected row's bottom left, for a shell menu asked from the keys.
bool CFindWindow::SelectedEntryPoint(POINT& point) const
{
    RECT row;
    const int selected = Selection();
    if (selected < 0 || m_list.SendMessage(LB_GETITEMRECT, static_cast<WPARAM>(selected),
                                           reinterpret_cast<LPARAM>(&row)) == LB_ERR)
        return false;
    point = { row.left + (row.bottom - row.top), row.bottom };
    ::ClientToScreen(m_list.m_hWnd, &point);
    return true;
}

void CFindWindow::ShowShellMenu(POINT at)
{
    const int row = Selection();
    if (row < 0 || row >= static_cast<int>(m_results.shown.size())) return;
    CShellItemMenu shell;
    if (!shell.Load(m_results.shown[static_cast<size_t>(row)].path.c_str(), IsKeyDown(VK_SHIFT), m_hWnd)) return;
    if (const UINT command = shell.Track(m_hWnd, at)) shell.Invoke(command, m_hWnd, at);
}

// The keys of the menu, whichever control has the focus; true when the
// key was taken.
bool CFindWindow::HandleKey(const MSG& message)
{
    const bool alt = message.message == WM_SYSKEYDOWN;
    if (message.message != WM_KEYDOWN && !alt) return false;
    const WPARAM key = message.wParam;
    if (alt && key >= '1' && key <= '9') {
        OpenRow(static_cast<int>(key - '1'));
        return true;
    }
    POINT point;
    switch (key) {
    case VK_UP: MoveSelection(-1); return true;
    case VK_DOWN: MoveSelection(1); return true;
    case VK_PRIOR: MoveSelection(-10); return true;
    case VK_NEXT: MoveSelection(10); return true;
    case VK_RETURN: OpenSelected(); return true;
    case VK_ESCAPE: OnCancel(); return true;
    case VK_TAB: SwitchFocus(); return true;
    case VK_APPS:
        if (SelectedEntryPoint(point)) ShowShellMenu(point);
        return true;
    case VK_F10:
        if (!IsKeyDown(VK_SHIFT)) return false;
        if (SelectedEntryPoint(point)) ShowShellMenu(point);
        return true;
    case VK_BACK:
        if (!IsKeyDown(VK_CONTROL)) return false;
        ::SetFocus(m_edit.m_hWnd);
        DeleteWordBeforeCaret();
        return true;
    case VK_DELETE: {
        // Shift+Delete cuts a selected text; on a row it forgets the entry.
        DWORD start = 0, end = 0;
        m_edit.SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        if (!IsKeyDown(VK_SHIFT) || (start != end && message.hwnd == m_edit.m_hWnd)) return false;
        ForgetSelected();
        return true;
    }
    default: return false;
    }
}

BOOL CFindWindow::PreTranslateMessage(MSG* message)
{
    if (HandleKey(*message)) return TRUE;
    // Typing always goes to the edit field, from the list too.
    if (message->message == WM_CHAR && message->hwnd == m_list.m_hWnd) {
        ::SetFocus(m_edit.m_hWnd);
        m_edit.SendMessage(WM_CHAR, message->wParam, message->lParam);
        return TRUE;
    }
    // The Apps key's own context menu (the edit field's) is not wanted.
    if (message->message == WM_KEYUP && message->wParam == VK_APPS) return TRUE;
    return CDialog::PreTranslateMessage(message);
}

void CFindWindow::OnOK() { OpenSelected(); }

// Escape clears the text, then closes.
void CFindWindow::OnCancel()
{
    if (::GetWindowTextLengthW(m_edit.m_hWnd) > 0)
        ::SetWindowTextW(m_edit.m_hWnd, L"");
    else
        Close();
}

LRESULT CFindWindow::OnClose(WPARAM, LPARAM)
{
    Close();
    return 0;
}

// Another program took the focus: Find closes rather than linger behind
// it. Its own windows (its shell menu, a sheet that menu opened) do not
// close it.
LRESULT CFindWindow::OnActivate(WPARAM wParam, LPARAM)
{
    if (LOWORD(wParam) == WA_INACTIVE) PostMessage(WM_CHECK_FOREGROUND);
    return Default();
}

LRESULT CFindWindow::OnCheckForeground(WPARAM, LPARAM)
{
    const HWND foreground = ::GetForegroundWindow();
    const bool switching = !foreground && ::IsWindowVisible(m_hWnd) && ::GetActiveWindow() != m_hWnd;
    if (switching) {
        ::SetTimer(m_hWnd, kForegroundTimer, kForegroundPollMs, nullptr);
        return 0;
    }
    ::KillTimer(m_hWnd, kForegroundTimer);
    if (!foreground || !::IsWindowVisible(m_hWnd)) return 0;
    DWORD process = 0;
    ::GetWindowThreadProcessId(foreground, &process);
    if (process != ::GetCurrentProcessId()) Close();
    return 0;
}

LRESULT CFindWindow::OnSettingChange(WPARAM wParam, LPARAM lParam)
{
    if (IsColourSetChange(lParam) || wParam == SPI_SETHIGHCONTRAST) TakeColours();
    return Default();
}

LRESULT CFindWindow::OnColoursChange(WPARAM, LPARAM)
{
    TakeColours();
    return Default();
}

LRESULT CFindWindow::OnContextMenu(WPARAM wParam, LPARAM lParam)
{
    if (reinterpret_cast<HWND>(wParam) != m_list.m_hWnd) return Default();
    POINT at = { static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)) };
    POINT client = at;
    ::ScreenToClient(m_list.m_hWnd, &client);
    const LRESULT hit = m_list.SendMessage(LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
    if (HIWORD(hit)) return 0;  // outside the rows
    m_list.SendMessage(LB_SETCURSEL, LOWORD(hit));
    ShowShellMenu(at);
    return 0;
}

LRESULT CFindWindow::OnControlColour(WPARAM dc, LPARAM)
{
    ::SetTextColor(reinterpret_cast<HDC>(dc), m_text);
    ::SetBkColor(reinterpret_cast<HDC>(dc), m_backgroundColour);
    return reinterpret_cast<LRESULT>(m_background.Get());
}

// The shell menu's own owner-drawn and dynamic submenus.
LRESULT CFindWindow::ToShellMenu(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    CShellItemMenu* shell = CShellItemMenu::Open();
    if (shell && shell->HandleMenuMessage(message, wParam, lParam, &result)) return result;
    return Default();
}

LRESULT CFindWindow::OnInitMenuPopup(WPARAM wParam, LPARAM lParam)
{
    return ToShellMenu(WM_INITMENUPOPUP, wParam, lParam);
}

LRESULT CFindWindow::OnMeasureItem(WPARAM wParam, LPARAM lParam)
{
    if (reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->CtlType != ODT_MENU) return Default();
    return ToShellMenu(WM_MEASUREITEM, wParam, lParam);
}

LRESULT CFindWindow::OnMenuChar(WPARAM wParam, LPARAM lParam) { return ToShellMenu(WM_MENUCHAR, wParam, lParam); }

LRESULT CFindWindow::OnTimer(WPARAM timer, LPARAM)
{
    if (timer == kSnapshotTimer) {
        SearchNewestSnapshot();
        return 0;
    }
    if (timer == kForegroundTimer) return OnCheckForeground(0, 0);
    if (timer != kIconTimer) return Default();
    // Icons that arrived since: the rows show them.
    bool awaiting = false;
    TheIconCache().BeginScan(false);
    for (size_t row = 0; row < m_results.shown.size() && row < m_images.size(); ++row) {
        const FoundEntry& found = m_results.shown[row];
        if (found.isFolder || !found.entry) continue;
        std::wstring awaited;
        m_images[row] = TheIconCache().ImageOf(found.path.c_str(), *found.entry, &awaited);
        awaiting = awaiting || !awaited.empty();
    }
    TheIconCache().EndScan();
    ::InvalidateRect(m_list.m_hWnd, nullptr, FALSE);
    if (!awaiting) ::KillTimer(m_hWnd, kIconTimer);
    return 0;
}

void CFindWindow::TakeSnapshot()
{
    if (m_hWnd && ::IsWindowVisible(m_hWnd)) ::SetTimer(m_hWnd, kSnapshotTimer, kSnapshotEveryMs, nullptr);
}

void CFindWindow::SearchNewestSnapshot()
{
    ::KillTimer(m_hWnd, kSnapshotTimer);
    if (!::IsWindowVisible(m_hWnd)) return;
    const int row = Selection();
    IndexNewestSnapshot();
    Search();
    if (EnterOwed() && Selection() >= 0) {
        // The way the keys held with Enter chose, not those held now.
        OpenRow(Selection(), m_enterOwed.way);
        return;
    }
    if (row > 0) MoveSelection(row);
}

CFindWindow& TheFindWindow()
{
    static CFindWindow window;
    static bool listening = false;
    if (!listening) {
        listening = true;
        // The model's listeners run on the UI thread: new listings reach
        // the open window's results.
        TheFolderModel().AddListener([](const SnapshotPointer&) { TheFindWindow().TakeSnapshot(); });
    }
    return window;
}

void OpenFind(const std::wstring& typed, FindPlace place) { TheFindWindow().Open(typed, place); }
