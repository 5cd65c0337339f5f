// The icon cache across popups, on real shortcuts with icons of their own:
// a changed file shows its new icon, a deleted one leaves, a new one
// appears, answers that come late are dropped, and a popup while the
// preload runs shows every icon.
#include "framework/ShellFiles.h"
#include "menu/IconCache.h"
#include "menu/MenuFolder.h"
#include "menu/MenuTestSupport.h"
#include "menu/ShortcutMenu.h"
#include "shell/ShellWorker.h"
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
    // The images of the next popup once every icon it asked for has come
    // and the rechecks a press sends once its menu shows have been made.
    std::map<std::wstring, int> Popup()
    {
        BuildNow();
        TheIconCache().SendRechecks();
        test::WaitForShellWorker();
        return BuildNow();
    }
    unsigned Lookups() const { return TheShellWorker().GetLookupCount(); }
    // The worker has looked up as many icons as asked and posted its answers,
    // but they have not been taken in: nothing pumps the messages meanwhile.
    void LetTheWorkerAnswer(unsigned lookups) const
    {
        const DWORD start = ::GetTickCount();
        // The last answer is handed on after its look-up is counted.
        while ((Lookups() < lookups || !TheShellWorker().HasLookedUpAll()) && ::GetTickCount() - start < 30000)
            ::Sleep(10);
        ASSERT_GE(Lookups(), lookups) << "the worker did not answer";
        ASSERT_TRUE(TheShellWorker().HasLookedUpAll()) << "the worker is still looking up";
    }

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

// An open menu may still show an image the cache gave back, and keeps
// what it drew of it by index: no other icon takes that index until the
// menu has closed; then the next new icon does.
TEST_F(IconCacheTest, AnImageGivenBackWhileAMenuShowsWaitsUntilItCloses)
{
    Shortcut(L"red", kRed);
    Shortcut(L"blue", kBlue);
    const int blue = Popup()[L"blue"];
    TheIconCache().SetMenuShowing(true);
    ::DeleteFileW((folder + L"\\blue.lnk").c_str());
    BuildNow();  // the menu's scan sees blue gone
    Shortcut(L"green", kGreen);
    auto shown = Popup();
    EXPECT_NE(shown[L"green"], blue) << "an icon took the index of one an open menu may show";
    EXPECT_EQ(ImageColour(blue), kBlue);
    EXPECT_EQ(ImageColour(shown[L"green"]), kGreen);
    TheIconCache().SetMenuShowing(false);
    const COLORREF yellow = RGB(220, 220, 0);
    test::WriteFile(IconPath(yellow), test::IconFileBytes(yellow));
    Shortcut(L"yellow", yellow);
    shown = Popup();
    EXPECT_EQ(shown[L"yellow"], blue) << "the index given back was not given out once the menu closed";
    EXPECT_EQ(ImageColour(blue), yellow);
}

// The press's menu holds them back for as long as it shows, and only then.
TEST_F(IconCacheTest, APressHoldsImagesGivenBackUntilItsMenuCloses)
{
    Shortcut(L"red", kRed);
    UniqueWindow owner(::CreateWindowExW(0, L"Static", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, nullptr, nullptr,
                                         nullptr, nullptr));
    ASSERT_TRUE(owner);
    const HWND window = owner.Get();
    bool heldWhileShown = false, shown = false;
    test::DriveShownMenu(
        [&] {
            shown = true;
            heldWhileShown = TheIconCache().IsMenuShowing();
            ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        },
        [window] { return PopupShortcutMenu(window, FALSE, FALSE); });
    ASSERT_TRUE(shown) << "the menu did not show";
    EXPECT_TRUE(heldWhileShown);
    EXPECT_FALSE(TheIconCache().IsMenuShowing()) << "still held back once the menu closed";
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
    const unsigned before = Lookups();
    BuildNow();
    LetTheWorkerAnswer(before + 3);
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
    TheShellWorker().Preload(test::ListNow(folder));
    auto shown = Popup();
    ASSERT_EQ(shown.size(), 3u);
    for (int sub = 0; sub < 3; ++sub) {
        auto entries = test::ReadMenu(test::Opened(test::ReadMenu(menu->m_hMenu)[static_cast<size_t>(sub)].submenu));
        EXPECT_EQ(entries.size(), 10u);
        for (const test::MenuEntry& entry : entries) {
            int number = std::stoi(entry.label.substr(5));
            EXPECT_EQ(ImageColour(entry.image), colours[number % 3]) << entry.label;
        }
    }
    EXPECT_EQ(Lookups() - before, 30u);  // each file asked for once, by the popup or the preload
}

// What a file shows follows what lies behind it: a shortcut's target that
// appears later, a shortcut replaced by one of the same size and time, an
// icon file changed on disk, a type whose icon the registry changes.
TEST_F(IconCacheTest, IconsFollowWhatLiesBehindThem)
{
    // A shortcut to an icon file that is not there yet.
    const std::wstring later = icons + L"\\later.ico";
    ASSERT_TRUE(CreateShortcut(later.c_str(), (folder + L"\\later.lnk").c_str()));
    Popup();
    test::WriteFile(later, test::IconFileBytes(kRed));
    EXPECT_EQ(ImageColour(Popup()[L"later"]), kRed);

    // A shortcut replaced by another of the same size and last-write time.
    const std::wstring swapped = folder + L"\\swapped.lnk", first = icons + L"\\sa.ico", second = icons + L"\\sb.ico";
    test::WriteFile(first, test::IconFileBytes(kRed));
    test::WriteFile(second, test::IconFileBytes(kGreen));
    ASSERT_TRUE(test::MakeShortcutWithIcon(target, first, swapped));
    EXPECT_EQ(ImageColour(Popup()[L"swapped"]), kRed);
    WIN32_FILE_ATTRIBUTE_DATA before;
    ::GetFileAttributesExW(swapped.c_str(), GetFileExInfoStandard, &before);
    ASSERT_TRUE(test::MakeShortcutWithIcon(target, second, swapped));  // an icon path of the same length
    {
        UniqueFile file(::CreateFileW(swapped.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ::SetFileTime(file.Get(), nullptr, nullptr, &before.ftLastWriteTime);
    }
    WIN32_FILE_ATTRIBUTE_DATA after;
    ::GetFileAttributesExW(swapped.c_str(), GetFileExInfoStandard, &after);
    ASSERT_EQ(after.nFileSizeLow, before.nFileSizeLow);
    EXPECT_EQ(ImageColour(Popup()[L"swapped"]), kGreen);

    // An icon file in the menu folder, and one a shortcut names, changed.
    const std::wstring own = folder + L"\\own.ico";
    test::WriteFile(own, test::IconFileBytes(kRed));
    Shortcut(L"named", kBlue);
    auto shown = Popup();
    EXPECT_EQ(ImageColour(shown[L"own"]), kRed);
    EXPECT_EQ(ImageColour(shown[L"named"]), kBlue);
    ::Sleep(20);  // a later last-write time
    test::WriteFile(own, test::IconFileBytes(kGreen));
    test::WriteFile(IconPath(kBlue), test::IconFileBytes(kGreen));
    shown = Popup();
    EXPECT_EQ(ImageColour(shown[L"own"]), kGreen);
    EXPECT_EQ(ImageColour(shown[L"named"]), kGreen);
    test::WriteFile(IconPath(kBlue), test::IconFileBytes(kBlue));
}

// A press has the worker recheck the shortcuts it knows once its menu is
// on the screen: an icon file changed behind a shortcut shows from then on.
TEST_F(IconCacheTest, APressHasTheShortcutsRecheckedOnceItsMenuIsOpen)
{
    Shortcut(L"named", kBlue);
    BuildNow();
    test::WaitForShellWorker();
    ASSERT_EQ(ImageColour(BuildNow()[L"named"]), kBlue);
    ::Sleep(20);  // a later last-write time
    test::WriteFile(IconPath(kBlue), test::IconFileBytes(kGreen));
    UniqueWindow owner(::CreateWindowExW(0, L"Static", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, nullptr, nullptr,
                                         nullptr, nullptr));
    ASSERT_TRUE(owner);
    const HWND window = owner.Get();
    test::DriveMenu(window, { VK_ESCAPE }, [window] { return PopupShortcutMenu(window, FALSE, FALSE); });
    COLORREF shown = kBlue;
    test::WaitFor([&] {
        test::WaitForShellWorker();
        return (shown = ImageColour(BuildNow()[L"named"])) == kGreen;
    }, 15000);
    EXPECT_EQ(shown, kGreen) << "the press had nothing rechecked";
    test::WriteFile(IconPath(kBlue), test::IconFileBytes(kBlue));
}

TEST_F(IconCacheTest, ATypesIconFollowsItsAssociation)
{
    const std::wstring classes = L"";
    auto associate = [&](COLORREF colour) {
        ::RegSetKeyValueW(HKEY_CLASSES_ROOT, (classes + L".quillopassoc").c_str(), nullptr, REG_SZ, L"QuillopAssoc",
                          sizeof(L"QuillopAssoc"));
        std::wstring icon = IconPath(colour) + L",0";
        ::RegSetKeyValueW(HKEY_CLASSES_ROOT, (classes + L"QuillopAssoc\\DefaultIcon").c_str(), nullptr, REG_SZ,
                          icon.c_str(), static_cast<DWORD>((icon.size() + 1) * sizeof(wchar_t)));
    };
    associate(kRed);
    test::MakeFile(folder + L"\\file.quillopassoc");
    EXPECT_EQ(ImageColour(Popup()[L"file"]), kRed);
    associate(kBlue);
    EXPECT_EQ(ImageColour(Popup()[L"file"]), kBlue);
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L".quillopassoc");
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"QuillopAssoc");
}

}  // namespace
