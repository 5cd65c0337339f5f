// Windows' light or dark mode as the menu shows it on the screen, switched
// while the program runs. (Wine keeps no high contrast setting: that is
// tested on the colours themselves.)
#include "acceptance/AcceptanceFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

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
    // The brightness of the menu as it shows now, then closed again.
    double MenuBrightness(const char* screenshot)
    {
        HWND shown = PressIcon();
        EXPECT_NE(shown, nullptr);
        if (!shown) return -1;
        Pump(300);  // drawn
        HoldForScreenshot(screenshot);
        const double brightness = MeanBrightness(*Capture(shown));
        Type({ VK_ESCAPE });
        EXPECT_TRUE(MenuClosed());
        return brightness;
    }
};

TEST_F(Theme, TheMenuFollowsDarkAndLightModeWithoutARestart)
{
    UseLightTheme(0);
    Start();
    const double dark = MenuBrightness("the menu in dark mode");
    EXPECT_LT(dark, 90.0) << "the menu is not dark";
    UseLightTheme(1);
    BroadcastColourSetChange();
    const double light = MenuBrightness("the menu in light mode");
    EXPECT_GT(light, 170.0) << "the menu is not light again";
    EXPECT_EQ(Exit(), 0u);
}

}  // namespace
