// The tip window with real timers and a real pointer on the X display.
#include "controls/TipWindow.h"
#include "framework/CWinApp.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

CWinApp controlsApp(L"controls_tests");

const wchar_t kText[] = L"Drag & drop files or folders in here.\nClick mouse button to close.";

class TipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CWnd::RegisterFrameworkClass(L"QuillopTipOwner", 0, ::LoadCursorW(nullptr, IDC_ARROW)));
        ASSERT_TRUE(owner.CreateEx(WS_EX_TOPMOST, L"QuillopTipOwner", L"", WS_POPUP | WS_VISIBLE | WS_BORDER, 100, 100,
                                   200, 100, nullptr, nullptr));
        ASSERT_TRUE(tip.Create(&owner));
        ASSERT_TRUE(tip.AddTool(&owner, kText, nullptr, 0));
        // The tip finds its tool by the window under the pointer.
        ASSERT_TRUE(test::WaitFor([this] { return ::WindowFromPoint({ 150, 150 }) == owner.m_hWnd; }, 10000));
    }
    void TearDown() override
    {
        tip.DestroyWindow();
        owner.DestroyWindow();
    }
    void Relay(UINT message)
    {
        MSG msg = {};
        msg.hwnd = owner.m_hWnd;
        msg.message = message;
        ::GetCursorPos(&msg.pt);
        tip.RelayEvent(&msg);
    }
    void MoveTo(int x, int y)
    {
        ::SetCursorPos(x, y);
        Relay(WM_MOUSEMOVE);
    }
    bool Visible() { return ::IsWindowVisible(tip.m_hWnd) != FALSE; }
    RECT TipRect()
    {
        RECT r;
        ::GetWindowRect(tip.m_hWnd, &r);
        return r;
    }
    CWnd owner;
    CTipWindow tip;
};

TEST_F(TipTest, ShowsBelowThePointerAfterTheDelayAndHidesAfterFiveSeconds)
{
    const DWORD moved = ::GetTickCount();
    MoveTo(150, 140);
    ASSERT_TRUE(test::WaitFor([this] { return Visible(); }, 10000));
    const DWORD shownAt = ::GetTickCount();
    // Timers never fire early; a busy machine only makes them late.
    EXPECT_GE(shownAt - moved, 450u) << "shown before the half-second delay";
    RECT shown = TipRect();
    EXPECT_EQ(shown.left, 150);
    EXPECT_EQ(shown.top, 160);
    // Two lines, fitted to the longer one.
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(tip.SendMessage(WM_GETFONT)));
    SIZE line;
    ::GetTextExtentPoint32W(dc, L"Drag & drop files or folders in here.", 37, &line);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    EXPECT_GE(shown.right - shown.left, line.cx + 5);  // the text and the margins
    EXPECT_GE(shown.bottom - shown.top, 2 * line.cy);

    ASSERT_TRUE(test::WaitFor([this] { return !Visible(); }, 30000));
    EXPECT_GE(::GetTickCount() - shownAt, 4900u) << "hidden before five seconds";
    EXPECT_TRUE(tip.IsSuppressed());
}

TEST_F(TipTest, AKeyOrARightClickHidesItAtOnce)
{
    for (UINT message : { static_cast<UINT>(WM_KEYDOWN), static_cast<UINT>(WM_RBUTTONDOWN) }) {
        MoveTo(160 + static_cast<int>(message % 7), 150);
        // Off the tool and back re-arms it: the first move after a hide clears the tool.
        MoveTo(150, 150);
        ASSERT_TRUE(test::WaitFor([this] { return Visible(); }, 10000)) << message;
        Relay(message);
        EXPECT_FALSE(Visible()) << message;
        EXPECT_EQ(tip.GetCurrentTool(), nullptr);
        MoveTo(20, 20);  // leave the tool
    }
}

TEST_F(TipTest, LeavingBeforeTheDelayShowsNothing)
{
    MoveTo(150, 150);
    // Left before a message is handled, so the delay cannot run out on the
    // tool however busy the machine; then past the delay.
    ::SetCursorPos(20, 20);
    test::Pump(700);
    EXPECT_FALSE(Visible());
    EXPECT_NE(tip.GetCurrentTool(), nullptr);  // stays current
}

TEST_F(TipTest, PositionKeepsTheTipOnTheScreen)
{
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    TipTool tool;
    tool.window = owner.m_hWnd;
    RECT size = { 0, 0, 120, 40 }, out;
    POINT right = { width - 50, 300 };
    tip.Position(&out, &right, &tool, &size);
    EXPECT_EQ(out.right, width);
    EXPECT_EQ(out.top, 300);
    POINT left = { -30, 300 };
    tip.Position(&out, &left, &tool, &size);
    EXPECT_EQ(out.left, 0);
    POINT bottom = { 10, height - 10 };
    tip.Position(&out, &bottom, &tool, &size);
    EXPECT_EQ(out.bottom, 100);  // directly above the tool window, which starts at y 100
    EXPECT_EQ(out.bottom - out.top, 40);
}

TEST_F(TipTest, ShortAndLongFormsSwitchOnClick)
{
    TipTool tool;
    tool.text = L"Short\rThe long form";
    EXPECT_EQ(tip.GetToolText(&tool), L"Short  ");
    // A tip of its own, whose one tool has both forms.
    CTipWindow second;
    ASSERT_TRUE(second.Create(&owner));
    ASSERT_TRUE(second.AddTool(&owner, L"Short\rThe long form\rignored", nullptr, 1));
    ::SetCursorPos(150, 150);
    MSG move = {};
    move.hwnd = owner.m_hWnd;
    move.message = WM_MOUSEMOVE;
    ::GetCursorPos(&move.pt);
    second.RelayEvent(&move);
    ASSERT_TRUE(test::WaitFor([&] { return ::IsWindowVisible(second.m_hWnd) != FALSE; }, 10000));
    EXPECT_EQ(second.GetToolText(second.GetCurrentTool()), L"Short  ");
    RECT before;
    ::GetWindowRect(second.m_hWnd, &before);
    second.SendMessage(WM_LBUTTONDOWN);
    EXPECT_TRUE(second.IsExpanded());
    EXPECT_EQ(second.GetToolText(second.GetCurrentTool()), L"  The long form");
    RECT after;
    ::GetWindowRect(second.m_hWnd, &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_GT(after.right - after.left, before.right - before.left);
    test::HoldForScreenshot("long form of a tip");
    EXPECT_EQ(second.SendMessage(WM_MOUSEACTIVATE), MA_NOACTIVATE);
    second.SendMessage(WM_LBUTTONDOWN);
    EXPECT_FALSE(second.IsExpanded());
}

}  // namespace
