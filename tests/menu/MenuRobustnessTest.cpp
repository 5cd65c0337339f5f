// Menu folders no one would make on purpose: deep, long-named, odd-named,
// crowded or unreadable. The menu still builds, within its buffers.
#include "menu/MenuFolder.h"
#include "menu/MenuTestSupport.h"
#include "menu/ShortcutMenu.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class MenuRobustness : public test::MenuBuildTest {
protected:
    void TearDown() override
    {
        MenuBuildTest::TearDown();
        test::RemoveTree(folder);
    }
    // Every file entry's path is whole and inside the buffers.
    void ExpectTableSound()
    {
        for (UINT id = MenuCommand::FirstFileEntry; id < MenuCommand::FirstFileEntry + menuItemTable.size(); ++id) {
            const wchar_t* path = MenuItemPath(id);
            ASSERT_NE(path, nullptr);
            EXPECT_LT(lstrlenW(path), MAX_PATH);
            EXPECT_TRUE(test::Exists(path)) << path;
        }
    }
};

TEST_F(MenuRobustness, TwentyLevelsOfFoldersBecomeTwentyLevelsOfSubmenus)
{
    std::wstring level = folder;
    for (int depth = 0; depth < 20; ++depth) {
        level += L"\\L" + std::to_wstring(depth);
        test::MakeFolder(level);
        test::MakeFile(level + L"\\f" + std::to_wstring(depth) + L".txt");
    }
    Build(FALSE);
    HMENU current = menu->m_hMenu;
    int depth = 0;
    while (current) {
        std::vector<test::MenuEntry> entries = test::ReadMenu(current);
        HMENU next = nullptr;
        for (const test::MenuEntry& entry : entries)
            if (entry.submenu) next = test::Opened(entry.submenu);
        if (!next) break;
        ++depth;
        EXPECT_EQ(test::Labels(next).back(), L"f" + std::to_wstring(depth - 1));
        current = next;
    }
    EXPECT_EQ(depth, 20);
    EXPECT_EQ(menuItemTable.size(), 20u);
    ExpectTableSound();
}

TEST_F(MenuRobustness, NamesUpToThePathLimitAndOddCharactersBuild)
{
    // A name whose path is 259 characters fits; one more does not.
    size_t room = MAX_PATH - 1 - folder.size() - 1;
    std::wstring fits = std::wstring(room - 4, L'n') + L".txt";
    std::wstring over = std::wstring(room - 3, L'o') + L".txt";
    ASSERT_LE(over.size(), 255u) << "the scratch folder is too deep for this test";
    for (const std::wstring& name : { fits, over }) {
        HANDLE file = ::CreateFileW((L"\\\\?\\" + folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        ::CloseHandle(file);
    }
    test::MakeFile(folder + L"\\Tom & Jerry.txt");
    test::MakeFile(folder + L"\\&&&.txt");
    Build(FALSE);
    std::vector<std::wstring> labels = test::Labels(menu->m_hMenu);
    std::sort(labels.begin(), labels.end());
    // Labels are kept to 71 characters, a cut one ending in an ellipsis.
    EXPECT_EQ(labels, (std::vector<std::wstring>{ L"&&&", L"Tom & Jerry", std::wstring(70, L'n') + L"\x2026" }));
    EXPECT_EQ(menuItemTable.size(), 3u);
    ExpectTableSound();
}

TEST_F(MenuRobustness, FiveThousandFilesInOneFolderShowTheFirstThousandAndFind)
{
    for (int i = 0; i < 5000; ++i) test::MakeFile(folder + L"\\file " + std::to_wstring(i) + L".txt", "");
    Build(TRUE);
    // <<Add New Item>>, a separator, the files shown, the Find row, a
    // separator, "Quillop".
    EXPECT_EQ(menu->GetMenuItemCount(), static_cast<int>(kLevelCap) + 5);
    EXPECT_EQ(menuItemTable.size(), kLevelCap);
    EXPECT_EQ(MenuItemPath(MenuCommand::FirstFileEntry + static_cast<UINT>(kLevelCap)), nullptr);
    const test::MenuEntry findRow = test::ReadMenu(menu->m_hMenu)[kLevelCap + 2];
    EXPECT_EQ(findRow.label, L"\x2026 and 4000 more: Find");
    EXPECT_EQ(findRow.image, MenuImage::Find);
    ASSERT_NE(FindRowFolder(findRow.id), nullptr);
    EXPECT_EQ(std::wstring(FindRowFolder(findRow.id)), folder);
    EXPECT_EQ(MenuItemPath(findRow.id), nullptr) << "the row is no file";
    // Ctrl on an entry opens every file of its folder, those past the cap too.
    EXPECT_EQ(MenuFolderFiles(folder).size(), 5000u);
    ExpectTableSound();
}

TEST_F(MenuRobustness, AnUnreadableFolderIsAnEmptySubmenu)
{
    test::MakeFolder(folder + L"\\Locked");
    test::MakeFile(folder + L"\\Locked\\inside.txt");
    test::MakeFile(folder + L"\\outside.txt");
    // Held open by someone who shares it with no one: it cannot be listed.
    HANDLE held = ::CreateFileW((folder + L"\\Locked").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW((folder + L"\\Locked\\*.*").c_str(), &entry);
    bool unreadable = find == INVALID_HANDLE_VALUE;
    if (!unreadable) ::FindClose(find);
    ASSERT_TRUE(unreadable) << "the folder could still be listed";
    Build(FALSE);
    ::CloseHandle(held);
    std::vector<test::MenuEntry> entries = test::ReadMenu(menu->m_hMenu);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].label, L"Locked");
    ASSERT_NE(entries[0].submenu, nullptr);
    EXPECT_EQ(::GetMenuItemCount(entries[0].submenu), 0);
    EXPECT_EQ(entries[1].label, L"outside");
    ExpectTableSound();
}

}  // namespace
