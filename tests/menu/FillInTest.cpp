// A menu built while a folder is still being read shows it as "(reading…)"
// (or "(not responding)"), and fills it in when its listing arrives: in a
// submenu at once, at the top only through a new popup.
#include "menu/IconCache.h"
#include "menu/MenuFolder.h"
#include "menu/MenuTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using Labels = std::vector<std::wstring>;

const std::wstring kTop = L"C:\\Quillop menu";

FolderEntry Entry(const wchar_t* name, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE)
{
    FolderEntry entry;
    entry.name = name;
    entry.attributes = attributes;
    return entry;
}

ListingPointer Listing(const std::wstring& path, ListingState state, std::vector<FolderEntry> entries = {})
{
    auto listing = std::make_shared<FolderListing>();
    listing->path = path;
    listing->state = state;
    listing->entries = std::move(entries);
    return listing;
}

// The top folder with a file and two subfolders, each listed or not.
SnapshotPointer Tree(unsigned generation, ListingPointer share, ListingPointer tools)
{
    auto snapshot = std::make_shared<FolderSnapshot>(kTop, generation);
    snapshot->Add(Listing(kTop, ListingState::Listed,
                          { Entry(L"Share", FILE_ATTRIBUTE_DIRECTORY), Entry(L"Tools", FILE_ATTRIBUTE_DIRECTORY),
                            Entry(L"top.txt") }));
    if (share) snapshot->Add(share);
    if (tools) snapshot->Add(tools);
    return snapshot;
}

class FillInTest : public test::MenuBuildTest {
protected:
    void TearDown() override
    {
        ClearMenuTables();
        test::MenuBuildTest::TearDown();
    }
    HMENU Sub(int position) { return ::GetSubMenu(menu->m_hMenu, position); }
};

TEST_F(FillInTest, ASubmenuStillBeingReadFillsInWhenItsListingArrives)
{
    const std::wstring tools = kTop + L"\\Tools";
    ClearMenuTables();
    nextMenuItemId = MenuCommand::FirstFileEntry;
    ScanMenuFolder(menu.get(), Tree(1, Listing(kTop + L"\\Share", ListingState::NotResponding), nullptr), kTop);
    EXPECT_EQ(test::Labels(menu->m_hMenu), (Labels{ L"Share", L"Tools", L"top" }));
    EXPECT_EQ(test::Labels(test::Opened(Sub(0))), Labels{ L"(not responding)" });
    EXPECT_EQ(test::Labels(test::Opened(Sub(1))), Labels{ L"(reading\u2026)" });
    EXPECT_EQ(test::ReadMenu(Sub(1))[0].id, 0u);
    EXPECT_TRUE(::GetMenuState(Sub(1), 0, MF_BYPOSITION) & MF_GRAYED);

    // Tools arrives: its entries fill its submenu, with ids after the others.
    const bool reopen = FillInArrivedFolders(
        Tree(2, Listing(kTop + L"\\Share", ListingState::NotResponding),
              Listing(tools, ListingState::Listed, { Entry(L"a.exe"), Entry(L"b.txt") })),
        nullptr);
    EXPECT_FALSE(reopen);
    EXPECT_EQ(test::Labels(Sub(1)), (Labels{ L"a", L"b" }));
    auto entries = test::ReadMenu(Sub(1));
    EXPECT_EQ(entries[0].id, 12u);
    EXPECT_EQ(std::wstring(MenuItemPath(12)), tools + L"\\a.exe");
    EXPECT_EQ(std::wstring(MenuItemPath(13)), tools + L"\\b.txt");
    EXPECT_EQ(test::Labels(Sub(0)), Labels{ L"(not responding)" }) << "still not answering";
}

TEST_F(FillInTest, ATopLevelStillBeingReadNeedsANewPopup)
{
    auto reading = std::make_shared<FolderSnapshot>(kTop, 0);
    reading->Add(Listing(kTop, ListingState::Reading));
    ClearMenuTables();
    ScanMenuFolder(menu.get(), reading, kTop);
    EXPECT_EQ(test::Labels(menu->m_hMenu), Labels{ L"(reading\u2026)" });
    EXPECT_TRUE(FillInArrivedFolders(Tree(1, nullptr, nullptr), nullptr));
}

TEST_F(FillInTest, AMergedFolderStillBeingReadNeedsANewPopup)
{
    folderAsSeparator = 1;
    ClearMenuTables();
    ScanMenuFolder(menu.get(), Tree(1, Listing(kTop + L"\\Share", ListingState::Listed, { Entry(L"s.txt") }), nullptr),
                   kTop);
    EXPECT_EQ(test::Labels(menu->m_hMenu), (Labels{ L"s", L"-", L"(reading\u2026)", L"-", L"top" }));
    EXPECT_TRUE(FillInArrivedFolders(
        Tree(2, nullptr, Listing(kTop + L"\\Tools", ListingState::Listed, { Entry(L"t.txt") })), nullptr));
}

}  // namespace
