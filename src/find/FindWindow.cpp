#include "find/FindWindow.h"

#include <algorithm>

#include "framework/CWinApp.h"
#include "framework/Dpi.h"
#include "framework/Keyboard.h"
#include "framework/Theme.h"
#include "menu/IconCache.h"
#include "menu/MenuFolder.h"
#include "menu/ShellItemMenu.h"
#include "menu/ShortcutMenu.h"
#include "res/resource.h"
#include "shell/FolderModel.h"
#include "shell/Launch.h"

namespace {

constexpr UINT_PTR kIconTimer = 1;
// New listings come as often as every 100 ms while a large tree is read:
// the open window takes the newest one at most this often.
constexpr UINT_PTR kSnapshotTimer = 2;
constexpr UINT kSnapshotEveryMs = 250;
constexpr UINT kIconPollMs = 200;  // while icons of shown results are on their way
constexpr int kRowPadding = 4;     // at 96 DPI

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
END_MESSAGE_MAP()

CFindWindow::CFindWindow() : CDialog(IDD_FIND) {}

BOOL CFindWindow::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_edit.SubclassDlgItem(IDC_FIND_TEXT, this);
    m_list.SubclassDlgItem(IDC_FIND_LIST, this);
    const ThemeColours colours = CurrentThemeColours();
    m_backgroundColour = colours.menu;
    m_text = colours.menuText;
    m_grayText = colours.grayText;
    m_background.Reset(::CreateSolidBrush(m_backgroundColour));
    FollowDarkModeInTitleBar(m_hWnd, colours.dark);
    const int iconSize = TheIconCache().GetIconSize();
    TEXTMETRICW metrics = {};
    {
        WindowDC dc(m_list.m_hWnd);
        SelectedObject font(dc, reinterpret_cast<HFONT>(m_list.SendMessage(WM_GETFONT)));
        ::GetTextMetricsW(dc, &metrics);
    }
    const int height = std::max<int>(iconSize, metrics.tmHeight) + ScaleToDpi(kRowPadding);
    m_list.SendMessage(LB_SETITEMHEIGHT, 0, height);
    ShowInTaskbar();
    return TRUE;
}

void CFindWindow::Open(const std::wstring& typed, bool atPointer)
{
    if (!m_hWnd && !Create(IDD_FIND, AfxGetMainWnd())) return;
    // The newest listing answers at once; a fresh one is asked for, and
    // updates the results when it comes (a file added meanwhile shows up).
    TheFolderModel().Refresh();
    IndexNewestSnapshot();
    ::SetWindowTextW(m_edit.m_hWnd, typed.c_str());
    m_edit.SendMessage(EM_SETSEL, typed.size(), typed.size());
    Search();
    if (!::IsWindowVisible(m_hWnd)) Place(atPointer);
    ShowWindow(SW_SHOW);
    ::SetForegroundWindow(m_hWnd);
    ::SetFocus(m_edit.m_hWnd);
}

void CFindWindow::Close()
{
    ::KillTimer(m_hWnd, kIconTimer);
    ShowWindow(SW_HIDE);
    ::SetWindowTextW(m_edit.m_hWnd, L"");
}

// At the pointer, or at the notification area's corner of the work area.
void CFindWindow::Place(bool atPointer)
{
    POINT at;
    ::GetCursorPos(&at);
    if (!atPointer) {
        const RECT work = WorkAreaAt(at);
        at = { work.right, work.bottom };
    }
    CenterAt(at);
}

void CFindWindow::IndexNewestSnapshot()
{
    SnapshotPointer snapshot = TheFolderModel().Snapshot();
    if (snapshot->Generation() != m_index.Generation()) m_index.Build(std::move(snapshot));
}

void CFindWindow::Search()
{
    if (!m_hWnd) return;
    m_results = m_index.Search(static_cast<LPCWSTR>(WindowText(m_edit.m_hWnd)));
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

    CString count;
    if (m_results.total > m_results.shown.size())
        count.Format(L"%u found, the first %u shown", static_cast<unsigned>(m_results.total),
                     static_cast<unsigned>(m_results.shown.size()));
    else if (m_results.total > 0)
        count.Format(L"%u found", static_cast<unsigned>(m_results.total));
    else if (m_edit.m_hWnd && ::GetWindowTextLengthW(m_edit.m_hWnd) > 0)
        count = L"Nothing found";
    ::SetDlgItemTextW(m_hWnd, IDC_FIND_COUNT, count);
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

// The chosen result goes the menu's ways: Shift shows it in its folder,
// Ctrl+Shift runs it as administrator, else it opens; then Find closes.
void CFindWindow::OpenSelected()
{
    const int row = Selection();
    if (row < 0 || row >= static_cast<int>(m_results.shown.size())) return;
    const std::wstring path = m_results.shown[static_cast<size_t>(row)].path;
    const bool ctrl = IsKeyDown(VK_CONTROL), shift = IsKeyDown(VK_SHIFT);
    if (ctrl && shift)
        QueueLaunch(LaunchRequest(path, L"runas"));
    else if (shift)
        QueueShowInFolder(path);
    else
        OpenPath(path.c_str());
    Close();
}

void CFindWindow::KeepTypingInTheEdit()
{
    ::SetFocus(m_edit.m_hWnd);
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

// The keys of the menu, whichever control has the focus.
BOOL CFindWindow::PreTranslateMessage(MSG* message)
{
    const bool down = message->message == WM_KEYDOWN || message->message == WM_SYSKEYDOWN;
    if (down) {
        POINT point;
        switch (message->wParam) {
        case VK_UP: MoveSelection(-1); return TRUE;
        case VK_DOWN: MoveSelection(1); return TRUE;
        case VK_PRIOR: MoveSelection(-10); return TRUE;
        case VK_NEXT: MoveSelection(10); return TRUE;
        case VK_RETURN: OpenSelected(); return TRUE;
        case VK_ESCAPE: OnCancel(); return TRUE;
        case VK_APPS:
            if (SelectedEntryPoint(point)) ShowShellMenu(point);
            return TRUE;
        case VK_F10:
            if (!IsKeyDown(VK_SHIFT)) break;
            if (SelectedEntryPoint(point)) ShowShellMenu(point);
            return TRUE;
        default: break;
        }
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

void OpenFind(const std::wstring& typed, bool atPointer) { TheFindWindow().Open(typed, atPointer); }
