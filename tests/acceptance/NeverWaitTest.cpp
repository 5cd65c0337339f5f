// The program never waits for the shell or a slow drive: a cold menu of
// 2,000 shortcuts with icons of their own opens at once and draws each icon
// as it arrives; a shortcut, a launch or a drop on a drive that answers each
// file operation in 3 s never stops the program answering; Exit is prompt
// while a look-up hangs.
#include "acceptance/AcceptanceFixture.h"
#include "app/TrayWindow.h"
#include "support/Canvas.h"
#include "support/IconFile.h"
#include "support/RequireSlowVolume.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <fstream>

namespace {

using namespace test;
using test::SlowVolume;

// How many pixels of the colour the canvas holds.
int CountColour(const Canvas& canvas, COLORREF colour)
{
    int count = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) count += canvas.At(x, y) == colour ? 1 : 0;
    return count;
}

COLORREF TopLevelColour(int i) { return RGB(200, 10 * i + 5, 60); }

class NeverWait : public Acceptance {
protected:
    void SetUp() override
    {
        ::CoInitialize(nullptr);  // the tests write shortcuts
        Acceptance::SetUp();
    }
    void TearDown() override
    {
        Acceptance::TearDown();
        ::CoUninitialize();
    }
};

TEST_F(NeverWait, AColdMenuOpensAtOnceAndDrawsEachIconAsItArrives)
{
    // 2,000 shortcuts with icons of their own: 20 in the menu folder, each in
    // a colour of its own, and 1,980 in ten subfolders.
    const std::wstring icons = folder + L"\\icons";
    ::CreateDirectoryW(icons.c_str(), nullptr);
    const std::wstring target = icons + L"\\target.txt";
    WriteFile(target, "x");
    std::vector<ShortcutWithIcon> shortcuts;
    for (int i = 0; i < 2000; ++i) {
        const bool top = i < 20;
        const COLORREF colour = top ? TopLevelColour(i) : static_cast<COLORREF>((i * 2654435761u) & 0xFFFFFF);
        wchar_t name[16];
        wnsprintfW(name, 16, L"\\%04d.ico", i);
        WriteFile(icons + name, IconFileBytes(colour));
        std::wstring at = menu;
        if (!top) {
            at += L"\\Folder " + std::to_wstring(i % 10);
            ::CreateDirectoryW(at.c_str(), nullptr);
        }
        shortcuts.push_back({ icons + name, at + L"\\shortcut " + std::to_wstring(i) + L".lnk" });
    }
    ASSERT_TRUE(MakeShortcutsWithIcons(target, shortcuts));
    Start();
    double opened = 0;
    HWND shown = PressAndTime(opened);
    ASSERT_NE(shown, nullptr);
    EXPECT_LT(opened, 300.0) << "the menu took " << opened << " ms to show";
    // Each top-level entry comes to show its own icon while the menu stays open.
    int missing = 20;
    WaitFor(
        [&] {
            auto canvas = Capture(shown);
            missing = 0;
            for (int i = 0; i < 20; ++i) missing += CountColour(*canvas, TopLevelColour(i)) >= 100 ? 0 : 1;
            return missing == 0;
        },
        20000);
    EXPECT_EQ(missing, 0) << "entries still without their own icon";
    EXPECT_NE(FindProcessWindow(started.dwProcessId, L"#32768"), nullptr) << "the menu closed meanwhile";
    HoldForScreenshot("the cold menu with its icons");
    Type({ VK_ESCAPE });
    ASSERT_TRUE(MenuClosed());
    EXPECT_EQ(Exit(), 0u);
}

TEST_F(NeverWait, AShortcutOnASlowDriveNeverStopsTheProgramAnswering)
{
    REQUIRE_SLOW_VOLUME();
    SlowVolume volume;
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (volume.backing + L"\\slow probe.exe").c_str(), FALSE));
    WriteFile(volume.backing + L"\\slow.ico", IconFileBytes(RGB(0, 90, 200)));
    ASSERT_TRUE(MakeShortcutWithIcon(volume.mount + L"\\slow probe.exe", volume.mount + L"\\slow.ico",
                                     menu + L"\\Slow.lnk"));
    volume.SetDelay(3);
    const double launched = Milliseconds();
    Launch();
    // The first 8 s: answering throughout, the menu at once, the entry chosen.
    double worst = WorstAnswerOver(1500);
    double opened = 0;
    ASSERT_NE(PressAndTime(opened), nullptr);
    EXPECT_LT(opened, 500.0) << "the menu took " << opened << " ms to show";
    ASSERT_TRUE(WaitForMenuKeyboard());
    Type({ VK_DOWN, VK_DOWN, VK_RETURN });  // <<Add New Item>>, Slow
    ASSERT_TRUE(MenuClosed());
    worst = std::max(worst, WorstAnswerOver(std::max(1000.0, 8000.0 - (Milliseconds() - launched))));
    EXPECT_LT(worst, 250.0) << "the program once took " << worst << " ms to answer";
    // The drive wakes up: the target starts, once.
    volume.SetDelay(0.01);
    const ProbeRun run = FirstProbeRun();
    EXPECT_EQ(run.path, volume.mount + L"\\slow probe.exe");
    ::Sleep(2000);
    EXPECT_EQ(ProbeLines(2).size(), 2u) << "the target started more than once";
    EXPECT_EQ(Exit(), 0u);
}

TEST_F(NeverWait, ADropFromASlowDriveNeverStopsTheProgramAnswering)
{
    REQUIRE_SLOW_VOLUME();
    SlowVolume volume;
    WriteFile(volume.backing + L"\\report.txt", "x");
    Start();
    volume.SetDelay(3);
    DropOnTray(volume.mount + L"\\report.txt");
    double worst = WorstAnswerOver(6000);
    EXPECT_LT(worst, 250.0) << "the program once took " << worst << " ms to answer";
    volume.SetDelay(0.01);
    EXPECT_TRUE(WaitFor([&] { return Exists(menu + L"\\report.lnk"); }, 60000));
    EXPECT_EQ(Exit(), 0u);
}

TEST_F(NeverWait, ExitIsPromptWhileALookUpHangs)
{
    REQUIRE_SLOW_VOLUME();
    SlowVolume volume;
    WriteFile(volume.backing + L"\\slow.ico", IconFileBytes(RGB(0, 90, 200)));
    ASSERT_TRUE(MakeShortcutWithIcon(folder + L"\\probe.exe", volume.mount + L"\\slow.ico", menu + L"\\Slow.lnk"));
    volume.SetDelay(3);
    Start();
    ASSERT_TRUE(WaitFor([&] { return volume.Waiting() > 0; }, 30000)) << "the look-up never reached the drive";
    ChooseFixedEntry(0);
    const double chosen = Milliseconds();
    EXPECT_TRUE(WaitFor([this] { return !::IsWindow(tray); }, 10000));
    EXPECT_LT(Milliseconds() - chosen, 1000.0) << "Exit waited for the drive";
    // The process itself goes once the kernel lets go of the thread it
    // holds in a call to the drive (at most that call's 3 s).
    EXPECT_EQ(::WaitForSingleObject(started.hProcess, 10000), WAIT_OBJECT_0);
}

}  // namespace
