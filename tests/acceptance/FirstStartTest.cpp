// A new user's first start: a balloon from the icon says where the menu
// folder is and what the icon does, once.
#include "acceptance/AcceptanceFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace test;

// A balloon tip shown now, of any process (the notification area shows it).
bool BalloonShown()
{
    for (HWND window = ::FindWindowExW(nullptr, nullptr, L"tooltips_class32", nullptr); window;
         window = ::FindWindowExW(nullptr, window, L"tooltips_class32", nullptr))
        if (::IsWindowVisible(window) && (::GetWindowLongW(window, GWL_STYLE) & TTS_BALLOON)) return true;
    return false;
}

TEST_F(Acceptance, TheFirstStartInAPlaceShowsWhereTheMenuFolderIsOnce)
{
    RemoveTree(menu);
    Start();
    EXPECT_TRUE(Exists(menu));
    EXPECT_TRUE(WaitFor(BalloonShown, 5000)) << "no balloon on the first start";
    HoldForScreenshot("the first start's balloon");
    EXPECT_EQ(Exit(), 0u);
    EXPECT_TRUE(WaitFor([] { return !BalloonShown(); }, 10000));

    Start();
    Pump(2000);
    EXPECT_FALSE(BalloonShown()) << "the balloon came again";
    EXPECT_EQ(Exit(), 0u);
}

}  // namespace
