#include "MenuTestSupport.h"

#include "hotkeys/HotkeyTable.h"
#include "menu/IconCache.h"
#include "menu/MenuFolder.h"
#include "menu/ShortcutMenu.h"
#include "shell/FolderModel.h"
#include "support/TestSupport.h"

namespace test {

std::vector<MenuEntry> ReadMenu(HMENU menu)
{
    std::vector<MenuEntry> entries;
    int count = ::GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
        ::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
        MenuEntry entry;
        entry.id = info.wID;
        entry.separator = (info.fType & MFT_SEPARATOR) != 0;
        entry.ownerDrawn = (info.fType & MFT_OWNERDRAW) != 0;
        entry.submenu = info.hSubMenu;
        if (entry.ownerDrawn && info.dwItemData) {
            auto* data = reinterpret_cast<const MenuItemData*>(info.dwItemData);
            entry.label = data->label;
            entry.image = data->normalImage;
        }
        entries.push_back(entry);
    }
    return entries;
}

std::vector<std::wstring> Labels(HMENU menu)
{
    std::vector<std::wstring> labels;
    for (const MenuEntry& entry : ReadMenu(menu)) labels.push_back(entry.separator ? L"-" : entry.label);
    return labels;
}

HMENU Opened(HMENU submenu)
{
    FillSubmenu(submenu);
    return submenu;
}

namespace {

void OpenEvery(HMENU menu)
{
    for (int position = 0, count = ::GetMenuItemCount(menu); position < count; ++position)
        if (HMENU submenu = ::GetSubMenu(menu, position)) OpenEvery(Opened(submenu));
}

}  // namespace

std::wstring FreshMenuFolder()
{
    RemoveTree(MenuFolderPath());
    ::CreateDirectoryW(MenuFolderPath(), nullptr);
    return MenuFolderPath();
}

SnapshotPointer ListNow(const std::wstring& folder)
{
    CFolderModel model(folder);
    model.RefreshAndWait();
    return model.Snapshot();
}

void MakeFile(const std::wstring& path, const char* content) { WriteFile(path, content); }

void MakeFolder(const std::wstring& path) { ::CreateDirectoryW(path.c_str(), nullptr); }

void MenuBuildTest::SetUp()
{
    ::CoInitialize(nullptr);  // shortcuts are read and written through COM
    folder = FreshMenuFolder();
    folderAsSeparator = 0;
    theRecordList.Configure(sizeof(HotkeyRecord), kHotkeyRecordStep);
    theCommandPool.Clear();
    theRecordList.Clear();
    images = TheIconCache().GetImageList();
    menu = std::make_unique<CIconMenu>(images);
    menu->CreatePopupMenu();
}

void MenuBuildTest::TearDown()
{
    // Nothing of this test's is left for the next to meet.
    WaitForShellWorker();
    menu.reset();
    menuItemTable.clear();
    ::CoUninitialize();
}

void MenuBuildTest::Build(BOOL full, BOOL autoStart)
{
    // The menu shows the folder as it is now: listed afresh first, and
    // what is gone has left the icon cache, as the folder model's listener
    // sees to in the program.
    TheFolderModel().RefreshAndWait();
    TheIconCache().ForgetGoneFrom(TheFolderModel().Snapshot());
    ASSERT_TRUE(WaitFor([] { return !TheIconCache().IsForgetting(); }));
    BuildShortcutMenu(menu.get(), autoStart, full);
}

void MenuBuildTest::BuildWithIcons(BOOL full)
{
    Build(full);
    OpenEvery(menu->m_hMenu);
    WaitForShellWorker();
    menuItemTable.clear();
    menu = std::make_unique<CIconMenu>(images);
    menu->CreatePopupMenu();
    Build(full);
}

}  // namespace test
