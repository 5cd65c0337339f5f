// The popup: a fresh listing waited for a moment, the menu built, tracked
// and its choice handed on; listings that arrive while it is open fill it
// in; launches handed to the launch lane.
#include "menu/ShortcutMenu.h"

#include <memory>
#include <optional>

#include "framework/CMenu.h"
#include "framework/CWinApp.h"
#include "framework/Keyboard.h"
#include "menu/EntryMenu.h"
#include "menu/IconCache.h"
#include "menu/IconMenu.h"
#include "menu/MenuFolder.h"
#include "menu/OpenEntry.h"
#include "shell/FolderModel.h"
#include "shell/Launch.h"
#include "shell/ShellWorker.h"

namespace {

// Opening more files than this at once with Ctrl asks first.
constexpr size_t kFilesOpenedWithoutAsking = 10;

// A capped level's last row: the owner opens Find on its folder (the
// program's own menu only, as for a typed letter: not a menu the Hotkeys
// dialog picks from).
void RequestFindIn(HWND owner, const wchar_t* folder)
{
    if (AfxGetMainWnd() && AfxGetMainWnd()->m_hWnd == owner)
        ::SendMessageW(owner, WM_MENU_FIND, 0, reinterpret_cast<LPARAM>(folder));
}

// The choice of an entry, with the modifiers held: Ctrl alone opens every
// file of its folder, Shift or Ctrl+Shift go the ways of OpenEntry; without
// them (or for a fixed entry) the owner gets the command.
void Dispatch(HWND owner, UINT id)
{
    if (const wchar_t* folder = FindRowFolder(id)) {
        RequestFindIn(owner, folder);
        return;
    }
    const wchar_t* path = MenuItemPath(id);
    const bool ctrl = IsKeyDown(VK_CONTROL), shift = IsKeyDown(VK_SHIFT);
    if (path && shift)
        OpenEntry(path, OpenWayOfKeys());
    else if (path && ctrl)
        OpenFolderItems(id);
    else
        ::SendMessageW(owner, WM_MENU_COMMAND, id, 0);
}

// An icon the shell worker found: the open menu's entries that wait for it
// show it.
void ShowArrivedIcon(const std::wstring& key, int image)
{
    if (activeMenu) activeMenu->IconArrived(key, image);
}

// A popup asked for while another was tracked: it opens when that one has
// fully closed, from the message loop, so that menus never open one inside
// another however many presses come; a later request replaces it.
struct PopupRequest {
    HWND owner;
    BOOL autoStartOn;
    BOOL full;
};
// UI thread only.
bool gTrackingMenu = false;
std::optional<PopupRequest> gTracked;  // the popup being tracked
std::optional<PopupRequest> gPendingPopup;
// A letter typed into the open menu that no entry starts with: the owner
// is asked to search for it once the menu has closed.
wchar_t gTypedForFind = 0;
UINT_PTR gPendingTimer = 0;

void CALLBACK RunPendingPopup(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::KillTimer(nullptr, timer);
    gPendingTimer = 0;
    if (!gPendingPopup || gTrackingMenu) return;
    PopupRequest next = *gPendingPopup;
    gPendingPopup.reset();
    if (::IsWindow(next.owner)) PopupShortcutMenu(next.owner, next.autoStartOn, next.full);
}

void SchedulePendingPopup()
{
    if (gPendingPopup && !gPendingTimer) gPendingTimer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, RunPendingPopup);
}

// A new listing of the menu folder tree: the icons it holds are looked up
// ahead, and an open menu shows what it was still waiting for.
void TakeSnapshot(const SnapshotPointer& snapshot)
{
    TheShellWorker().Preload(snapshot);
    // What is no longer there leaves the icon cache.
    TheIconCache().ForgetGoneFrom(snapshot);
    if (!gTracked || !activeMenu) return;
    // Only a new popup can show a top level that was still being read.
    if (FillInArrivedFolders(snapshot, gTracked->owner))
        PopupShortcutMenu(gTracked->owner, gTracked->autoStartOn, gTracked->full);
}

// The worker's own work that a press asks for, started once the menu is on
// the screen: the worker's disk work (and Wine's server with it) would
// otherwise share the machine with the showing. A timer's turn comes only
// after the menu loop has shown and drawn the menu; if the menu is gone by
// then, the turn comes in the program's own loop.
// UI thread only.
bool gRefreshOwed = false;
UINT_PTR gWorkTimer = 0;

void CALLBACK StartWorkOfThePress(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::KillTimer(nullptr, timer);
    gWorkTimer = 0;
    TheShellWorker().HoldIcons(false);
    if (gRefreshOwed) {
        gRefreshOwed = false;
        TheFolderModel().Refresh();
    }
    TheIconCache().SendRechecks();
}

// Asks for the work once the menu shows: the icons held for the press, the
// shortcuts' rechecks, and a fresh listing of the tree when the press did
// not wait for one.
void AfterTheMenuShows(bool refresh)
{
    gRefreshOwed = gRefreshOwed || refresh;
    if (!gWorkTimer) gWorkTimer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, StartWorkOfThePress);
    // Only the timer's turn lets the icons go: without it they are not held.
    TheShellWorker().HoldIcons(gWorkTimer != 0);
}

// Makes this thread the foreground one for the menu, with the keyboard.
// Keys typed on an X display go to the thread whose window holds the X
// input focus, and a hidden window made foreground takes none: once
// another program had been active, its window kept the keys typed into
// the menu. A window of one pixel under the menu, owned by the menu's
// owner (so no taskbar button) and shown while the menu is tracked, takes
// the focus for this thread. UI thread only.
class MenuKeyboardFocus {
public:
    MenuKeyboardFocus(HWND owner, POINT cursor)
    {
        static UniqueWindow holder;
        if (!holder || !::IsWindow(holder.Get()) || ::GetWindow(holder.Get(), GW_OWNER) != owner)
            holder.Reset(::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"Static", L"", WS_POPUP, 0, 0, 1, 1,
                                           owner, nullptr, AfxGetInstanceHandle(), nullptr));
        m_holder = holder.Get();
        if (!m_holder) {
            ::SetForegroundWindow(owner);
            return;
        }
        // The X focus is asked for with the time of the thread's last
        // message: one taken now is newer than the other program's.
        MSG fresh;
        ::PostMessageW(m_holder, WM_NULL, 0, 0);
        ::PeekMessageW(&fresh, m_holder, WM_NULL, WM_NULL, PM_REMOVE);
        ::SetWindowPos(m_holder, HWND_TOPMOST, cursor.x, cursor.y, 1, 1, SWP_SHOWWINDOW);
        ::SetForegroundWindow(m_holder);
    }
    ~MenuKeyboardFocus()
    {
        if (m_holder) ::ShowWindow(m_holder, SW_HIDE);
    }
    MenuKeyboardFocus(const MenuKeyboardFocus&) = delete;
    MenuKeyboardFocus& operator=(const MenuKeyboardFocus&) = delete;

private:
    HWND m_holder = nullptr;
};

// Where the menu opens: beside the point clicked, never under it, so that
// the release of the button that opened it lands on no entry. It opens
// towards the larger part of the screen, as a notification icon's menu
// does (above the point at the bottom of the screen), and a menu too tall
// for that side still stands clear of the point to its left or right.
UINT TrackClearOfPoint(HMENU menu, HWND owner, POINT point)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const bool above = point.y > (work.top + work.bottom) / 2;
    const bool left = point.x > (work.left + work.right) / 2;
    // An aligned edge at the point itself would cover it: the menu's
    // right and bottom edges are exclusive, its left and top ones not.
    const int x = left ? point.x : point.x + 1;
    const int y = above ? point.y : point.y + 1;
    TPMPARAMS clear = {};
    clear.cbSize = sizeof(clear);
    clear.rcExclude = { point.x, point.y, point.x + 1, point.y + 1 };
    const UINT flags = TPM_RETURNCMD | TPM_VERTICAL | (left ? TPM_RIGHTALIGN : TPM_LEFTALIGN) |
                       (above ? TPM_BOTTOMALIGN : TPM_TOPALIGN);
    return static_cast<UINT>(::TrackPopupMenuEx(menu, flags, x, y, owner, &clear));
}

// Tracks the built menu at the cursor and hands the choice on.
void TrackAndDispatch(const PopupRequest& request, CIconMenu& menu)
{
    const HWND owner = request.owner;
    activeMenu = &menu;
    POINT cursor;
    ::GetCursorPos(&cursor);
    MenuKeyboardFocus keys(owner, cursor);
    gTrackingMenu = true;
    gTracked = request;
    // The icons the menu shows first are looked up first; the preload waits.
    TheShellWorker().SetMenuOpen(true);
    TheIconCache().SetMenuShowing(true);
    TheShellWorker().Raise(menu.AwaitedIn(menu.m_hMenu));
    UINT id = 0;
    {
        CEntryMenuWatch entryMenus(owner);  // the right button and the Apps key
        do {
            id = TrackClearOfPoint(menu.m_hMenu, owner, cursor);
        } while (id == 0 && ReopenAfterEntryMenu(owner, menu));
    }
    TheShellWorker().SetMenuOpen(false);
    TheIconCache().SetMenuShowing(false);
    gTrackingMenu = false;
    gTracked.reset();
    if (id > 0) Dispatch(owner, id);
    ClearMenuTables();
    ::PostMessageW(owner, WM_NULL, 0, 0);
    activeMenu = nullptr;
    RunChosenShellCommand(owner);
    if (const wchar_t typed = gTypedForFind) {
        gTypedForFind = 0;
        ::SendMessageW(owner, WM_MENU_FIND, typed, 0);
    }
}

}  // namespace

void ListenToFolderModel()
{
    TheIconCache().SetArrivalListener(ShowArrivedIcon);
    TheFolderModel().AddListener(TakeSnapshot);
}

int PopupShortcutMenu(HWND owner, BOOL autoStartOn, BOOL full)
{
    if (gTrackingMenu) {
        // The open menu stays whole: what its entries stand for must not
        // change under it. It ends now; this one follows.
        gPendingPopup = PopupRequest{ owner, autoStartOn, full };
        ::EndMenu();
        return -1;
    }
    // A fresh listing when it comes at once; the newest one otherwise, and
    // the fresh one is asked for once the menu shows.
    CFolderModel& model = TheFolderModel();
    const bool prompt = model.IsPrompt(kFreshListingWaitMs);
    if (prompt) model.WaitFor(model.Refresh(), kFreshListingWaitMs);
    CIconCache& icons = TheIconCache();
    icons.SetArrivalListener(ShowArrivedIcon);
    auto menu = std::make_unique<CIconMenu>(icons.GetImageList());
    ::ImageList_SetBkColor(icons.GetImageList(), menu->GetColours().menu);
    menu->CreatePopupMenu();
    BuildShortcutMenu(menu.get(), autoStartOn, full);
    const int count = menu->GetMenuItemCount();
    if (count <= 0) return 0;
    AfterTheMenuShows(!prompt);
    TrackAndDispatch({ owner, autoStartOn, full }, *menu);
    SchedulePendingPopup();
    return count;
}

void OpenMenuItem(UINT id)
{
    if (const wchar_t* path = MenuItemPath(id)) OpenEntry(std::wstring(path));
}

void OpenFolderItems(UINT id)
{
    const wchar_t* chosen = MenuItemPath(id);
    if (!chosen) return;
    CString folder(chosen);
    folder.Truncate(folder.ReverseFind(L'\\'));
    // From the snapshot the menu shows: a capped level's files past its cap too.
    const std::vector<CString> files = MenuFolderFiles(static_cast<LPCWSTR>(folder));
    if (files.size() > kFilesOpenedWithoutAsking) {
        CString question;
        question.Format(L"Open all %d files in %s?", static_cast<int>(files.size()), ::PathFindFileNameW(folder));
        // Hundreds of windows are not taken back: a reflexive Enter opens none.
        if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
    }
    for (const CString& file : files) OpenEntry(std::wstring(file));
}

void OpenCommand(LPCWSTR command) { QueueLaunch(LaunchRequest(command, L"", true)); }

void MeasureShortcutMenuItem(MEASUREITEMSTRUCT* measure)
{
    if (!activeMenu) return;
    if (measure->itemID == 0) {
        // A separator (no data) or a grayed note: any menu of the tree
        // measures it. Another menu's entry of id 0 (the shell's) is left
        // alone: its data is no record of ours.
        if (!measure->itemData || IsShortcutMenuItemData(measure->itemData)) activeMenu->MeasureItem(measure);
    }
    else if (CIconMenu* owner = FindOwnerMenu(activeMenu, measure->itemID))
        owner->MeasureItem(measure);
}

bool IsShortcutMenuItemData(ULONG_PTR data) { return data && activeMenu && activeMenu->OwnsItemData(data); }

void RouteInitMenuPopup(HMENU menu)
{
    auto* opened = dynamic_cast<CIconMenu*>(CMenu::FromHandle(menu));
    if (!activeMenu || !opened) return;
    opened->NoteOpened();
    FillSubmenu(menu);
    activeMenu->PaintBackground(menu);
    TheShellWorker().Raise(activeMenu->AwaitedIn(menu));
}

BOOL RouteMenuChar(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    auto* menu = dynamic_cast<CIconMenu*>(CMenu::FromHandle(reinterpret_cast<HMENU>(lParam)));
    if (!menu) return FALSE;
    const wchar_t typed = static_cast<wchar_t>(LOWORD(wParam));
    *result = menu->MenuChar(typed);
    // A letter no entry starts with searches instead (the program's own
    // menu only, not a menu the Hotkeys dialog picks from).
    if (HIWORD(*result) == MNC_IGNORE && typed > L' ' && gTracked && AfxGetMainWnd() &&
        gTracked->owner == AfxGetMainWnd()->m_hWnd) {
        gTypedForFind = typed;
        ::EndMenu();
        return TRUE;
    }
    // Wine's menu loop does not take MNC_SELECT (a letter that starts
    // several entries): there the highlight is moved with the Down key.
    if (HIWORD(*result) == MNC_SELECT && IsWinesMenuLoop()) {
        for (int step = menu->StepsDownTo(LOWORD(*result)); step > 0; --step) {
            ::PostThreadMessageW(::GetCurrentThreadId(), WM_KEYDOWN, VK_DOWN, 1);
            ::PostThreadMessageW(::GetCurrentThreadId(), WM_KEYUP, VK_DOWN, 0xC0000001);
        }
        *result = MAKELRESULT(0, MNC_IGNORE);
    }
    return TRUE;
}

BOOL RouteMeasureItem(HWND owner, MEASUREITEMSTRUCT& measure, LRESULT* result)
{
    if (measure.CtlType == ODT_MENU) {
        MeasureShortcutMenuItem(&measure);
        return FALSE;
    }
    CWnd* control = CWnd::FromHandle(::GetDlgItem(owner, static_cast<int>(measure.CtlID)));
    return control && control->OnChildNotify(WM_MEASUREITEM, measure.CtlID, reinterpret_cast<LPARAM>(&measure), result);
}
