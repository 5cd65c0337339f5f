// The real Quillop.exe: its icon, menu, hotkeys, drops and auto start.
#include "acceptance/AcceptanceFixture.h"
#include "app/TrayWindow.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "support/TestSupport.h"
#include "tools/RunningProgram.h"

#include <gtest/gtest.h>

namespace {

using namespace test;

TEST_F(Acceptance, StartsWithItsIconAndHotkeysAndExitFreesThem)
{
    WriteFile(keyFile, Utf16(L"1769588\r\n" + probe + L"\r\n\r\n"));  // Alt+Ctrl+F5
    Start();
    EXPECT_TRUE(Exists(menu));
    EXPECT_FALSE(::IsWindowVisible(tray));
    EXPECT_FALSE(HotkeyIsFree(MOD_ALT | MOD_CONTROL, VK_F5));

    EXPECT_EQ(Exit(), 0u);
    EXPECT_FALSE(IconPresent());
    EXPECT_TRUE(HotkeyIsFree(MOD_ALT | MOD_CONTROL, VK_F5));
}

TEST_F(Acceptance, TheIconsMenuOpensTheChosenFileInItsFolder)
{
    ::CreateDirectoryW((menu + L"\\Tools").c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (menu + L"\\Tools\\deep.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (menu + L"\\run.exe").c_str(), FALSE));
    Start();
    // <<Add New Item>>, separator, Tools, run, separator, Quillop.
    ChooseEntry({ VK_DOWN, VK_DOWN, VK_DOWN });
    auto lines = ProbeLines(1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], menu);
    EXPECT_EQ(lines[1], menu + L"\\run.exe");
    ChooseEntry({ VK_DOWN, VK_DOWN, VK_RIGHT });  // into Tools: deep
    lines = ProbeLines(2);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], menu + L"\\Tools");
    EXPECT_EQ(lines[3], menu + L"\\Tools\\deep.exe");
    EXPECT_EQ(Exit(), 0u);
}

TEST_F(Acceptance, FolderAsSeparatorTogglesAndIsRemembered)
{
    ::CreateDirectoryW((menu + L"\\Docs").c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (menu + L"\\Docs\\deep.exe").c_str(), FALSE));
    Start();
    ChooseFixedEntry(3);  // "Folder As Separator"
    EXPECT_EQ(ProfileValue(L"DirAsSpt"), 1u);
    // The folder's entries now stand in the menu itself: the second entry
    // is the file, not a submenu.
    ChooseEntry({ VK_DOWN, VK_DOWN });
    const ProbeRun run = FirstProbeRun();
    EXPECT_EQ(run.path, menu + L"\\Docs\\deep.exe");
    ChooseFixedEntry(3);
    EXPECT_EQ(ProfileValue(L"DirAsSpt"), 0u);
    EXPECT_EQ(Exit(), 0u);
}

// Typing into the "Quillop" submenu: a letter that starts one entry
// chooses it, one that starts several highlights the next of them.
TEST_F(Acceptance, TheQuillopSubmenuAnswersTypedLetters)
{
    Start();
    ASSERT_NE(PressIcon(), nullptr);
    // "Quillop", into it ("Find..." first), on to the next F: "Folder As
    // Separator", chosen with Enter (two entries start with F).
    Type({ VK_UP, VK_RIGHT, 'F', VK_RETURN });
    ASSERT_TRUE(MenuClosed());
    EXPECT_EQ(ProfileValue(L"DirAsSpt"), 1u);
    ASSERT_NE(PressIcon(), nullptr);
    Type({ VK_UP, VK_RIGHT, 'E' });  // "Edit", then "Exit"
    Type({ 'E' });
    Type({ VK_RETURN });
    EXPECT_EQ(::WaitForSingleObject(started.hProcess, 10000), WAIT_OBJECT_0);
}

TEST_F(Acceptance, AutoStartTurnsOnAndOffAndBackOnWhatTheStartupListSwitchedOff)
{
    Start();
    ChooseFixedEntry(4);  // "Auto Start"
    EXPECT_TRUE(WaitFor([&] { return RunValue() == L"\"" + program + L"\""; })) << RunValue().c_str();
    ChooseFixedEntry(4);
    EXPECT_TRUE(WaitFor([&] { return RunValue() == L"(none)"; })) << RunValue().c_str();

    // Windows' Startup apps list switched the entry off: Auto Start shows
    // off, and switching it on writes this program's path and clears the mark.
    const std::wstring bare = program;
    ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", L"Quillop",
                                REG_SZ, bare.c_str(), static_cast<DWORD>((bare.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    const wchar_t approved[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
    BYTE mark[12] = { 0x03 };
    ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, approved, L"Quillop", REG_BINARY, mark, sizeof(mark)),
              ERROR_SUCCESS);
    ChooseFixedEntry(4);
    // Switched on: this program's path, quoted.
    EXPECT_TRUE(WaitFor([&] { return RunValue() == L"\"" + program + L"\""; })) << RunValue().c_str();
    DWORD size = sizeof(mark);
    ASSERT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, approved, L"Quillop", RRF_RT_REG_BINARY, nullptr, mark, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(mark[0], 0x02);
    ChooseFixedEntry(4);
    EXPECT_TRUE(WaitFor([&] { return RunValue() == L"(none)"; })) << RunValue().c_str();
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, approved, L"Quillop");
    EXPECT_EQ(Exit(), 0u);
}

TEST_F(Acceptance, AHotkeyAddedInTheDialogIsSavedAndWorks)
{
    Start();
    ChooseFixedEntry(5);  // "Hotkeys"
    HWND hotkeys = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (hotkeys = FindProcessWindow(started.dwProcessId, L"#32770", L"Hotkeys")); }));
    ::PostMessageW(hotkeys, WM_COMMAND, 1002, 0);  // Add
    HWND edit = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (edit = FindProcessDialogWith(started.dwProcessId, 1070)); }));
    const LRESULT f6 = ::SendDlgItemMessageW(edit, 1070, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(L"F6"));
    ::SendDlgItemMessageW(edit, 1070, CB_SETCURSEL, static_cast<WPARAM>(f6), 0);
    ::CheckDlgButton(edit, 1006, BST_CHECKED);             // Alt
    ::CheckDlgButton(edit, 1007, BST_CHECKED);             // Ctrl
    ::SetDlgItemTextW(edit, 1010, probe.c_str());
    ::PostMessageW(edit, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(edit); }));
    ::PostMessageW(hotkeys, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(hotkeys); }));

    EXPECT_EQ(ReadFile(keyFile), Utf16(std::to_wstring(0x1B0075) + L"\r\n" + probe + L"\r\n\r\n"));
    PressChord({ VK_MENU, VK_CONTROL }, VK_F6);
    const ProbeRun run = FirstProbeRun();
    EXPECT_EQ(run.folder, folder);  // a hotkey's program starts in its own folder
    EXPECT_EQ(run.path, probe);
    EXPECT_EQ(Exit(), 0u);
}

TEST_F(Acceptance, TheMenuHotkeyPopsTheBareMenu)
{
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (menu + L"\\a.exe").c_str(), FALSE));
    WriteFile(keyFile, Utf16(L"2293872\r\nQuillop\r\n\r\n"));  // Win+F1
    Start();
    PressChord({ VK_LWIN }, VK_F1);
    ASSERT_TRUE(WaitFor([&] { return FindProcessWindow(started.dwProcessId, L"#32768") != nullptr; }));
    ASSERT_TRUE(WaitForMenuKeyboard());
    // No <<Add New Item>> above it: the first entry is the folder's file.
    Type({ VK_DOWN, VK_RETURN });
    ASSERT_TRUE(MenuClosed());
    const ProbeRun run = FirstProbeRun();
    EXPECT_EQ(run.path, menu + L"\\a.exe");
    EXPECT_EQ(Exit(), 0u);
}

TEST_F(Acceptance, ADroppedFolderShowsInTheNextMenu)
{
    std::wstring source = folder + L"\\Projects";
    ::CreateDirectoryW(source.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (source + L"\\tool.exe").c_str(), FALSE));
    Start();
    DropOnTray(source);
    ASSERT_TRUE(WaitFor([&] { return Exists(menu + L"\\Projects\\tool.lnk"); }));
    ChooseEntry({ VK_DOWN, VK_DOWN, VK_RIGHT });  // <<Add New Item>>, Projects, into it: tool
    const ProbeRun run = FirstProbeRun();
    EXPECT_EQ(run.folder, source);  // the shortcut's working folder
    EXPECT_EQ(run.path, source + L"\\tool.exe");
    EXPECT_EQ(Exit(), 0u);
}

TEST_F(Acceptance, TheIconComesBackWhenTheTaskbarIsMadeAgain)
{
    Start();
    NOTIFYICONDATAW icon = {};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = tray;
    ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &icon));  // as a restarted shell forgets it
    EXPECT_FALSE(IconPresent());
    ::PostMessageW(tray, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitFor([this] { return IconPresent(); }));
    EXPECT_EQ(Exit(), 0u);
}

}  // namespace
