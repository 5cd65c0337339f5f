// The real program beside a drive that answers each operation in 3 s, or
// never: a menu folder linked onto it, a shortcut on it chosen by a letter,
// Enter or a hotkey, a drop from it, each with the program answering; and
// launches and Exit beside large drops.
#include "acceptance/AcceptanceFixture.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "support/IconFile.h"
#include "support/RequireSlowVolume.h"
#include "support/TestSupport.h"

namespace {

using namespace test;

class SlowDrive : public Acceptance {
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

    // A menu folder with a file and a folder of its own beside a folder
    // holding a link onto the drive; the program started, the drive slow.
    void StartBesideALinkedShare(SlowVolume& volume, bool never)
    {
        WriteFile(volume.backing + L"\\remote.txt", "r");
        ASSERT_TRUE(::CopyFileW(probe.c_str(), (menu + L"\\local.exe").c_str(), FALSE));
        ::CreateDirectoryW((menu + L"\\Network").c_str(), nullptr);
        ::CreateDirectoryW((menu + L"\\Tools").c_str(), nullptr);
        ASSERT_TRUE(volume.PlaceLink(menu + L"\\Network\\share"));
        if (never)
            volume.NeverAnswer();
        else
            volume.SetDelay(3);
        Start();
    }
    // The press brings the menu at once with the folder's own entries, and
    // the program answers before and after it. With chooseByLetter, the one
    // file is chosen by its letter and starts.
    void PressAnswersAtOnce(bool chooseByLetter)
    {
        double worst = WorstAnswerOver(4000);
        double opened = 0;
        HWND shown = PressAndTime(opened);
        ASSERT_NE(shown, nullptr);
        EXPECT_LT(opened, 1000.0) << "the menu took " << opened << " ms to show";
        // <<Add New Item>>, Network, Tools, local and Quillop, not a folder
        // still being read: five entries' height at least.
        RECT shape;
        ::GetWindowRect(shown, &shape);
        EXPECT_GT(shape.bottom - shape.top, 5 * ::GetSystemMetrics(SM_CYMENU)) << "the folder's entries are missing";
        HoldForScreenshot("the menu beside a slow share");
        ASSERT_TRUE(WaitForMenuKeyboard());
        if (chooseByLetter) {
            Type({ 'L' });
            ASSERT_TRUE(MenuClosed());
            const ProbeRun run = FirstProbeRun();
            EXPECT_EQ(run.path, menu + L"\\local.exe") << "the menu did not hold the folder's own file";
        } else {
            Type({ VK_ESCAPE });
            ASSERT_TRUE(MenuClosed());
        }
        worst = std::max(worst, WorstAnswerOver(4000));
        EXPECT_LT(worst, 500.0) << "the program once took " << worst << " ms to answer";
    }
};

TEST_F(SlowDrive, AFolderLinkedOntoASlowShareNeverHoldsTheMenuUp)
{
    REQUIRE_SLOW_VOLUME();
    SlowVolume volume;
    StartBesideALinkedShare(volume, false);
    PressAnswersAtOnce(true);
    EXPECT_EQ(Exit(), 0u);
}

// Wine, listing the folder that holds the link, waits for the link forever,
// and then finds no other path of the process whose case it has to look up:
// programs are not started meanwhile. The menu still opens at once with
// what was listed, and the program answers.
TEST_F(SlowDrive, AFolderLinkedOntoAShareThatNeverAnswersNeverHoldsTheMenuUp)
{
    REQUIRE_SLOW_VOLUME();
    SlowVolume volume;
    StartBesideALinkedShare(volume, true);
    PressAnswersAtOnce(false);
    // A thread held in a call to the share cannot end before the share
    // answers (nor, under Wine, be ended safely): the share wakes first.
    volume.SetDelay(0);
    EXPECT_TRUE(WaitFor([&] { return volume.Waiting() == 0; }, 30000)) << "calls still held by the share";
    EXPECT_EQ(Exit(), 0u);
}

// A shortcut whose target and icon sit on the slow drive, chosen three ways
// while the drive stays slow: the program answers throughout; once the
// drive wakes, the target starts once each time.
TEST_F(SlowDrive, ChoosingAShortcutOnASlowDriveNeverStopsTheProgramAnswering)
{
    REQUIRE_SLOW_VOLUME();
    SlowVolume volume;
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (volume.backing + L"\\slow probe.exe").c_str(), FALSE));
    WriteFile(volume.backing + L"\\slow.ico", IconFileBytes(RGB(0, 90, 200)));
    const std::wstring shortcut = menu + L"\\Slow.lnk";
    ASSERT_TRUE(MakeShortcutWithIcon(volume.mount + L"\\slow probe.exe", volume.mount + L"\\slow.ico", shortcut));
    WriteFile(keyFile, Utf16(std::to_wstring(0x1B0076) + L"\r\n" + shortcut + L"\r\n\r\n"));  // Alt+Ctrl+F7
    Start();
    const std::function<void()> choices[] = {
        [this] {
            ASSERT_NE(PressIcon(), nullptr);
            Type({ 'S' });  // the only entry starting with S
        },
        [this] {
            ASSERT_NE(PressIcon(), nullptr);
            Type({ VK_DOWN, VK_DOWN, VK_RETURN });  // <<Add New Item>>, Slow
        },
        [] { PressChord({ VK_MENU, VK_CONTROL }, VK_F7); },
    };
    size_t runs = 0;
    for (const auto& choose : choices) {
        volume.SetDelay(3);
        choose();
        ASSERT_TRUE(MenuClosed());
        const double worst = WorstAnswerOver(3000);
        EXPECT_LT(worst, 250.0) << "choice " << runs << ": the program once took " << worst << " ms to answer";
        volume.SetDelay(0.01);
        ++runs;
        auto lines = ProbeLines(runs);
        ASSERT_EQ(lines.size(), 2 * runs) << "choice " << runs - 1 << " did not start the target";
        EXPECT_EQ(lines.back(), volume.mount + L"\\slow probe.exe");
    }
    ::Sleep(2000);
    EXPECT_EQ(ProbeLines(runs + 1).size(), 2 * runs) << "a target started more than once";
    EXPECT_EQ(Exit(), 0u);
}

TEST_F(SlowDrive, ADropFromASlowDriveLeavesThePressPrompt)
{
    REQUIRE_SLOW_VOLUME();
    SlowVolume volume;
    WriteFile(volume.backing + L"\\report.txt", "x");
    Start();
    volume.SetDelay(3);
    DropOnTray(volume.mount + L"\\report.txt");
    double opened = 0;
    ASSERT_NE(PressAndTime(opened), nullptr);
    EXPECT_LT(opened, 1000.0) << "the menu took " << opened << " ms to show";
    const double worst = WorstAnswerOver(3000);
    EXPECT_LT(worst, 250.0) << "the program once took " << worst << " ms to answer";
    Type({ VK_ESCAPE });
    ASSERT_TRUE(MenuClosed());
    volume.SetDelay(0.01);
    EXPECT_TRUE(WaitFor([&] { return Exists(menu + L"\\report.lnk"); }, 60000));
    EXPECT_EQ(Exit(), 0u);
}

// A folder of many files.
std::wstring MakeFolderOfFiles(const std::wstring& folder, int files)
{
    ::CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < files; ++i) WriteFile(folder + L"\\file " + std::to_wstring(i) + L".txt", "f");
    return folder;
}

int CountFiles(const std::wstring& folder)
{
    int count = 0;
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW((folder + L"\\*.lnk").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do ++count;
    while (::FindNextFileW(find, &found));
    ::FindClose(find);
    return count;
}

// Launches have a lane of their own: a hotkey pressed just after a large
// drop starts its program while the drop goes on.
TEST_F(SlowDrive, AHotkeyRightAfterALargeDropStartsAtOnce)
{
    const std::wstring large = MakeFolderOfFiles(folder + L"\\large", 200);
    WriteFile(keyFile, Utf16(std::to_wstring(0x1B0076) + L"\r\n" + probe + L"\r\n\r\n"));  // Alt+Ctrl+F7
    Start();
    DropOnTray(large);
    ASSERT_TRUE(WaitFor([&] { return CountFiles(menu + L"\\large") > 0; }, 30000)) << "the drop never began";
    const double pressed = Milliseconds();
    PressChord({ VK_MENU, VK_CONTROL }, VK_F7);
    auto lines = ProbeLines(1);
    const double started_ = Milliseconds() - pressed;
    ASSERT_EQ(lines.size(), 2u);
    // Wine starts a program in half a second or so; the drop takes far
    // longer.
    EXPECT_LT(started_, 2000.0) << "the program started " << started_ << " ms after its hotkey";
    EXPECT_LT(CountFiles(menu + L"\\large"), 200) << "the drop was already done: the test proves nothing";
    EXPECT_TRUE(WaitFor([&] { return CountFiles(menu + L"\\large") == 200; }, 120000));
    EXPECT_EQ(Exit(), 0u);
}

// Exit while a drop is still being added asks first; no leaves the program
// running until it is done.
TEST_F(SlowDrive, ExitDuringADropAsksAndLosesNothing)
{
    const std::wstring dropped = MakeFolderOfFiles(folder + L"\\a hundred and fifty", 150);
    Start();
    DropOnTray(dropped);
    ASSERT_TRUE(WaitFor([&] { return CountFiles(menu + L"\\a hundred and fifty") > 0; }, 30000))
        << "the drop never began";
    ChooseFixedEntry(0);
    std::wstring question;
    HWND box = nullptr;
    const bool asked = WaitFor([&] { return (box = MessageBoxShown(&question)) != nullptr; }, 3000);
    if (!asked) {
        // Done before Exit came: all of it added.
        ASSERT_EQ(::WaitForSingleObject(started.hProcess, 10000), WAIT_OBJECT_0);
        EXPECT_EQ(CountFiles(menu + L"\\a hundred and fifty"), 150);
        return;
    }
    EXPECT_NE(question.find(L"dropped files are still being added. Exit anyway?"), std::wstring::npos) << question.c_str();
    ::PostMessageW(box, WM_COMMAND, IDNO, 0);
    EXPECT_TRUE(WaitFor([&] { return CountFiles(menu + L"\\a hundred and fifty") == 150; }, 60000));
    EXPECT_EQ(::WaitForSingleObject(started.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "No ended the program";
    EXPECT_EQ(Exit(), 0u);
}

}  // namespace
