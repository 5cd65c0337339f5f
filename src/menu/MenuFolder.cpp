#include "menu/MenuFolder.h"

#include <unordered_map>

#include "framework/CWinApp.h"
#include "framework/ExecutablePath.h"
#include "framework/ShellFiles.h"
#include "hotkeys/HotkeyTable.h"
#include "menu/FolderChain.h"
#include "menu/IconCache.h"
#include "menu/IconMenu.h"

int folderAsSeparator = 0;
std::vector<CString> menuItemTable;
namespace {
std::unordered_map<HMENU, CString> gSubfolders;  // a submenu's folder
}  // namespace
UINT nextMenuItemId = MenuCommand::FirstFileEntry;

namespace {

wchar_t menuFolderPath[MAX_PATH] = {};

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

void AppendFileEntry(CIconMenu* menu, LPCWSTR path, const WIN32_FIND_DATAW& entry)
{
    menuItemTable.emplace_back(path);
    CString hotkey = HotkeyTextFor(path);
    std::wstring awaited;
    int image = TheIconCache().ImageOf(path, entry, &awaited);
    wchar_t label[MAX_PATH];
    MakeLabel(label, entry.cFileName, hotkey);
    menu->AppendItem(MF_OWNERDRAW, nextMenuItemId++, label, image, image, image);
    if (!awaited.empty()) menu->AwaitIcon(awaited);
}

void ScanFolder(CIconMenu* menu, const FolderChain::Link& folder);

void ScanSubfolder(CIconMenu* menu, const FolderChain::Link& parent, LPCWSTR path, const WIN32_FIND_DATAW& entry)
{
    // A link back up the chain is not entered: it stays an empty submenu.
    bool loops = parent->LoopsBack(path, entry.dwFileAttributes);
    if (folderAsSeparator) {
        if (loops) return;
        int before = menu->GetMenuItemCount();
        ScanFolder(menu, FolderChain::Extend(parent, path, entry.dwFileAttributes));
        if (menu->GetMenuItemCount() != before) menu->AppendItem(MF_SEPARATOR, 0, nullptr, -1);
    } else {
        CIconMenu* submenu = menu->AppendPopup(MF_OWNERDRAW, entry.cFileName, MenuImage::Folder, MenuImage::Folder,
                                               MenuImage::Folder);
        if (submenu) gSubfolders[submenu->m_hMenu] = path;
        if (submenu && !loops) ScanFolder(submenu, FolderChain::Extend(parent, path, entry.dwFileAttributes));
    }
}

// Subfolders first, then files, each in the order the file system lists
// them; one listing serves both.
void ScanFolder(CIconMenu* menu, const FolderChain::Link& folder)
{
    const std::vector<WIN32_FIND_DATAW> entries = ListFolder(folder->Path().c_str());
    wchar_t path[MAX_PATH];
    for (const WIN32_FIND_DATAW& entry : entries) {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            JoinPath(path, folder->Path().c_str(), entry.cFileName))
            ScanSubfolder(menu, folder, path, entry);
    }
    for (const WIN32_FIND_DATAW& entry : entries) {
        if (entry.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY) ||
            !JoinPath(path, folder->Path().c_str(), entry.cFileName))
            continue;
        AppendFileEntry(menu, path, entry);
    }
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
}

LPCWSTR MenuFolderPath() { return menuFolderPath; }

bool CreateMenuFolder()
{
    lstrcpynW(menuFolderPath, ExecutableSibling(L""), MAX_PATH);
    return ::CreateDirectoryW(menuFolderPath, nullptr) != FALSE;
}

void ScanMenuFolder(CIconMenu* menu, LPCWSTR folder) { ScanFolder(menu, FolderChain::Start(folder)); }

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
    TheIconCache().BeginScan();
    ScanMenuFolder(menu, menuFolderPath);
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
    const int autoStartImage = autoStartOn ? MenuImage::On : MenuImage::AutoStartOff;
    const int separatorImage = folderAsSeparator ? MenuImage::On : MenuImage::SeparatorOff;
    const FixedEntry entries[] = {
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
