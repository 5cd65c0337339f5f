#include "controls/AboutDialog.h"
#include "controls/LinkStatic.h"
#include "framework/CWinApp.h"
#include "support/Placement.h"
#include "support/TestSupport.h"
#include "../res/resource.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(HyperlinkError, NamesTheShellsError)
{
    EXPECT_EQ(CString(L"Unable to open hyperlink:\n\n") + HyperlinkErrorText(31),
              L"Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.");
    EXPECT_EQ(HyperlinkErrorText(4), L"Unknown Error (4) occurred.");
    EXPECT_EQ(HyperlinkErrorText(26), L"A sharing violation occurred. ");
}

// An About box that records what it shows, hovers a link and closes itself.
class ProbeAbout : public CAboutDialog {
public:
    CString version;
    int linkWidth = 0;
    int expectedLinkWidth = 0;
    CString texts;  // of every control, one per line
    bool hoverColourShown = false;
    bool restoredAfterLeaving = false;
    const char* screenshot = nullptr;

    BOOL OnInitDialog() override
    {
        CAboutDialog::OnInitDialog();
        wchar_t text[300] = {};
        ::GetDlgItemTextW(m_hWnd, IDC_ABOUT_VERSION, text, 300);
        version = text;
        RECT r;
        ::GetWindowRect(GetHomePageLink().m_hWnd, &r);
        linkWidth = r.right - r.left;
        HDC dc = ::GetDC(GetHomePageLink().m_hWnd);
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(GetHomePageLink().SendMessage(WM_GETFONT)));
        SIZE size;
        ::GetTextExtentPoint32W(dc, L"My website", 10, &size);
        ::SelectObject(dc, old);
        ::ReleaseDC(GetHomePageLink().m_hWnd, dc);
        expectedLinkWidth = size.cx;
        for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            if (::IsWindowVisible(child)) (texts += WindowText(child)) += L"\n";
        ::SetTimer(m_hWnd, 1, 300, nullptr);
        return TRUE;
    }

protected:
    LRESULT OnTimer(WPARAM, LPARAM)
    {
        ::KillTimer(m_hWnd, 1);
        CLinkStatic& link = GetHomePageLink();
        link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        hoverColourShown = link.IsHovering() && link.CurrentColour() == ::GetSysColor(COLOR_HIGHLIGHT);
        if (screenshot) test::HoldForScreenshot(screenshot);
        link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(500, 500));
        restoredAfterLeaving = !link.IsHovering() && link.CurrentColour() == RGB(0, 0, 238);
        EndDialog(IDOK);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ProbeAbout, CAboutDialog)
    ON_MESSAGE(WM_TIMER, OnTimer)
END_MESSAGE_MAP()

TEST(AboutBox, ShowsTheEditionOnceEachTimeAndFitsItsLinks)
{
    for (int run = 0; run < 2; ++run) {
        ProbeAbout about;
        about.screenshot = run == 0 ? "About box, home page link hovered" : nullptr;
        EXPECT_EQ(about.DoModal(), IDOK);
        EXPECT_EQ(about.version, L"Quillop Version 2.08 Unicode Edition");
        EXPECT_EQ(about.linkWidth, about.expectedLinkWidth);
        // No invented address: the project has none to give.
        EXPECT_EQ(std::wstring(about.texts).find(L"mail"), std::wstring::npos) << std::wstring(about.texts);
        EXPECT_EQ(std::wstring(about.texts).find(L"@"), std::wstring::npos);
        EXPECT_TRUE(about.hoverColourShown);
        EXPECT_TRUE(about.restoredAfterLeaving);
    }
}

// Not in the corner where the hidden tray window sits: in the middle of the
// work area of the monitor that holds the pointer.
TEST(AboutBox, OpensInTheMiddleOfThePointersWorkArea)
{
    ::SetCursorPos(700, 500);
    CAboutDialog about;
    RECT placed = {};
    test::DriveModal<CAboutDialog>(about, [&](CAboutDialog& d) { ::GetWindowRect(d.m_hWnd, &placed); });
    RECT work = test::WorkAreaAt({ 700, 500 });
    EXPECT_NEAR(test::Centre(placed).x, test::Centre(work).x, 1);
    EXPECT_NEAR(test::Centre(placed).y, test::Centre(work).y, 1);
}

// The sizes of the tool records sent to tooltip controls by this thread.
std::vector<UINT> toolRecordSizes;

LRESULT CALLBACK RecordToolRecords(int code, WPARAM wParam, LPARAM lParam)
{
    auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && (sent->message == TTM_ADDTOOLW || sent->message == TTM_UPDATETIPTEXTW))
        toolRecordSizes.push_back(reinterpret_cast<const TOOLINFOW*>(sent->lParam)->cbSize);
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The link's tooltip: registered with the record size every comctl32
// takes (5.x, which the program gets without a manifest, refuses a larger
// one). Its hand cursor is its own, not the shared one it would destroy.
TEST(AboutBox, TheLinksToolRecordsSuitEveryComctlAndTheirCursorIsTheirOwn)
{
    HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, RecordToolRecords, nullptr, ::GetCurrentThreadId());
    toolRecordSizes.clear();
    CAboutDialog about;
    HCURSOR shown = nullptr;
    LRESULT tools = 0;
    test::DriveModal<CAboutDialog>(about, [&](CAboutDialog& d) {
        CLinkStatic& link = d.GetHomePageLink();
        link.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(link.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        shown = ::GetCursor();
        HWND tooltip = ::FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
        tools = tooltip ? ::SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0) : -1;
    });
    ::UnhookWindowsHookEx(hook);
    ASSERT_GE(toolRecordSizes.size(), 2u);  // a tool for each link, and its text set again
    for (UINT size : toolRecordSizes) EXPECT_EQ(size, static_cast<UINT>(TTTOOLINFOW_V2_SIZE));
    EXPECT_EQ(tools, 1);
    EXPECT_NE(shown, nullptr);
    EXPECT_NE(shown, ::LoadCursorW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDC_HAND_CURSOR)));
}

}  // namespace
