// The Find window's parts: the edit field and the list, which hand their
// changes to the window, and the rows the window draws.
#include "find/FindWindow.h"

#include <algorithm>

#include "framework/Dpi.h"
#include "framework/Keyboard.h"
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
END_MESSAGE_MAP()

// A click opens the result it selects (the window moves the selection for
// the keys itself).
LRESULT CFindList::OnSelectionChange(WPARAM, LPARAM)
{
    if (IsKeyDown(VK_LBUTTON)) TheFindWindow().OpenRow(TheFindWindow().Selection());
    return 0;
}

namespace {

// A document's extension (".txt"), shown in grey after its name; "" for a
// folder and for what the shell runs, whose names say enough.
std::wstring DocumentExtension(const FoundEntry& found)
{
    if (found.isFolder || !found.entry || found.entry->name.size() <= found.name.size()) return std::wstring();
    const std::wstring extension = found.entry->name.substr(found.name.size());
    for (const wchar_t* runs : { L".exe", L".com", L".lnk", L".url", L".bat", L".cmd", L".msc", L".cpl", L".pif" })
        if (lstrcmpiW(extension.c_str(), runs) == 0) return std::wstring();
    return extension;
}

// The list's font in bold, made again only when the list's font changes
// (its size follows the DPI).
HFONT BoldFontOf(HFONT regular)
{
    static UniqueFont bold;
    static HFONT madeFrom = nullptr;
    if (!bold || regular != madeFrom) {
        LOGFONTW font = {};
        ::GetObjectW(regular, sizeof(font), &font);
        font.lfWeight = FW_BOLD;
        bold.Reset(::CreateFontIndirectW(&font));
        madeFrom = regular;
    }
    return bold.Get();
}

// The name in pieces, the letters that matched the query in bold: why the
// row is there. It ends in "..." at the row's end. Returns where it ended.
int DrawName(HDC dc, const FoundEntry& found, const RECT& row)
{
    HFONT regular = static_cast<HFONT>(::GetCurrentObject(dc, OBJ_FONT));
    HFONT bold = BoldFontOf(regular);
    const std::wstring& name = found.name;
    int x = row.left;
    size_t run = 0;
    for (size_t at = 0; at < name.size() && x < row.right;) {
        const bool isBold = run < found.bold.size() && found.bold[run].first == at;
        const size_t end = isBold ? std::min<size_t>(name.size(), at + found.bold[run].second)
                                  : run < found.bold.size() ? found.bold[run].first : name.size();
        SelectedObject font(dc, isBold && bold ? bold : regular);
        SIZE size = {};
        ::GetTextExtentPoint32W(dc, name.c_str() + at, static_cast<int>(end - at), &size);
        RECT piece = { x, row.top, row.right, row.bottom };
        ::DrawTextW(dc, name.c_str() + at, static_cast<int>(end - at), &piece,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        x += size.cx;
        run += isBold ? 1 : 0;
        at = end;
    }
    return std::min<int>(x, row.right);
}

}  // namespace

// A row: the icon, the name (its matched letters bold), a document's
// extension and the folder in grey after it.
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
    measured.right = DrawName(dc, found, r);
    ::SetTextColor(dc, selected ? colours.highlightText : m_grayText);
    const std::wstring extension = DocumentExtension(found);
    if (!extension.empty()) {
        r.left = measured.right;
        measured = r;
        ::DrawTextW(dc, extension.c_str(), -1, &measured, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
        ::DrawTextW(dc, extension.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (!found.folder.empty()) {
        r.left = measured.right + ScaleToDpi(12);
        ::DrawTextW(dc, found.folder.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS);
    }
    ::SetBkMode(dc, oldMode);
    return TRUE;
}

