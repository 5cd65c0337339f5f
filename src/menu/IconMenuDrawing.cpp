// How the icon menu's entries are measured and drawn: image, name, the
// hotkey in a column of its own, dark and high-contrast colours.
#include "menu/IconMenu.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "framework/Dpi.h"
#include "framework/SystemFonts.h"
#include "menu/IconMenuTree.h"

namespace {

// Labels are file names, drawn as they are: an ampersand is shown, not
// taken for a mark under the next letter.
constexpr UINT kTextFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
constexpr int kSeparatorHeight = 7;  // at 96 DPI
// The hotkey text's column: apart from the longest name by the gap, its
// right edge the margin in from the entry's (at 96 DPI).
constexpr int kHotkeyGap = 24;
constexpr int kHotkeyMargin = 6;
constexpr wchar_t kEllipsis = L'\x2026';

LOGFONTW MenuFontDescription()
{
    NONCLIENTMETRICSW metrics;
    ReadNonClientMetrics(metrics);
    return metrics.lfMenuFont;
}

// The text extents of the labels measured, kept across popups while the
// menu font (which follows the DPI) stays the same: a label shown before is
// not measured again, however many popups ago it was, and a submenu opened
// only now and then keeps its labels' too. Labels unused for many popups
// leave once there are many.
class TextExtents {
public:
    // A new popup in that font.
    void Begin(const LOGFONTW& font)
    {
        if (std::memcmp(&font, &m_font, sizeof(font)) != 0) {
            m_font = font;
            m_known.clear();
        }
        ++m_popup;
        if (m_known.size() > kKeptWithoutPruning) Prune();
    }
    SIZE Of(HDC dc, LPCWSTR text, int length)
    {
        auto known = m_known.try_emplace(std::wstring(text, static_cast<size_t>(length)));
        Known& entry = known.first->second;
        if (known.second) ::GetTextExtentPoint32W(dc, text, length, &entry.size);
        entry.popup = m_popup;
        return entry.size;
    }

private:
    static constexpr size_t kKeptWithoutPruning = 20000;
    static constexpr unsigned kPopupsKept = 64;
    struct Known {
        SIZE size = {};
        unsigned popup = 0;  // the last that showed it
    };
    void Prune()
    {
        for (auto entry = m_known.begin(); entry != m_known.end();)
            entry = m_popup - entry->second.popup > kPopupsKept ? m_known.erase(entry) : std::next(entry);
    }

    LOGFONTW m_font = {};
    unsigned m_popup = 0;
    std::unordered_map<std::wstring, Known> m_known;
};

TextExtents& Extents()
{
    static TextExtents extents;
    return extents;
}

}  // namespace

void FitLabel(wchar_t (&label)[MenuItemData::kLabelLength], LPCWSTR text)
{
    const int room = MenuItemData::kLabelLength - 1;
    const int length = lstrlenW(text);
    lstrcpynW(label, text, MenuItemData::kLabelLength);
    if (length <= room) return;
    const wchar_t* tab = wcschr(text, L'\t');
    const int hotkeyLength = tab && tab > text ? length - static_cast<int>(tab - text) : 0;  // with the TAB
    const int nameRoom = hotkeyLength && hotkeyLength + 2 <= room ? room - hotkeyLength : room;
    label[nameRoom - 1] = kEllipsis;
    lstrcpynW(label + nameRoom, nameRoom < room ? tab : L"", room - nameRoom + 1);
}

CIconMenu::Tree::Tree()
    : colours(CurrentThemeColours()),
      fontDescription(MenuFontDescription()),
      font(::CreateFontIndirectW(&fontDescription)),
      menuBrush(::CreateSolidBrush(colours.menu)),
      highlightBrush(::CreateSolidBrush(colours.highlight)),
      menuBarHeight(::GetSystemMetrics(SM_CYMENU))
{
    Extents().Begin(fontDescription);
}

HDC DrawnIcons::Cell(HIMAGELIST list, int image, SIZE size, HBRUSH background, bool selected, int& top)
{
    if (size.cx != m_size.cx || size.cy != m_size.cy) {
        m_cells.clear();
        m_blocks.clear();
        m_size = size;
    }
    const int key = image * 2 + (selected ? 1 : 0);
    auto known = m_cells.find(key);
    const bool drawn = known != m_cells.end();
    const int cell = drawn ? known->second : static_cast<int>(m_cells.size());
    if (static_cast<size_t>(cell / kCellsPerBlock) >= m_blocks.size() && !AddBlock()) return nullptr;
    HDC dc = m_blocks[static_cast<size_t>(cell / kCellsPerBlock)].dc.Get();
    top = cell % kCellsPerBlock * size.cy;
    if (!drawn) {
        const RECT area = { 0, top, size.cx, top + size.cy };
        ::FillRect(dc, &area, background);
        ::ImageList_Draw(list, image, dc, 0, top, ILD_TRANSPARENT);
        m_cells.emplace(key, cell);
    }
    return dc;
}

bool DrawnIcons::AddBlock()
{
    DWORD* bits = nullptr;
    Block block;
    block.bitmap = TopDownBitmap(m_size.cx, m_size.cy * kCellsPerBlock, bits);
    if (!block.bitmap) return false;
    block.dc.Reset(::CreateCompatibleDC(nullptr));
    if (!block.dc) return false;
    ::SelectObject(block.dc.Get(), block.bitmap.Get());
    m_blocks.push_back(std::move(block));
    return true;
}

HDC CIconMenu::Tree::MeasuringDC()
{
    if (!measuringDC) {
        measuringDC.Reset(::CreateCompatibleDC(nullptr));
        ::SelectObject(measuringDC.Get(), font.Get());
    }
    return measuringDC.Get();
}

void CIconMenu::MeasureItem(MEASUREITEMSTRUCT* measure)
{
    if (IsOwnDrawnSeparator(measure->itemID, measure->itemData)) {
        measure->itemWidth = 0;
        measure->itemHeight = static_cast<UINT>(ScaleToDpi(kSeparatorHeight));
        return;
    }
    auto* data = reinterpret_cast<const MenuItemData*>(measure->itemData);
    LPCWSTR label = data ? data->label : L"";
    HDC dc = m_tree->MeasuringDC();
    SIZE size;
    const wchar_t* tab = wcschr(label, L'\t');
    if (tab) {
        size = Extents().Of(dc, label, static_cast<int>(tab - label));
        size.cx += Extents().Of(dc, tab + 1, lstrlenW(tab + 1)).cx;
        // The hotkey stands in a column of its own, right of every name.
        if (tab > label && tab[1]) size.cx += ScaleToDpi(kHotkeyGap + kHotkeyMargin);
    } else {
        size = Extents().Of(dc, label, lstrlenW(label));
    }
    measure->itemWidth = static_cast<UINT>(size.cx + m_iconWidth);
    int height = std::max(static_cast<int>(size.cy), m_tree->menuBarHeight);
    measure->itemHeight = static_cast<UINT>(std::max(height, m_iconHeight));
}

// The grayed or selected image where one is set and can be drawn, else
// the normal one; -1 for none.
int CIconMenu::ChooseImage(const MenuItemData* data, UINT state) const
{
    if (!data || data->normalImage == -1 || !m_imageList) return -1;
    int chosen = data->normalImage;
    if (state & ODS_GRAYED)
        chosen = data->grayedImage;
    else if (state & ODS_SELECTED)
        chosen = data->selectedImage;
    return chosen >= 0 && chosen < ::ImageList_GetImageCount(m_imageList) ? chosen : data->normalImage;
}

// The icon is copied to the menu in one piece from where it was blended
// over the entry's background: blending straight onto the menu's window
// costs a round trip to the display for each icon.
void CIconMenu::DrawIcon(HDC dc, int image, int x, int y, bool selected) const
{
    int top = 0;
    HBRUSH background = selected ? m_tree->highlightBrush.Get() : m_tree->menuBrush.Get();
    HDC drawn = m_tree->drawnIcons.Cell(m_imageList, image, { m_iconWidth, m_iconHeight }, background, selected, top);
    if (!drawn) {
        ::ImageList_Draw(m_imageList, image, dc, x, y, ILD_TRANSPARENT);
        return;
    }
    ::BitBlt(dc, x, y, m_iconWidth, m_iconHeight, drawn, 0, top, SRCCOPY);
}

void CIconMenu::DrawItem(DRAWITEMSTRUCT* draw)
{
    RECT r = draw->rcItem;
    // A long menu asks for entries scrolled out of sight too.
    if (!::RectVisible(draw->hDC, &r)) return;
    if (IsOwnDrawnSeparator(draw->itemID, draw->itemData)) {
        DrawSeparator(draw->hDC, r);
        return;
    }
    const UINT state = draw->itemState;
    auto* data = reinterpret_cast<const MenuItemData*>(draw->itemData);
    HDC dc = draw->hDC;
    const bool selected = (state & ODS_SELECTED) != 0;

    ::FillRect(dc, &r, selected ? m_tree->highlightBrush.Get() : m_tree->menuBrush.Get());
    int image = ChooseImage(data, state);
    if (image >= 0) DrawIcon(dc, image, r.left, r.top + (r.bottom - r.top - m_iconHeight) / 2, selected);
    r.left += m_iconWidth + ScaleToDpi(2);

    LPCWSTR label = data ? data->label : L"";
    if (!label[0]) return;
    // A TAB first is drawn as part of the text, with no right-aligned part.
    const wchar_t* tab = wcschr(label, L'\t');
    int textLength = lstrlenW(label);
    LPCWSTR hotkey = nullptr;
    if (tab && tab > label) {
        textLength = static_cast<int>(tab - label);
        hotkey = tab + 1;
    }

    int oldMode = ::SetBkMode(dc, TRANSPARENT);
    SelectedObject font(dc, m_tree->font.Get());
    COLORREF oldColour = ::GetTextColor(dc);
    if (!(state & ODS_GRAYED)) {
        ::SetTextColor(dc, selected ? m_tree->colours.highlightText : m_tree->colours.menuText);
        ::DrawTextW(dc, label, textLength, &r, kTextFormat);
        if (hotkey && hotkey[0]) {
            r.right -= ScaleToDpi(kHotkeyMargin);
            ::DrawTextW(dc, hotkey, -1, &r, kTextFormat | DT_RIGHT);
        }
    } else {
        RECT shadow = r;
        ::OffsetRect(&shadow, 1, 1);
        ::SetTextColor(dc, m_tree->colours.grayShadow);
        ::DrawTextW(dc, label, textLength, &shadow, kTextFormat);
        ::SetTextColor(dc, m_tree->colours.grayText);
        ::DrawTextW(dc, label, textLength, &r, kTextFormat);
    }
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
    if (m_tree->colours.dark && m_tree->byHandle.count(draw->itemID)) DrawSubmenuArrow(dc, draw->rcItem, selected);
}

// The system draws a submenu's arrow in its light colours over an owner-drawn
// entry; in dark colours the entry draws its own, and keeps the system's off
// it by taking the entry out of the clip region.
void CIconMenu::DrawSubmenuArrow(HDC dc, const RECT& entry, bool selected) const
{
    const int half = ScaleToDpi(4), right = entry.right - ScaleToDpi(6);
    const int middle = (entry.top + entry.bottom) / 2;
    const POINT arrow[3] = { { right - half, middle - half }, { right, middle }, { right - half, middle + half } };
    const COLORREF colour = selected ? m_tree->colours.highlightText : m_tree->colours.menuText;
    UniqueBrush brush(::CreateSolidBrush(colour));
    UniquePen pen(::CreatePen(PS_SOLID, 1, colour));
    SelectedObject withBrush(dc, brush.Get()), withPen(dc, pen.Get());
    ::Polygon(dc, arrow, 3);
    ::ExcludeClipRect(dc, entry.left, entry.top, entry.right, entry.bottom);
}

bool CIconMenu::IsOwnDrawnSeparator(UINT id, ULONG_PTR data) { return id == 0 && data == 0; }

void CIconMenu::DrawSeparator(HDC dc, const RECT& entry) const
{
    ::FillRect(dc, &entry, m_tree->menuBrush.Get());
    const int middle = (entry.top + entry.bottom) / 2;
    RECT line = { entry.left + ScaleToDpi(2), middle, entry.right - ScaleToDpi(2), middle + 1 };
    UniqueBrush lineBrush(::CreateSolidBrush(m_tree->colours.grayText));
    ::FillRect(dc, &line, lineBrush.Get());
}

const ThemeColours& CIconMenu::GetColours() const { return m_tree->colours; }

void CIconMenu::PaintBackground(HMENU menu) const
{
    MENUINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIM_BACKGROUND;
    info.hbrBack = m_tree->menuBrush.Get();
    ::SetMenuInfo(menu, &info);
}
