#include "menu/IconMenu.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "framework/Dpi.h"
#include "framework/SystemFonts.h"
#include "framework/Theme.h"

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

// A label cut to the buffer: a name too long ends in an ellipsis, and the
// hotkey text after the TAB is kept whole when it leaves room for one.
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

LOGFONTW MenuFontDescription()
{
    NONCLIENTMETRICSW metrics;
    ReadNonClientMetrics(metrics);
    return metrics.lfMenuFont;
}

// The text extents of the entries of the last two popups, kept while the
// menu font stays the same: an entry that has not changed since is not
// measured again.
class TextExtents {
public:
    // A new popup in that font.
    void Begin(const LOGFONTW& font)
    {
        if (std::memcmp(&font, &m_font, sizeof(font)) != 0) {
            m_font = font;
            m_previous.clear();
            m_current.clear();
        }
        m_previous.swap(m_current);
        m_current.clear();
    }
    SIZE Of(HDC dc, LPCWSTR text, int length)
    {
        std::wstring key(text, static_cast<size_t>(length));
        auto known = m_current.find(key);
        if (known != m_current.end()) return known->second;
        SIZE size = {};
        auto earlier = m_previous.find(key);
        if (earlier != m_previous.end())
            size = earlier->second;
        else
            ::GetTextExtentPoint32W(dc, text, length, &size);
        m_current.emplace(std::move(key), size);
        return size;
    }

private:
    LOGFONTW m_font = {};
    std::unordered_map<std::wstring, SIZE> m_current, m_previous;
};

TextExtents& Extents()
{
    static TextExtents extents;
    return extents;
}

}  // namespace

// What a menu tree draws and measures with: the colours (light, dark or
// high contrast) and menu font in force when the tree was made (a change
// shows at the next popup), and the index of its menu objects.
struct CIconMenu::Tree {
    Tree()
        : colours(CurrentThemeColours()),
          fontDescription(MenuFontDescription()),
          font(::CreateFontIndirectW(&fontDescription)),
          menuBrush(::CreateSolidBrush(colours.menu)),
          highlightBrush(::CreateSolidBrush(colours.highlight)),
          menuBarHeight(::GetSystemMetrics(SM_CYMENU))
    {
        Extents().Begin(fontDescription);
    }
    // One DC, with the menu font, for all the entries the tree measures.
    HDC MeasuringDC()
    {
        if (!measuringDC) {
            measuringDC.Reset(::CreateCompatibleDC(nullptr));
            ::SelectObject(measuringDC.Get(), font.Get());
        }
        return measuringDC.Get();
    }

    ThemeColours colours;
    LOGFONTW fontDescription;
    UniqueFont font;
    UniqueBrush menuBrush;
    UniqueBrush highlightBrush;
    int menuBarHeight;  // the floor of an entry's height; slow to ask for each entry
    UniqueMemoryDC measuringDC;  // goes before the font it holds
    std::unordered_map<UINT, CIconMenu*> byHandle;  // a submenu's entry: its handle
    std::unordered_map<UINT, CIconMenu*> byId;
    // Entries showing a stand-in, by the key of the icon they wait for.
    struct Awaiting {
        CIconMenu* menu;
        UINT position;
    };
    std::unordered_map<std::wstring, std::vector<Awaiting>> awaiting;
};

CIconMenu::CIconMenu(HIMAGELIST imageList) : CIconMenu(imageList, nullptr) {}

CIconMenu::CIconMenu(HIMAGELIST imageList, Tree* tree)
    : m_ownTree(tree ? nullptr : new Tree), m_tree(tree ? tree : m_ownTree.get()), m_imageList(imageList)
{
    IMAGEINFO info;
    if (imageList && ::ImageList_GetImageInfo(imageList, 0, &info)) {
        m_iconWidth = info.rcImage.right - info.rcImage.left;
        m_iconHeight = info.rcImage.bottom - info.rcImage.top;
    }
}

CIconMenu::~CIconMenu() { DestroyAll(); }

void CIconMenu::DestroyAll()
{
    m_children.clear();
    m_records.clear();
    if (m_ownTree) {
        m_ownTree->byHandle.clear();
        m_ownTree->byId.clear();
        m_ownTree->awaiting.clear();
    }
    DestroyMenu();
}

MenuItemData* CIconMenu::NewRecord(LPCWSTR text, int normalImage, int selectedImage, int grayedImage)
{
    auto record = std::make_unique<MenuItemData>();
    FitLabel(record->label, text ? text : L"");
    record->msaa.dwMSAASignature = MSAA_MENU_SIG;
    record->msaa.cchWText = static_cast<DWORD>(lstrlenW(record->label));
    record->msaa.pszWText = record->label;
    record->normalImage = normalImage;
    record->selectedImage = selectedImage;
    record->grayedImage = grayedImage;
    m_records.push_back(std::move(record));
    return m_records.back().get();
}

BOOL CIconMenu::AppendItem(UINT flags, UINT_PTR id, LPCWSTR text, int normalImage, int selectedImage,
                           int grayedImage)
{
    if (id != 0) m_tree->byId[static_cast<UINT>(id)] = this;
    // The system draws a separator in light colours: a dark menu draws its own.
    if ((flags & MF_SEPARATOR) && m_tree->colours.dark) return AppendMenu(MF_SEPARATOR | MF_OWNERDRAW, 0, nullptr);
    if ((flags & MF_OWNERDRAW) || normalImage != -1) {
        MenuItemData* record = NewRecord(text, normalImage, selectedImage, grayedImage);
        return AppendMenu(flags | MF_OWNERDRAW, id, reinterpret_cast<LPCWSTR>(record));
    }
    return AppendMenu(flags, id, text);
}

CIconMenu* CIconMenu::AppendPopup(UINT flags, LPCWSTR text, int normalImage, int selectedImage, int grayedImage)
{
    std::unique_ptr<CIconMenu> child(new CIconMenu(m_imageList, m_tree));
    if (!child->CreatePopupMenu()) return nullptr;
    // Menu handles fit in the 32 bits of an entry id.
    m_tree->byHandle[static_cast<UINT>(reinterpret_cast<UINT_PTR>(child->m_hMenu))] = child.get();
    UINT_PTR submenu = reinterpret_cast<UINT_PTR>(child->m_hMenu);
    if ((flags & MF_OWNERDRAW) || normalImage != -1) {
        MenuItemData* record = NewRecord(text, normalImage, selectedImage, grayedImage);
        AppendMenu(flags | MF_POPUP | MF_OWNERDRAW, submenu, reinterpret_cast<LPCWSTR>(record));
    } else {
        AppendMenu(flags | MF_POPUP, submenu, text);
    }
    m_children.push_back(std::move(child));
    return m_children.back().get();
}

void CIconMenu::AwaitIcon(const std::wstring& key)
{
    const int count = GetMenuItemCount();
    if (count > 0) m_tree->awaiting[key].push_back({ this, static_cast<UINT>(count - 1) });
}

void CIconMenu::IconArrived(const std::wstring& key, int image)
{
    auto found = m_tree->awaiting.find(key);
    if (found == m_tree->awaiting.end()) return;
    for (const Tree::Awaiting& entry : found->second) entry.menu->ShowImage(entry.position, image);
    m_tree->awaiting.erase(found);
}

std::vector<std::wstring> CIconMenu::AwaitedIn(HMENU menu) const
{
    std::vector<std::wstring> keys;
    for (const auto& waiting : m_tree->awaiting) {
        for (const Tree::Awaiting& entry : waiting.second) {
            if (entry.menu->m_hMenu == menu) {
                keys.push_back(waiting.first);
                break;
            }
        }
    }
    return keys;
}

HWND OpenMenuWindow(HMENU menu)
{
    struct Search {
        HMENU menu;
        HWND window;
    } search = { menu, nullptr };
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* wanted = reinterpret_cast<Search*>(parameter);
            wchar_t name[16] = {};
            ::GetClassNameW(window, name, ARRAYSIZE(name));
            if (lstrcmpW(name, L"#32768") != 0 || !::IsWindowVisible(window) ||
                reinterpret_cast<HMENU>(::SendMessageW(window, MN_GETHMENU, 0, 0)) != wanted->menu)
                return TRUE;
            wanted->window = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.window;
}

namespace {

// UI thread only: menus whose entries changed since the last frame, drawn
// again with the next one.
std::vector<HMENU> gMenusToRedraw;
UINT_PTR gRedrawTimer = 0;
constexpr UINT kFrameMs = 16;

void CALLBACK RedrawChangedMenus(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::KillTimer(nullptr, timer);
    gRedrawTimer = 0;
    std::vector<HMENU> menus;
    menus.swap(gMenusToRedraw);
    for (HMENU menu : menus)
        if (HWND window = OpenMenuWindow(menu)) ::InvalidateRect(window, nullptr, FALSE);
}

void RedrawWithNextFrame(HMENU menu)
{
    if (std::find(gMenusToRedraw.begin(), gMenusToRedraw.end(), menu) == gMenusToRedraw.end())
        gMenusToRedraw.push_back(menu);
    if (!gRedrawTimer) gRedrawTimer = ::SetTimer(nullptr, 0, kFrameMs, RedrawChangedMenus);
}

}  // namespace

void CIconMenu::ShowImage(UINT position, int image)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    if (!::GetMenuItemInfoW(m_hMenu, position, TRUE, &info) || !info.dwItemData) return;
    auto* data = reinterpret_cast<MenuItemData*>(info.dwItemData);
    data->normalImage = data->selectedImage = data->grayedImage = image;
    RedrawWithNextFrame(m_hMenu);
}

void CIconMenu::CollectTree(std::vector<const CIconMenu*>& menus) const
{
    menus.push_back(this);
    for (const auto& child : m_children) child->CollectTree(menus);
}

void CIconMenu::RemoveAllItems()
{
    std::vector<const CIconMenu*> gone;
    CollectTree(gone);
    auto isGone = [&gone](const CIconMenu* menu) { return std::find(gone.begin(), gone.end(), menu) != gone.end(); };
    for (auto entry = m_tree->byId.begin(); entry != m_tree->byId.end();)
        entry = isGone(entry->second) ? m_tree->byId.erase(entry) : std::next(entry);
    for (auto entry = m_tree->byHandle.begin(); entry != m_tree->byHandle.end();)
        entry = isGone(entry->second) && entry->second != this ? m_tree->byHandle.erase(entry) : std::next(entry);
    for (auto& waiting : m_tree->awaiting) {
        auto& entries = waiting.second;
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const Tree::Awaiting& entry) { return isGone(entry.menu); }),
                      entries.end());
    }
    // Taken out, not destroyed: the submenus' objects destroy their own menus.
    while (GetMenuItemCount() > 0) ::RemoveMenu(m_hMenu, 0, MF_BYPOSITION);
    m_children.clear();
    m_records.clear();
}

void CIconMenu::Reshow(HWND owner) const
{
    if (!OpenMenuWindow(m_hMenu)) return;
    // Back to the entry that opens it, and in again.
    for (WORD key : { VK_LEFT, VK_RIGHT }) {
        ::PostMessageW(owner, WM_KEYDOWN, key, 1);
        ::PostMessageW(owner, WM_KEYUP, key, 0xC0000001);
    }
}

namespace {

bool SameLetter(wchar_t a, wchar_t b)
{
    return ::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(a))) ==
           ::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(b)));
}

// Whether the label starts with the letter. Labels are names shown as they
// are: an ampersand in one marks nothing.
bool LabelAnswers(LPCWSTR label, wchar_t typed) { return label[0] && SameLetter(label[0], typed); }

}  // namespace

LRESULT CIconMenu::MenuChar(wchar_t typed) const
{
    if (!::IsCharAlphaNumericW(typed)) return MAKELRESULT(0, MNC_IGNORE);
    const int count = GetMenuItemCount();
    std::vector<int> answering;
    int selected = -1;
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_DATA;
        if (!::GetMenuItemInfoW(m_hMenu, static_cast<UINT>(position), TRUE, &info)) continue;
        if (info.fState & MFS_HILITE) selected = position;
        auto* data = reinterpret_cast<const MenuItemData*>(info.dwItemData);
        if ((info.fType & MFT_OWNERDRAW) && data && LabelAnswers(data->label, typed)) answering.push_back(position);
    }
    if (answering.empty()) return MAKELRESULT(0, MNC_IGNORE);
    if (answering.size() == 1) return MAKELRESULT(answering.front(), MNC_EXECUTE);
    auto next = std::upper_bound(answering.begin(), answering.end(), selected);
    return MAKELRESULT(next == answering.end() ? answering.front() : *next, MNC_SELECT);
}

int CIconMenu::HighlightedPosition() const
{
    for (int at = 0, count = GetMenuItemCount(); at < count; ++at)
        if (::GetMenuState(m_hMenu, static_cast<UINT>(at), MF_BYPOSITION) & MF_HILITE) return at;
    return -1;
}

int CIconMenu::StepsDownTo(int position) const { return StepsDownBetween(HighlightedPosition(), position); }

int CIconMenu::StepsDownBetween(int from, int position) const
{
    const int count = GetMenuItemCount();
    int steps = 0;
    for (int at = from + 1;; ++at) {
        if (at >= count) at = 0;
        if (!(::GetMenuState(m_hMenu, static_cast<UINT>(at), MF_BYPOSITION) & MF_SEPARATOR)) ++steps;
        if (at == position || steps > count) return steps;
    }
}

CIconMenu* CIconMenu::FindOwner(UINT id) const
{
    auto submenu = m_tree->byHandle.find(id);
    if (submenu != m_tree->byHandle.end()) return submenu->second;
    auto entry = m_tree->byId.find(id);
    return entry != m_tree->byId.end() ? entry->second : nullptr;
}

CIconMenu* FindOwnerMenu(CIconMenu* menu, UINT id) { return menu ? menu->FindOwner(id) : nullptr; }

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
    if (image >= 0) {
        int top = r.top + (r.bottom - r.top - m_iconHeight) / 2;
        ::ImageList_Draw(m_imageList, image, dc, r.left, top, ILD_TRANSPARENT);
    }
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
