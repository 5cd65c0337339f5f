// The menu makes a submenu's entries as it opens: the keys reach them the
// first time, a letter typed into it chooses among them, the shell's menu
// of one opens for it; a folder too big to show whole ends in a row that
// opens Find.
#include "acceptance/AcceptanceFixture.h"
#include "framework/Handles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <shellapi.h>

namespace {

using namespace test;

// The folder's entries as the file system lists them (the menu's order):
// subfolders or files only.
std::vector<std::wstring> Listed(const std::wstring& folder, bool folders)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW((folder + L"\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (lstrcmpW(entry.cFileName, L".") && lstrcmpW(entry.cFileName, L"..") && isFolder == folders)
            names.push_back(entry.cFileName);
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    return names;
}

// Types Down that many times.
void Down(int times)
{
    for (int i = 0; i < times; ++i) Type({ VK_DOWN });
}

using LazyMenu = Acceptance;

// 100 folders of 20 entries: the 37th folder's 5th entry, reached by the
// keys through a submenu made as it opened, starts.
TEST_F(LazyMenu, TheKeysReachAnEntryOfASubmenuMadeAsItOpens)
{
    for (int i = 0; i < 100; ++i) ::CreateDirectoryW((menu + L"\\Folder " + std::to_wstring(100 + i)).c_str(), nullptr);
    const std::vector<std::wstring> folders = Listed(menu, true);
    ASSERT_EQ(folders.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        const std::wstring inside = menu + L"\\" + folders[static_cast<size_t>(i)];
        for (int k = 0; k < 20; ++k) {
            const std::wstring name = inside + L"\\entry " + std::to_wstring(100 + k);
            // The 37th folder's entries start the probe; the others are notes.
            if (i == 36)
                ASSERT_TRUE(::CopyFileW(probe.c_str(), (name + L".exe").c_str(), FALSE));
            else
                WriteFile(name + L".txt", "n");
        }
    }
    const std::wstring target = menu + L"\\" + folders[36];
    const std::wstring fifth = target + L"\\" + Listed(target, false)[4];
    Start();
    ASSERT_NE(PressIcon(), nullptr);
    Down(1 + 37);  // <<Add New Item>>, then the folders
    Type({ VK_RIGHT });  // into it: its first entry
    Down(4);
    Type({ VK_RETURN });
    ASSERT_TRUE(MenuClosed());
    const ProbeRun run = FirstProbeRun();
    EXPECT_EQ(run.path, fifth);
    EXPECT_EQ(Exit(), 0u);
}

// A letter typed into a submenu opened for the first time chooses its entry.
TEST_F(LazyMenu, ALetterReachesAnEntryOfASubmenuOpenedForTheFirstTime)
{
    ::CreateDirectoryW((menu + L"\\Tools").c_str(), nullptr);
    WriteFile(menu + L"\\Tools\\alpha.txt", "a");
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (menu + L"\\Tools\\probe.exe").c_str(), FALSE));
    WriteFile(menu + L"\\top.txt", "t");
    Start();
    ASSERT_NE(PressIcon(), nullptr);
    Type({ VK_DOWN, VK_DOWN, VK_RIGHT });  // <<Add New Item>>, Tools, into it
    Type({ 'P' });
    ASSERT_TRUE(MenuClosed());
    const ProbeRun run = FirstProbeRun();
    EXPECT_EQ(run.path, menu + L"\\Tools\\probe.exe");
    EXPECT_EQ(Exit(), 0u);
}

// The Apps key on an entry of a submenu made as it opened: the shell's menu
// of that entry ("Cut" puts that file on the clipboard).
TEST_F(LazyMenu, TheShellsMenuOfAnEntryOfASubmenuMadeAsItOpened)
{
    ::CreateDirectoryW((menu + L"\\Notes").c_str(), nullptr);
    WriteFile(menu + L"\\Notes\\first.txt", "1");
    WriteFile(menu + L"\\Notes\\second.txt", "2");
    const std::wstring second = menu + L"\\Notes\\" + Listed(menu + L"\\Notes", false)[1];
    Start();
    ASSERT_NE(PressIcon(), nullptr);
    Type({ VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN });  // <<Add New Item>>, Notes, into it, its second entry
    Type({ VK_APPS });
    ASSERT_TRUE(WaitFor([this] { return CountProcessWindows(started.dwProcessId, L"#32768") == 3; }, 5000))
        << "the Apps key opened no menu";
    Type({ 'U' });
    EXPECT_TRUE(MenuClosed());
    EXPECT_TRUE(WaitFor([&] { return ClipboardFiles() == std::vector<std::wstring>{ second }; }))
        << "the entry's file was not cut";
    EXPECT_EQ(Exit(), 0u);
}

// A folder of 20,000 files: its submenu shows the first of them and ends in
// a row that opens Find; the program answers throughout.
TEST_F(LazyMenu, AHugeFolderShowsItsFirstEntriesAndARowThatOpensFind)
{
    const std::wstring big = menu + L"\\Big";
    ::CreateDirectoryW(big.c_str(), nullptr);
    for (int i = 0; i < 20000; ++i) {
        const std::wstring path = big + L"\\file " + std::to_wstring(100000 + i) + L".txt";
        UniqueFile made(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    }
    Start();
    ASSERT_NE(PressIcon(), nullptr);
    Type({ VK_DOWN, VK_DOWN, VK_RIGHT });  // <<Add New Item>>, Big, into it
    // Measured while the submenu opens (the figure itself is the bench's;
    // the whole folder in one menu took seconds).
    EXPECT_LT(WorstAnswerOver(1500), 1000.0) << "the submenu keeps the program from answering";
    ASSERT_TRUE(WaitFor([this] { return CountProcessWindows(started.dwProcessId, L"#32768") == 2; }))
        << "the submenu did not open";
    Type({ VK_UP });  // from the first entry round to the last: the Find row
    Type({ VK_RETURN });
    ASSERT_TRUE(MenuClosed());
    HWND find = nullptr;
    EXPECT_TRUE(WaitFor([&] {
        find = FindProcessWindow(started.dwProcessId, L"#32770", L"Find - Quillop");
        return find && ::IsWindowVisible(find);
    }))
        << "the last row did not open Find";
    wchar_t typed[64] = {};
    EXPECT_TRUE(WaitFor([&] {
        ::SendMessageW(::GetDlgItem(find, 1100), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(typed));
        return std::wstring(typed) == L"Big\\";
    })) << "Find searches in the folder, the user types the rest; typed: " << ::testing::PrintToString(std::wstring(typed));
    EXPECT_EQ(Exit(), 0u);
}

}  // namespace
