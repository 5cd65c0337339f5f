// Drops sent to the real tray window: files, shortcuts, folders and drives
// added to the menu folder on the drop lane, and what is refused.
#include "app/LauncherApp.h"
#include "app/StartedApp.h"
#include "app/TrayWindow.h"
#include "framework/ShellFiles.h"
#include "menu/IconCache.h"
#include "menu/IconMenu.h"
#include "menu/MenuFolder.h"
#include "menu/ShortcutMenu.h"
#include "shell/DroppedFiles.h"
#include "shell/FolderModel.h"
#include "support/ReadLink.h"
#include "support/RequireSlowVolume.h"
#include "support/SlowVolume.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

using test::Link;
using test::ReadLink;

// A real drop handle, as the shell hands it over.
HDROP MakeDrop(const std::vector<std::wstring>& paths)
{
    size_t characters = 1;
    for (const auto& path : paths) characters += path.size() + 1;
    HGLOBAL block = ::GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* list = reinterpret_cast<wchar_t*>(drop + 1);
    for (const auto& path : paths) {
        wmemcpy(list, path.c_str(), path.size());
        list += path.size() + 1;
    }
    ::GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

void MakeFolder(const std::wstring& path) { ::CreateDirectoryW(path.c_str(), nullptr); }

class DropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(test::StartTheAppOnce());
        // An icon still being read from the last test's shortcuts would
        // keep them from being removed.
        test::WaitForShellWorker();
        menu = MenuFolderPath();
        test::RemoveTree(menu);
        ::CreateDirectoryW(menu.c_str(), nullptr);
        source = test::ExecutableFolder() + L"\\drop source";
        test::RemoveTree(source);
        ::CreateDirectoryW(source.c_str(), nullptr);
    }
    void TearDown() override
    {
        test::RemoveTree(source);  // deep trees go too: the next test's walks stay short
        menuItemTable.clear();
    }
    void Drop(const std::vector<std::wstring>& paths)
    {
        theTrayWindow.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)));
        test::WaitForShellWorker();
    }
    std::wstring menu, source;
};

TEST_F(DropTest, AFileGetsAShortcutThatASecondDropReplaces)
{
    test::WriteFile(source + L"\\report.txt", "r");
    test::WriteFile(source + L"\\report.doc", "d");
    test::WriteFile(source + L"\\tool", "t");
    Drop({ source + L"\\report.txt", source + L"\\tool" });
    Link first = ReadLink(menu + L"\\report.lnk");
    EXPECT_EQ(first.target, source + L"\\report.txt");
    EXPECT_EQ(first.directory, source);
    EXPECT_EQ(ReadLink(menu + L"\\tool.lnk").target, source + L"\\tool");

    Drop({ source + L"\\report.doc" });
    EXPECT_EQ(ReadLink(menu + L"\\report.lnk").target, source + L"\\report.doc");
}

// The balloon after a drop says how many entries it added and names the
// shortcut it replaced.
TEST_F(DropTest, ADropSaysWhatItAddedAndReplaced)
{
    test::WriteFile(source + L"\\report.txt", "r");
    test::WriteFile(source + L"\\tool", "t");
    test::WriteFile(menu + L"\\report.lnk", "an older shortcut");
    const DropResult result = AddDroppedPaths({ source + L"\\report.txt", source + L"\\tool" }, menu);
    EXPECT_EQ(std::wstring(DropReportText(result)), L"2 items added to the menu.\nReplaced: report.lnk");
    EXPECT_EQ(std::wstring(DropReportText(DropResult{})), L"");
}

// A path on a drive that never answers is left out after the drop's
// deadline and named in the balloon, while the rest of the drop is added;
// the same path dropped again is left out at once, without a second thread
// stuck on the drive.
TEST_F(DropTest, APathOnADriveThatNeverAnswersIsLeftOutAndNamed)
{
    REQUIRE_SLOW_VOLUME();
    test::SlowVolume volume;
    test::WriteFile(volume.backing + L"\\report.txt", "r");
    test::WriteFile(source + L"\\local.txt", "l");
    const std::wstring dead = volume.mount + L"\\report.txt";
    volume.NeverAnswer();

    ULONGLONG began = ::GetTickCount64();
    DropResult result = AddDroppedPaths({ dead, source + L"\\local.txt" }, menu);
    EXPECT_LT(::GetTickCount64() - began, kDropAnswerMs + 5000) << "the drop waited for the dead drive";
    EXPECT_EQ(result.unanswered, std::vector<std::wstring>{ dead });
    EXPECT_EQ(result.added, 1);
    EXPECT_TRUE(test::Exists(menu + L"\\local.lnk"));
    EXPECT_FALSE(test::Exists(menu + L"\\report.lnk"));
    const std::wstring text(DropReportText(result));
    EXPECT_EQ(text.find(L"1 item added to the menu.\nNot added, its drive did not answer: "), 0u) << text.c_str();
    EXPECT_NE(text.find(L"report.txt. \nDrop it again once the drive answers."), std::wstring::npos) << text.c_str();

    began = ::GetTickCount64();
    result = AddDroppedPaths({ dead }, menu);
    EXPECT_LT(::GetTickCount64() - began, 1000u) << "the dead drive was asked again";
    EXPECT_EQ(result.unanswered, std::vector<std::wstring>{ dead });
    EXPECT_EQ(std::wstring(DropReportText(result)).find(L"Not added, its drive did not answer: "), 0u);
}

TEST_F(DropTest, AShortcutIsCopiedWithoutReplacingOne)
{
    test::WriteFile(source + L"\\target.txt", "t");
    test::WriteFile(source + L"\\other.txt", "o");
    ASSERT_TRUE(CreateShortcut((source + L"\\other.txt").c_str(), (menu + L"\\Editor.lnk").c_str()));
    MakeFolder(source + L"\\links");
    ASSERT_TRUE(CreateShortcut((source + L"\\target.txt").c_str(), (source + L"\\links\\Editor.lnk").c_str()));
    ASSERT_TRUE(CreateShortcut((source + L"\\target.txt").c_str(), (source + L"\\links\\New.lnk").c_str()));
    Drop({ source + L"\\links\\Editor.lnk", source + L"\\links\\New.lnk" });
    EXPECT_EQ(ReadLink(menu + L"\\Editor.lnk").target, source + L"\\other.txt");  // kept
    EXPECT_EQ(test::ReadFile(menu + L"\\New.lnk"), test::ReadFile(source + L"\\links\\New.lnk"));
}

TEST_F(DropTest, AFolderIsMirroredWithoutItsHiddenEntriesAndMerged)
{
    std::wstring project = source + L"\\Proj";
    MakeFolder(project);
    test::WriteFile(project + L"\\a.txt", "a");
    test::WriteFile(project + L"\\h.txt", "h");
    ::SetFileAttributesW((project + L"\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    MakeFolder(project + L"\\S");
    test::WriteFile(project + L"\\S\\c.txt", "c");
    ASSERT_TRUE(CreateShortcut((project + L"\\a.txt").c_str(), (project + L"\\b.lnk").c_str()));
    MakeFolder(menu + L"\\Proj");
    test::WriteFile(menu + L"\\Proj\\existing.txt", "e");

    Drop({ project });
    EXPECT_EQ(ReadLink(menu + L"\\Proj\\a.lnk").target, project + L"\\a.txt");
    EXPECT_EQ(test::ReadFile(menu + L"\\Proj\\b.lnk"), test::ReadFile(project + L"\\b.lnk"));
    EXPECT_EQ(ReadLink(menu + L"\\Proj\\S\\c.lnk").target, project + L"\\S\\c.txt");
    EXPECT_FALSE(test::Exists(menu + L"\\Proj\\h.lnk"));
    EXPECT_TRUE(test::Exists(menu + L"\\Proj\\existing.txt"));
}

// The longest path under a folder, walked with long paths.
size_t LongestPathUnder(const std::wstring& folder)
{
    size_t longest = folder.size();
    WIN32_FIND_DATAW entry;
    UniqueFind find(::FindFirstFileW((L"\\\\?\\" + folder + L"\\*").c_str(), &entry));
    if (!find) return longest;
    do {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = folder + L"\\" + name;
        longest = std::max(longest, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? LongestPathUnder(path)
                                                                                        : path.size());
    } while (::FindNextFileW(find.Get(), &entry));
    return longest;
}

// The names in a folder, sorted; none when it cannot be listed.
std::vector<std::wstring> NamesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!find) return names;
    do {
        if (lstrcmpW(entry.cFileName, L".") && lstrcmpW(entry.cFileName, L"..")) names.push_back(entry.cFileName);
    } while (::FindNextFileW(find.Get(), &entry));
    std::sort(names.begin(), names.end());
    return names;
}

// The menu folder, however it is named, or a folder that holds it, is not
// added to itself: the drop is refused with a message, and nothing changes.
TEST_F(DropTest, TheMenuFolderOrAFolderHoldingItIsRefused)
{
    std::wstring outer = source + L"\\Outer";
    MakeFolder(outer);
    test::WriteFile(outer + L"\\x.txt", "x");
    Drop({ test::ExecutableFolder() + L"\\drop source" });
    EXPECT_TRUE(test::Exists(menu + L"\\drop source\\Outer\\x.lnk"));
    const auto before = NamesIn(menu);
    const std::wstring alias = test::ExecutableFolder() + L"\\drop-loops\\menu-alias";
    ASSERT_TRUE(test::Exists(alias + L"\\drop source")) << "the link fixture is missing";
    for (const std::wstring& self : { menu, menu + L"\\", menu + L"\\.", alias, test::ExecutableFolder() }) {
        test::MessageBoxAnswer answer(L"app_tests");
        Drop({ self });
        EXPECT_NE(answer.Text(15000).find(L"menu folder"), std::wstring::npos) << "no message for the drop of " << self.size();
        EXPECT_EQ(NamesIn(menu), before);
    }
}

// Links back up a dropped folder are not followed, nor a link to the menu
// folder: the drop ends, each folder mirrored once.
TEST_F(DropTest, ADroppedFolderWithLinksBackToItselfEnds)
{
    const std::wstring looping = test::ExecutableFolder() + L"\\drop-loops\\Looping";
    ASSERT_TRUE(test::Exists(looping + L"\\self\\a.txt")) << "the link fixture is missing";
    Drop({ looping });
    EXPECT_TRUE(test::Exists(menu + L"\\Looping\\a.lnk"));
    EXPECT_FALSE(test::Exists(menu + L"\\Looping\\self\\a.lnk"));
    EXPECT_FALSE(test::Exists(menu + L"\\Looping\\menu"));
    EXPECT_LT(LongestPathUnder(menu), menu.size() + 60);
}

// A path longer than the classic limit is not cut to another file's name:
// it is refused with a message that names it.
TEST_F(DropTest, ADroppedPathPastThePathLimitIsRefusedByName)
{
    std::wstring deep = source;
    while (deep.size() < MAX_PATH + 20) {
        deep += L"\\" + std::wstring(30, L'd');
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    const std::wstring file = deep + L"\\long.txt";
    test::WriteFile(L"\\\\?\\" + file, "l");
    // The name cut at the limit names a file too: it must not get the shortcut.
    const std::wstring cut = file.substr(0, MAX_PATH - 1);
    test::WriteFile(L"\\\\?\\" + cut, "c");
    test::MessageBoxAnswer answer(L"app_tests");
    Drop({ file });
    EXPECT_NE(answer.Text(15000).find(L"long.txt"), std::wstring::npos);
    EXPECT_EQ(NamesIn(menu), std::vector<std::wstring>{});
}

// A menu folder deleted while the program runs is made again for a drop;
// one replaced by a file refuses the drop with a message.
TEST_F(DropTest, AMissingMenuFolderIsMadeAgainAndAFileInItsPlaceSaysSo)
{
    test::WriteFile(source + L"\\report.txt", "r");
    test::RemoveTree(menu);
    Drop({ source + L"\\report.txt" });
    EXPECT_TRUE(test::Exists(menu + L"\\report.lnk"));
    test::RemoveTree(menu);
    test::WriteFile(menu, "not a folder");
    test::MessageBoxAnswer answer(L"app_tests");
    Drop({ source + L"\\report.txt" });
    EXPECT_NE(answer.Text(15000).find(L"menu folder"), std::wstring::npos);
    test::RemoveTree(menu);
    ::CreateDirectoryW(menu.c_str(), nullptr);
}

TEST_F(DropTest, ATreeDeeperThanThePathLimitStopsAtTheLimit)
{
    // 30 levels of 20-character folders, a file in each: far past 260.
    std::wstring level = source + L"\\Deep";
    ::CreateDirectoryW(level.c_str(), nullptr);
    for (int depth = 0; depth < 30; ++depth) {
        level += L"\\" + std::wstring(18, static_cast<wchar_t>(L'a' + depth % 26)) + L"_" + std::to_wstring(depth % 10);
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + level).c_str(), nullptr));
        test::WriteFile(L"\\\\?\\" + level + L"\\file.txt", "f");
    }
    Drop({ source + L"\\Deep" });
    EXPECT_TRUE(test::Exists(menu + L"\\Deep\\" + std::wstring(18, L'a') + L"_0\\file.lnk"));
    size_t longest = LongestPathUnder(menu);
    EXPECT_LT(longest, static_cast<size_t>(MAX_PATH));
    EXPECT_GT(longest, static_cast<size_t>(MAX_PATH - 40));  // mirrored as deep as it fits
}

TEST_F(DropTest, DroppedEntriesShowInTheNextMenu)
{
    test::WriteFile(source + L"\\report.txt", "r");
    Drop({ source + L"\\report.txt" });
    HIMAGELIST images = TheIconCache().GetImageList();
    CIconMenu built(images);
    built.CreatePopupMenu();
    TheFolderModel().RefreshAndWait();
    BuildShortcutMenu(&built, FALSE, FALSE);
    ASSERT_EQ(built.GetMenuItemCount(), 1);
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    ::GetMenuItemInfoW(built.m_hMenu, 0, TRUE, &info);
    EXPECT_STREQ(reinterpret_cast<const MenuItemData*>(info.dwItemData)->label, L"report");
}

// A shortcut that an icon look-up holds open for a moment, as the last
// test's listing may, is still removed before the next test begins.
TEST(DropFixture, AFileHeldOpenAMomentIsStillRemoved)
{
    const std::wstring folder = test::ExecutableFolder() + L"\\held tree";
    test::RemoveTree(folder);
    MakeFolder(folder);
    const std::wstring file = folder + L"\\report.lnk";
    test::WriteFile(file, "l");
    HANDLE held = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread holder([held] {
        ::Sleep(300);  // the look-up's moment
        ::CloseHandle(held);
    });
    test::RemoveTree(folder);
    holder.join();
    EXPECT_FALSE(test::Exists(folder)) << "a file held a moment kept the tree";
}

// Files named as devices (CON, NUL.txt, COM1, aux.lnk) are refused with a
// message naming each; no shortcut to a device is made.
TEST_F(DropTest, DeviceNamesAreRefusedByName)
{
    const std::vector<std::wstring> devices = { source + L"\\CON", source + L"\\NUL.txt", source + L"\\COM1",
                                                source + L"\\aux.lnk" };
    const DropResult result = AddDroppedPaths(devices, menu);
    for (const std::wstring& device : devices)
        EXPECT_NE(result.refused.find(device), std::wstring::npos) << "not named: " << device.c_str();
    EXPECT_EQ(result.added, 0);
    EXPECT_TRUE(NamesIn(menu).empty()) << "a shortcut was made";
    EXPECT_TRUE(IsDeviceName(L"con"));
    EXPECT_TRUE(IsDeviceName(L"Lpt9.doc"));
    EXPECT_FALSE(IsDeviceName(L"CONTENT.txt"));
    EXPECT_FALSE(IsDeviceName(L"COM0"));
}

// The file system decides what is a folder: a shell that reports an archive
// or a shortcut to a folder as one must not make an empty folder of it.
TEST(DropDecision, TheFileSystemDecidesWhatIsAFolder)
{
    EXPECT_EQ(ClassifyDrop(false, FILE_ATTRIBUTE_ARCHIVE, SFGAO_FOLDER | SFGAO_STREAM), DropKind::File);  // a .zip
    EXPECT_EQ(ClassifyDrop(false, FILE_ATTRIBUTE_ARCHIVE, SFGAO_LINK | SFGAO_FOLDER), DropKind::Shortcut);
    EXPECT_EQ(ClassifyDrop(false, FILE_ATTRIBUTE_ARCHIVE, SFGAO_LINK), DropKind::Shortcut);
    EXPECT_EQ(ClassifyDrop(false, FILE_ATTRIBUTE_DIRECTORY, SFGAO_FOLDER), DropKind::Directory);
    EXPECT_EQ(ClassifyDrop(false, FILE_ATTRIBUTE_DIRECTORY, 0), DropKind::Directory);
    EXPECT_EQ(ClassifyDrop(true, FILE_ATTRIBUTE_DIRECTORY, SFGAO_FOLDER), DropKind::Drive);
    EXPECT_EQ(ClassifyDrop(false, INVALID_FILE_ATTRIBUTES, SFGAO_FOLDER), DropKind::None);
}

TEST_F(DropTest, AShortcutToAFolderIsCopiedAsAFile)
{
    MakeFolder(source + L"\\Projects");
    ASSERT_TRUE(CreateShortcut((source + L"\\Projects").c_str(), (source + L"\\Projects.lnk").c_str()));
    Drop({ source + L"\\Projects.lnk" });
    DWORD attributes = ::GetFileAttributesW((menu + L"\\Projects.lnk").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(test::ReadFile(menu + L"\\Projects.lnk"), test::ReadFile(source + L"\\Projects.lnk"));
}

// A drive gets a shortcut, named without the colon a file name cannot hold;
// it is never walked.
TEST_F(DropTest, ADriveRootGetsAShortcutAndIsNeverWalked)
{
    Drop({ L"C:\\" });
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW((menu + L"\\*").c_str(), &entry);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        if (entry.cFileName[0] != L'.') names.push_back(entry.cFileName);
        EXPECT_FALSE(entry.cFileName[0] != L'.' && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY));
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], L"C drive.lnk");
    EXPECT_EQ(ReadLink(menu + L"\\" + names[0]).target, L"C:\\");
}

}  // namespace
