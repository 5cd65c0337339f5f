// One of each at a time: one Hotkeys dialog, one About box, one copy of the
// program per executable; the icon and the hotkeys stay usable meanwhile.
#include "acceptance/AcceptanceFixture.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "support/RequireSlowVolume.h"
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
        HWND dialog = FindProcessWindow(started.dwProcessId, L"#32770", caption);
        ChooseFixedEntry(upFromExit);
        // The command is done once the open one is in front again.
        EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == dialog; })) << "the open one did not come forward";
        EXPECT_EQ(CountProcessWindows(started.dwProcessId, L"#32770", caption), 1);
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

namespace {

using namespace test;

// The claim's name, as the program makes it from its file's identity.
std::wstring ClaimName(const std::wstring& program)
{
    HANDLE file = ::CreateFileW(program.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION information = {};
    ::GetFileInformationByHandle(file, &information);
    ::CloseHandle(file);
    wchar_t name[64];
    wnsprintfW(name, 64, L"Local\\QuillopCopy-%08lx-%08lx%08lx", information.dwVolumeSerialNumber,
               information.nFileIndexHigh, information.nFileIndexLow);
    return name;
}

std::wstring Variable(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    return ::GetEnvironmentVariableW(name, value, MAX_PATH) ? value : L"";
}

// Started again through a link to its folder, or through another drive's
// name for the same file: the running copy's menu comes up, and the second
// start ends.
TEST_F(OneAtATime, OneCopyPerProgramFileWhateverPathStartsIt)
{
    REQUIRE_SLOW_VOLUME();
    SlowVolume volume;
    const std::wstring link = ExecutableFolder() + L"\\program link";
    ASSERT_TRUE(volume.MakeLink(folder, link));
    // Drive Y: for the test's folder: Wine's drives are links in its prefix.
    std::wstring prefix = L"Z:" + Variable(L"WINEPREFIX");
    for (wchar_t& c : prefix) c = c == L'/' ? L'\\' : c;
    ASSERT_TRUE(volume.MakeLink(ExecutableFolder(), prefix + L"\\dosdevices\\y:"));
    const std::wstring onY = L"Y:" + folder.substr(ExecutableFolder().size()) + L"\\Quillop.exe";
    ASSERT_TRUE(Exists(onY));
    Start();
    for (const std::wstring& path : { link + L"\\Quillop.exe", onY }) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION second = {};
        ASSERT_TRUE(::CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                     &second));
        EXPECT_EQ(::WaitForSingleObject(second.hProcess, 10000), WAIT_OBJECT_0)
            << "a second copy runs from " << std::string(path.begin(), path.end());
        ::TerminateProcess(second.hProcess, 1);
        ::CloseHandle(second.hThread);
        ::CloseHandle(second.hProcess);
        EXPECT_TRUE(WaitFor([&] { return FindProcessWindow(started.dwProcessId, L"#32768") != nullptr; }))
            << "the first copy's menu did not come up";
        Type({ VK_ESCAPE });
        ASSERT_TRUE(MenuClosed());
    }
    EXPECT_EQ(Exit(), 0u);
}

// The running copy hung (its window thread stopped): a second start asks
// it, gets no answer within its bound, and tells the user, rather than end
// without a word (it once ended with code 0 and nothing shown) or start a
// second copy. Once the first answers again, a start shows its menu.
TEST_F(OneAtATime, ASecondStartTellsTheUserWhenTheRunningCopyDoesNotAnswer)
{
    Start();
    UniqueKernelHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, ::GetWindowThreadProcessId(tray, nullptr)));
    ASSERT_TRUE(thread);
    ASSERT_NE(::SuspendThread(thread.Get()), static_cast<DWORD>(-1));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION second = {};
    ASSERT_TRUE(::CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                 &startup, &second));
    UniqueKernelHandle secondProcess(second.hProcess), secondThread(second.hThread);
    HWND box = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (box = FindProcessWindow(second.dwProcessId, L"#32770", L"Quillop")); }, 30000))
        << "the second start told the user nothing";
    wchar_t text[1024] = {};
    if (box) ::GetDlgItemTextW(box, 0xFFFF, text, ARRAYSIZE(text));
    EXPECT_NE(std::wstring(text).find(L"does not answer"), std::wstring::npos);
    EXPECT_EQ(FindTrayWindow(second.dwProcessId), nullptr) << "a second copy started";
    if (box) ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(::WaitForSingleObject(second.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeProcess(second.hProcess, &code);
    EXPECT_NE(code, 0u);
    ::ResumeThread(thread.Get());

    PROCESS_INFORMATION third = {};
    ASSERT_TRUE(::CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                 &startup, &third));
    UniqueKernelHandle thirdProcess(third.hProcess), thirdThread(third.hThread);
    EXPECT_EQ(::WaitForSingleObject(third.hProcess, 15000), WAIT_OBJECT_0);
    EXPECT_TRUE(WaitFor([&] { return FindProcessWindow(started.dwProcessId, L"#32768") != nullptr; }))
        << "the first copy's menu did not come up";
    Type({ VK_ESCAPE });
    ASSERT_TRUE(MenuClosed());
    EXPECT_EQ(Exit(), 0u);
}

// Another program holds the claim's name: no copy answers for it, and the
// program starts all the same, rather than end without a word.
TEST_F(OneAtATime, AClaimNoCopyAnswersForDoesNotKeepTheProgramFromStarting)
{
    UniqueKernelHandle squatter(::CreateMutexW(nullptr, FALSE, ClaimName(program).c_str()));
    ASSERT_TRUE(squatter);
    Launch();
    EXPECT_TRUE(WaitFor([this] { return IconPresent(); }, 15000)) << "no icon";
    EXPECT_EQ(Exit(), 0u);
}

}  // namespace
