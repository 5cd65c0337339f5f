// The popup for real: entries chosen by keys in a tracked menu, presses
// that come while a menu is open, the modifiers of a choice.
#include "framework/CWnd.h"
#include "hotkeys/HotkeyTable.h"
#include "menu/IconCache.h"
#include "menu/IconMenu.h"
#include "menu/MenuFolder.h"
#include "menu/MenuTestSupport.h"
#include "menu/ShortcutMenu.h"
#include "support/LaunchSupport.h"
#include "shell/FolderModel.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

using test::LaunchTest;
using test::ProbeProgram;
using test::WaitForProbe;
using test::MakeShortcut;

// An owner window that records the menu commands it receives and opens
// file entries as the tray window does.
class Owner : public CWnd {
public:
    std::vector<UINT> commands;
    // Menus open at once now and at most; the entry count of each top-level
    // menu as it opened.
    int openMenus = 0, mostOpenMenus = 0;
    std::vector<int> openedMenuSizes;
    // Where the stack stood as each top-level menu opened.
    std::vector<ULONG_PTR> stackAtMenu;

protected:
    LRESULT OnEnterMenuLoop(WPARAM, LPARAM)
    {
        mostOpenMenus = std::max(mostOpenMenus, ++openMenus);
        return 0;
    }
    LRESULT OnExitMenuLoop(WPARAM, LPARAM)
    {
        --openMenus;
        return 0;
    }
    LRESULT OnMenuChar(WPARAM wParam, LPARAM lParam)
    {
        LRESULT result = 0;
        return RouteMenuChar(wParam, lParam, &result) ? result : 0;
    }
    LRESULT OnInitMenuPopup(WPARAM menu, LPARAM)
    {
        RouteInitMenuPopup(reinterpret_cast<HMENU>(menu));
        if (activeMenu && reinterpret_cast<HMENU>(menu) == activeMenu->m_hMenu) {
            openedMenuSizes.push_back(::GetMenuItemCount(reinterpret_cast<HMENU>(menu)));
            char here = 0;
            stackAtMenu.push_back(reinterpret_cast<ULONG_PTR>(&here));
        }
        return 0;
    }
    LRESULT OnMenuCommand(WPARAM id, LPARAM)
    {
        commands.push_back(static_cast<UINT>(id));
        OpenMenuItem(static_cast<UINT>(id));
        return 1;
    }
    LRESULT OnMeasureItem(WPARAM, LPARAM lParam)
    {
        MeasureShortcutMenuItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Owner, CWnd)
    ON_MESSAGE(WM_MENU_COMMAND, OnMenuCommand)
    ON_MESSAGE(WM_MEASUREITEM, OnMeasureItem)
    ON_MESSAGE(WM_ENTERMENULOOP, OnEnterMenuLoop)
    ON_MESSAGE(WM_EXITMENULOOP, OnExitMenuLoop)
    ON_MESSAGE(WM_INITMENUPOPUP, OnInitMenuPopup)
    ON_MESSAGE(WM_MENUCHAR, OnMenuChar)
END_MESSAGE_MAP()

const char* screenshotName = nullptr;

int PopupWithKeys(Owner& owner, BOOL full, std::vector<WORD> keys)
{
    HWND window = owner.m_hWnd;
    return test::DriveMenu(window, std::move(keys), [window, full] { return PopupShortcutMenu(window, FALSE, full); },
                           screenshotName);
}

class PopupTest : public LaunchTest {
protected:
    void SetUp() override
    {
        LaunchTest::SetUp();
        ASSERT_TRUE(CWnd::RegisterFrameworkClass(L"QuillopTestOwner", 0, ::LoadCursorW(nullptr, IDC_ARROW)));
        ASSERT_TRUE(owner.CreateEx(0, L"QuillopTestOwner", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, nullptr,
                                   nullptr));
        ::SetCursorPos(300, 200);
    }
    void TearDown() override
    {
        owner.DestroyWindow();
        theCommandPool.Clear();
        theRecordList.Clear();
    }
    Owner owner;
};

TEST_F(PopupTest, ChoosingAnEntrySendsItsIdAndOpensIt)
{
    test::MakeFolder(folder + L"\\A");
    ASSERT_TRUE(::CopyFileW(ProbeProgram().c_str(), (folder + L"\\A\\probe.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(ProbeProgram().c_str(), (folder + L"\\run.exe").c_str(), FALSE));
    screenshotName = "bare menu";
    // Down to "A", Down to "run", Enter.
    int shown = PopupWithKeys(owner, FALSE, { VK_DOWN, VK_DOWN, VK_RETURN });
    screenshotName = nullptr;
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(owner.commands, (std::vector<UINT>{ 11 }));  // A's entries were never made
    auto lines = WaitForProbe(1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], folder + L"\\run.exe");
    EXPECT_TRUE(menuItemTable.empty());  // emptied after the choice
    EXPECT_EQ(activeMenu, nullptr);
}

// The menu hotkey pressed while the full menu is open: the open menu is
// not rebuilt under itself; it closes, and then the bare menu opens, from
// the message loop.
TEST_F(PopupTest, AMenuAskedForWhileOneIsOpenFollowsIt)
{
    test::MakeFile(folder + L"\\a.txt");
    test::MakeFile(folder + L"\\b.txt");
    HWND window = owner.m_hWnd;
    int asked = 0;
    // Once a menu shows, ask for the bare one, as the hotkey handler does;
    // end whatever menu shows after that.
    test::RunFromMessageLoop(800, [&asked, window] {
        asked = PopupShortcutMenu(window, FALSE, FALSE);
        test::RunFromMessageLoop(800, [] { ::EndMenu(); });
    });
    UINT_PTR guard = ::SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR timer, DWORD) {
        ::KillTimer(nullptr, timer);
        ::EndMenu();
    });
    int shown = PopupShortcutMenu(window, FALSE, TRUE);
    // The bare menu opens from the message loop.
    test::WaitFor([&] { return owner.openedMenuSizes.size() == 2 && !activeMenu; }, 8000);
    ::KillTimer(nullptr, guard);
    EXPECT_EQ(asked, -1);
    EXPECT_EQ(owner.mostOpenMenus, 1);
    // The full menu (<<Add New Item>>, separator, a, b, separator, Quillop),
    // then the bare one (a, b).
    EXPECT_EQ(owner.openedMenuSizes, (std::vector<int>{ 6, 2 }));
    EXPECT_EQ(shown, 6);
    EXPECT_EQ(activeMenu, nullptr);
}

// Presses that come while a menu is open, many of them: each replaces the
// one waiting, and the next menu opens from the message loop, never inside
// the one before (the stack stays where it was).
TEST_F(PopupTest, AFloodOfPressesIsNeverNested)
{
    test::MakeFile(folder + L"\\a.txt");
    HWND window = owner.m_hWnd;
    int rounds = 0;
    // Each time a menu is open, ask for another ten times; after 40 menus,
    // stop asking and end the last one.
    std::function<void()> flood = [&] {
        if (++rounds > 40) {
            ::EndMenu();
            return;
        }
        if (activeMenu)
            for (int i = 0; i < 10; ++i) PopupShortcutMenu(window, FALSE, FALSE);
        test::RunFromMessageLoop(30, flood);
    };
    test::RunFromMessageLoop(200, flood);
    UINT_PTR guard = ::SetTimer(nullptr, 0, 20000, [](HWND, UINT, UINT_PTR timer, DWORD) {
        ::KillTimer(nullptr, timer);
        ::EndMenu();
    });
    PopupShortcutMenu(window, FALSE, FALSE);
    test::WaitFor([&] { return rounds > 40 && activeMenu == nullptr; }, 15000);
    test::Pump(300);
    ::KillTimer(nullptr, guard);
    ASSERT_GE(owner.stackAtMenu.size(), 10u);
    // After the first, every menu opened from the same message loop, at the
    // same depth; one inside another would sink lower each time.
    const auto [low, high] = std::minmax_element(owner.stackAtMenu.begin() + 1, owner.stackAtMenu.end());
    EXPECT_LT(*high - *low, 512u) << "the menus were opened one inside another";
    EXPECT_EQ(owner.mostOpenMenus, 1);
}

// Typing into the "Quillop" submenu: a letter that starts several of its
// entries highlights the next of them, here too (Wine's menu loop does
// not take the answer that asks for that, MNC_SELECT).
TEST_F(PopupTest, ALetterOfSeveralEntriesHighlightsTheNext)
{
    test::MakeFile(folder + L"\\a.txt");
    PopupWithKeys(owner, TRUE, { VK_UP, VK_RIGHT, 'E', VK_RETURN });  // from "Desktop" to "Edit"
    EXPECT_EQ(owner.commands, (std::vector<UINT>{ MenuCommand::Edit }));
}

// Typing into a really tracked menu: a letter that starts one entry only
// chooses it at once. (One that starts several selects the next of them
// through MNC_SELECT, which Wine's menu loop does not take; the menu's
// answer is tested on its own.)
TEST_F(PopupTest, AUniqueLetterChoosesItsEntry)
{
    test::MakeFile(folder + L"\\alpha.txt");
    test::MakeFile(folder + L"\\apple.txt");
    ASSERT_TRUE(::CopyFileW(ProbeProgram().c_str(), (folder + L"\\probe.exe").c_str(), FALSE));
    int shown = PopupWithKeys(owner, FALSE, { 'A', 'P' });
    EXPECT_EQ(shown, 3);
    auto lines = WaitForProbe(1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], folder + L"\\probe.exe");
    // 'A' chose nothing: the only command is the probe's.
    ASSERT_EQ(owner.commands.size(), 1u);
    EXPECT_STREQ(MenuItemPath(owner.commands[0]), nullptr);  // the table is emptied after the choice
}

// From the menu loop, checks every 100 ms until the condition holds or
// 2.5 s have passed (the menu's own guard ends it at 8), then runs the next
// step.
void PollInMenuLoop(std::function<bool()> done, std::function<void()> then, int triesLeft = 25)
{
    test::RunFromMessageLoop(100, [done, then, triesLeft] {
        if (done() || triesLeft <= 0)
            then();
        else
            PollInMenuLoop(done, then, triesLeft - 1);
    });
}

// The wheel over a menu taller than the screen scrolls it, and back with
// the wheel turned the other way (further than the top: it stops there);
// the highlight stays on the entry under the resting pointer, so a click
// chooses what is highlighted.
TEST_F(PopupTest, TheWheelScrollsALongMenuUnderTheRestingPointer)
{
    for (int i = 0; i < 300; ++i) test::MakeFile(folder + L"\\entry " + std::to_wstring(1000 + i) + L".txt");
    auto wheel = [](int notches) {
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = MOUSEEVENTF_WHEEL;
        for (int i = 0; i < std::abs(notches); ++i) {
            input.mi.mouseData = static_cast<DWORD>(notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA);
            ::SendInput(1, &input, sizeof(input));
        }
    };
    auto shownMenu = [](HMENU& menu) {
        HWND shown = test::FindProcessWindow(::GetCurrentProcessId(), L"#32768");
        menu = reinterpret_cast<HMENU>(::SendMessageW(shown, MN_GETHMENU, 0, 0));
        return shown;
    };
    auto entryNearTheTop = [&] {
        HMENU menu = nullptr;
        HWND shown = shownMenu(menu);
        // The entry under a point near the top: the menu's rectangles
        // do not follow its scrolling.
        RECT frame;
        ::GetWindowRect(shown, &frame);
        return ::MenuItemFromPoint(shown, menu, POINT{ (frame.left + frame.right) / 2, frame.top + 40 });
    };
    auto highlightUnderPointer = [&] {
        HMENU menu = nullptr;
        HWND shown = shownMenu(menu);
        POINT pointer;
        ::GetCursorPos(&pointer);
        const int under = ::MenuItemFromPoint(shown, menu, pointer);
        return under >= 0 && (::GetMenuState(menu, static_cast<UINT>(under), MF_BYPOSITION) & MF_HILITE);
    };
    RECT menuWindow = {};
    int opened = -1, scrolled = -1, back = -1;
    bool underAfterScroll = false, underAfterBack = false;
    const HWND window = owner.m_hWnd;
    test::DriveShownMenu(
        [&] {
            HMENU menu = nullptr;
            ::GetWindowRect(shownMenu(menu), &menuWindow);
            opened = entryNearTheTop();
            ::SetCursorPos((menuWindow.left + menuWindow.right) / 2, (menuWindow.top + menuWindow.bottom) / 2);
            PollInMenuLoop(highlightUnderPointer, [&] {
                wheel(-25);
                PollInMenuLoop([&] { return entryNearTheTop() > opened + 20 && highlightUnderPointer(); }, [&] {
                    scrolled = entryNearTheTop();
                    underAfterScroll = highlightUnderPointer();
                    test::HoldForScreenshot("a long menu scrolled by the wheel");
                    wheel(60);
                    PollInMenuLoop([&] { return entryNearTheTop() == opened && highlightUnderPointer(); }, [&] {
                        back = entryNearTheTop();
                        underAfterBack = highlightUnderPointer();
                        ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
                    });
                });
            });
        },
        [window] { return PopupShortcutMenu(window, FALSE, FALSE); });
    ASSERT_GT(menuWindow.bottom - menuWindow.top, 100);
    EXPECT_LE(opened, 2);
    EXPECT_GT(scrolled, opened + 20) << "the wheel did not scroll the menu";
    EXPECT_TRUE(underAfterScroll) << "the highlight left the entry under the pointer";
    EXPECT_EQ(back, opened) << "the wheel back did not scroll it back";
    EXPECT_TRUE(underAfterBack) << "scrolled back, the highlight left the entry under the pointer";
}

// The menu opens beside the point clicked, never under it: the release of
// the button that opened it lands on no entry, in every corner of the
// screen, and for a menu taller than the screen too.
TEST_F(PopupTest, TheMenuOpensBesideThePointNeverUnderIt)
{
    test::MakeFile(folder + L"\a.txt");
    test::MakeFile(folder + L"\b.txt");
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    auto coveredAt = [&](POINT point, BOOL full) {
        bool covered = true;
        RECT shownAt = {};
        const HWND window = owner.m_hWnd;
        test::DriveShownMenu(
            [&] {
                HWND shown = test::FindProcessWindow(::GetCurrentProcessId(), L"#32768");
                ::GetWindowRect(shown, &shownAt);
                covered = ::PtInRect(&shownAt, point) != FALSE;
                if (point.y > height / 2 && point.x > width / 2) test::HoldForScreenshot("menu at the bottom right");
                ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
            },
            [window, full, point] {
                ::SetCursorPos(point.x, point.y);
                return PopupShortcutMenu(window, FALSE, full);
            });
        if (covered)
            ADD_FAILURE() << "the menu at " << shownAt.left << "," << shownAt.top << "-" << shownAt.right << ","
                          << shownAt.bottom << " covers the point " << point.x << "," << point.y;
        return covered;
    };
    for (POINT corner : { POINT{ width - 20, height - 10 }, POINT{ 20, height - 10 }, POINT{ 20, 10 },
                          POINT{ width - 20, 10 }, POINT{ width / 2, height / 2 } })
        EXPECT_FALSE(coveredAt(corner, TRUE)) << corner.x << "," << corner.y;
    for (int i = 0; i < 300; ++i) test::MakeFile(folder + L"\\entry " + std::to_wstring(1000 + i) + L".txt");
    EXPECT_FALSE(coveredAt(POINT{ width - 20, height - 10 }, FALSE)) << "a long menu covers the point";
    EXPECT_FALSE(coveredAt(POINT{ 20, height / 2 }, FALSE)) << "a long menu covers the point";
}

// The Ctrl choice itself: Wine's menu loop takes no Enter while the
// thread's Ctrl state is set by hand, so the choice is made directly on a
// built menu, as PopupShortcutMenu makes it.
TEST_F(LaunchTest, CtrlChoiceOpensEveryFileDirectlyInTheEntrysFolder)
{
    test::MakeFolder(folder + L"\\A");
    test::MakeFolder(folder + L"\\A\\Deeper");
    for (const wchar_t* name : { L"\\A\\one.exe", L"\\A\\two.exe", L"\\A\\Deeper\\three.exe", L"\\top.exe" })
        ASSERT_TRUE(::CopyFileW(ProbeProgram().c_str(), (folder + name).c_str(), FALSE));
    HIMAGELIST images = TheIconCache().GetImageList();
    CIconMenu menu(images);
    menu.CreatePopupMenu();
    TheFolderModel().RefreshAndWait();
    BuildShortcutMenu(&menu, FALSE, FALSE);
    test::Opened(menu.GetSubMenu(0));  // A
    UINT one = 0;
    for (UINT id = 11; MenuItemPath(id); ++id)
        if (std::wstring(MenuItemPath(id)) == folder + L"\\A\\one.exe") one = id;
    ASSERT_NE(one, 0u);
    OpenFolderItems(one);
    OpenFolderItems(MenuCommand::Exit);  // a fixed entry has no folder: nothing
    auto lines = WaitForProbe(2);
    test::Pump(1500);  // a third launch would have reported by now
    lines = WaitForProbe(2, 0);
    ASSERT_EQ(lines.size(), 4u);
    std::vector<std::wstring> started = { lines[1], lines[3] };
    std::sort(started.begin(), started.end());
    EXPECT_EQ(started, (std::vector<std::wstring>{ folder + L"\\A\\one.exe", folder + L"\\A\\two.exe" }));
}

TEST_F(PopupTest, FixedEntriesReachTheOwner)
{
    test::MakeFolder(folder + L"\\Documents");
    test::MakeFile(folder + L"\\Documents\\notes.txt");
    test::MakeFile(folder + L"\\Read me.txt");
    ASSERT_TRUE(::CopyFileW(ProbeProgram().c_str(), (folder + L"\\Probe & Co.exe").c_str(), FALSE));
    theRecordList.Configure(sizeof(HotkeyRecord), kHotkeyRecordStep);
    AddHotkey(1769588, (folder + L"\\Read me.txt").c_str());
    screenshotName = "full menu";
    // Up from the top wraps to "Quillop"; Right opens it; Up wraps to "Exit".
    PopupWithKeys(owner, TRUE, { VK_UP, VK_RIGHT, VK_UP, VK_RETURN });
    screenshotName = nullptr;
    EXPECT_EQ(owner.commands, (std::vector<UINT>{ MenuCommand::Exit }));
}

TEST_F(PopupTest, DismissedMenuSendsNothing)
{
    test::MakeFile(folder + L"\\a.txt");
    EXPECT_EQ(PopupWithKeys(owner, FALSE, { VK_ESCAPE, VK_ESCAPE }), 1);
    EXPECT_TRUE(owner.commands.empty());
}

// More than ten files opened at once with Ctrl asks first; No, the answer
// a reflexive Enter gives, opens none; Yes opens them all.
TEST_F(LaunchTest, CtrlChoiceOfMoreThanTenFilesAsksFirst)
{
    test::MakeFolder(folder + L"\\Tools");
    for (int i = 0; i < 11; ++i)
        ASSERT_TRUE(::CopyFileW(ProbeProgram().c_str(), (folder + L"\\Tools\\p" + std::to_wstring(i) + L".exe").c_str(),
                                FALSE));
    CIconMenu menu(TheIconCache().GetImageList());
    menu.CreatePopupMenu();
    TheFolderModel().RefreshAndWait();
    BuildShortcutMenu(&menu, FALSE, FALSE);
    test::Opened(menu.GetSubMenu(0));  // Tools
    const UINT first = MenuCommand::FirstFileEntry;
    ASSERT_NE(MenuItemPath(first), nullptr);
    std::wstring asked;
    {
        test::MessageBoxAnswer no(L"menu_tests", test::MessageBoxAnswer::kEnter);
        OpenFolderItems(first);
        asked = no.Text();
    }
    EXPECT_EQ(asked, L"Open all 11 files in Tools?");
    test::Pump(1500);
    EXPECT_TRUE(WaitForProbe(1, 0).empty()) << "Enter opened files";
    {
        test::MessageBoxAnswer yes(L"menu_tests", IDYES);
        OpenFolderItems(first);
        EXPECT_EQ(yes.Text(), L"Open all 11 files in Tools?");
    }
    EXPECT_EQ(WaitForProbe(11).size(), 22u);
}

}  // namespace
