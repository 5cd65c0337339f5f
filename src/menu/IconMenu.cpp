#include "menu/IconMenu.h"

#include <unordered_map>

#include "framework/CWinApp.h"

namespace {

// The non-client metrics without the later padded-border field.
constexpr UINT kNonClientMetricsSize = 500;

}  // namespace

CIconMenu::CIconMenu(HIMAGELIST imageList)
    : m_menuColour(::GetSysColor(COLOR_MENU)),
      m_menuTextColour(::GetSysColor(COLOR_MENUTEXT)),
      m_highlightColour(::GetSysColor(COLOR_HIGHLIGHT)),
      m_highlightTextColour(::GetSysColor(COLOR_HIGHLIGHTTEXT)),
      m_imageList(imageList)
{
    IMAGEINFO info;
    if (imageList && ::ImageList_GetImageInfo(imageList, 0, &info)) {
        m_iconWidth = info.rcImage.right - info.rcImage.left;
        m_iconHeight = info.rcImage.bottom - info.rcImage.top;
    }
    m_menuBrush = ::CreateSolidBrush(m_menuColour);
    m_highlightBrush = ::CreateSolidBrush(m_highlightColour);

    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = kNonClientMetricsSize;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0))
        m_menuFontDescription = metrics.lfMenuFont;
    m_menuFont = ::CreateFontIndirectW(&m_menuFontDescription);
}

CIconMenu::~CIconMenu() { DestroyAll(); }

void CIconMenu::DestroyAll()
{
    for (CIconMenu* child : m_children) delete child;
    m_children.clear();
    if (m_menuBrush) ::DeleteObject(m_menuBrush);
    if (m_menuFont) ::DeleteObject(m_menuFont);
    if (m_highlightBrush) ::DeleteObject(m_highlightBrush);
    m_menuBrush = m_highlightBrush = nullptr;
    m_menuFont = nullptr;
    for (MenuItemData* record : m_records) delete record;
    m_records.clear();
    DestroyMenu();
}

MenuItemData* CIconMenu::NewRecord(LPCWSTR text, int normalImage, int selectedImage, int grayedImage)
{
    auto* record = new MenuItemData;
    lstrcpynW(record->label, text ? text : L"", MenuItemData::kLabelLength);
    record->normalImage = normalImage;
    record->selectedImage = selectedImage;
    record->grayedImage = grayedImage;
    m_records.push_back(record);
    return record;
}

BOOL CIconMenu::AppendItem(UINT flags, UINT_PTR id, LPCWSTR text, int normalImage, int selectedImage,
                           int grayedImage)
{
    if ((flags & MF_OWNERDRAW) || normalImage != -1) {
        MenuItemData* record = NewRecord(text, normalImage, selectedImage, grayedImage);
        return AppendMenu(flags | MF_OWNERDRAW, id, reinterpret_cast<LPCWSTR>(record));
    }
    return AppendMenu(flags, id, text);
}

CIconMenu* CIconMenu::AppendPopup(UINT flags, LPCWSTR text, int normalImage, int selectedImage, int grayedImage)
{
    auto* child = new CIconMenu(m_imageList);
    if (!child->CreatePopupMenu()) {
        delete child;
        return nullptr;
    }
    m_children.push_back(child);
    UINT_PTR submenu = reinterpret_cast<UINT_PTR>(child->m_hMenu);
    if ((flags & MF_OWNERDRAW) || normalImage != -1) {
        MenuItemData* record = NewRecord(text, normalImage, selectedImage, grayedImage);
        AppendMenu(flags | MF_POPUP | MF_OWNERDRAW, submenu, reinterpret_cast<LPCWSTR>(record));
    } else {
        AppendMenu(flags | MF_POPUP, submenu, text);
    }
    return child;
}

void CIconMenu::MeasureItem(MEASUREITEMSTRUCT* measure)
{
    auto* data = reinterpret_cast<const MenuItemData*>(measure->itemData);
    LPCWSTR label = data ? data->label : L"";
    CWnd* main = AfxGetMainWnd();
    HWND window = main ? main->m_hWnd : nullptr;
    HDC dc = ::GetDC(window);
    HGDIOBJ oldFont = ::SelectObject(dc, m_menuFont);

    SIZE size = {};
    const wchar_t* tab = wcschr(label, L'\t');
    if (tab) {
        SIZE after = {};
        ::GetTextExtentPoint32W(dc, label, static_cast<int>(tab - label), &size);
        ::GetTextExtentPoint32W(dc, tab + 1, lstrlenW(tab + 1), &after);
        size.cx += after.cx;
    } else {
        ::GetTextExtentPoint32W(dc, label, lstrlenW(label), &size);
    }
    ::SelectObject(dc, oldFont);
    ::ReleaseDC(window, dc);

    measure->itemWidth = static_cast<UINT>(size.cx + m_iconWidth);
    int height = size.cy;
    if (height < ::GetSystemMetrics(SM_CYMENU)) height = ::GetSystemMetrics(SM_CYMENU);
    if (height < m_iconHeight) height = m_iconHeight;
    measure->itemHeight = static_cast<UINT>(height);
}

HICON CIconMenu::ChooseIcon(const MenuItemData* data, UINT state) const
{
    if (!data || data->normalImage == -1 || !m_imageList) return nullptr;
    int chosen = data->normalImage;
    if (state & ODS_GRAYED)
        chosen = data->grayedImage;
    else if (state & ODS_SELECTED)
        chosen = data->selectedImage;
    HICON icon = chosen != -1 ? ::ImageList_GetIcon(m_imageList, chosen, ILD_NORMAL) : nullptr;
    if (!icon) icon = ::ImageList_GetIcon(m_imageList, data->normalImage, ILD_NORMAL);
    return icon;
}

void CIconMenu::DrawItem(DRAWITEMSTRUCT* draw)
{
    RECT r = draw->rcItem;
    UINT state = draw->itemState;
    auto* data = reinterpret_cast<const MenuItemData*>(draw->itemData);
    HDC dc = draw->hDC;
    bool selected = (state & ODS_SELECTED) != 0;

    HICON icon = ChooseIcon(data, state);
    ::FillRect(dc, &r, selected ? m_highlightBrush : m_menuBrush);
    COLORREF textColour = selected ? m_highlightTextColour : m_menuTextColour;
    if (icon) {
        int top = r.top + (r.bottom - r.top - m_iconHeight) / 2;
        ::DrawIconEx(dc, r.left, top, icon, m_iconWidth, m_iconHeight, 0, nullptr, DI_NORMAL);
        ::DestroyIcon(icon);
    }
    r.left += m_iconWidth + 2;

    LPCWSTR label = data ? data->label : L"";
    if (!label[0]) return;
    const wchar_t* tab = wcschr(label, L'\t');
    int textLength = lstrlenW(label);
    LPCWSTR hotkey = nullptr;
    if (tab && tab > label) {
        textLength = static_cast<int>(tab - label);
        hotkey = tab + 1;
    }

    int oldMode = ::SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = ::SelectObject(dc, m_menuFont);
    COLORREF oldColour = ::GetTextColor(dc);
    if (!(state & ODS_GRAYED)) {
        ::SetTextColor(dc, textColour);
        ::DrawTextW(dc, label, textLength, &r, DT_SINGLELINE | DT_VCENTER);
        if (hotkey && hotkey[0]) {
            r.right -= 6;
            ::DrawTextW(dc, hotkey, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
        }
    } else {
        RECT shadow = r;
        ::OffsetRect(&shadow, 1, 1);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        ::DrawTextW(dc, label, textLength, &shadow, DT_SINGLELINE | DT_VCENTER);
        ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
        ::DrawTextW(dc, label, textLength, &r, DT_SINGLELINE | DT_VCENTER);
    }
    ::SetTextColor(dc, oldColour);
    ::SelectObject(dc, oldFont);
    ::SetBkMode(dc, oldMode);
}

CIconMenu* FindOwnerMenu(CIconMenu* menu, UINT id)
{
    if (!menu) return nullptr;
    // Menu handles fit in the 32 bits of an entry id.
    if (id == static_cast<UINT>(reinterpret_cast<UINT_PTR>(menu->m_hMenu))) return menu;
    int count = menu->GetMenuItemCount();
    for (int position = 0; position < count; ++position) {
        HMENU submenu = menu->GetSubMenu(position);
        if (submenu) {
            auto* child = dynamic_cast<CIconMenu*>(CMenu::FromHandle(submenu));
            if (child) {
                if (CIconMenu* found = FindOwnerMenu(child, id)) return found;
            }
        } else if (menu->GetMenuItemID(position) == id) {
            return menu;
        }
    }
    return nullptr;
}

namespace {

// The shell icons already in a menu image list: system index -> image index.
struct FileIconCache {
    HIMAGELIST list = nullptr;
    std::unordered_map<int, int> images;
};

FileIconCache& TheFileIconCache()
{
    static FileIconCache cache;
    return cache;
}

}  // namespace

void ForgetFileIcons()
{
    TheFileIconCache().list = nullptr;
    TheFileIconCache().images.clear();
}

int AddFileIcon(LPCWSTR path, HIMAGELIST imageList)
{
    SHFILEINFOW info = {};
    auto systemList = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoW(path, 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (!systemList) return -1;
    FileIconCache& cache = TheFileIconCache();
    if (cache.list != imageList) {
        ForgetFileIcons();
        cache.list = imageList;
    }
    auto known = cache.images.find(info.iIcon);
    if (imageList && known != cache.images.end()) return known->second;
    HICON icon = ::ImageList_GetIcon(systemList, info.iIcon, ILD_NORMAL);
    if (!icon) return -1;
    int image = imageList ? ::ImageList_ReplaceIcon(imageList, -1, icon) : -1;
    ::DestroyIcon(icon);
    if (image >= 0) cache.images[info.iIcon] = image;
    return image;
}
