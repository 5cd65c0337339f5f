// The short-cut menu built from real scratch menu folders and read back.
#include "app/LauncherApp.h"
#include "hotkeys/HotkeyTable.h"
#include "menu/IconCache.h"
#include "menu/MenuFolder.h"
#include "menu/ShortcutMenu.h"
#include "menu/MenuTestSupport.h"
#include "shell/ShellWorker.h"
#include "shell/FolderModel.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using Labels = std::vector<std::wstring>;

using MenuFolderTest = test::MenuBuildTest;

TEST_F(MenuFolderTest, EmptyFolderFullMenuHasOnlyTheFixedEntries)
{
    Build(TRUE);
    auto top = test::ReadMenu(menu->m_hMenu);
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(top[0].id, MenuCommand::AddNewItem);
    EXPECT_EQ(top[0].label, L"<<Add New Item>>");
    EXPECT_EQ(top[0].image, MenuImage::AddNewItem);
    EXPECT_TRUE(top[1].separator);
    EXPECT_FALSE(top[1].ownerDrawn);
    EXPECT_EQ(top[2].label, L"Quillop");
    EXPECT_EQ(top[2].image, MenuImage::Program);
    ASSERT_NE(top[2].submenu, nullptr);

    EXPECT_EQ(test::Labels(top[2].submenu),
              (Labels{ L"Find...", L"-", L"Desktop", L"Show All", L"-", L"Edit", L"Hotkeys", L"-", L"Auto Start",
                       L"Folder As Separator", L"-", L"Help", L"About", L"-", L"Exit" }));
    std::vector<UINT> ids;
    std::vector<int> pictures;
    for (const auto& entry : test::ReadMenu(top[2].submenu)) {
        if (entry.separator) continue;
        ids.push_back(entry.id);
        pictures.push_back(entry.image);
    }
    EXPECT_EQ(ids, (std::vector<UINT>{ MenuCommand::Find, 2, 3, 4, 5, 6, 7, 8, 9, 10 }));
    EXPECT_EQ(pictures, (std::vector<int>{ MenuImage::Find, 2, 11, 9, 12, 3, 10, 4, 5, 6 }));
    // No file icon is held.
    EXPECT_EQ(TheIconCache().GetFileCount(), 0u);
}

TEST_F(MenuFolderTest, OnImagesFollowAutoStartAndTheOption)
{
    folderAsSeparator = 1;
    Build(TRUE, TRUE);
    auto fixed = test::ReadMenu(test::ReadMenu(menu->m_hMenu)[2].submenu);
    EXPECT_EQ(fixed[8].label, L"Auto Start");
    EXPECT_EQ(fixed[8].image, MenuImage::AutoStartOn);
    EXPECT_EQ(fixed[9].image, MenuImage::On);
}

TEST_F(MenuFolderTest, EmptyFolderBareMenuIsEmptyAndPopsNothing)
{
    Build(FALSE);
    EXPECT_EQ(menu->GetMenuItemCount(), 0);
    EXPECT_EQ(PopupShortcutMenu(nullptr, FALSE, FALSE), 0);
}

TEST_F(MenuFolderTest, HiddenFilesAreLeftOutHiddenFoldersAreNot)
{
    test::MakeFile(folder + L"\\shown.txt");
    test::MakeFile(folder + L"\\secret.txt");
    ::SetFileAttributesW((folder + L"\\secret.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    test::MakeFolder(folder + L"\\Private");
    test::MakeFile(folder + L"\\Private\\inside.txt");
    ::SetFileAttributesW((folder + L"\\Private").c_str(), FILE_ATTRIBUTE_HIDDEN);
    Build(FALSE);
    auto top = test::ReadMenu(menu->m_hMenu);
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0].label, L"Private");
    EXPECT_EQ(top[0].image, MenuImage::Folder);
    EXPECT_EQ(test::Labels(test::Opened(top[0].submenu)), (Labels{ L"inside" }));
    EXPECT_EQ(top[1].label, L"shown");
}

TEST_F(MenuFolderTest, LabelsAreCutAtTheLastDot)
{
    test::MakeFolder(folder + L"\\My.Stuff");
    test::MakeFile(folder + L"\\My.Stuff\\archive.tar.gz");
    test::MakeFile(folder + L"\\My.Stuff\\.profile");
    test::MakeFile(folder + L"\\My.Stuff\\README");
    test::MakeFile(folder + L"\\My.Stuff\\My.Stuff");
    BuildWithIcons(FALSE);
    auto top = test::ReadMenu(menu->m_hMenu);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].label, L"My.Stuff");  // a folder keeps its dots
    Labels inner = test::Labels(test::Opened(top[0].submenu));
    std::sort(inner.begin(), inner.end());
    EXPECT_EQ(inner, (Labels{ L"", L"My", L"README", L"archive.tar" }));
    // Even the empty label keeps its id, table position and icon.
    for (const auto& entry : test::ReadMenu(top[0].submenu)) {
        EXPECT_NE(MenuItemPath(entry.id), nullptr);
        EXPECT_GE(entry.image, MenuImage::StripCount);
    }
    EXPECT_EQ(menuItemTable.size(), 4u);
}

// A TAB in a file's name is shown as a space: it would otherwise start the
// hotkey column.
TEST_F(MenuFolderTest, ATabInANameIsShownAsASpace)
{
    // Made by the build from the Unix side: Windows makes no such name.
    const std::wstring odd = test::ExecutableFolder() + L"\\odd-names";
    // (Wine lists such a name, but opens nothing by it: no Exists check.)
    ASSERT_EQ(AddHotkey(1769588, (odd + L"\\tab\tthere.txt").c_str()), 1);
    ScanMenuFolder(menu.get(), test::ListNow(odd), odd);
    EXPECT_EQ(test::Labels(menu->m_hMenu), (Labels{ L"tab there\tAlt+Ctrl+F5" }));
}

TEST_F(MenuFolderTest, ASubmenuIsFilledOnceWhenItFirstOpensWithTheNextIds)
{
    test::MakeFolder(folder + L"\\A");
    test::MakeFolder(folder + L"\\A\\Inner");
    test::MakeFile(folder + L"\\A\\x");
    test::MakeFile(folder + L"\\A\\y");
    test::MakeFile(folder + L"\\z");
    Build(TRUE);
    auto top = test::ReadMenu(menu->m_hMenu);
    // "<<Add New Item>>", separator, A, z, separator, Quillop
    ASSERT_EQ(top.size(), 6u);
    EXPECT_EQ(top[2].label, L"A");
    EXPECT_EQ(top[3].label, L"z");
    EXPECT_EQ(top[3].id, 11u);
    EXPECT_TRUE(top[4].separator);
    EXPECT_EQ(::GetMenuItemCount(top[2].submenu), 0) << "made before it opened";
    EXPECT_EQ(std::wstring(MenuSubfolderPath(top[2].submenu)), folder + L"\\A");

    // A file added meanwhile is not shown: the popup shows one snapshot.
    test::MakeFile(folder + L"\\A\\later");
    EXPECT_TRUE(FillSubmenu(top[2].submenu));
    auto inner = test::ReadMenu(top[2].submenu);
    ASSERT_EQ(inner.size(), 3u);
    EXPECT_EQ(inner[0].label, L"Inner");
    EXPECT_EQ(::GetMenuItemCount(inner[0].submenu), 0);
    EXPECT_EQ(inner[1].id, 12u);
    EXPECT_EQ(inner[2].id, 13u);
    for (const auto& entry : { inner[1], inner[2] })
        EXPECT_EQ(std::wstring(MenuItemPath(entry.id)), folder + L"\\A\\" + entry.label);
    EXPECT_EQ(std::wstring(MenuItemPath(11)), folder + L"\\z");
    EXPECT_EQ(MenuItemPath(14), nullptr);
    EXPECT_EQ(MenuItemPath(10), nullptr);
    // Opened again, it stays as it is.
    EXPECT_FALSE(FillSubmenu(top[2].submenu));
    EXPECT_EQ(::GetMenuItemCount(top[2].submenu), 3);
    EXPECT_FALSE(FillSubmenu(top[5].submenu)) << "the fixed entries' submenu is made whole";
}

TEST_F(MenuFolderTest, OptionOffGivesEmptySubfoldersAnEmptySubmenu)
{
    test::MakeFolder(folder + L"\\Empty");
    Build(FALSE);
    auto top = test::ReadMenu(menu->m_hMenu);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].label, L"Empty");
    EXPECT_EQ(::GetMenuItemCount(top[0].submenu), 0);
}

TEST_F(MenuFolderTest, OptionOnMergesFoldersBetweenSeparators)
{
    folderAsSeparator = 1;
    test::MakeFolder(folder + L"\\Empty");
    test::MakeFolder(folder + L"\\Outer");
    test::MakeFolder(folder + L"\\Outer\\Inner");
    test::MakeFile(folder + L"\\Outer\\Inner\\deep.txt");
    Build(TRUE);
    Labels top = test::Labels(menu->m_hMenu);
    // The inner folder's separator and the outer one's, and none added
    // before "Quillop" since the scan ended with one.
    EXPECT_EQ(top, (Labels{ L"<<Add New Item>>", L"-", L"deep", L"-", L"-", L"Quillop" }));
}

TEST_F(MenuFolderTest, HotkeyTextIsShownRightOfATabAndTheLowestIndexWins)
{
    test::MakeFile(folder + L"\\notes.txt");
    std::wstring upper = folder + L"\\NOTES.TXT";
    ASSERT_EQ(AddHotkey(1769588, upper.c_str()), 1);                    // Alt+Ctrl+F5
    ASSERT_EQ(AddHotkey(458817, (folder + L"\\notes.txt").c_str()), 2);  // Shift+A
    Build(FALSE);
    EXPECT_EQ(test::Labels(menu->m_hMenu), (Labels{ L"notes\tAlt+Ctrl+F5" }));
}

// Find's hotkey shows beside "Find...", as an entry's beside the entry.
TEST_F(MenuFolderTest, FindShowsItsHotkey)
{
    ASSERT_EQ(AddHotkey(2293873, kFindMarker), 1);  // Win+F2
    Build(TRUE);
    auto top = test::ReadMenu(menu->m_hMenu);
    ASSERT_FALSE(top.empty());
    ASSERT_NE(top.back().submenu, nullptr);
    EXPECT_EQ(test::Labels(top.back().submenu).front(), L"Find...\tWin+F2");
}

TEST_F(MenuFolderTest, FilesOfOneKindShareTheirIconsImage)
{
    test::MakeFile(folder + L"\\a.txt");
    test::MakeFile(folder + L"\\b.txt");
    // A program with an icon of its own (the test executable has Quillop's).
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    ASSERT_TRUE(::CopyFileW(self, (folder + L"\\c.exe").c_str(), FALSE));
    BuildWithIcons(FALSE);
    std::map<std::wstring, int> image;
    for (const test::MenuEntry& entry : test::ReadMenu(menu->m_hMenu)) image[entry.label] = entry.image;
    ASSERT_EQ(image.size(), 3u);
    EXPECT_GE(image[L"a"], MenuImage::StripCount);
    EXPECT_EQ(image[L"b"], image[L"a"]);
    EXPECT_GE(image[L"c"], MenuImage::StripCount);
    EXPECT_NE(image[L"c"], image[L"a"]);

    // The next popup asks the shell for nothing and shows the same images.
    unsigned lookups = TheShellWorker().GetLookupCount();
    CIconMenu again(images);
    again.CreatePopupMenu();
    TheFolderModel().RefreshAndWait();
    BuildShortcutMenu(&again, FALSE, FALSE);
    test::WaitForShellWorker();
    EXPECT_EQ(TheShellWorker().GetLookupCount(), lookups);
    std::map<std::wstring, int> second;
    for (const test::MenuEntry& entry : test::ReadMenu(again.m_hMenu)) second[entry.label] = entry.image;
    EXPECT_EQ(second, image);
}

TEST_F(MenuFolderTest, OverlongNamesAreLeftOutAndManyEntriesBuild)
{
    // A name that fits on its own but not inside the folder's path.
    std::wstring longName(250, L'n');
    HANDLE file = ::CreateFileW((L"\\\\?\\" + folder + L"\\" + longName + L".txt").c_str(), GENERIC_WRITE, 0,
                                nullptr, CREATE_ALWAYS, 0, nullptr);
    bool made = file != INVALID_HANDLE_VALUE;
    if (made) ::CloseHandle(file);
    for (int i = 0; i < 1500; ++i) test::MakeFile(folder + L"\\f" + std::to_wstring(i) + L".txt");
    Build(FALSE);
    // The level shows as many as it can usefully, then a row for Find.
    EXPECT_EQ(menu->GetMenuItemCount(), static_cast<int>(kLevelCap) + 1);
    EXPECT_EQ(menuItemTable.size(), kLevelCap);
    EXPECT_EQ(test::Labels(menu->m_hMenu).back(), L"\x2026 and 500 more: Find");
    for (const CString& path : menuItemTable) EXPECT_LT(path.GetLength(), MAX_PATH);
    if (made) {
        EXPECT_TRUE(folder.size() + 1 + longName.size() + 4 >= MAX_PATH);
    }
}

}  // namespace
