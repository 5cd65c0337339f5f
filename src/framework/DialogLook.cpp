#include "framework/DialogLook.h"

#include <string>
#include <vector>

#include <commctrl.h>

#include "framework/CWnd.h"

namespace {

// Dark push buttons a step lighter than the dialog, as Windows 11's: the
// face at rest, under the pointer and pressed.
constexpr COLORREF kDarkFace = RGB(55, 55, 55), kDarkFaceHot = RGB(69, 69, 69), kDarkFacePushed = RGB(40, 40, 40);
constexpr UINT_PTR kListViewLook = 1, kMessageBoxLook = 2;
constexpr int kHeaderTextIndent = 6;  // at 96 DPI

bool HasClass(HWND window, LPCWSTR name)
{
    wchar_t found[32] = {};
    return ::GetClassNameW(window, found, ARRAYSIZE(found)) && lstrcmpiW(found, name) == 0;
}

bool IsPushButton(HWND window)
{
    if (!HasClass(window, WC_BUTTONW)) return false;
    const LONG type = ::GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

void Fill(HDC dc, const RECT& rect, COLORREF colour)
{
    UniqueBrush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rect, brush.Get());
}

// The bits of one of an icon's bitmaps, 32 bits a pixel, top row first.
std::vector<DWORD> PixelsOf(HDC dc, HBITMAP bitmap, int width, int height)
{
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    BITMAPINFO format = TopDownPixels(width, height);
    if (!bitmap || !::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &format, DIB_RGB_COLORS))
        pixels.clear();
    return pixels;
}

// The picture in shades of grey, faded, at its own size: what a disabled
// button shows. The system's embossed stand-in is a smear at 200 %.
void DrawGreyedIcon(HDC dc, const ICONINFO& icon, int x, int y, int width, int height)
{
    const std::vector<DWORD> colour = PixelsOf(dc, icon.hbmColor, width, height);
    const std::vector<DWORD> mask = PixelsOf(dc, icon.hbmMask, width, height);  // white is clear
    if (colour.empty() || mask.size() != colour.size()) return;
    bool hasAlpha = false;
    for (DWORD pixel : colour) hasAlpha = hasAlpha || (pixel >> 24) != 0;
    DWORD* pixels = nullptr;
    UniqueBitmap greyed = TopDownBitmap(width, height, pixels);
    UniqueMemoryDC memory(::CreateCompatibleDC(dc));
    if (!greyed || !memory) return;
    for (size_t i = 0; i < colour.size(); ++i) {
        const DWORD pixel = colour[i];
        const DWORD alpha = hasAlpha ? pixel >> 24 : ((mask[i] & 0xFFFFFF) ? 0 : 255);
        const DWORD grey = (((pixel >> 16) & 0xFF) * 30 + ((pixel >> 8) & 0xFF) * 59 + (pixel & 0xFF) * 11) / 100;
        // Lightened towards white and faded to two fifths, premultiplied.
        const DWORD faded = alpha * 2 / 5, level = (grey + 255) / 2 * faded / 255;
        pixels[i] = (faded << 24) | (level << 16) | (level << 8) | level;
    }
    SelectedObject use(memory.Get(), greyed.Get());
    const BLENDFUNCTION blend = { AC_SRC_OVER, 0, 255, AC_SRC_ALPHA };
    ::GdiAlphaBlend(dc, x, y, width, height, memory.Get(), 0, 0, width, height, blend);
}

// The button's picture (BS_ICON) centred, greyed when it is disabled.
void DrawButtonIcon(HDC dc, HWND button, const RECT& rect, bool disabled)
{
    const auto icon = reinterpret_cast<HICON>(::SendMessageW(button, BM_GETIMAGE, IMAGE_ICON, 0));
    ICONINFO info = {};
    if (!icon || !::GetIconInfo(icon, &info)) return;
    UniqueBitmap mask(info.hbmMask), colour(info.hbmColor);
    BITMAP bitmap = {};
    ::GetObjectW(info.hbmMask, sizeof(bitmap), &bitmap);
    const int width = bitmap.bmWidth, height = info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2;
    const int x = (rect.left + rect.right - width) / 2, y = (rect.top + rect.bottom - height) / 2;
    if (disabled)
        DrawGreyedIcon(dc, info, x, y, width, height);
    else
        ::DrawIconEx(dc, x, y, icon, width, height, 0, nullptr, DI_NORMAL);
}

}  // namespace

void CDialogLook::Take(HWND dialog)
{
    m_colours = CurrentThemeColours();
    m_dark = m_colours.dark;
    m_dialogBrush.Reset(m_dark ? ::CreateSolidBrush(m_colours.window) : nullptr);
    m_fieldBrush.Reset(m_dark ? ::CreateSolidBrush(m_colours.menu) : nullptr);
    // List views take their colours as settings, not from WM_CTLCOLOR*.
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!HasClass(child, WC_LISTVIEWW)) continue;
        ::SetWindowSubclass(child, ListViewProc, kListViewLook, reinterpret_cast<DWORD_PTR>(this));
        const COLORREF background = m_dark ? m_colours.menu : ::GetSysColor(COLOR_WINDOW);
        ::SendMessageW(child, LVM_SETBKCOLOR, 0, background);
        ::SendMessageW(child, LVM_SETTEXTBKCOLOR, 0, background);
        ::SendMessageW(child, LVM_SETTEXTCOLOR, 0, m_dark ? m_colours.menuText : ::GetSysColor(COLOR_WINDOWTEXT));
    }
    if (!(::GetWindowLongW(dialog, GWL_STYLE) & WS_CHILD)) FollowDarkModeInTitleBar(dialog, m_dark);
    ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

HBRUSH CDialogLook::ControlColour(UINT message, HDC dc) const
{
    if (!m_dark) return nullptr;
    // Fields (edits, lists) a step lighter than the dialog around them.
    const bool field = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
    ::SetTextColor(dc, m_colours.menuText);
    ::SetBkColor(dc, field ? m_colours.menu : m_colours.window);
    return field ? m_fieldBrush.Get() : m_dialogBrush.Get();
}

bool CDialogLook::CustomDraw(NMCUSTOMDRAW& draw, LRESULT* result) const
{
    if (draw.hdr.code != static_cast<UINT>(NM_CUSTOMDRAW) || !IsPushButton(draw.hdr.hwndFrom)) return false;
    return m_dark ? DrawButton(draw, result) : DrawDisabledPicture(draw, result);
}

// In the system's look, a disabled picture button keeps the system's frame
// and face; its picture is drawn again over the system's, greyed sharply.
bool CDialogLook::DrawDisabledPicture(const NMCUSTOMDRAW& draw, LRESULT* result) const
{
    const HWND button = draw.hdr.hwndFrom;
    if (!(::GetWindowLongW(button, GWL_STYLE) & BS_ICON) || ::IsWindowEnabled(button)) return false;
    if (draw.dwDrawStage == CDDS_PREPAINT) {
        *result = CDRF_NOTIFYPOSTPAINT;
        return true;
    }
    if (draw.dwDrawStage != CDDS_POSTPAINT) return false;
    RECT face = draw.rc;
    const int bevel = 2 * ::GetSystemMetrics(SM_CXEDGE);
    ::InflateRect(&face, -bevel, -bevel);
    ::FillRect(draw.hdc, &face, ::GetSysColorBrush(COLOR_BTNFACE));
    DrawButtonIcon(draw.hdc, button, draw.rc, true);
    *result = CDRF_DODEFAULT;
    return true;
}

bool CDialogLook::DrawHeader(NMCUSTOMDRAW& draw, LRESULT* result) const
{
    if (!m_dark) return false;
    if (draw.dwDrawStage == CDDS_PREPAINT) {
        // The header's empty part right of the last column.
        RECT rest;
        ::GetClientRect(draw.hdr.hwndFrom, &rest);
        const int count = static_cast<int>(::SendMessageW(draw.hdr.hwndFrom, HDM_GETITEMCOUNT, 0, 0));
        RECT last = {};
        if (count > 0 && ::SendMessageW(draw.hdr.hwndFrom, HDM_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last)))
            rest.left = last.right;
        Fill(draw.hdc, rest, m_colours.menu);
        *result = CDRF_NOTIFYITEMDRAW;
        return true;
    }
    if (draw.dwDrawStage != CDDS_ITEMPREPAINT) return false;
    RECT rect = draw.rc;
    Fill(draw.hdc, rect, m_colours.menu);
    RECT divider = { rect.right - 1, rect.top, rect.right, rect.bottom };
    Fill(draw.hdc, divider, m_colours.tipFrame);
    wchar_t text[128] = {};
    HDITEMW item = {};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = ARRAYSIZE(text);
    ::SendMessageW(draw.hdr.hwndFrom, HDM_GETITEMW, draw.dwItemSpec, reinterpret_cast<LPARAM>(&item));
    SelectedObject useFont(draw.hdc, WindowFont(draw.hdr.hwndFrom));
    ::SetBkMode(draw.hdc, TRANSPARENT);
    ::SetTextColor(draw.hdc, m_colours.menuText);
    rect.left += ::MulDiv(kHeaderTextIndent, ::GetDeviceCaps(draw.hdc, LOGPIXELSX), 96);
    ::DrawTextW(draw.hdc, text, -1, &rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    *result = CDRF_SKIPDEFAULT;
    return true;
}

LRESULT CALLBACK CDialogLook::ListViewProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR look)
{
    if (message == WM_NOTIFY) {
        auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(lParam);
        LRESULT result = 0;
        if (draw->hdr.code == static_cast<UINT>(NM_CUSTOMDRAW) &&
            draw->hdr.hwndFrom == reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0)) &&
            reinterpret_cast<const CDialogLook*>(look)->DrawHeader(*draw, &result))
            return result;
    } else if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(list, ListViewProc, kListViewLook);
    }
    return ::DefSubclassProc(list, message, wParam, lParam);
}

bool CDialogLook::DrawButton(const NMCUSTOMDRAW& draw, LRESULT* result) const
{
    *result = CDRF_DODEFAULT;
    if (draw.dwDrawStage != CDDS_PREPAINT) return true;
    const HWND button = draw.hdr.hwndFrom;
    const HDC dc = draw.hdc;
    const LRESULT state = ::SendMessageW(button, BM_GETSTATE, 0, 0);
    const LONG style = ::GetWindowLongW(button, GWL_STYLE);
    const bool pushed = state & BST_PUSHED, hot = state & BST_HOT, disabled = !::IsWindowEnabled(button);
    const bool isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    const LRESULT cues = ::SendMessageW(button, WM_QUERYUISTATE, 0, 0);

    // The frame: the accent colour on the default button, as Windows marks it.
    RECT rect = draw.rc;
    Fill(dc, rect, isDefault && !disabled ? m_colours.highlight : m_colours.tipFrame);
    ::InflateRect(&rect, isDefault && !disabled ? -2 : -1, isDefault && !disabled ? -2 : -1);
    Fill(dc, rect, pushed ? kDarkFacePushed : hot ? kDarkFaceHot : kDarkFace);
    RECT content = rect;
    if (pushed) ::OffsetRect(&content, 1, 1);

    if (style & BS_ICON) {
        DrawButtonIcon(dc, button, content, disabled);
    } else {
        const std::wstring label = static_cast<LPCWSTR>(WindowText(button));
        SelectedObject useFont(dc, WindowFont(button));
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, disabled ? m_colours.grayText : m_colours.menuText);
        UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        if (cues & UISF_HIDEACCEL) format |= DT_HIDEPREFIX;
        ::DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &content, format);
    }
    if (::GetFocus() == button && !(cues & UISF_HIDEFOCUS)) {
        RECT focus = rect;
        ::InflateRect(&focus, -2, -2);
        ::SetTextColor(dc, m_colours.menuText);
        ::SetBkColor(dc, kDarkFace);
        ::DrawFocusRect(dc, &focus);
    }
    *result = CDRF_SKIPDEFAULT;
    return true;
}

bool ChangesTheLook(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_SETTINGCHANGE) return message == WM_SYSCOLORCHANGE || message == WM_THEMECHANGED;
    return IsColourSetChange(lParam) || wParam == SPI_SETHIGHCONTRAST;
}

namespace {

// A message box's own messages first: its colours, its buttons' drawing,
// a change of the look while it shows.
LRESULT CALLBACK MessageBoxLookProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR data)
{
    auto* look = reinterpret_cast<CDialogLook*>(data);
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        if (HBRUSH brush = look->ControlColour(message, reinterpret_cast<HDC>(wParam)))
            return reinterpret_cast<LRESULT>(brush);
    } else if (message == WM_NOTIFY) {
        LRESULT result = 0;
        if (look->CustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(lParam), &result)) return result;
    } else if (message == WM_ERASEBKGND && look->IsDark()) {
        RECT client;
        ::GetClientRect(box, &client);
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, look->ControlColour(WM_CTLCOLORDLG, reinterpret_cast<HDC>(wParam)));
        return TRUE;
    } else if (ChangesTheLook(message, wParam, lParam)) {
        look->Take(box);
    } else if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(box, MessageBoxLookProc, kMessageBoxLook);
        delete look;
    }
    return ::DefSubclassProc(box, message, wParam, lParam);
}

}  // namespace

void FollowLookInMessageBox(HWND box)
{
    auto* look = new CDialogLook;  // deleted when the box is destroyed
    if (!::SetWindowSubclass(box, MessageBoxLookProc, kMessageBoxLook, reinterpret_cast<DWORD_PTR>(look))) {
        delete look;
        return;
    }
    look->Take(box);
}
