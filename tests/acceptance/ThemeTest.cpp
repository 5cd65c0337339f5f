// Windows' light or dark mode as the menu, the dialogs and the message boxes
// show it on the screen, switched while the program runs. (Wine keeps no high
// contrast setting: that is tested on the colours themselves.)
#include "acceptance/AcceptanceFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace test;

constexpr wchar_t kPersonalize[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// The mean of the red, green and blue of every pixel, 0 to 255.
double MeanBrightness(const Canvas& canvas)
{
    double sum = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const COLORREF pixel = canvas.At(x, y);
            sum += (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel)) / 3.0;
        }
    return sum / (canvas.width() * canvas.height());
}

class Theme : public Acceptance {
protected:
    void TearDown() override
    {
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme");
        Acceptance::TearDown();
    }
    static void UseLightTheme(DWORD light)
    {
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme", REG_DWORD, &light,
                                    sizeof(light)),
                  ERROR_SUCCESS);
    }
    static void BroadcastColourSetChange()
    {
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"),
                              SMTO_ABORTIFHUNG, 5000, &result);
    }
    // Whether the menu, opened now, shows with a brightness the check
    // accepts once drawn; closed again.
    bool MenuShows(const std::function<bool(double)>& accepted, const char* screenshot)
    {
        HWND shown = PressIcon();
        EXPECT_NE(shown, nullptr);
        if (!shown) return false;
        double brightness = -1;
        const bool seen = WaitFor([&] { return accepted(brightness = MeanBrightness(*Capture(shown))); });
        HoldForScreenshot(screenshot);
        Type({ VK_ESCAPE });
        EXPECT_TRUE(MenuClosed());
        EXPECT_TRUE(seen) << "the menu's brightness: " << brightness;
        return seen;
    }
};

TEST_F(Theme, TheMenuFollowsDarkAndLightModeWithoutARestart)
{
    UseLightTheme(0);
    Start();
    EXPECT_TRUE(MenuShows([](double brightness) { return brightness < 90.0; }, "the menu in dark mode"))
        << "the menu is not dark";
    UseLightTheme(1);
    BroadcastColourSetChange();
    EXPECT_TRUE(MenuShows([](double brightness) { return brightness > 170.0; }, "the menu in light mode"))
        << "the menu is not light again";
    EXPECT_EQ(Exit(), 0u);
}

// The dialogs and message boxes: a Hotkeys dialog open in light mode turns
// dark when the mode changes, its buttons too; the HotKey dialog and a
// question asked from it open dark.
TEST_F(Theme, DialogsAndMessageBoxesFollowDarkModeWhileOpen)
{
    UseLightTheme(1);
    Start();
    ChooseFixedEntry(5);  // "Hotkeys"
    HWND hotkeys = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (hotkeys = FindProcessWindow(started.dwProcessId, L"#32770", L"Hotkeys")); }));
    EXPECT_TRUE(WaitFor([&] { return MeanBrightness(*Capture(hotkeys)) > 170.0; })) << "Hotkeys is not light";
    UseLightTheme(0);
    BroadcastColourSetChange();
    EXPECT_TRUE(WaitFor([&] { return MeanBrightness(*Capture(hotkeys)) < 90.0; })) << "Hotkeys did not turn dark";
    EXPECT_LT(MeanBrightness(*Capture(::GetDlgItem(hotkeys, IDOK))), 110.0) << "its OK button is not dark";
    const auto header = reinterpret_cast<HWND>(
        ::SendMessageW(::FindWindowExW(hotkeys, nullptr, L"SysListView32", nullptr), LVM_GETHEADER, 0, 0));
    EXPECT_LT(MeanBrightness(*Capture(header)), 110.0) << "its list's header is not dark";
    HoldForScreenshot("the Hotkeys dialog turned dark");

    ::PostMessageW(hotkeys, WM_COMMAND, 1002, 0);  // Add
    HWND edit = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (edit = FindProcessDialogWith(started.dwProcessId, 1070)); }));
    EXPECT_TRUE(WaitFor([&] { return MeanBrightness(*Capture(edit)) < 90.0; })) << "HotKey is not dark";
    HoldForScreenshot("the HotKey dialog in dark mode");
    // F alone asks before it is kept.
    const LRESULT f = ::SendDlgItemMessageW(edit, 1070, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(L"F"));
    ::SendDlgItemMessageW(edit, 1070, CB_SETCURSEL, static_cast<WPARAM>(f), 0);
    ::SetDlgItemTextW(edit, 1010, probe.c_str());
    ::PostMessageW(edit, WM_COMMAND, IDOK, 0);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = MessageBoxShown()) != nullptr; }));
    EXPECT_TRUE(WaitFor([&] { return MeanBrightness(*Capture(box)) < 90.0; })) << "the question is not dark";
    HoldForScreenshot("a question in dark mode");
    ::PostMessageW(box, WM_COMMAND, IDNO, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
    ::PostMessageW(edit, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(edit); }));
    ::PostMessageW(hotkeys, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(hotkeys); }));
    EXPECT_EQ(Exit(), 0u);
}

}  // namespace
