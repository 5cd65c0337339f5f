#include "menu/EntryMenu.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/CMenu.h"
#include "framework/Keyboard.h"
#include "framework/ThreadTimer.h"
#include "menu/IconMenu.h"
#include "menu/MenuFolder.h"
#include "menu/ShellItemMenu.h"
#include "menu/ShortcutMenu.h"

namespace {

struct EntryRequest {
    HMENU menu;
    int position;
    POINT point;
    bool extended;  // Shift held: the extended verbs too
};

HWND gOwner = nullptr;  // of the short-cut menu being tracked
std::optional<EntryRequest> gRequest;
CThreadTimer gShowRequest;  // opens the requested shell menu from the menu loop
bool gShellMenuOpen = false;
HMENU gHighlightMenu = nullptr;  // the entry highlighted now, by menu and position
int gHighlightPosition = -1;
// The entry whose shell menu was left with Escape, and when.
constexpr DWORD kReopenWithin = 300;  // ms
std::optional<EntryRequest> gEscaped;
DWORD gEscapedAt = 0;
// A command chosen in the shell's menu, run once the short-cut menu has
// closed: a sheet it opens (Properties) then stands on its own.
struct ChosenCommand {
    std::unique_ptr<CShellItemMenu> shell;
    UINT command;
    POINT point;
};
std::optional<ChosenCommand> gChosen;

void PostKey(HWND owner, WORD key, int times = 1)
{
    for (int i = 0; i < times; ++i) {
        ::PostMessageW(owner, WM_KEYDOWN, key, 1);
        ::PostMessageW(owner, WM_KEYUP, key, 0xC0000001);
    }
}

// The file or folder an entry stands for, or nullptr (the fixed entries).
const wchar_t* EntryPath(HMENU menu, int position)
{
    if (HMENU submenu = ::GetSubMenu(menu, position)) return MenuSubfolderPath(submenu);
    return MenuItemPath(::GetMenuItemID(menu, position));
}

// The entry of a short-cut menu window under the point.
bool EntryAt(POINT point, HMENU& menu, int& position)
{
    HWND window = ::WindowFromPoint(point);
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, ARRAYSIZE(name));
    if (lstrcmpW(name, L"#32768") != 0) return false;
    menu = reinterpret_cast<HMENU>(::SendMessageW(window, MN_GETHMENU, 0, 0));
    position = ::MenuItemFromPoint(window, menu, point);
    return menu && position >= 0;
}

void ShowRequestedMenu()
{
    gShowRequest.Stop();
    if (!gRequest) return;
    const EntryRequest request = *gRequest;
    gRequest.reset();
    const wchar_t* path = gOwner ? EntryPath(request.menu, request.position) : nullptr;
    auto shell = std::make_unique<CShellItemMenu>();
    if (!path || !shell->Load(path, request.extended, gOwner)) return;
    gShellMenuOpen = true;
    UINT command = shell->Track(gOwner, request.point);
    gShellMenuOpen = false;
    if (!command) {
        gEscaped = request;
        gEscapedAt = ::GetTickCount();
        return;
    }
    // The short-cut menu closes first (the next one shows the folder as the
    // command left it); the command runs after it.
    gChosen = ChosenCommand{ std::move(shell), command, request.point };
    ::EndMenu();
}

// Takes a request for the entry's shell menu, when it has one; it opens
// from the menu loop, not inside the hook.
bool Request(HMENU menu, int position, POINT point)
{
    if (gShellMenuOpen || gRequest || !EntryPath(menu, position)) return false;
    gRequest = EntryRequest{ menu, position, point, IsKeyDown(VK_SHIFT) };
    gShowRequest.Start(0, ShowRequestedMenu);
    return true;
}

// The highlighted entry's point for the keys: its bottom left corner.
bool HighlightedEntry(HMENU& menu, int& position, POINT& point)
{
    if (!gHighlightMenu || gHighlightPosition < 0) return false;
    menu = gHighlightMenu;
    position = gHighlightPosition;
    RECT entry;
    HWND window = OpenMenuWindow(menu);
    if (!window || !::GetMenuItemRect(window, menu, static_cast<UINT>(position), &entry)) return false;
    point = { entry.left + (entry.bottom - entry.top), entry.bottom };
    return true;
}

// Whether the menu window holds more entries than it shows: a menu taller
// than the screen, with scroll arrows.
bool ScrollsItsEntries(HWND window, HMENU menu)
{
    const int count = ::GetMenuItemCount(menu);
    RECT first, last, client;
    if (count < 2 || !::GetMenuItemRect(window, menu, 0, &first) ||
        !::GetMenuItemRect(window, menu, static_cast<UINT>(count - 1), &last) || !::GetClientRect(window, &client))
        return false;
    return last.bottom - first.top > client.bottom - client.top;
}

// The arrow-key steps from the position towards one end of the menu, no
// more than wanted: the keys skip separators, and go round past the end.
int StepsTowardsEnd(HMENU menu, int from, int direction, int wanted)
{
    int steps = 0;
    for (int at = from + direction, count = ::GetMenuItemCount(menu); at >= 0 && at < count && steps < wanted;
         at += direction)
        if (!(::GetMenuState(menu, static_cast<UINT>(at), MF_BYPOSITION) & MF_SEPARATOR)) ++steps;
    return steps;
}

// The arrow-key steps from one position to another (the keys skip
// separators).
int StepsBetween(HMENU menu, int from, int to)
{
    const int direction = to < from ? -1 : 1;
    return StepsTowardsEnd(menu, from, direction, std::abs(to - from));
}

int HighlightedPosition(HMENU menu)
{
    for (int at = 0, count = ::GetMenuItemCount(menu); at < count; ++at)
        if (::GetMenuState(menu, static_cast<UINT>(at), MF_BYPOSITION) & MF_HILITE) return at;
    return -1;
}

// The entry shown at the menu window's bottom (direction 1) or top (-1) as
// it is scrolled now: the entries' rectangles do not follow the scrolling,
// the look-up of a point does.
int EntryAtEdge(HWND window, HMENU menu, int direction)
{
    RECT client;
    ::GetClientRect(window, &client);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const LONG x = (client.left + client.right) / 2;
    for (LONG inset = 0; inset < client.bottom - client.top; inset += 2) {
        const LONG y = direction > 0 ? client.bottom - 1 - inset : client.top + inset;
        const int at = ::MenuItemFromPoint(window, menu, POINT{ x, y });
        if (at >= 0) return at;
    }
    return -1;
}

// The menu being scrolled by the wheel: once the keys that scrolled it are
// done, its highlight goes back under the resting pointer.
HWND gWheelWindow = nullptr;
CThreadTimer gHighlightUnderPointer;

void HighlightUnderPointer()
{
    gHighlightUnderPointer.Stop();
    POINT pointer;
    if (!gOwner || !::GetCursorPos(&pointer) || ::WindowFromPoint(pointer) != gWheelWindow) return;
    auto menu = reinterpret_cast<HMENU>(::SendMessageW(gWheelWindow, MN_GETHMENU, 0, 0));
    const int under = menu ? ::MenuItemFromPoint(gWheelWindow, menu, pointer) : -1;
    const int highlighted = menu ? HighlightedPosition(menu) : -1;
    if (under < 0 || highlighted < 0 || under == highlighted) return;
    PostKey(gOwner, under < highlighted ? VK_UP : VK_DOWN, StepsBetween(menu, highlighted, under));
}

// The wheel over a long menu scrolls its rows under the resting pointer:
// the system's menus scroll only by their arrow items and by a highlight
// moved past an edge. So the highlight goes to the edge and on by the rows
// of the notches, which scrolls the menu, then back under the pointer.
bool ScrollByWheel(const MSG& message)
{
    HWND window = ::WindowFromPoint(message.pt);
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, ARRAYSIZE(name));
    if (lstrcmpW(name, L"#32768") != 0) return false;
    auto menu = reinterpret_cast<HMENU>(::SendMessageW(window, MN_GETHMENU, 0, 0));
    if (!menu || !ScrollsItsEntries(window, menu)) return false;
    static int delta = 0;  // of a fine-grained wheel, until a notch is whole
    delta += GET_WHEEL_DELTA_WPARAM(message.wParam);
    const int notches = delta / WHEEL_DELTA;
    delta %= WHEEL_DELTA;
    if (notches == 0) return true;
    UINT lines = 3;
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    if (lines == WHEEL_PAGESCROLL || lines == 0) lines = 3;
    const int direction = notches > 0 ? -1 : 1;
    const int highlighted = HighlightedPosition(menu);
    const int edge = EntryAtEdge(window, menu, direction);
    // With nothing highlighted the first key highlights an end of the menu.
    const int from = highlighted >= 0 ? highlighted : direction > 0 ? -1 : ::GetMenuItemCount(menu);
    const int toEdge = edge >= 0 && (edge - from) * direction > 0 ? StepsBetween(menu, from, edge) : 0;
    const int steps = StepsTowardsEnd(menu, from, direction, toEdge + std::abs(notches) * static_cast<int>(lines));
    PostKey(gOwner, direction < 0 ? VK_UP : VK_DOWN, steps);
    // A timer comes once the posted keys are done.
    gWheelWindow = window;
    gHighlightUnderPointer.Start(0, HighlightUnderPointer);
    return true;
}

// Sees the menu loop's messages: the right button over an entry, the Apps
// key and Shift+F10, the wheel. TRUE keeps them from the menu.
LRESULT CALLBACK FilterMenuMessages(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_MENU && !gShellMenuOpen) {
        HMENU menu = nullptr;
        int position = -1;
        POINT point = message->pt;
        switch (message->message) {
        case WM_RBUTTONDOWN:
            if (EntryAt(point, menu, position) && EntryPath(menu, position)) return TRUE;
            break;
        case WM_RBUTTONUP:
            if (EntryAt(point, menu, position) && Request(menu, position, point)) return TRUE;
            break;
        case WM_KEYDOWN:
            // Ctrl+Enter and Ctrl+Shift+Enter choose the entry, as on Windows.
            if (message->wParam == VK_RETURN && IsKeyDown(VK_CONTROL) && IsWinesMenuLoop()) {
                ::PostMessageW(message->hwnd, WM_CHAR, L'\r', 1);
                return TRUE;
            }
            if ((message->wParam == VK_APPS || (message->wParam == VK_F10 && IsKeyDown(VK_SHIFT))) &&
                HighlightedEntry(menu, position, point) && Request(menu, position, point))
                return TRUE;
            break;
        case WM_MOUSEWHEEL:
            if (ScrollByWheel(*message)) return TRUE;
            break;
        case WM_SYSKEYDOWN:  // Shift+F10 comes as a system key
            if (message->wParam == VK_F10 && IsKeyDown(VK_SHIFT) && HighlightedEntry(menu, position, point) &&
                Request(menu, position, point))
                return TRUE;
            break;
        default: break;
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

CEntryMenuWatch::CEntryMenuWatch(HWND owner)
    : m_hook(::SetWindowsHookExW(WH_MSGFILTER, FilterMenuMessages, nullptr, ::GetCurrentThreadId()))
{
    gOwner = owner;
    gHighlightMenu = nullptr;
    gHighlightPosition = -1;
}

CEntryMenuWatch::~CEntryMenuWatch()
{
    gOwner = nullptr;
    gRequest.reset();
    gHighlightMenu = nullptr;
}

namespace {

// The positions that lead from the menu down to the submenu, outermost
// first; false when it is not in the menu's tree.
bool PathTo(HMENU menu, HMENU target, std::vector<int>& positions)
{
    if (menu == target) return true;
    for (int position = 0, count = ::GetMenuItemCount(menu); position < count; ++position) {
        HMENU submenu = ::GetSubMenu(menu, position);
        if (!submenu) continue;
        positions.push_back(position);
        if (PathTo(submenu, target, positions)) return true;
        positions.pop_back();
    }
    return false;
}

}  // namespace

void RunChosenShellCommand(HWND owner)
{
    if (!gChosen) return;
    ChosenCommand chosen = std::move(*gChosen);
    gChosen.reset();
    chosen.shell->Invoke(chosen.command, owner, chosen.point);
}

bool ReopenAfterEntryMenu(HWND owner, const CIconMenu& menu)
{
    if (!gEscaped || ::GetTickCount() - gEscapedAt > kReopenWithin) {
        gEscaped.reset();
        return false;
    }
    const EntryRequest escaped = *gEscaped;
    gEscaped.reset();
    std::vector<int> positions;
    if (!PathTo(menu.m_hMenu, escaped.menu, positions)) return true;
    positions.push_back(escaped.position);
    // From no highlight at the top; a submenu opens on its first entry.
    HMENU level = menu.m_hMenu;
    for (size_t i = 0; i < positions.size(); ++i) {
        auto* object = dynamic_cast<CIconMenu*>(CMenu::FromHandle(level));
        const int from = i == 0 ? -1 : 0;
        if (object && positions[i] != from) PostKey(owner, VK_DOWN, object->StepsDownBetween(from, positions[i]));
        if (i + 1 < positions.size()) {
            PostKey(owner, VK_RIGHT);
            level = ::GetSubMenu(level, positions[i]);
        }
    }
    return true;
}

void NoteHighlightedEntry(WPARAM wParam, LPARAM lParam)
{
    auto menu = reinterpret_cast<HMENU>(lParam);
    const UINT item = LOWORD(wParam), flags = HIWORD(wParam);
    gHighlightMenu = nullptr;
    gHighlightPosition = -1;
    if (!menu || flags == 0xFFFF) return;  // the menu closed
    if (flags & MF_POPUP) {
        gHighlightMenu = menu;
        gHighlightPosition = static_cast<int>(item);
        return;
    }
    for (int position = 0, count = ::GetMenuItemCount(menu); position < count; ++position) {
        if (::GetMenuItemID(menu, position) == item) {
            gHighlightMenu = menu;
            gHighlightPosition = position;
            return;
        }
    }
}

void RequestEntryMenu(HMENU menu, UINT position)
{
    POINT point;
    ::GetCursorPos(&point);
    Request(menu, static_cast<int>(position), point);
}

BOOL RouteShellMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    CShellItemMenu* shell = CShellItemMenu::Open();
    if (!shell) return FALSE;
    // The short-cut menu's own entries are still drawn behind it.
    HMENU menu = nullptr;
    if (message == WM_INITMENUPOPUP) menu = reinterpret_cast<HMENU>(wParam);
    if (message == WM_MENUCHAR) menu = reinterpret_cast<HMENU>(lParam);
    if (message == WM_DRAWITEM) menu = reinterpret_cast<HMENU>(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem);
    if (menu && CMenu::FromHandle(menu)) return FALSE;
    // A measured entry names no menu: the shell's ids lie above all of ours.
    // Id 0 is the shell's too (its submenus and notes), unless the entry's
    // data is one of our records: read as ours, the shell's data would be
    // taken for a label.
    if (message == WM_MEASUREITEM) {
        const auto* measure = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
        const bool ours = measure->itemID ? !CShellItemMenu::OwnsCommand(measure->itemID)
                                          : IsShortcutMenuItemData(measure->itemData);
        if (ours) return FALSE;
    }
    return shell->HandleMenuMessage(message, wParam, lParam, result);
}
