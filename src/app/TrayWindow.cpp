#include "app/TrayWindow.h"

#include "app/RunningCopy.h"

#include <algorithm>

#include "app/AutoStart.h"
#include "controls/AboutDialog.h"
#include "find/FindWindow.h"
#include "framework/CWinApp.h"
#include "framework/Dpi.h"
#include "framework/ExecutablePath.h"
#include "framework/Theme.h"
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeysDlg.h"
#include "menu/MenuFolder.h"
#include "menu/ShortcutMenu.h"
#include "res/resource.h"
#include "shell/DroppedFiles.h"
#include "shell/FolderModel.h"
#include "shell/Launch.h"
#include "shell/OpenPage.h"
#include "shell/ShellWorker.h"

namespace {

// The notification icon record in its first-version layout (tip of up to 64
// characters).
NOTIFYICONDATAW IconRecord(HWND window)
{
    NOTIFYICONDATAW record = {};
    record.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record.hWnd = window;
    record.uID = 0;
    return record;
}

}  // namespace

BOOL AddNotifyIcon(HWND window)
{
    NOTIFYICONDATAW record = IconRecord(window);
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_TRAY_ICON;
    UniqueIcon icon = AfxLoadIcon(IDI_TRAY, ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON));
    record.hIcon = icon.Get();
    lstrcpynW(record.szTip, L"Quillop", 64);
    return ::Shell_NotifyIconW(NIM_ADD, &record);
}

void ShowBalloon(HWND window, LPCWSTR title, const CString& text)
{
    NOTIFYICONDATAW record = {};
    record.cbSize = NOTIFYICONDATAW_V2_SIZE;
    record.hWnd = window;
    record.uFlags = NIF_INFO;
    record.dwInfoFlags = NIIF_INFO;
    record.uTimeout = 30000;  // long enough to read (where the system lets it)
    lstrcpynW(record.szInfoTitle, title, ARRAYSIZE(record.szInfoTitle));
    lstrcpynW(record.szInfo, text, ARRAYSIZE(record.szInfo));
    ::Shell_NotifyIconW(NIM_MODIFY, &record);
}

// A path shortened in the middle to the room a balloon has for it (in
// characters, its end included), the file name kept.
static CString ShortenedPath(LPCWSTR path, UINT room)
{
    wchar_t shortened[ARRAYSIZE(NOTIFYICONDATAW{}.szInfo)] = {};
    room = std::min<UINT>(room, ARRAYSIZE(shortened));
    if (!::PathCompactPathExW(shortened, path, room, 0)) lstrcpynW(shortened, path, static_cast<int>(room));
    return shortened;
}

void ShowFirstStartNotice(HWND window, LPCWSTR menuFolder)
{
    NOTIFYICONDATAW record = {};
    // A space ends each line: Wine's balloon cuts off a line's last character.
    CString text(L"Click this icon for the menu. Right-click it for a square to drop files on. Quillop > Exit "
                 L"quits. \nMenu folder: ");
    text += ShortenedPath(menuFolder, ARRAYSIZE(record.szInfo) - static_cast<UINT>(text.GetLength()));
    ShowBalloon(window, L"Quillop is running", text);
}

void DeleteNotifyIcon(HWND window)
{
    NOTIFYICONDATAW record = IconRecord(window);
    ::Shell_NotifyIconW(NIM_DELETE, &record);
}

BEGIN_MESSAGE_MAP(CTrayWindow, CShortcutMenuOwner)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_WM_DROPFILES(OnDropFiles)
    ON_MESSAGE(WM_RBUTTONUP, OnButtonUp)
    ON_MESSAGE(WM_ERASEBKGND, OnEraseBackground)
    ON_MESSAGE(WM_LBUTTONUP, OnButtonUp)
    ON_MESSAGE(WM_TRAY_ICON, OnTrayIcon)
    ON_MESSAGE(WM_SHOW_DROP_WINDOW, OnShowDropWindow)
    ON_MESSAGE(WM_MENU_COMMAND, OnMenuCommand)
    ON_MESSAGE(WM_MENU_FIND, OnMenuFind)
    ON_REGISTERED_MESSAGE(taskbarCreatedMessage, OnTaskbarCreated)
    ON_REGISTERED_MESSAGE(showMenuForSecondStartMessage, OnSecondStart)
    ON_MESSAGE(WM_HOTKEY, OnHotkey)
    ON_MESSAGE(WM_SETTINGCHANGE, OnSettingChange)
END_MESSAGE_MAP()

CTrayWindow::CTrayWindow() : CShortcutMenuOwner(IDD_TRAY_WINDOW) {}

CTrayWindow::~CTrayWindow()
{
    m_tip.DestroyWindow();
    DestroyWindow();
}

BOOL CTrayWindow::CreateTip()
{
    return m_tip.Create(this) &&
           m_tip.AddTool(this, L"Drag & drop files or folders in here.\nClick mouse button to close.", nullptr, 0);
}

BOOL CTrayWindow::PreTranslateMessage(MSG* message)
{
    m_tip.RelayEvent(message);
    return CShortcutMenuOwner::PreTranslateMessage(message);
}

BOOL CTrayWindow::OnInitDialog()
{
    CShortcutMenuOwner::OnInitDialog();
    FollowDarkModeInMenus(AppsUseDarkTheme());
    FitDropWindowToIcon();
    theRecordList.Configure(sizeof(HotkeyRecord), kHotkeyRecordStep);
    // Read on the launch lane: a file another program holds at start-up is
    // waited for a few seconds, and a file that cannot be read is said.
    LoadHotkeysLater(m_hWnd, [this](const std::wstring& text) { ShowBalloon(m_hWnd, L"Quillop", text.c_str()); });
    return TRUE;
}

// The drop window shows the program's icon whole: at some scalings the
// template's 20 x 20 dialog units come out smaller than the icon.
void CTrayWindow::FitDropWindowToIcon()
{
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    const int least = ::GetSystemMetrics(SM_CXICON) + ScaleToDpi(4);
    int width = std::max(static_cast<int>(window.right - window.left), least);
    int height = std::max(static_cast<int>(window.bottom - window.top), least);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CTrayWindow::OnDestroy(WPARAM, LPARAM)
{
    ReleaseHotkeys();
    DeleteNotifyIcon(m_hWnd);
    // Find is owned by no window (for its taskbar button): it goes with the
    // program's own.
    TheFindWindow().DestroyWindow();
    return Default();
}

LRESULT CTrayWindow::OnDropFiles(HDROP drop)
{
    AddDroppedFiles(drop, MenuFolderPath(), [this](const DropResult& result) { ReportDrop(result); });
    return 0;
}

CString DropReportText(const DropResult& result)
{
    CString text;
    if (result.added > 0 || !result.replaced.empty()) {
        text.Format(result.added == 1 ? L"%d item added to the menu." : L"%d items added to the menu.", result.added);
        for (size_t i = 0; i < result.replaced.size() && i < 3; ++i) {
            text += i == 0 ? L"\nReplaced: " : L", ";
            text += result.replaced[i].c_str();
        }
        if (result.replaced.size() > 3) text += L"...";
    }
    if (result.unanswered.empty()) return text;
    if (!text.IsEmpty()) text += L"\n";
    // The balloon holds a few lines: the first path, shortened.
    text += L"Not added, its drive did not answer: ";
    text += ShortenedPath(result.unanswered.front().c_str(), 64);
    if (result.unanswered.size() > 1) {
        CString more;
        more.Format(L" and %d more", static_cast<int>(result.unanswered.size() - 1));
        text += more;
    }
    // Wine's balloon does not wrap, and cuts off the end of its widest line
    // unless a space ends it: the advice on a line of its own.
    text += L". \nDrop it again once the drive answers.";
    return text;
}

// What a drop did, told from the icon; what it left out, in a message.
void CTrayWindow::ReportDrop(const DropResult& result)
{
    const CString text = DropReportText(result);
    if (!text.IsEmpty()) ShowBalloon(m_hWnd, L"Quillop", text);
    if (!result.refused.empty()) AfxMessageBox(result.refused.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

LRESULT CTrayWindow::OnButtonUp(WPARAM, LPARAM)
{
    ShowWindow(SW_HIDE);
    return Default();
}

LRESULT CTrayWindow::OnEraseBackground(WPARAM wParam, LPARAM)
{
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    UniqueBrush background(::CreateSolidBrush(CurrentThemeColours().window));
    ::FillRect(reinterpret_cast<HDC>(wParam), &client, background.Get());
    const int width = ::GetSystemMetrics(SM_CXICON), height = ::GetSystemMetrics(SM_CYICON);
    if (!m_dropIcon) m_dropIcon = AfxLoadIcon(IDI_PROGRAM, width, height);
    ::DrawIconEx(reinterpret_cast<HDC>(wParam), (client.right - width) / 2, (client.bottom - height) / 2,
                 m_dropIcon.Get(), width, height, 0, nullptr, DI_NORMAL);
    return TRUE;
}

// Windows' light or dark mode changed: the platform's menus follow now, the
// drop window at once, the next popup and tip as they are drawn.
LRESULT CTrayWindow::OnSettingChange(WPARAM, LPARAM lParam)
{
    if (IsColourSetChange(lParam)) {
        FollowDarkModeInMenus(AppsUseDarkTheme());
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    }
    return Default();
}

LRESULT CTrayWindow::OnTrayIcon(WPARAM wParam, LPARAM lParam)
{
    if (wParam != 0) return 0;
    switch (LOWORD(lParam)) {
    case WM_MOUSEMOVE:
        ::GetCursorPos(&m_pointer);
        break;
    case WM_LBUTTONDOWN:
    case NIN_BALLOONUSERCLICK:  // the greeting over the icon took the click meant for it
        // The state as last read; it is read again for the next press.
        PopupShortcutMenu(m_hWnd, KnownAutoStartState(), 1);
        RefreshAutoStartState();
        break;
    case WM_RBUTTONUP:
        PostMessage(WM_SHOW_DROP_WINDOW);
        break;
    default:
        break;
    }
    return 1;
}

LRESULT CTrayWindow::OnShowDropWindow(WPARAM, LPARAM)
{
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    int x = m_pointer.x - width / 2;
    int y = m_pointer.y - height / 2;
    // Pushed in at the right and bottom edges only.
    int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    if (x + width > screenWidth) x = screenWidth - width;
    if (y + height > screenHeight) y = screenHeight - height;
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    ::UpdateWindow(m_hWnd);
    return 1;
}

LRESULT CTrayWindow::OnMenuCommand(WPARAM wParam, LPARAM)
{
    RunCommand(static_cast<UINT>(wParam));
    return 1;
}

// The menu searches for a letter typed into it that no entry starts with.
// A capped level's folder is searched in by its name and a backslash: the
// user types the rest.
LRESULT CTrayWindow::OnMenuFind(WPARAM typed, LPARAM folder)
{
    const std::wstring text = folder ? std::wstring(::PathFindFileNameW(reinterpret_cast<LPCWSTR>(folder))) + L"\\"
                                     : std::wstring(1, static_cast<wchar_t>(typed));
    OpenFind(text, FindPlace::AboveNotifyIcon);
    return 1;
}

LRESULT CTrayWindow::OnTaskbarCreated(WPARAM, LPARAM)
{
    AddNotifyIcon(m_hWnd);
    return 0;
}

// A second start of the program asks for the menu: the answer comes at
// once, so that its bounded wait tells a copy that answers from a hung one;
// the menu pops up from the message loop after. A request met after the
// second start stopped waiting (this copy was hung) is let be.
LRESULT CTrayWindow::OnSecondStart(WPARAM sent, LPARAM)
{
    if (::GetTickCount() - static_cast<DWORD>(sent) > kRunningCopyAnswerWaitMs) return 0;
    PostMessage(WM_TRAY_ICON, 0, WM_LBUTTONDOWN);
    return kRunningCopyAnswer;
}

LRESULT CTrayWindow::OnHotkey(WPARAM wParam, LPARAM)
{
    const HotkeyRecord* record = GetHotkeyRecord(static_cast<int>(wParam) - kHotkeyIdBase);
    const wchar_t* command = GetHotkeyCommand(record);
    if (!command) return 1;
    if (lstrcmpW(command, kShortcutMenuMarker) == 0)
        PopupShortcutMenu(m_hWnd, FALSE, 0);
    else if (lstrcmpW(command, kFindMarker) == 0)
        OpenFind(L"", FindPlace::TopOfScreenAtPointer);
    else
        OpenCommand(command);
    return 1;
}

void CTrayWindow::RunCommand(UINT id)
{
    switch (id) {
    case MenuCommand::None: break;
    case MenuCommand::AddNewItem: PostMessage(WM_SHOW_DROP_WINDOW); break;
    case MenuCommand::Desktop: MinimizeAllWindows(); break;
    case MenuCommand::ShowAll: RestoreAllWindows(); break;
    case MenuCommand::Edit: ExploreMenuFolder(); break;
    case MenuCommand::Hotkeys: RunHotkeysDialog(); break;
    case MenuCommand::AutoStart: ToggleAutoStartLater(); break;
    case MenuCommand::FolderAsSeparator:
        folderAsSeparator = folderAsSeparator ? 0 : 1;
        SaveFolderAsSeparator();
        break;
    case MenuCommand::Find: OpenFind(L"", FindPlace::AboveNotifyIcon); break;
    case MenuCommand::Help: OpenHelpPage(); break;
    case MenuCommand::About: RunAboutBox(); break;
    case MenuCommand::Exit:
        if (ConfirmExit()) DestroyWindow();
        break;
    default: OpenMenuItem(id); break;
    }
}

namespace {

// The shell's own windows: the taskbar, the desktop, and the notification
// area where it stands apart (Wine shows it in a window of its own).
const wchar_t* const kShellClasses[] = { L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd", L"Progman", L"WorkerW",
                                         L"__winex11_standalone_tray" };

// Whether the window is one the taskbar would show: visible, titled, not a
// tool window nor owned by another (unless it asks for a button), and not
// one of the shell's.
bool ShowsInTaskbar(HWND window)
{
    if (!::IsWindowVisible(window) || WindowText(window).IsEmpty()) return false;
    const LONG_PTR exStyle = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
    if (!(exStyle & WS_EX_APPWINDOW) && ((exStyle & WS_EX_TOOLWINDOW) || ::GetWindow(window, GW_OWNER))) return false;
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, ARRAYSIZE(name));
    for (const wchar_t* shell : kShellClasses)
        if (lstrcmpiW(name, shell) == 0) return false;
    return true;
}

// Calls visit for every top-level window the taskbar would show.
template <typename Visit>
void ForEachTaskbarWindow(Visit visit)
{
    for (HWND hwnd = ::GetWindow(::GetDesktopWindow(), GW_CHILD); hwnd; hwnd = ::GetWindow(hwnd, GW_HWNDNEXT))
        if (ShowsInTaskbar(hwnd)) visit(hwnd);
}

}  // namespace

void CTrayWindow::MinimizeAllWindows()
{
    ForEachTaskbarWindow([](HWND hwnd) {
        if (!::IsIconic(hwnd)) ::PostMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    });
}

void CTrayWindow::RestoreAllWindows()
{
    ForEachTaskbarWindow([](HWND hwnd) {
        if (::IsIconic(hwnd)) ::ShowWindow(hwnd, SW_RESTORE);
    });
}

void CTrayWindow::ExploreMenuFolder()
{
    wchar_t path[MAX_PATH + 2];
    lstrcpynW(path, MenuFolderPath(), MAX_PATH);
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    ::GetVersionExW(&version);
    if (version.dwMajorVersion >= 6)
        ::PathAddBackslashW(path);
    else
        lstrcatW(path, L".");
    QueueLaunch(LaunchRequest(path, L"explore"));
}

void CTrayWindow::OpenHelpPage()
{
    // Whether it is there is asked on the launch lane, with the opening.
    const std::wstring page = static_cast<LPCWSTR>(ExecutableSibling(L".htm"));
    QueueOpenPage(page,
                  L"Sorry, can't find Quillop.htm in current folder.\nYou should download a full "
                  L"package of this software.");
}

bool CTrayWindow::ConfirmExit()
{
    const int files = DroppedFilesLeft();
    const int launches = LaunchesPending();
    if (files <= 0 && launches <= 0) return true;
    CString question, part;
    if (files > 0) {
        question.Format(files == 1 ? L"%d dropped file is still being added. " : L"%d dropped files are still being added. ",
                        files);
    }
    if (launches > 0) {
        part.Format(launches == 1 ? L"%d program is still being started. " : L"%d programs are still being started. ",
                    launches);
        question += part;
    }
    question += L"Exit anyway?";
    // Exiting drops that work for good: a reflexive Enter keeps Quillop running.
    return AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}
