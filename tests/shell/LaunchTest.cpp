// Opening paths for real on the launch lane: a small probe program records
// where it started.
#include "shell/Launch.h"
#include "menu/MenuTestSupport.h"
#include "support/LaunchSupport.h"
#include "support/TestSupport.h"

#include <thread>

#include <gtest/gtest.h>

namespace {

using test::LaunchTest;
using test::ProbeProgram;
using test::WaitForProbe;
using test::MakeShortcut;

TEST_F(LaunchTest, PlainFileStartsInItsOwnFolder)
{
    test::MakeFolder(folder + L"\\Data");
    std::wstring copy = folder + L"\\Data\\probe.exe";
    ASSERT_TRUE(::CopyFileW(ProbeProgram().c_str(), copy.c_str(), FALSE));
    QueueLaunch(LaunchRequest(copy.c_str()));
    auto lines = WaitForProbe(1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], folder + L"\\Data");
}

TEST_F(LaunchTest, ShortcutStartsInItsWorkingDirectory)
{
    test::MakeFolder(folder + L"\\Work");
    std::wstring shortcut = folder + L"\\Probe.lnk";
    ASSERT_TRUE(MakeShortcut(ProbeProgram(), folder + L"\\Work", shortcut));
    QueueLaunch(LaunchRequest(shortcut.c_str()));
    auto lines = WaitForProbe(1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], folder + L"\\Work");
    EXPECT_EQ(lines[1], ProbeProgram());
}

// A program in a drive's root starts in that root, not in the drive's
// current directory ("C:").
TEST_F(LaunchTest, AProgramInADriveRootStartsInTheRoot)
{
    const wchar_t* copy = L"C:\\quillop_probe.exe";
    ASSERT_TRUE(::CopyFileW(ProbeProgram().c_str(), copy, FALSE));
    // As Windows keeps it: the current directory elsewhere, drive C's own
    // current directory in the "=C:" variable.
    ::SetCurrentDirectoryW(test::ExecutableFolder().c_str());
    ::SetEnvironmentVariableW(L"=C:", L"C:\\windows");
    QueueLaunch(LaunchRequest(copy));
    auto lines = WaitForProbe(1);
    ::SetEnvironmentVariableW(L"=C:", nullptr);
    ::DeleteFileW(copy);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], L"C:\\");
}

TEST_F(LaunchTest, ABareNameStillOpens)
{
    ::SetCurrentDirectoryW(test::ExecutableFolder().c_str());
    QueueLaunch(LaunchRequest(L"cwd_probe.exe"));
    auto lines = WaitForProbe(1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], test::ExecutableFolder());
}

// A menu entry opens the file it names, "%" and all; a hotkey's command,
// which the user types, still stands for its variables.
TEST_F(LaunchTest, EntriesOpenLiterallyAndHotkeyCommandsExpandVariables)
{
    ::SetEnvironmentVariableW(L"QUILLOP_TEST_NAME", L"decoy");
    for (const wchar_t* name : { L"\\x%QUILLOP_TEST_NAME%y.exe", L"\\xdecoyy.exe", L"\\%QUILLOP_TEST_NAME% tool.exe" })
        ASSERT_TRUE(::CopyFileW(ProbeProgram().c_str(), (folder + name).c_str(), FALSE));
    QueueLaunch(LaunchRequest((folder + L"\\x%QUILLOP_TEST_NAME%y.exe").c_str()));
    auto lines = WaitForProbe(1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], folder + L"\\x%QUILLOP_TEST_NAME%y.exe");
    QueueLaunch(LaunchRequest((folder + L"\\%QUILLOP_TEST_NAME% tool.exe").c_str()));
    lines = WaitForProbe(2);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], folder + L"\\%QUILLOP_TEST_NAME% tool.exe");
    QueueLaunch(LaunchRequest((folder + L"\\x%QUILLOP_TEST_NAME%y.exe").c_str(), L"", true));
    lines = WaitForProbe(3);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[5], folder + L"\\xdecoyy.exe");
}

// A run as administrator that the shell refuses says which entry and why in
// words, the system's inserts filled; Yes opens it normally, and what that
// meets is told as well.
TEST_F(LaunchTest, ARefusedRunAsAdministratorSaysWhyAndOffersToOpenItNormally)
{
    const std::wstring broken = folder + L"\\Broken.exe";
    test::WriteFile(broken, "not a program");
    std::vector<std::wstring> told;
    {
        test::MessageBoxAnswer answers(L"shell_tests", std::vector<int>{ IDYES, IDOK });
        QueueLaunch(LaunchRequest(broken, L"runas"));
        test::WaitFor([&] { test::WaitForShellWorker(); return answers.AllAnswered(); }, 15000);
        told = answers.Texts();
    }
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].rfind(L"Sorry, \"Broken.exe\" could not be run as administrator: ", 0), 0u) << told[0];
    EXPECT_NE(told[0].find(L"\n\nOpen it normally instead?"), std::wstring::npos);
    EXPECT_EQ(told[1].rfind(L"Sorry, \"Broken.exe\" could not be opened: ", 0), 0u) << told[1];
    for (const std::wstring& text : told) EXPECT_EQ(text.find(L"%1"), std::wstring::npos) << text;
    // The system's own text for a bad program holds an insert for its name.
    EXPECT_EQ(LaunchErrorInWords(ERROR_BAD_EXE_FORMAT, L"Broken.exe").find(L'%'), std::wstring::npos);
    EXPECT_NE(LaunchErrorInWords(ERROR_BAD_EXE_FORMAT, L"Broken.exe").find(L"Broken.exe"), std::wstring::npos);
}

// A shortcut to itself, or a chain that comes back, crashes the shell's
// resolution: it is refused with a message that names it.
TEST_F(LaunchTest, AShortcutThatLeadsBackToItselfIsRefused)
{
    const std::wstring self = folder + L"\\Self.lnk", a = folder + L"\\A.lnk", b = folder + L"\\B.lnk";
    ASSERT_TRUE(MakeShortcut(self, folder, self));
    ASSERT_TRUE(MakeShortcut(b, folder, a));
    ASSERT_TRUE(MakeShortcut(a, folder, b));
    for (const std::wstring& loop : { self, a }) {
        test::MessageBoxAnswer answer(L"shell_tests");
        QueueLaunch(LaunchRequest(loop.c_str()));
        test::WaitForShellWorker();
        EXPECT_NE(answer.Text(15000).find(::PathFindFileNameW(loop.c_str())), std::wstring::npos);
    }
    // A chain that ends somewhere opens there.
    const std::wstring chain = folder + L"\\Chain.lnk", probe = folder + L"\\Probe.lnk";
    ASSERT_TRUE(MakeShortcut(ProbeProgram(), folder, probe));
    ASSERT_TRUE(MakeShortcut(probe, folder, chain));
    QueueLaunch(LaunchRequest(chain.c_str()));
    auto lines = WaitForProbe(1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], ProbeProgram());
}

// A file is shown in its folder even when the shell's own way fails, as it
// does when it cannot reach the file manager's list of windows (here: a
// thread without COM; on a busy machine: a file manager slow to start). A
// file that is gone is told, not passed over.
TEST_F(LaunchTest, ShowInFolderOpensTheFolderWhenTheShellsWayFails)
{
    test::MakeFolder(folder + L"\\Shown");
    const std::wstring file = folder + L"\\Shown\\report.txt";
    test::WriteFile(file, "r");
    DWORD error = 1;
    HRESULT shellWindows = S_OK;
    std::thread([&] {
        IUnknown* windows = nullptr;
        shellWindows = ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                          reinterpret_cast<void**>(&windows));
        if (windows) windows->Release();
        error = ShowInFolder(file);
    }).join();
    ASSERT_TRUE(FAILED(shellWindows)) << "the shell's way could not fail here";
    EXPECT_EQ(error, 0u);
    HWND window = test::WaitForFolderWindow(folder + L"\\Shown");
    EXPECT_NE(window, nullptr) << "no window of the file's folder";
    if (window) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(test::WaitFor([&] { return !::IsWindow(window); }, 15000));
    }

    test::MessageBoxAnswer answer(L"shell_tests");
    ASSERT_TRUE(QueueShowInFolder(folder + L"\\Shown\\gone.txt"));
    test::WaitForShellWorker();
    const std::wstring told = answer.Text(15000);
    EXPECT_EQ(told.rfind(L"Sorry, \"gone.txt\" could not be opened: ", 0), 0u) << told;
}

}  // namespace
