#include "controls/TipWindow.h"

#include "framework/CWinApp.h"
#include "framework/SystemFonts.h"

namespace {

const wchar_t kTipClass[] = L"Quillop.TipWindow";
constexpr UINT kShowFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOCOPYBITS;

bool SameFont(const LOGFONTW& a, const LOGFONTW& b)
{
    return a.lfWeight == b.lfWeight && a.lfItalic == b.lfItalic && a.lfHeight == b.lfHeight &&
           a.lfCharSet == b.lfCharSet && lstrcmpW(a.lfFaceName, b.lfFaceName) == 0;
}

bool ReadStatusFont(LOGFONTW& font)
{
    NONCLIENTMETRICSW metrics;
    if (!ReadNonClientMetrics(metrics)) return false;
    font = metrics.lfStatusFont;
    return true;
}

bool IsHidingMessage(UINT message)
{
    switch (message) {
    case WM_NCLBUTTONDOWN: case WM_NCLBUTTONDBLCLK: case WM_NCRBUTTONDOWN: case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN: case WM_NCMBUTTONDBLCLK: case WM_LBUTTONDBLCLK: case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK:
        return true;
    default:
        return message >= WM_KEYDOWN && message < WM_UNICHAR;  // the key messages, up to 0x0108
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CTipWindow, CWnd)
    ON_MESSAGE(WM_PAINT, OnPaint)
    ON_MESSAGE(WM_TIMER, OnTimer)
    ON_MESSAGE(WM_LBUTTONDOWN, OnLeftButtonDown)
    ON_MESSAGE(WM_LBUTTONUP, OnLeftButtonUp)
    ON_MESSAGE(WM_SETFOCUS, OnSetFocus)
    ON_MESSAGE(WM_MOUSEACTIVATE, OnMouseActivate)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_MESSAGE(WM_SETTINGCHANGE, OnSettingChange)
    ON_MESSAGE(WM_SETFONT, OnSetFont)
    ON_MESSAGE(WM_GETFONT, OnGetFont)
END_MESSAGE_MAP()

CTipWindow::CTipWindow() { ReadStatusFont(m_logicalFont); }

CTipWindow::~CTipWindow()
{
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

BOOL CTipWindow::Create(CWnd* owner)
{
    m_owner = owner;
    RegisterFrameworkClass(kTipClass, CS_SAVEBITS | CS_CLASSDC, ::LoadCursorW(nullptr, IDC_ARROW));
    if (!CreateEx(WS_EX_TOPMOST, kTipClass, L"", WS_POPUP, 0, 0, 10, 10, OwnerWindow(), nullptr)) return 0;
    LoadStatusFont();
    return 1;
}

BOOL CTipWindow::AddTool(CWnd* window, LPCWSTR text, const RECT* rect, UINT id)
{
    if (!window || !window->m_hWnd) return 0;
    auto tool = std::make_unique<TipTool>();
    tool->window = window->m_hWnd;
    tool->id = id;
    if (text == LPSTR_TEXTCALLBACKW)
        tool->callbackMarker = -1;
    else
        tool->text = text;
    tool->wrapWidth = m_defaultWrapWidth;
    tool->textColour = m_defaultTextColour;
    tool->backgroundColour = m_defaultBackground;
    RECT area;
    if (rect) {
        area = *rect;
        ::MapWindowPoints(tool->window, nullptr, reinterpret_cast<POINT*>(&area), 2);
    } else {
        ::GetWindowRect(tool->window, &area);
    }
    ::MapWindowPoints(nullptr, OwnerWindow(), reinterpret_cast<POINT*>(&area), 2);
    tool->rect = area;
    m_tools.push_back(std::move(tool));
    return 1;
}

void CTipWindow::Hide()
{
    if (m_hWnd) ::ShowWindow(m_hWnd, SW_HIDE);
    m_suppressed = TRUE;
    m_currentTool = nullptr;
}

void CTipWindow::Arm(TipTool* tool)
{
    ::KillTimer(m_hWnd, kDelayTimer);
    ::KillTimer(m_hWnd, kPollTimer);
    ::ShowWindow(m_hWnd, SW_HIDE);
    m_suppressed = FALSE;
    m_currentTool = tool;
    ::SetTimer(m_hWnd, kDelayTimer, m_initialDelay, nullptr);
}

bool CTipWindow::CursorOverVisibleTip() const
{
    if (m_suppressed || !::IsWindowVisible(m_hWnd)) return false;
    POINT cursor;
    RECT tip;
    ::GetCursorPos(&cursor);
    ::GetWindowRect(m_hWnd, &tip);
    return ::PtInRect(&tip, cursor) != FALSE;
}

TipTool* CTipWindow::ToolAt(POINT screen)
{
    if (::WindowFromPoint(screen) != OwnerWindow()) return nullptr;
    POINT client = screen;
    ::ScreenToClient(OwnerWindow(), &client);
    TipToolInfo info = {};
    if (!HitTest(m_owner, client.x, client.y, &info)) return nullptr;
    for (const auto& tool : m_tools)
        if (tool->window == info.window) return tool.get();
    return nullptr;
}

bool CTipWindow::CursorOnCurrentTool()
{
    POINT cursor;
    ::GetCursorPos(&cursor);
    ::ScreenToClient(OwnerWindow(), &cursor);
    return m_currentTool && HitTest(CWnd::FromHandle(m_currentTool->window), cursor.x, cursor.y, nullptr);
}

void CTipWindow::RelayEvent(MSG* message)
{
    if (!m_hWnd) return;
    if (IsHidingMessage(message->message)) {
        Hide();
    } else if (message->message == WM_LBUTTONDOWN) {
        if (!CursorOverVisibleTip()) Hide();
    } else if (message->message == WM_MOUSEMOVE) {
        TipTool* found = ToolAt(message->pt);
        if (found && m_currentTool) {
            if (!CursorOverVisibleTip() && found != m_currentTool) Arm(found);
        } else if (found) {
            Arm(found);
        } else if (m_suppressed) {
            m_currentTool = nullptr;
        }
    }
}

BOOL CTipWindow::HitTest(CWnd* window, int x, int y, TipToolInfo* info)
{
    if (!window || !window->m_hWnd || m_tools.empty()) return 0;
    TipTool* tool = nullptr;
    for (const auto& candidate : m_tools) {
        if (candidate->window == window->m_hWnd || ::IsChild(candidate->window, window->m_hWnd)) {
            tool = candidate.get();
            break;
        }
    }
    if (!tool) return 0;
    if (info) {
        info->size = sizeof(TipToolInfo);
        info->window = tool->window;
        info->id = tool->id;
        info->rect = tool->rect;
        info->instance = AfxGetResourceHandle();
        info->text = tool->callbackMarker == -1 ? LPSTR_TEXTCALLBACKW : static_cast<LPCWSTR>(tool->text);
        info->reserved = tool->reserved;
        info->wrapWidth = tool->wrapWidth;
        info->textColour = tool->textColour;
        info->backgroundColour = tool->backgroundColour;
    }
    POINT point = { x, y };
    POINT screen = point;
    ::ClientToScreen(OwnerWindow(), &screen);
    HWND owner = OwnerWindow();
    if (::WindowFromPoint(screen) != owner) return 0;
    if (owner != tool->window && !::IsChild(tool->window, owner)) return 0;
    return ::PtInRect(&tool->rect, point);
}

CString CTipWindow::GetToolText(TipTool* tool)
{
    CString text;
    if (!tool) return text;
    if (tool->callbackMarker == -1) {
        NMTTDISPINFOW request = {};
        request.hdr.hwndFrom = m_hWnd;
        request.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(tool->window));
        request.hdr.code = TTN_NEEDTEXTW;
        ::SendMessageW(OwnerWindow(), WM_NOTIFY, tool->id, reinterpret_cast<LPARAM>(&request));
        if (request.hinst) {
            wchar_t loaded[512] = {};
            ::LoadStringW(request.hinst, static_cast<UINT>(reinterpret_cast<UINT_PTR>(request.lpszText)), loaded, 512);
            text = loaded;
        } else if (request.lpszText) {
            text = request.lpszText;
        } else {
            text = request.szText;
        }
    } else {
        text = tool->text;
    }
    int carriageReturn = text.Find(L'\r');
    m_hasLongForm = carriageReturn >= 0;
    if (!m_hasLongForm) return text;
    if (!m_expanded) return text.Left(carriageReturn) + L"  ";
    CString longForm = text.Mid(carriageReturn + 1);
    int second = longForm.Find(L'\r');
    if (second >= 0) longForm.Truncate(second);
    return CString(L"  ") + longForm;
}

void CTipWindow::ShowAt(POINT anchor)
{
    CString text = GetToolText(m_currentTool);
    if (text.IsEmpty()) return;
    RECT size, placed;
    Measure(&size, text, m_currentTool->wrapWidth);
    Position(&placed, &anchor, m_currentTool, &size);
    ::ShowWindow(m_hWnd, SW_HIDE);
    ::SetWindowPos(m_hWnd, nullptr, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top,
                   kShowFlags);
}

LRESULT CTipWindow::OnTimer(WPARAM timer, LPARAM)
{
    if (!m_currentTool || m_suppressed) {
        ::KillTimer(m_hWnd, timer);
        Hide();
        return 0;
    }
    if (timer == kDelayTimer) {
        ::KillTimer(m_hWnd, kDelayTimer);
        if (!CursorOnCurrentTool()) return 0;  // the tool stays current
        POINT anchor;
        ::GetCursorPos(&anchor);
        anchor.x += m_pointerOffset.x;
        anchor.y += m_pointerOffset.y;
        if (m_active) {
            m_expanded = FALSE;
            ShowAt(anchor);
        }
        m_shownTime = 0;
        ::SetTimer(m_hWnd, kPollTimer, m_pollPeriod, nullptr);
    } else if (timer == kPollTimer) {
        m_shownTime += m_pollPeriod;
        POINT cursor;
        ::GetCursorPos(&cursor);
        TipTool* found = ToolAt(cursor);
        if (found && found != m_currentTool) {
            ::KillTimer(m_hWnd, kPollTimer);
            Hide();
        } else if (!(CursorOnCurrentTool() && m_shownTime < m_autoHideTime) && !CursorOverVisibleTip()) {
            // A tip under the pointer outlives the auto-hide time.
            ::KillTimer(m_hWnd, kPollTimer);
            Hide();
        }
    }
    return 0;
}

LRESULT CTipWindow::OnLeftButtonDown(WPARAM, LPARAM)
{
    if (!m_currentTool || m_suppressed) return 0;
    if (m_hasLongForm && m_active) {
        RECT window;
        ::GetWindowRect(m_hWnd, &window);
        m_expanded = !m_expanded;
        ShowAt({ window.left, window.top });
    }
    if (m_focusToRestore) ::SetFocus(m_focusToRestore);
    return 0;
}

LRESULT CTipWindow::OnLeftButtonUp(WPARAM, LPARAM) { return Default(); }

LRESULT CTipWindow::OnSetFocus(WPARAM lostFocus, LPARAM)
{
    Default();
    m_focusToRestore = reinterpret_cast<HWND>(lostFocus);
    return 0;
}

LRESULT CTipWindow::OnMouseActivate(WPARAM, LPARAM) { return MA_NOACTIVATE; }

LRESULT CTipWindow::OnDestroy(WPARAM, LPARAM)
{
    ::KillTimer(m_hWnd, kDelayTimer);
    ::KillTimer(m_hWnd, kPollTimer);
    return Default();
}

LRESULT CTipWindow::OnSettingChange(WPARAM, LPARAM)
{
    Default();
    if (m_usesSystemFont) {
        LoadStatusFont();
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    }
    return 0;
}

LRESULT CTipWindow::OnSetFont(WPARAM font, LPARAM)
{
    Default();
    LOGFONTW description;
    if (font && ::GetObjectW(reinterpret_cast<HFONT>(font), sizeof(description), &description) == sizeof(description)) {
        m_logicalFont = description;
        LOGFONTW status;
        m_usesSystemFont = ReadStatusFont(status) && SameFont(description, status);
        MakeFont();
    } else {
        LoadStatusFont();
    }
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return 0;
}

LRESULT CTipWindow::OnGetFont(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(m_font.m_hObject); }

void CTipWindow::LoadStatusFont()
{
    LOGFONTW status;
    if (!ReadStatusFont(status)) return;
    m_logicalFont = status;
    m_usesSystemFont = TRUE;
    MakeFont();
}

void CTipWindow::MakeFont() { m_font.CreateFontIndirect(&m_logicalFont); }
