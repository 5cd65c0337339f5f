// The tip window's drawing: measuring a text, placing the tip on the
// screen, and painting it.
#include "controls/TipWindow.h"

#include "framework/Theme.h"

#include <algorithm>

namespace {

// A tool's own colour, or the tip colour of the light, dark or high-contrast
// look in force.
COLORREF Resolve(COLORREF colour, COLORREF themeColour) { return colour == kSystemTipColour ? themeColour : colour; }

}  // namespace

RECT* CTipWindow::Measure(RECT* out, const CString& text, int wrapWidth)
{
    WindowDC dc(nullptr);
    SelectedObject font(dc, m_font.m_hObject);
    int width = wrapWidth;
    if (width == 0) {
        // Automatic: as wide as the widest line, with room for the triangle.
        int start = 0;
        for (;;) {
            int end = text.Find(L'\n', start);
            CString line = (end < 0 ? text.Mid(start) : text.Mid(start, end - start)) + L"  ";
            SIZE size = {};
            ::GetTextExtentPoint32W(dc, line, line.GetLength(), &size);
            if (size.cx > width) width = size.cx;
            if (end < 0) break;
            start = end + 1;
        }
    }
    *out = { 0, 0, width > 0 ? width : 0, 0 };
    ::DrawTextW(dc, text, -1, out, m_drawFlags | DT_CALCRECT);
    out->right += m_margins.left + m_margins.right;
    out->bottom += m_margins.top + m_margins.bottom;
    return out;
}

RECT* CTipWindow::Position(RECT* out, const POINT* at, TipTool* tool, const RECT* size)
{
    *out = *size;
    ::OffsetRect(out, at->x - size->left, at->y - size->top);
    int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    if (out->right > screenWidth) ::OffsetRect(out, screenWidth - out->right, 0);
    if (out->left < 0) ::OffsetRect(out, -out->left, 0);
    if (out->bottom > screenHeight && tool) {
        // Above the tool window instead.
        RECT toolWindow;
        ::GetWindowRect(tool->window, &toolWindow);
        ::OffsetRect(out, 0, toolWindow.top - out->bottom);
    }
    return out;
}

LRESULT CTipWindow::OnPaint(WPARAM, LPARAM)
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    CString text = GetToolText(m_currentTool);
    if (m_currentTool && !text.IsEmpty()) PaintTip(dc, text);
    ::EndPaint(m_hWnd, &paint);
    return 0;
}

// The text on its background in a frame, and, for a text with a
// long form, the triangle that says which form shows.
void CTipWindow::PaintTip(HDC dc, const CString& text)
{
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const ThemeColours theme = CurrentThemeColours();
    UniqueBrush background(::CreateSolidBrush(Resolve(m_currentTool->backgroundColour, theme.tip)));
    ::FillRect(dc, &client, background.Get());
    ::SetTextColor(dc, Resolve(m_currentTool->textColour, theme.tipText));
    SelectedObject font(dc, m_font.m_hObject);
    UniquePen framePen(::CreatePen(PS_SOLID, 1, theme.tipFrame));
    SelectedObject pen(dc, framePen.Get());
    SelectedObject hollow(dc, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(dc, client.left, client.top, client.right, client.bottom);
    ::SetBkMode(dc, TRANSPARENT);
    RECT inner = { client.left + m_margins.left, client.top + m_margins.top, client.right - m_margins.right,
                   client.bottom - m_margins.bottom };
    ::DrawTextW(dc, text, -1, &inner, m_drawFlags);
    if (m_hasLongForm) PaintTriangle(dc, inner);
}

void CTipWindow::PaintTriangle(HDC dc, const RECT& inner) const
{
    TEXTMETRICW metrics;
    ::GetTextMetricsW(dc, &metrics);
    int inset = std::max(metrics.tmInternalLeading + metrics.tmExternalLeading, metrics.tmDescent);
    int half = metrics.tmAveCharWidth / 2;
    SIZE spaces;
    ::GetTextExtentPoint32W(dc, L"  ", 2, &spaces);
    const int ext = spaces.cx, h = spaces.cy & ~1;
    POINT triangle[4];
    if (!m_expanded) {  // pointing right at the end of the first line
        triangle[0] = { inner.right - ext + half, inner.top + inset };
        triangle[1] = { inner.right, inner.top + h / 2 };
        triangle[2] = { inner.right - ext + half, inner.top + h - inset };
    } else {  // pointing left at its start
        triangle[0] = { inner.left + ext - half, inner.top + inset };
        triangle[1] = { inner.left, inner.top + h / 2 };
        triangle[2] = { inner.left + ext - half, inner.top + h - inset };
    }
    triangle[3] = triangle[0];
    UniqueBrush textColour(::CreateSolidBrush(::GetTextColor(dc)));  // black in the light look
    SelectedObject fill(dc, textColour.Get());
    ::Polygon(dc, triangle, 4);
}
