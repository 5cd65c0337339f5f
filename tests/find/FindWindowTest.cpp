// The Find window in this process: its title, icon and hint, its controls
// laid out inside it at any size, its colours following the light or dark
// mode while it is open, and files added or removed while it is open.
#include "find/FindWindow.h"
#include "find/UsageLog.h"
#include "framework/Theme.h"
#include "shell/FolderModel.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace test;

constexpr int kFindText = 1100, kFindList = 1101, kFindCount = 1102;

RECT ChildRect(HWND window, int id)
{
    RECT rect;
    ::GetWindowRect(::GetDlgItem(window, id), &rect);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST(FindWindowTest, TitleIconAndHint)
{
    OpenFind(L"", FindPlace::TopOfScreenAtPointer);
    HWND find = TheFindWindow().m_hWnd;
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(std::wstring(WindowText(find)), L"Find - Quillop");
    EXPECT_NE(::SendMessageW(find, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_NE(::SendMessageW(find, WM_GETICON, ICON_BIG, 0), 0);
    wchar_t hint[128] = {};
    ::SendDlgItemMessageW(find, kFindText, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(hint), 128);
    EXPECT_EQ(std::wstring(hint), L"Search the menu folder");
    TheFindWindow().Close();
}

// Smaller and larger: the field spans the width, the count line keeps to
// the bottom, the list fills what is between.
TEST(FindWindowTest, ControlsFollowResizing)
{
    OpenFind(L"", FindPlace::TopOfScreenAtPointer);
    HWND find = TheFindWindow().m_hWnd;
    ASSERT_NE(find, nullptr);
    for (SIZE size : { SIZE{ 300, 200 }, SIZE{ 900, 700 }, SIZE{ 500, 400 } }) {
        ::SetWindowPos(find, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        RECT client;
        ::GetClientRect(find, &client);
        const RECT edit = ChildRect(find, kFindText), list = ChildRect(find, kFindList),
                   count = ChildRect(find, kFindCount);
        EXPECT_EQ(edit.left, client.right - edit.right) << size.cx;
        EXPECT_EQ(list.left, edit.left);
        EXPECT_EQ(list.right, edit.right);
        EXPECT_GT(list.top, edit.bottom);
        EXPECT_GT(count.top, list.bottom);
        EXPECT_EQ(client.bottom - count.bottom, edit.top) << size.cy;
    }
    TheFindWindow().Close();
}

COLORREF ListBackground(HWND find)
{
    HWND list = ::GetDlgItem(find, kFindList);
    WindowDC dc(list);
    const auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(find, WM_CTLCOLORLISTBOX,
                                                                reinterpret_cast<WPARAM>(static_cast<HDC>(dc)),
                                                                reinterpret_cast<LPARAM>(list)));
    LOGBRUSH colour = {};
    ::GetObjectW(brush, sizeof(colour), &colour);
    return colour.lbColor;
}

TEST(FindWindowTest, FollowsTheDarkModeWhileOpen)
{
    const wchar_t* personalize = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
    OpenFind(L"", FindPlace::TopOfScreenAtPointer);
    HWND find = TheFindWindow().m_hWnd;
    ASSERT_NE(find, nullptr);
    for (DWORD light : { 0u, 1u }) {
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, personalize, L"AppsUseLightTheme", REG_DWORD, &light,
                                    sizeof(light)),
                  ERROR_SUCCESS);
        ::SendMessageW(find, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
        EXPECT_EQ(ListBackground(find), ThemeColoursFor(light == 0, IsHighContrast()).menu) << light;
    }
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, personalize, L"AppsUseLightTheme");
    TheFindWindow().Close();
}

std::vector<std::wstring> Rows(HWND find)
{
    std::vector<std::wstring> rows;
    const LRESULT count = ::SendDlgItemMessageW(find, kFindList, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < count; ++row) {
        wchar_t text[512] = {};
        ::SendDlgItemMessageW(find, kFindList, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text));
        rows.push_back(text);
    }
    return rows;
}

// A file added while Find is open shows once the folder model has listed
// it; one removed goes.
TEST(FindWindowTest, FilesAddedOrRemovedWhileOpenComeAndGo)
{
    const std::wstring file = std::wstring(MenuFolderPath()) + L"\\Zebu crossing.txt";
    ScratchFiles scratch({ file });
    ::CreateDirectoryW(MenuFolderPath(), nullptr);
    TheFolderModel().RefreshAndWait();
    OpenFind(L"zebu", FindPlace::TopOfScreenAtPointer);
    HWND find = TheFindWindow().m_hWnd;
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(Rows(find).empty());
    WriteFile(file, "x");
    TheFolderModel().Refresh();
    EXPECT_TRUE(WaitFor([&] { return Rows(find) == std::vector<std::wstring>{ L"Zebu crossing" }; }));
    ::DeleteFileW(file.c_str());
    TheFolderModel().Refresh();
    EXPECT_TRUE(WaitFor([&] { return Rows(find).empty(); }));
    TheFindWindow().Close();
}

// Enter typed before the listing that holds the entry came (just after
// start) opens the text's first result once it comes. An Enter for a text
// changed since opens nothing.
TEST(FindWindowTest, EnterBeforeTheEntryIsListedOpensItOnceItIs)
{
    const std::wstring folder = MenuFolderPath();
    const std::wstring zebu = folder + L"\\Zebu probe.exe", zebra = folder + L"\\Zebra probe.exe";
    const std::wstring output = ExecutableFolder() + L"\\cwd_probe.out";
    const std::wstring probe = ExecutableFolder() + L"\\cwd_probe.exe";
    ScratchFiles scratch({ zebu, zebra, output });
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::SetEnvironmentVariableW(L"QUILLOP_PROBE_OUT", output.c_str());
    TheFolderModel().RefreshAndWait();

    OpenFind(L"zebu", FindPlace::TopOfScreenAtPointer);
    HWND find = TheFindWindow().m_hWnd;
    ASSERT_NE(find, nullptr);
    ASSERT_TRUE(Rows(find).empty());
    TheFindWindow().OpenSelected();
    EXPECT_TRUE(::IsWindowVisible(find)) << "Enter with no row closed Find";
    ASSERT_TRUE(::CopyFileW(probe.c_str(), zebu.c_str(), FALSE));
    TheFolderModel().Refresh();
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(find); })) << "the Enter owed opened nothing";
    const std::vector<std::wstring> lines = WaitForProbeLines(output, 1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], zebu);

    OpenFind(L"zeb", FindPlace::TopOfScreenAtPointer);
    ASSERT_TRUE(WaitFor([&] { return Rows(find) == std::vector<std::wstring>{ L"Zebu probe" }; }));
    ::SetDlgItemTextW(find, kFindText, L"zebra");
    ASSERT_TRUE(Rows(find).empty());
    TheFindWindow().OpenSelected();
    ::SetDlgItemTextW(find, kFindText, L"zebra ");
    ASSERT_TRUE(::CopyFileW(probe.c_str(), zebra.c_str(), FALSE));
    TheFolderModel().Refresh();
    ASSERT_TRUE(WaitFor([&] { return Rows(find) == std::vector<std::wstring>{ L"Zebra probe" }; }));
    EXPECT_TRUE(::IsWindowVisible(find)) << "an Enter for another text opened the new row";
    TheFindWindow().Close();
}

// What was opened from the menu or Find comes first within its tier, at the
// next search, and never above a better tier.
TEST(FindWindowTest, WhatWasOpenedComesFirstWithinItsTier)
{
    const std::wstring folder = MenuFolderPath();
    const std::vector<std::wstring> files = { folder + L"\\Quokka delta.txt", folder + L"\\Quokka gamma.txt",
                                              folder + L"\\Quokka.txt" };
    const std::wstring useFile = ExecutableFolder() + L"\\window-test.use";
    ScratchFiles scratch({ files[0], files[1], files[2], useFile });
    ::CreateDirectoryW(folder.c_str(), nullptr);
    for (const std::wstring& file : files) WriteFile(file, "x");
    TheUsageLog().Start(useFile, folder);
    ASSERT_TRUE(WaitFor([] { return TheUsageLog().IsSettled(); }));
    TheFolderModel().RefreshAndWait();
    OpenFind(L"quokka", FindPlace::TopOfScreenAtPointer);
    HWND find = TheFindWindow().m_hWnd;
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(WaitFor([&] { return Rows(find) == std::vector<std::wstring>{ L"Quokka", L"Quokka delta", L"Quokka gamma" }; }));
    for (int i = 0; i < 3; ++i) TheUsageLog().CountOpened(files[1]);
    ::SetDlgItemTextW(find, kFindText, L"quokka ");
    EXPECT_TRUE(WaitFor([&] { return Rows(find) == std::vector<std::wstring>{ L"Quokka", L"Quokka gamma", L"Quokka delta" }; }))
        << "the exact name stays first; the opened one leads the names that start with the text";
    TheUsageLog().Forget(L"Quokka gamma.txt");
    TheFindWindow().Close();
}

}  // namespace
