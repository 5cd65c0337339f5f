// One of each at a time: one Hotkeys dialog, one About box, one copy of the
// program per executable; the icon and the hotkeys stay usable meanwhile.
#include "acceptance/AcceptanceFixture.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "support/TestSupport.h"
#include "tools/RunningProgram.h"

namespace {

using namespace test;

using OneAtATime = Acceptance;

TEST_F(OneAtATime, ASecondHotkeysCommandOrAboutBringsTheOpenOneToTheFront)
{
    Start();
    for (int upFromExit : { 5, 1 }) {  // "Hotkeys", "About"
        const wchar_t* caption = upFromExit == 5 ? L"Hotkeys" : L"About";
        ChooseFixedEntry(upFromExit);
        ASSERT_TRUE(WaitFor([&] { return CountProcessWindows(started.dwProcessId, L"#32770", caption) == 1; }))
            << "no dialog";
        // The icon still answers, and the second command opens nothing new.
        ChooseFixedEntry(upFromExit);
        Pump(1000);
        EXPECT_EQ(CountProcessWindows(started.dwProcessId, L"#32770", caption), 1);
        HWND dialog = FindProcessWindow(started.dwProcessId, L"#32770", caption);
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitFor([&] { return CountProcessWindows(started.dwProcessId, L"#32770", caption) == 0; }));
    }
    EXPECT_EQ(Exit(), 0u);
}

TEST_F(OneAtATime, ASecondStartOfTheSameProgramShowsTheFirstsMenuAndEnds)
{
    WriteFile(keyFile, Utf16(L"2293872\r\nQuillop\r\n\r\n"));  // Win+F1
    Start();
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION second = {};
    ASSERT_TRUE(::CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                 &startup, &second));
    EXPECT_EQ(::WaitForSingleObject(second.hProcess, 10000), WAIT_OBJECT_0) << "the second copy runs on";
    ::CloseHandle(second.hThread);
    ::CloseHandle(second.hProcess);
    EXPECT_TRUE(WaitFor([&] { return FindProcessWindow(started.dwProcessId, L"#32768") != nullptr; }))
        << "the first copy's menu did not come up";
    Type({ VK_ESCAPE });
    ASSERT_TRUE(MenuClosed());
    EXPECT_TRUE(IconPresent());
    EXPECT_FALSE(HotkeyIsFree(MOD_WIN, VK_F1));

    // A copy under another name beside it runs side by side.
    const std::wstring other = folder + L"\\Other.exe";
    ASSERT_TRUE(::CopyFileW(program.c_str(), other.c_str(), FALSE));
    PROCESS_INFORMATION beside = {};
    ASSERT_TRUE(::CreateProcessW(other.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                                 &beside));
    EXPECT_TRUE(WaitFor([&] { return FindTrayWindow(beside.dwProcessId) != nullptr; }));
    ::TerminateProcess(beside.hProcess, 0);
    ::WaitForSingleObject(beside.hProcess, 5000);
    ::CloseHandle(beside.hThread);
    ::CloseHandle(beside.hProcess);
    EXPECT_EQ(Exit(), 0u);
}

}  // namespace
