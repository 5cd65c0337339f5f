#include "controls/LinkStatic.h"

#include "framework/CWinApp.h"
#include "framework/Theme.h"
#include "shell/OpenPage.h"
#include "res/resource.h"

CString HyperlinkErrorText(int code)
{
    switch (code) {
    case 0: return L"The operating system is out\nof memory or resources.";
    case SE_ERR_FNF: return L"The specified file was not found.";
    case SE_ERR_PNF: return L"The specified path was not found.";
    case SE_ERR_ACCESSDENIED: return L"The operating system denied\naccess to the specified file.";
    case SE_ERR_OOM: return L"There was not enough memory to complete the operation.";
    case ERROR_BAD_FORMAT: return L"The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case SE_ERR_SHARE: return L"A sharing violation occurred. ";
    case SE_ERR_ASSOCINCOMPLETE: return L"The filename association is\nincomplete or invalid.";
    case SE_ERR_DDETIMEOUT: return L"The DDE transaction could not\nbe completed because the request timed out.";
    case SE_ERR_DDEFAIL: return L"The DDE transaction failed.";
    case SE_ERR_DDEBUSY:
        return L"The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
    case SE_ERR_NOASSOC: return L"There is no application associated\nwith the given filename extension.";
    case SE_ERR_DLLNOTFOUND: return L"The specified dynamic-link library was not found.";
    default: {
        CString text;
        text.Format(L"Unknown Error (%d) occurred.", code);
        return text;
    }
    }
}

BEGIN_MESSAGE_MAP(CLinkStatic, CStatic)
    ON_CONTROL_REFLECT(STN_CLICKED, OnClicked)
    ON_MESSAGE_REFLECT(WM_CTLCOLORSTATIC, OnControlColour)
    ON_MESSAGE(WM_SETCURSOR, OnSetCursor)
    ON_MESSAGE(WM_MOUSEMOVE, OnMouseMove)
END_MESSAGE_MAP()

CLinkStatic::CLinkStatic() : m_hoverColour(::GetSysColor(COLOR_HIGHLIGHT)) {}

CLinkStatic::~CLinkStatic()
{
    m_linkFont.DeleteObject();
}

void CLinkStatic::PreSubclassWindow()
{
    ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) | SS_NOTIFY);

    CString text = WindowText(m_hWnd);
    if (m_target.IsEmpty()) m_target = text;
    if (text.IsEmpty()) ::SetWindowTextW(m_hWnd, m_target);

    LOGFONTW description = {};
    ::GetObjectW(WindowFont(m_hWnd), sizeof(description), &description);
    description.lfUnderline = static_cast<BYTE>(m_underline);
    m_linkFont.CreateFontIndirect(&description);
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_linkFont.m_hObject), TRUE);

    FitToText();
    if (!m_cursor) m_cursor = AfxLoadCursor(IDC_HAND_CURSOR);

    m_tooltip.Create(this, 0);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    m_tooltip.AddTool(this, m_target, &client, 1);
}

void CLinkStatic::SetLinkTarget(const CString& target)
{
    m_target = target;
    if (!m_hWnd) return;
    FitToText();
    m_tooltip.UpdateTipText(m_target, this, 1);
}

void CLinkStatic::FitToText()
{
    if (!m_hWnd || !m_fitToText) return;
    RECT r;
    ::GetWindowRect(m_hWnd, &r);
    ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&r), 2);

    CString text = WindowText(m_hWnd);
    SIZE size = {};
    {
        WindowDC dc(m_hWnd);
        SelectedObject font(dc, m_linkFont.m_hObject);
        ::GetTextExtentPoint32W(dc, text, text.GetLength(), &size);
    }

    LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    if (style & SS_CENTERIMAGE)
        ::InflateRect(&r, 0, -((r.bottom - r.top) - size.cy) / 2);
    else
        r.bottom = r.top + size.cy;
    if ((style & SS_TYPEMASK) == SS_CENTER)
        ::InflateRect(&r, -((r.right - r.left) - size.cx) / 2, 0);
    else if ((style & SS_TYPEMASK) == SS_RIGHT)
        r.left = r.right - size.cx;
    else
        r.right = r.left + size.cx;
    ::SetWindowPos(m_hWnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
}

BOOL CLinkStatic::PreTranslateMessage(MSG* message)
{
    if (m_tooltip.m_hWnd) m_tooltip.RelayEvent(message);
    return CStatic::PreTranslateMessage(message);
}

// On a dark dialog the link takes the light blues browsers show in dark
// mode: the light mode's blue would hardly stand out from the background.
COLORREF CLinkStatic::CurrentColour() const
{
    constexpr COLORREF kDarkLink = RGB(153, 204, 255), kDarkVisited = RGB(204, 170, 255), kDarkHover = RGB(255, 255, 255);
    const bool dark = CurrentThemeColours().dark;
    if (m_hovering) return dark ? kDarkHover : m_hoverColour;
    if (m_visited) return dark ? kDarkVisited : m_visitedColour;
    return dark ? kDarkLink : m_linkColour;
}

// The address opens on the launch lane (its handler, then the .htm
// handler); when nothing can show it, a message says so.
BOOL CLinkStatic::OpenTarget()
{
    const std::wstring target = static_cast<LPCWSTR>(m_target);
    CString missing(L"Unable to open hyperlink:\n\n");
    missing += HyperlinkErrorText(SE_ERR_FNF);
    m_visited = QueueOpenPage(target, static_cast<LPCWSTR>(missing));
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return m_visited;
}

LRESULT CLinkStatic::OnClicked(WPARAM, LPARAM)
{
    OpenTarget();
    return 0;
}

LRESULT CLinkStatic::OnControlColour(WPARAM dc, LPARAM)
{
    ::SetTextColor(reinterpret_cast<HDC>(dc), CurrentColour());
    ::SetBkMode(reinterpret_cast<HDC>(dc), TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
}

LRESULT CLinkStatic::OnSetCursor(WPARAM, LPARAM)
{
    if (!m_cursor) return FALSE;
    ::SetCursor(m_cursor.Get());
    return TRUE;
}

void CLinkStatic::Redraw() { ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

LRESULT CLinkStatic::OnMouseMove(WPARAM, LPARAM lParam)
{
    Default();
    if (!m_hovering) {
        m_hovering = TRUE;
        Redraw();
        ::SetCapture(m_hWnd);
        return 0;
    }
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    POINT point = { static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)) };
    if (!::PtInRect(&client, point)) {
        m_hovering = FALSE;
        ::ReleaseCapture();
        Redraw();
    }
    return 0;
}
