// The menu scan: the one folder walk over the folder model's snapshot, a
// level at a time, each folder a submenu filled when it opens (or merged
// between separators), each file an entry with its label, hotkey text and
// icon, a capped level's Find row; the fixed entries; the option.
#include "menu/MenuFolder.h"

#include <unordered_map>

#include "framework/CWinApp.h"
#include "framework/ShellFiles.h"
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
// The snapshot the popup shows (the newest since it opened), and the
// submenus not opened yet with the folders they will show.
SnapshotPointer gSnapshot;
std::unordered_map<HMENU, std::wstring> gUnfilled;
// The folder of each capped level's Find row, by its id from FirstFindRow.
std::vector<std::wstring> gFindRows;

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

// The file entry, or the folder's submenu: each of a level's rows while
// the level has room, then only counted for its last row.
class LevelRoom {
public:
    bool Take()
    {
        if (m_shown < kLevelCap) {
            ++m_shown;
            return true;
        }
        ++m_more;
        return false;
    }
    size_t More() const { return m_more; }

private:
    size_t m_shown = 0;
    size_t m_more = 0;
};

// The last row of a capped level: Find on its folder.
void AppendFindRow(CIconMenu* level, const std::wstring& folder, size_t more)
{
    wchar_t label[64];
    wsprintfW(label, L"\x2026 and %lu more: Find", static_cast<unsigned long>(more));
    const UINT id = MenuCommand::FirstFindRow + static_cast<UINT>(gFindRows.size());
    gFindRows.push_back(folder);
    level->AppendItem(MF_OWNERDRAW, id, label, MenuImage::Find, MenuImage::Find, MenuImage::Find);
}

// The scan of one level: its subfolders become submenus whose entries are
// made when they open, or with the option their entries merge into the
// level, followed by a separator when they added any; a folder leading
// back up stays an empty submenu.
class LevelBuilder : public FolderVisitor {
public:
    LevelBuilder(CIconMenu* level, const std::wstring& folder, bool fillable)
        : m_level(level), m_folder(folder), m_next{ 0, false, folder, fillable }
    {
    }

    bool Folder(const FolderEntry& entry, const std::wstring& path, bool loopsBack) override
    {
        if (folderAsSeparator) {
            m_next = { m_level->GetMenuItemCount(), true, path, false };
            return !loopsBack;
        }
        if (!m_room.Take()) return false;
        CIconMenu* submenu = m_level->AppendPopup(MF_OWNERDRAW, entry.name.c_str(), MenuImage::Folder,
                                                  MenuImage::Folder, MenuImage::Folder);
        if (!submenu) return false;
        gSubfolders[submenu->m_hMenu] = path.c_str();
        if (!loopsBack) gUnfilled[submenu->m_hMenu] = path;
        return false;
    }
    void Enter(const ListingPointer& listing) override
    {
        m_frames.push_back(m_next);
        if (listing && (listing->state == ListingState::Listed || !listing->entries.empty())) return;
        if (listing && listing->state == ListingState::Unreadable) return;  // shown empty
        const Frame& frame = m_frames.back();
        const bool slow = listing && listing->state == ListingState::NotResponding;
        m_level->AppendItem(MF_OWNERDRAW | MF_GRAYED, 0, slow ? L"(not responding)" : L"(reading\u2026)", -1);
        gPlaceholders.push_back({ m_level->m_hMenu, frame.folder, frame.fillable });
    }
    void Leave() override
    {
        const Frame frame = m_frames.back();
        m_frames.pop_back();
        if (frame.merged && m_level->GetMenuItemCount() != frame.countBefore)
            m_level->AppendItem(MF_SEPARATOR, 0, nullptr, -1);
    }
    void File(const FolderEntry& entry, const std::wstring& path) override
    {
        if (m_room.Take()) AppendFileEntry(m_level, path, entry);
    }
    // The walk is over: a capped level ends in its Find row.
    void Finish()
    {
        if (m_room.More()) AppendFindRow(m_level, m_folder, m_room.More());
    }

private:
    struct Frame {
        int countBefore;  // merged: the level's entries before the folder's
        bool merged;
        std::wstring folder;
        bool fillable;
    };
    CIconMenu* m_level;
    std::wstring m_folder;
    LevelRoom m_room;
    Frame m_next;
    std::vector<Frame> m_frames;
};

void ScanInto(CIconMenu* level, const FolderSnapshot& snapshot, const std::wstring& folder, bool fillable)
{
    SnapshotFolders source(snapshot);
    LevelBuilder builder(level, folder, fillable);
    WalkFolderTree(source, folder, builder);
    builder.Finish();
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

const wchar_t* FindRowFolder(UINT id)
{
    if (id < MenuCommand::FirstFindRow || id - MenuCommand::FirstFindRow >= gFindRows.size()) return nullptr;
    return gFindRows[id - MenuCommand::FirstFindRow].c_str();
}

std::vector<CString> MenuFolderFiles(const std::wstring& folder)
{
    std::vector<CString> files;
    const FolderListing* listing = gSnapshot ? gSnapshot->Find(folder) : nullptr;
    if (!listing) return files;
    wchar_t path[MAX_PATH];
    for (const FolderEntry& entry : listing->entries)
        if (!entry.IsFolder() && !entry.IsHidden() && JoinPath(path, folder.c_str(), entry.name.c_str()))
            files.emplace_back(path);
    return files;
}

void ClearMenuTables()
{
    menuItemTable.clear();
    gSubfolders.clear();
    gPlaceholders.clear();
    gUnfilled.clear();
    gFindRows.clear();
    gSnapshot.reset();
}

void ScanMenuFolder(CIconMenu* menu, const SnapshotPointer& snapshot, const std::wstring& folder)
{
    gSnapshot = snapshot;
    ScanInto(menu, *snapshot, folder, false);
}

bool FillSubmenu(HMENU submenu)
{
    auto unfilled = gUnfilled.find(submenu);
    if (unfilled == gUnfilled.end()) return false;
    const std::wstring folder = std::move(unfilled->second);
    gUnfilled.erase(unfilled);
    auto* level = dynamic_cast<CIconMenu*>(CMenu::FromHandle(submenu));
    if (!level || !gSnapshot) return false;
    TheIconCache().BeginScan(false);
    ScanInto(level, *gSnapshot, folder, true);
    TheIconCache().EndScan();
    return true;
}

bool FillInArrivedFolders(const SnapshotPointer& snapshot, HWND owner)
{
    gSnapshot = snapshot;
    std::vector<Placeholder> waiting;
    waiting.swap(gPlaceholders);
    bool reopen = false;
    TheIconCache().BeginScan(false);
    for (const Placeholder& placeholder : waiting) {
        auto* submenu = dynamic_cast<CIconMenu*>(CMenu::FromHandle(placeholder.menu));
        if (!submenu || !HasArrived(*snapshot, placeholder.folder)) {
            if (submenu) gPlaceholders.push_back(placeholder);
            continue;
        }
        if (!placeholder.fillable) {
            reopen = true;
            continue;
        }
        submenu->RemoveAllItems();
        ScanInto(submenu, *snapshot, placeholder.folder, true);
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
    SnapshotPointer snapshot = TheFolderModel().Snapshot();
    TheIconCache().BeginScan(false);
    ScanMenuFolder(menu, snapshot, snapshot->Root());
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
    // Find is known by its hotkey too, shown as a file entry shows its own.
    const CString findHotkey = HotkeyTextFor(kFindMarker);
    const CString findLabel = findHotkey.IsEmpty() ? CString(L"Find...") : CString(L"Find...\t") + findHotkey;
    for (const FixedEntry& entry : entries) {
        const LPCWSTR text = entry.id == MenuCommand::Find ? static_cast<LPCWSTR>(findLabel) : entry.text;
        if (entry.text)
            fixed->AppendItem(MF_OWNERDRAW, entry.id, text, entry.image, entry.image, entry.image);
        else
            fixed->AppendItem(MF_SEPARATOR, 0, nullptr, -1);
    }
}

void LoadFolderAsSeparator()
{
    folderAsSeparator = static_cast<int>(AfxGetApp()->GetProfileInt(L"Option", L"DirAsSpt", 0));
}

void SaveFolderAsSeparator() { AfxGetApp()->WriteProfileInt(L"Option", L"DirAsSpt", folderAsSeparator); }
