// The Find window's parts: the edit field and the list, which hand their
// changes to the window, and the rows the window draws.
#include "find/FindWindow.h"

#include "framework/Dpi.h"
#include "framework/Theme.h"
#include "menu/IconCache.h"

BEGIN_MESSAGE_MAP(CFindEdit, CWnd)
    ON_CONTROL_REFLECT(EN_CHANGE, OnChange)
END_MESSAGE_MAP()

LRESULT CFindEdit::OnChange(WPARAM, LPARAM)
{
    TheFindWindow().Search();
    return 0;
}

BEGIN_MESSAGE_MAP(CFindList, CWnd)
    ON_CONTROL_REFLECT(LBN_SELCHANGE, OnSelectionChange)
    ON_CONTROL_REFLECT(LBN_SETFOCUS, OnFocus)
END_MESSAGE_MAP()

// Only a click changes the list's selection itself (the keys move it from
// the edit field): a click opens the result.
LRESULT CFindList::OnSelectionChange(WPARAM, LPARAM)
{
    TheFindWindow().OpenSelected();
    return 0;
}

LRESULT CFindList::OnFocus(WPARAM, LPARAM)
{
    TheFindWindow().KeepTypingInTheEdit();
    return 0;
}

// A row: the icon, the name, and the folder in grey after it.
LRESULT CFindWindow::OnDrawItem(WPARAM, LPARAM lParam)
{
    auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (draw->CtlType != ODT_LISTBOX) return ToShellMenu(WM_DRAWITEM, 0, lParam);
    const int row = static_cast<int>(draw->itemID);
    if (row < 0 || row >= static_cast<int>(m_results.shown.size())) return TRUE;
    const FoundEntry& found = m_results.shown[static_cast<size_t>(row)];
    const ThemeColours colours = CurrentThemeColours();
    const bool selected = (draw->itemState & ODS_SELECTED) != 0;
    HDC dc = draw->hDC;
    RECT r = draw->rcItem;
    UniqueBrush fill(::CreateSolidBrush(selected ? colours.highlight : m_backgroundColour));
    ::FillRect(dc, &r, fill.Get());
    const int iconSize = TheIconCache().GetIconSize();
    const int image = row < static_cast<int>(m_images.size()) ? m_images[static_cast<size_t>(row)] : -1;
    r.left += ScaleToDpi(2);
    if (image >= 0)
        ::ImageList_Draw(TheIconCache().GetImageList(), image, dc, r.left, r.top + (r.bottom - r.top - iconSize) / 2,
                         ILD_TRANSPARENT);
    r.left += iconSize + ScaleToDpi(6);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, selected ? colours.highlightText : m_text);
    RECT measured = r;
    ::DrawTextW(dc, found.name.c_str(), -1, &measured, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    ::DrawTextW(dc, found.name.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (!found.folder.empty()) {
        r.left = measured.right + ScaleToDpi(12);
        ::SetTextColor(dc, selected ? colours.highlightText : m_grayText);
        ::DrawTextW(dc, found.folder.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS);
    }
    ::SetBkMode(dc, oldMode);
    return TRUE;
}

