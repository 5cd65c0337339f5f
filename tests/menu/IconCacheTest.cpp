// The icon cache across popups, on real shortcuts with icons of their own:
// a changed file shows its new icon, a deleted one leaves, a new one
// appears, answers that come late are dropped, and a popup while the
// preload runs shows every icon.
#include "framework/ShellFiles.h"
#include "menu/IconCache.h"
#include "menu/MenuFolder.h"
#include "menu/MenuTestSupport.h"
#include "menu/ShellWorker.h"
#include "support/Canvas.h"
#include "support/IconFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr COLORREF kRed = RGB(220, 0, 0), kBlue = RGB(0, 0, 220), kGreen = RGB(0, 160, 0);

// The colour in the middle of an image of the cache's list.
COLORREF ImageColour(int image)
{
    const int size = TheIconCache().GetIconSize();
    test::Canvas canvas(size, size);
    ::ImageList_Draw(TheIconCache().GetImageList(), image, canvas.dc(), 0, 0, ILD_NORMAL);
    return canvas.At(size / 2, size / 2);
}

class IconCacheTest : public test::MenuBuildTest {
protected:
    void SetUp() override
    {
        MenuBuildTest::SetUp();
        icons = test::ExecutableFolder() + L"\\icons";
        test::RemoveTree(icons);
        test::MakeFolder(icons);
        target = icons + L"\\target.txt";
        test::MakeFile(target);
        for (auto colour : { kRed, kBlue, kGreen })
            test::WriteFile(IconPath(colour), test::IconFileBytes(colour));
    }
    std::wstring IconPath(COLORREF colour) { return icons + L"\\" + std::to_wstring(colour) + L".ico"; }
    void Shortcut(const std::wstring& name, COLORREF colour)
    {
        ASSERT_TRUE(test::MakeShortcutWithIcon(target, IconPath(colour), folder + L"\\" + name + L".lnk"));
    }
    // The image of each entry of a fresh menu, by label, as built now.
    std::map<std::wstring, int> BuildNow()
    {
        menu = std::make_unique<CIconMenu>(images);
        menu->CreatePopupMenu();
        Build(FALSE);
        std::map<std::wstring, int> shown;
        for (const test::MenuEntry& entry : test::ReadMenu(menu->m_hMenu)) shown[entry.label] = entry.image;
        return shown;
    }
    // The images of the next popup once every icon it asked for has come.
    std::map<std::wstring, int> Popup()
    {
        BuildNow();
        test::WaitForShellWorker();
        return BuildNow();
    }
    unsigned Lookups() const { return TheShellWorker().GetLookupCount(); }
    // The worker has found what was asked, but the answers have not been
    // taken in (nothing pumps the messages meanwhile).
    static void LetTheWorkerAnswer() { ::Sleep(1500); }

    std::wstring icons, target;
};

TEST_F(IconCacheTest, OnlyANewOrChangedFileGoesToTheShell)
{
    Shortcut(L"red", kRed);
    Shortcut(L"blue", kBlue);
    unsigned before = Lookups();
    auto first = Popup();
    EXPECT_EQ(Lookups() - before, 2u);
    EXPECT_EQ(ImageColour(first[L"red"]), kRed);
    EXPECT_EQ(ImageColour(first[L"blue"]), kBlue);

    before = Lookups();
    EXPECT_EQ(Popup(), first);
    EXPECT_EQ(Lookups(), before);  // nothing changed: nothing asked

    // The red one now shows green; a new one appears.
    ::Sleep(20);  // a later last-write time
    ASSERT_TRUE(test::MakeShortcutWithIcon(target, IconPath(kGreen), folder + L"\\red.lnk"));
    Shortcut(L"new", kRed);
    before = Lookups();
    auto second = Popup();
    EXPECT_EQ(Lookups() - before, 2u);
    EXPECT_EQ(ImageColour(second[L"red"]), kGreen);
    EXPECT_EQ(ImageColour(second[L"new"]), kRed);
    EXPECT_EQ(ImageColour(second[L"blue"]), kBlue);
}

TEST_F(IconCacheTest, ADeletedFileLeavesTheCacheAndItsImageIsReused)
{
    Shortcut(L"red", kRed);
    Shortcut(L"blue", kBlue);
    Popup();
    EXPECT_EQ(TheIconCache().GetFileCount(), 2u);
    const int imageCount = ::ImageList_GetImageCount(TheIconCache().GetImageList());
    ::DeleteFileW((folder + L"\\blue.lnk").c_str());
    auto shown = Popup();
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(TheIconCache().GetFileCount(), 1u);
    // The freed image takes the next new icon: the list does not grow.
    Shortcut(L"green", kGreen);
    shown = Popup();
    EXPECT_EQ(ImageColour(shown[L"green"]), kGreen);
    EXPECT_EQ(::ImageList_GetImageCount(TheIconCache().GetImageList()), imageCount);
}

TEST_F(IconCacheTest, DocumentsOfOneTypeAreLookedUpOnce)
{
    for (int i = 0; i < 10; ++i) test::MakeFile(folder + L"\\note " + std::to_wstring(i) + L".quillopdoc");
    unsigned before = Lookups();
    auto shown = Popup();
    EXPECT_EQ(Lookups() - before, 1u);
    ASSERT_EQ(shown.size(), 10u);
    for (const auto& entry : shown) EXPECT_EQ(entry.second, shown.begin()->second);
    EXPECT_GE(shown.begin()->second, MenuImage::StripCount);
}

// A shortcut without an icon of its own shows its target type's icon; when
// the shortcut goes, that icon stays with the type's documents.
TEST_F(IconCacheTest, AShortcutLeavesItsTargetTypesIconToTheType)
{
    const std::wstring document = icons + L"\\report.quillopdoc";
    test::MakeFile(document);
    test::MakeFile(folder + L"\\notes.quillopdoc");
    ASSERT_TRUE(CreateShortcut(document.c_str(), (folder + L"\\plain.lnk").c_str()));
    auto first = Popup();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[L"plain"], first[L"notes"]);
    const COLORREF typeColour = ImageColour(first[L"notes"]);
    ::DeleteFileW((folder + L"\\plain.lnk").c_str());
    Popup();
    Shortcut(L"red", kRed);
    auto second = Popup();
    EXPECT_NE(second[L"red"], second[L"notes"]);
    EXPECT_EQ(ImageColour(second[L"notes"]), typeColour);
    EXPECT_EQ(ImageColour(second[L"red"]), kRed);
}

// New to the cache: a shortcut and a document of a type not seen before.
TEST_F(IconCacheTest, ABuildShowsStandInsAndAsksTheWorker)
{
    Shortcut(L"stand-in", kRed);
    test::MakeFile(folder + L"\\notes.quillopstandin");
    auto first = BuildNow();
    EXPECT_EQ(first[L"stand-in"], MenuImage::ProgramFile);
    EXPECT_EQ(first[L"notes"], MenuImage::Document);
    EXPECT_EQ(TheIconCache().GetAwaitedCount(), 2u);
    test::WaitForShellWorker();
    EXPECT_EQ(TheIconCache().GetAwaitedCount(), 0u);
    auto second = BuildNow();
    EXPECT_EQ(ImageColour(second[L"stand-in"]), kRed);
    EXPECT_GE(second[L"notes"], MenuImage::StripCount);
}

// Answers about a file as it was, or about a file that has gone, are
// dropped; a file that came back is asked for again.
TEST_F(IconCacheTest, LateAnswersAboutChangedOrDeletedFilesAreDropped)
{
    Shortcut(L"changed", kRed);
    Shortcut(L"deleted", kBlue);
    Shortcut(L"back", kBlue);
    BuildNow();
    LetTheWorkerAnswer();
    ::Sleep(20);  // a later last-write time
    ASSERT_TRUE(test::MakeShortcutWithIcon(target, IconPath(kGreen), folder + L"\\changed.lnk"));
    ASSERT_TRUE(::DeleteFileW((folder + L"\\deleted.lnk").c_str()));
    ASSERT_TRUE(::DeleteFileW((folder + L"\\back.lnk").c_str()));
    BuildNow();  // sees the change and the deletions
    Shortcut(L"back", kGreen);
    auto shown = BuildNow();
    EXPECT_EQ(shown.size(), 2u);
    test::WaitForShellWorker();  // the late answers arrive now
    shown = BuildNow();
    EXPECT_EQ(ImageColour(shown[L"changed"]), kGreen);
    EXPECT_EQ(ImageColour(shown[L"back"]), kGreen);
    EXPECT_EQ(TheIconCache().GetFileCount(), 2u);
    EXPECT_EQ(TheIconCache().GetAwaitedCount(), 0u);
    // The dropped answers' images were not kept: with the files gone, a new
    // icon takes a freed image instead of growing the list.
    const int imageCount = ::ImageList_GetImageCount(TheIconCache().GetImageList());
    ::DeleteFileW((folder + L"\\changed.lnk").c_str());
    ::DeleteFileW((folder + L"\\back.lnk").c_str());
    BuildNow();
    Shortcut(L"fresh", kBlue);
    EXPECT_EQ(ImageColour(Popup()[L"fresh"]), kBlue);
    EXPECT_EQ(::ImageList_GetImageCount(TheIconCache().GetImageList()), imageCount);
}

TEST_F(IconCacheTest, APopupDuringThePreloadAsksForEachFileOnce)
{
    const COLORREF colours[] = { kRed, kBlue, kGreen };
    for (int i = 0; i < 30; ++i) {
        test::MakeFolder(folder + L"\\sub " + std::to_wstring(i % 3));
        ASSERT_TRUE(test::MakeShortcutWithIcon(target, IconPath(colours[i % 3]),
                                               folder + L"\\sub " + std::to_wstring(i % 3) + L"\\link " +
                                                   std::to_wstring(i) + L".lnk"));
    }
    unsigned before = Lookups();
    TheShellWorker().Preload(folder.c_str());
    auto shown = Popup();
    ASSERT_EQ(shown.size(), 3u);
    for (int sub = 0; sub < 3; ++sub) {
        auto entries = test::ReadMenu(test::ReadMenu(menu->m_hMenu)[static_cast<size_t>(sub)].submenu);
        EXPECT_EQ(entries.size(), 10u);
        for (const test::MenuEntry& entry : entries) {
            int number = std::stoi(entry.label.substr(5));
            EXPECT_EQ(ImageColour(entry.image), colours[number % 3]) << entry.label;
        }
    }
    EXPECT_EQ(Lookups() - before, 30u);  // each file asked for once, by the popup or the preload
}

}  // namespace
