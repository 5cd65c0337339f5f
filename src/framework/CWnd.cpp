#include "framework/CWnd.h"

#include <algorithm>
#include <unordered_map>

#include "framework/CMenu.h"
#include "framework/CWinApp.h"

namespace {

// The framework object of each window attached to one. A map of the
// program's own rather than a window property: every message looks its
// window up, and a property is a server round trip under Wine.
std::unordered_map<HWND, CWnd*>& AttachedWindows()
{
    static std::unordered_map<HWND, CWnd*> windows;
    return windows;
}

// The object whose window CreateEx is creating: it is attached on the
// window's first message.
CWnd* gObjectBeingCreated = nullptr;

bool IsControlColorMessage(UINT message)
{
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

}  // namespace

const MessageMap* CWnd::GetThisMessageMap()
{
    static const MessageEntry entries[] = { { MessageKind::End, 0, 0, nullptr, nullptr, nullptr } };
    static const MessageMap map = { nullptr, entries };
    return &map;
}

const MessageMap* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

HFONT WindowFont(HWND window)
{
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

CString WindowText(HWND window)
{
    CString text;
    int length = ::GetWindowTextLengthW(window);
    ::GetWindowTextW(window, text.GetBuffer(length), length + 1);
    text.ReleaseBuffer();
    return text;
}

CWnd::~CWnd()
{
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    if (m_hWnd) Detach();
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    auto found = AttachedWindows().find(hwnd);
    return found == AttachedWindows().end() ? nullptr : found->second;
}

void CWnd::Attach(HWND hwnd, WNDPROC previous)
{
    m_hWnd = hwnd;
    m_previousProc = previous;
    AttachedWindows()[hwnd] = this;
}

HWND CWnd::Detach()
{
    HWND hwnd = m_hWnd;
    if (hwnd) AttachedWindows().erase(hwnd);
    m_hWnd = nullptr;
    m_previousProc = nullptr;
    return hwnd;
}

BOOL CWnd::RegisterFrameworkClass(LPCWSTR className, UINT classStyle, HCURSOR cursor)
{
    WNDCLASSW existing;
    if (::GetClassInfoW(AfxGetInstanceHandle(), className, &existing)) return TRUE;
    WNDCLASSW wc = {};
    wc.style = classStyle;
    wc.lpfnWndProc = FrameworkWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = cursor;
    wc.lpszClassName = className;
    return ::RegisterClassW(&wc) != 0;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU idOrMenu)
{
    gObjectBeingCreated = this;
    HWND hwnd = ::CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent,
                                  idOrMenu, AfxGetInstanceHandle(), nullptr);
    gObjectBeingCreated = nullptr;
    return hwnd != nullptr;
}

BOOL CWnd::SubclassWindow(HWND hwnd)
{
    if (!hwnd || m_hWnd || FromHandle(hwnd)) return FALSE;
    Attach(hwnd, nullptr);
    PreSubclassWindow();
    m_previousProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameworkWndProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    return parent && SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow()
{
    if (m_hWnd && m_previousProc)
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
    return Detach();
}

namespace {

RECT WorkAreaOf(HMONITOR monitor)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(monitor, &info);
    return info.rcWork;
}

// Moves the window so that its centre is that of around, then back inside
// the work area where it would stand out.
void PlaceCentred(HWND window, const RECT& around, const RECT& work)
{
    RECT r;
    ::GetWindowRect(window, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    int x = (around.left + around.right - width) / 2;
    int y = (around.top + around.bottom - height) / 2;
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

RECT WorkAreaAt(POINT point) { return WorkAreaOf(::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST)); }

void CWnd::CenterOnPointerMonitor() const
{
    POINT pointer;
    ::GetCursorPos(&pointer);
    RECT work = WorkAreaAt(pointer);
    PlaceCentred(m_hWnd, work, work);
}

void CWnd::CenterAt(POINT at) const
{
    const RECT around = { at.x, at.y, at.x, at.y };
    PlaceCentred(m_hWnd, around, WorkAreaAt(at));
}

void CWnd::CenterOver(HWND other) const
{
    RECT around;
    ::GetWindowRect(other, &around);
    PlaceCentred(m_hWnd, around, WorkAreaOf(::MonitorFromWindow(other, MONITOR_DEFAULTTONEAREST)));
}

SIZE CWnd::OverflowOfWorkArea() const
{
    RECT window, work = WorkAreaOf(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST));
    ::GetWindowRect(m_hWnd, &window);
    const LONG width = window.right - window.left, height = window.bottom - window.top;
    return { width > work.right - work.left ? width - (work.right - work.left) : 0,
             height > work.bottom - work.top ? height - (work.bottom - work.top) : 0 };
}

void CWnd::ShowInTaskbar() const
{
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) | WS_EX_APPWINDOW);
}

BOOL CWnd::DestroyWindow() { return m_hWnd && ::DestroyWindow(m_hWnd); }

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CALLBACK CWnd::FrameworkWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandle(hwnd);
    if (!wnd && gObjectBeingCreated) {
        wnd = gObjectBeingCreated;
        gObjectBeingCreated = nullptr;
        wnd->Attach(hwnd, ::DefWindowProcW);
    }
    if (!wnd) return ::DefWindowProcW(hwnd, message, wParam, lParam);

    CurrentMessage saved = wnd->m_current;
    wnd->m_current = { message, wParam, lParam };
    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    wnd->m_current = saved;
    if (message == WM_NCDESTROY) wnd->HandleNcDestroy();
    return result;
}

void CWnd::HandleNcDestroy()
{
    UnsubclassWindow();
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) {
        // Closing the main window ends the application's message loop.
        app->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    PostNcDestroy();
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Dispatch(message, wParam, lParam, &result)) return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_previousProc) return ::CallWindowProcW(m_previousProc, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam); }

LRESULT CWnd::Call(const MessageEntry& entry, WPARAM wParam, LPARAM lParam)
{
    return entry.adapter ? entry.adapter(this, wParam, lParam) : (this->*entry.handler)(wParam, lParam);
}

const MessageEntry* CWnd::FindEntry(MessageKind kind, UINT message, UINT id) const
{
    for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (const MessageEntry* e = map->entries; e->kind != MessageKind::End; ++e) {
            if (e->kind != kind) continue;
            switch (kind) {
            case MessageKind::RegisteredMessage:
                if (*e->registeredId == message) return e;
                break;
            case MessageKind::Command:
                if (e->id == id) return e;
                break;
            case MessageKind::Notify:
                if (e->message == message && (e->id == id || e->id == kAnyControl)) return e;
                break;
            default:
                if (e->message == message) return e;
                break;
            }
        }
    }
    return nullptr;
}

BOOL CWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_COMMAND) return DispatchCommand(wParam, lParam, result);
    if (message == WM_NOTIFY) return DispatchNotify(wParam, lParam, result);
    if (IsControlColorMessage(message) &&
        ReflectToChild(reinterpret_cast<HWND>(lParam), message, wParam, lParam, result))
        return TRUE;

    const MessageEntry* entry = FindEntry(MessageKind::Message, message, 0);
    if (!entry) entry = FindEntry(MessageKind::RegisteredMessage, message, 0);
    if (entry) {
        *result = Call(*entry, wParam, lParam);
        return TRUE;
    }

    if (message == WM_DRAWITEM) {
        // A menu entry is drawn by the menu object registered under its
        // menu handle; a control's entry by the control itself.
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (draw->CtlType == ODT_MENU) {
            CMenu* menu = CMenu::FromHandle(reinterpret_cast<HMENU>(draw->hwndItem));
            if (!menu) return FALSE;
            menu->DrawItem(draw);
            *result = TRUE;
            return TRUE;
        }
        return ReflectToChild(draw->hwndItem, message, wParam, lParam, result);
    }
    return FALSE;
}

BOOL CWnd::DispatchCommand(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    HWND control = reinterpret_cast<HWND>(lParam);
    if (control && ReflectToChild(control, WM_COMMAND, wParam, lParam, result)) return TRUE;
    UINT code = HIWORD(wParam);
    if (code != 0 && code != 1) return FALSE;  // menu, accelerator or BN_CLICKED only
    const MessageEntry* entry = FindEntry(MessageKind::Command, 0, LOWORD(wParam));
    if (!entry) return FALSE;
    *result = Call(*entry, wParam, lParam);
    return TRUE;
}

BOOL CWnd::DispatchNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header) return FALSE;
    if (ReflectToChild(header->hwndFrom, WM_NOTIFY, wParam, lParam, result)) return TRUE;
    const MessageEntry* entry =
        FindEntry(MessageKind::Notify, header->code, static_cast<UINT>(header->idFrom));
    if (!entry) return FALSE;
    *result = Call(*entry, wParam, lParam);
    return TRUE;
}

BOOL CWnd::ReflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    CWnd* control = FromHandle(child);
    return control && control->OnChildNotify(message, wParam, lParam, result);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    const MessageEntry* entry = nullptr;
    if (message == WM_COMMAND)
        entry = FindEntry(MessageKind::CommandReflect, HIWORD(wParam), 0);
    else if (message == WM_NOTIFY)
        entry = FindEntry(MessageKind::NotifyReflect, reinterpret_cast<NMHDR*>(lParam)->code, 0);
    else
        entry = FindEntry(MessageKind::MessageReflect, message, 0);
    if (!entry) return FALSE;
    CurrentMessage saved = m_current;
    m_current = { message, wParam, lParam };
    *result = Call(*entry, wParam, lParam);
    m_current = saved;
    return TRUE;
}
