#include "controls/AboutDialog.h"
#include "controls/LinkStatic.h"
#include "support/TestSupport.h"
#include "../res/resource.h"

#include <gtest/gtest.h>

namespace {

TEST(BrowserCommand, CutsThePlaceholderAndAppendsTheTarget)
{
    const wchar_t* target = L"https://quillop.example.org/";
    EXPECT_EQ(BrowserCommandFor(L"\"C:\\Web\\browser.exe\" \"%1\"", target),
              L"\"C:\\Web\\browser.exe\"  https://quillop.example.org/");
    EXPECT_EQ(BrowserCommandFor(L"\"C:\\Web\\browser.exe\" -nohome", target),
              L"\"C:\\Web\\browser.exe\" -nohome https://quillop.example.org/");
    EXPECT_EQ(BrowserCommandFor(L"C:\\Web\\browser.exe %1 -new -x", target),
              L"C:\\Web\\browser.exe  https://quillop.example.org/");
}

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
    int emailWidth = 0;
    int expectedEmailWidth = 0;
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
        ::GetWindowRect(GetEmailLink().m_hWnd, &r);
        emailWidth = r.right - r.left;
        HDC dc = ::GetDC(GetEmailLink().m_hWnd);
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(GetEmailLink().SendMessage(WM_GETFONT)));
        SIZE size;
        ::GetTextExtentPoint32W(dc, L"quillop@example.org", 19, &size);
        ::SelectObject(dc, old);
        ::ReleaseDC(GetEmailLink().m_hWnd, dc);
        expectedEmailWidth = size.cx;
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
        EXPECT_EQ(about.emailWidth, about.expectedEmailWidth);
        EXPECT_TRUE(about.hoverColourShown);
        EXPECT_TRUE(about.restoredAfterLeaving);
        EXPECT_EQ(about.GetEmailLink().GetLinkTarget(), kAboutEmail);
    }
}

}  // namespace
