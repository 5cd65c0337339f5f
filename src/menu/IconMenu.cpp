// The icon menu's entries: appending them and their submenus, the index of
// a tree's menu objects, icons arriving for entries that wait, and the
// letters typed into a menu. Measuring and drawing: IconMenuDrawing.cpp.
#include "menu/IconMenu.h"

#include <algorithm>

#include "menu/IconMenuTree.h"

namespace {

// Emptied submenu handles, kept for the next popup's submenus: creating the
// 100 submenus of a large tree took a third of a press's own work. The
// menus are the UI thread's, and so is this store.
class SparePopups {
public:
    ~SparePopups()
    {
        for (HMENU menu : m_menus) ::DestroyMenu(menu);
    }
    HMENU Take()
    {
        if (m_menus.empty()) return ::CreatePopupMenu();
        HMENU menu = m_menus.back();
        m_menus.pop_back();
        return menu;
    }
    // False when enough are kept already: the caller destroys it.
    bool Keep(HMENU menu)
    {
        if (m_menus.size() >= kMost) return false;
        // Its background was the old tree's brush, destroyed with it.
        MENUINFO info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIM_BACKGROUND;
        ::SetMenuInfo(menu, &info);
        m_menus.push_back(menu);
        return true;
    }

private:
    static constexpr size_t kMost = 1000;
    std::vector<HMENU> m_menus;
};

SparePopups& Spares()
{
    static SparePopups spares;
    return spares;
}

}  // namespace

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
    m_children.clear();  // each keeps its emptied handle for later submenus
    m_records.clear();
    if (m_ownTree) {
        m_ownTree->byHandle.clear();
        m_ownTree->byId.clear();
        m_ownTree->awaiting.clear();
    }
    if (!m_hMenu) return;
    // Taken out, the submenus are not destroyed with this menu.
    while (GetMenuItemCount() > 0) ::RemoveMenu(m_hMenu, 0, MF_BYPOSITION);
    // One that was on the screen keeps the menu loop's state of it.
    if (!m_ownTree && !m_opened && Spares().Keep(m_hMenu)) {
        Detach();
        return;
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
    if (!child->Attach(Spares().Take())) return nullptr;
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

bool CIconMenu::OwnsItemData(ULONG_PTR data) const
{
    for (const auto& record : m_records)
        if (reinterpret_cast<ULONG_PTR>(record.get()) == data) return true;
    for (const auto& child : m_children)
        if (child->OwnsItemData(data)) return true;
    return false;
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
