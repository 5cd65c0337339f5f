// The colours of the light, dark and high-contrast looks, and the dark
// setting read from the registry.
#include "framework/Theme.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

constexpr wchar_t kPersonalize[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// The contrast ratio of two colours, 1 to 21, as accessibility guidance
// measures it.
double Contrast(COLORREF a, COLORREF b)
{
    auto luminance = [](COLORREF colour) {
        auto channel = [](int value) {
            const double c = value / 255.0;
            return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(GetRValue(colour)) + 0.7152 * channel(GetGValue(colour)) +
               0.0722 * channel(GetBValue(colour));
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(Theme, TheDarkSettingIsAppsUseLightThemeZeroAndMissingMeansLight)
{
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme");
    EXPECT_FALSE(AppsUseDarkTheme());
    for (DWORD light : { 0u, 1u }) {
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme", REG_DWORD, &light,
                                    sizeof(light)),
                  ERROR_SUCCESS);
        EXPECT_EQ(AppsUseDarkTheme(), light == 0);
    }
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme");
}

TEST(Theme, DarkColoursReadWellAndHighContrastGivesTheSystemsWhateverTheDarkSetting)
{
    const ThemeColours dark = ThemeColoursFor(true, false);
    EXPECT_TRUE(dark.dark);
    EXPECT_GE(Contrast(dark.menuText, dark.menu), 7.0);
    EXPECT_GE(Contrast(dark.highlightText, dark.highlight), 4.5);
    EXPECT_GE(Contrast(dark.tipText, dark.tip), 7.0);
    EXPECT_GE(Contrast(dark.grayText, dark.menu), 3.0);
    EXPECT_LT(Contrast(dark.grayText, dark.menu), Contrast(dark.menuText, dark.menu));  // still told apart

    for (bool darkSetting : { true, false }) {
        const ThemeColours system = ThemeColoursFor(darkSetting, true);
        EXPECT_FALSE(system.dark);
        EXPECT_EQ(system.menu, ::GetSysColor(COLOR_MENU));
        EXPECT_EQ(system.menuText, ::GetSysColor(COLOR_MENUTEXT));
        EXPECT_EQ(system.highlight, ::GetSysColor(COLOR_HIGHLIGHT));
        EXPECT_EQ(system.highlightText, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
        EXPECT_EQ(system.grayText, ::GetSysColor(COLOR_GRAYTEXT));
        EXPECT_EQ(system.tip, ::GetSysColor(COLOR_INFOBK));
        EXPECT_EQ(system.tipText, ::GetSysColor(COLOR_INFOTEXT));
        EXPECT_EQ(system.tipFrame, ::GetSysColor(COLOR_WINDOWFRAME));
    }
}

}  // namespace
