// The menu scan: the one folder walk over the folder model's snapshot, each
// folder a submenu (or merged between separators), each file an entry with
// its label, hotkey text and icon; the fixed entries; the option.
#include "menu/MenuFolder.h"

#include <unordered_map>

#include "framework/CWinApp.h"
#include "hotkeys/HotkeyTable.h"
#include "menu/IconCache.h"
#include "menu/IconMenu.h"
#include "shell/FolderModel.h"
#include "shell/FolderWalker.h"

// UI thread only, like everything of the menu.
int folderAsSeparator = 0;
std::vector<CString> menuItemTable;
UINT nextMenuItemId = MenuCommand::FirstFileEntry;
CIconMenu* activeMenu = nullptr;

namespace {

std::unordered_map<HMENU, CString> gSubfolders;  // a submenu's folder

// A folder shown as still being read, to fill in when its listing arrives.
struct Placeholder {
    HMENU menu;
    std::wstring folder;
    bool fillable;  // a submenu of its own (not the top, nor merged into a parent)
};
std::vector<Placeholder> gPlaceholders;

// The display text of the first hotkey (lowest index) whose command names
// the path, or an empty text.
CString HotkeyTextFor(LPCWSTR path)
{
    const auto& codes = HotkeyCodesByCommand();
    if (codes.empty()) return CString();
    auto found = codes.find(CommandKey(path));
    return found == codes.end() ? CString() : FormatHotkeyText(HotkeyFlags(found->second), HotkeyKey(found->second));
}

// The file name cut at its last dot, then TAB and the hotkey text; cut to
// the buffer when too long.
void MakeLabel(wchar_t (&label)[MAX_PATH], LPCWSTR name, const CString& hotkey)
{
    lstrcpynW(label, name, MAX_PATH);
    wchar_t* dot = wcsrchr(label, L'.');
    if (dot) *dot = 0;
    // A TAB in the name would be taken for the hotkey column's start.
    for (wchar_t* c = label; *c; ++c)
        if (*c == L'\t') *c = L' ';
    if (hotkey.IsEmpty()) return;
    int length = lstrlenW(label);
    if (length + 1 < MAX_PATH) {
        label[length] = L'\t';
        lstrcpynW(label + length + 1, hotkey, MAX_PATH - length - 1);
    }
}

void AppendFileEntry(CIconMenu* menu, const std::wstring& path, const FolderEntry& entry)
{
    if (nextMenuItemId >= MenuCommand::Find) return;  // ids run out long before
    menuItemTable.emplace_back(path.c_str());
    CString hotkey = HotkeyTextFor(path.c_str());
    std::wstring awaited;
    int image = TheIconCache().ImageOf(path.c_str(), entry, &awaited);
    wchar_t label[MAX_PATH];
    MakeLabel(label, entry.name.c_str(), hotkey);
    menu->AppendItem(MF_OWNERDRAW, nextMenuItemId++, label, image, image, image);
    if (!awaited.empty()) menu->AwaitIcon(awaited);
}

// The menu scan: subfolders become submenus, or with the option their
// entries merge into the parent, followed by a separator when they added
// any; a folder leading back up stays an empty submenu.
class MenuBuilder : public FolderVisitor {
public:
    MenuBuilder(CIconMenu* top, const std::wstring& folder, bool fillable)
        : m_next{ top, 0, false, folder, fillable }
    {
    }

    bool Folder(const FolderEntry& entry, const std::wstring& path, bool loopsBack) override
    {
        CIconMenu* menu = m_frames.back().menu;
        if (folderAsSeparator) {
            m_next = { menu, menu->GetMenuItemCount(), true, path, false };
            return !loopsBack;
        }
        CIconMenu* submenu = menu->AppendPopup(MF_OWNERDRAW, entry.name.c_str(), MenuImage::Folder,
                                               MenuImage::Folder, MenuImage::Folder);
        if (!submenu) return false;
        gSubfolders[submenu->m_hMenu] = path.c_str();
        m_next = { submenu, 0, false, path, true };
        return !loopsBack;
    }
    void Enter(const ListingPointer& listing) override
    {
        m_frames.push_back(m_next);
        if (listing && (listing->state == ListingState::Listed || !listing->entries.empty())) return;
        if (listing && listing->state == ListingState::Unreadable) return;  // shown empty
        const Frame& frame = m_frames.back();
        const bool slow = listing && listing->state == ListingState::NotResponding;
        frame.menu->AppendItem(MF_OWNERDRAW | MF_GRAYED, 0, slow ? L"(not responding)" : L"(reading\u2026)", -1);
        gPlaceholders.push_back({ frame.menu->m_hMenu, frame.folder, frame.fillable });
    }
    void Leave() override
    {
        const Frame frame = m_frames.back();
        m_frames.pop_back();
        if (frame.merged && frame.menu->GetMenuItemCount() != frame.countBefore)
            frame.menu->AppendItem(MF_SEPARATOR, 0, nullptr, -1);
    }
    void File(const FolderEntry& entry, const std::wstring& path) override
    {
        AppendFileEntry(m_frames.back().menu, path, entry);
    }

private:
    struct Frame {
        CIconMenu* menu;
        int countBefore;  // merged: the menu's entries before the folder's
        bool merged;
        std::wstring folder;
        bool fillable;
    };
    Frame m_next;
    std::vector<Frame> m_frames;
};

void ScanInto(CIconMenu* menu, const FolderSnapshot& snapshot, const std::wstring& folder, bool fillable)
{
    SnapshotFolders source(snapshot);
    MenuBuilder builder(menu, folder, fillable);
    WalkFolderTree(source, folder, builder);
}

bool HasArrived(const FolderSnapshot& snapshot, const std::wstring& folder)
{
    const FolderListing* listing = snapshot.Find(folder);
    return listing && (listing->state == ListingState::Listed || !listing->entries.empty());
}

}  // namespace

const wchar_t* MenuItemPath(UINT id)
{
    if (id < MenuCommand::FirstFileEntry) return nullptr;
    size_t position = id - MenuCommand::FirstFileEntry;
    return position < menuItemTable.size() ? static_cast<const wchar_t*>(menuItemTable[position]) : nullptr;
}

const wchar_t* MenuSubfolderPath(HMENU submenu)
{
    auto found = gSubfolders.find(submenu);
    return found == gSubfolders.end() ? nullptr : static_cast<const wchar_t*>(found->second);
}

void ClearMenuTables()
{
    menuItemTable.clear();
    gSubfolders.clear();
    gPlaceholders.clear();
}

void ScanMenuFolder(CIconMenu* menu, const FolderSnapshot& snapshot, const std::wstring& folder)
{
    ScanInto(menu, snapshot, folder, false);
}

bool FillInArrivedFolders(const FolderSnapshot& snapshot, HWND owner)
{
    std::vector<Placeholder> waiting;
    waiting.swap(gPlaceholders);
    bool reopen = false;
    TheIconCache().BeginScan(false);
    for (const Placeholder& placeholder : waiting) {
        auto* submenu = dynamic_cast<CIconMenu*>(CMenu::FromHandle(placeholder.menu));
        if (!submenu || !HasArrived(snapshot, placeholder.folder)) {
            if (submenu) gPlaceholders.push_back(placeholder);
            continue;
        }
        if (!placeholder.fillable) {
            reopen = true;
            continue;
        }
        submenu->RemoveAllItems();
        ScanInto(submenu, snapshot, placeholder.folder, true);
        submenu->Reshow(owner);
    }
    TheIconCache().EndScan();
    return reopen;
}

void BuildShortcutMenu(CIconMenu* menu, BOOL autoStartOn, BOOL full)
{
    if (full) {
        menu->AppendItem(MF_OWNERDRAW, MenuCommand::AddNewItem, L"<<Add New Item>>", MenuImage::AddNewItem,
                         MenuImage::AddNewItem, MenuImage::AddNewItem);
        menu->AppendItem(MF_SEPARATOR, 0, nullptr, -1);
    }
    nextMenuItemId = MenuCommand::FirstFileEntry;
    ClearMenuTables();
    // The whole menu folder is scanned: what is no longer there leaves the
    // icon cache.
    SnapshotPointer snapshot = TheFolderModel().Snapshot();
    TheIconCache().BeginScan(true);
    ScanMenuFolder(menu, *snapshot, snapshot->Root());
    TheIconCache().EndScan();
    if (!full) return;

    int count = menu->GetMenuItemCount();
    if (count > 2 && menu->GetMenuItemID(count - 1) != 0) menu->AppendItem(MF_SEPARATOR, 0, nullptr, -1);

    CIconMenu* fixed = menu->AppendPopup(MF_OWNERDRAW, L"Quillop", MenuImage::Program, MenuImage::Program,
                                         MenuImage::Program);
    if (!fixed) return;
    struct FixedEntry {
        UINT id;
        LPCWSTR text;
        int image;
    };
    const int autoStartImage = autoStartOn ? MenuImage::AutoStartOn : MenuImage::AutoStartOff;
    const int separatorImage = folderAsSeparator ? MenuImage::On : MenuImage::SeparatorOff;
    const FixedEntry entries[] = {
        { MenuCommand::Find, L"Find...", MenuImage::Find },
        { 0, nullptr, -1 },
        { MenuCommand::Desktop, L"Desktop", MenuImage::Desktop },
        { MenuCommand::ShowAll, L"Show All", MenuImage::ShowAll },
        { 0, nullptr, -1 },
        { MenuCommand::Edit, L"Edit", MenuImage::Edit },
        { MenuCommand::Hotkeys, L"Hotkeys", MenuImage::Hotkeys },
        { 0, nullptr, -1 },
        { MenuCommand::AutoStart, L"Auto Start", autoStartImage },
        { MenuCommand::FolderAsSeparator, L"Folder As Separator", separatorImage },
        { 0, nullptr, -1 },
        { MenuCommand::Help, L"Help", MenuImage::Help },
        { MenuCommand::About, L"About", MenuImage::About },
        { 0, nullptr, -1 },
        { MenuCommand::Exit, L"Exit", MenuImage::Exit },
    };
    for (const FixedEntry& entry : entries) {
        if (entry.text)
            fixed->AppendItem(MF_OWNERDRAW, entry.id, entry.text, entry.image, entry.image, entry.image);
        else
            fixed->AppendItem(MF_SEPARATOR, 0, nullptr, -1);
    }
}

void LoadFolderAsSeparator()
{
    folderAsSeparator = static_cast<int>(AfxGetApp()->GetProfileInt(L"Option", L"DirAsSpt", 0));
}

void SaveFolderAsSeparator() { AfxGetApp()->WriteProfileInt(L"Option", L"DirAsSpt", folderAsSeparator); }
