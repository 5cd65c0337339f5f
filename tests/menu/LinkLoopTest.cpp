// Folder links that lead back up the menu folder: the scan and the preload
// end, links back up stay empty submenus, and a link elsewhere still works.
#include "menu/MenuFolder.h"
#include "menu/MenuTestSupport.h"
#include "shell/ShellWorker.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using Labels = std::vector<std::wstring>;

std::wstring LoopingFolder() { return test::ExecutableFolder() + L"\\loops\\menu"; }

// The submenu of the entry with the label.
HMENU Submenu(HMENU menu, const std::wstring& label)
{
    for (const test::MenuEntry& entry : test::ReadMenu(menu))
        if (entry.label == label) return entry.submenu;
    return nullptr;
}

Labels Sorted(HMENU menu)
{
    Labels labels = test::Labels(menu);
    std::sort(labels.begin(), labels.end());
    return labels;
}

using LinkLoopTest = test::MenuBuildTest;

TEST_F(LinkLoopTest, LinksBackUpAreNotEnteredAgain)
{
    ASSERT_TRUE(test::Exists(LoopingFolder() + L"\\again\\a.txt")) << "the link fixture is missing";
    ScanMenuFolder(menu.get(), test::ListNow(LoopingFolder()), LoopingFolder());
    EXPECT_EQ(Sorted(menu->m_hMenu), (Labels{ L"a", L"again", L"other", L"up" }));
    EXPECT_EQ(test::Labels(test::Opened(Submenu(menu->m_hMenu, L"again"))), Labels{});  // the menu folder itself
    EXPECT_EQ(test::Labels(test::Opened(Submenu(menu->m_hMenu, L"other"))), Labels{ L"b" });
    // Above the menu folder: its own folder is not entered again from there.
    HMENU up = test::Opened(Submenu(menu->m_hMenu, L"up"));
    EXPECT_EQ(Sorted(up), (Labels{ L"menu", L"other" }));
    EXPECT_EQ(test::Labels(test::Opened(Submenu(up, L"menu"))), Labels{});
    EXPECT_EQ(test::Labels(test::Opened(Submenu(up, L"other"))), Labels{ L"b" });
}

TEST_F(LinkLoopTest, MergedLinksBackUpAddNothing)
{
    folderAsSeparator = 1;
    ScanMenuFolder(menu.get(), test::ListNow(LoopingFolder()), LoopingFolder());
    // other's b, up's other's b, then the menu folder's own a.
    EXPECT_EQ(test::Labels(menu->m_hMenu), (Labels{ L"b", L"-", L"b", L"-", L"-", L"a" }));
}

TEST_F(LinkLoopTest, ThePreloadEnds)
{
    TheShellWorker().Preload(test::ListNow(LoopingFolder()));
    EXPECT_TRUE(test::WaitFor([] { return TheShellWorker().IsIdle(); }, 20000));
}

}  // namespace
