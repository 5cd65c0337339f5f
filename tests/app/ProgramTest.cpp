// The real Quillop.exe, started as a user starts it.
#include "app/TrayWindow.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct Found {
    DWORD process;
    HWND window;
};

BOOL CALLBACK FindTrayWindow(HWND hwnd, LPARAM lParam)
{
    auto* found = reinterpret_cast<Found*>(lParam);
    DWORD process = 0;
    ::GetWindowThreadProcessId(hwnd, &process);
    wchar_t className[32] = {};
    ::GetClassNameW(hwnd, className, 32);
    LONG exStyle = ::GetWindowLongW(hwnd, GWL_EXSTYLE);
    if (process == found->process && lstrcmpW(className, L"#32770") == 0 && (exStyle & WS_EX_ACCEPTFILES)) {
        found->window = hwnd;
        return FALSE;
    }
    return TRUE;
}

TEST(Program, StartsWithItsTrayWindowAndEndsOnExit)
{
    std::wstring folder = test::ExecutableFolder() + L"\\program";
    test::RemoveTree(folder);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring program = folder + L"\\Quillop.exe";
    ASSERT_TRUE(::CopyFileW(test::BuiltProgram().c_str(), program.c_str(), FALSE));

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(::CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                 &startup, &started));
    Found found = { started.dwProcessId, nullptr };
    for (int i = 0; i < 100 && !found.window; ++i) {
        ::Sleep(100);
        ::EnumWindows(FindTrayWindow, reinterpret_cast<LPARAM>(&found));
    }
    ASSERT_NE(found.window, nullptr) << "no tray window";
    EXPECT_TRUE(test::Exists(folder + L"\\Quillop"));  // the menu folder beside it
    EXPECT_FALSE(::IsWindowVisible(found.window));

    // Start-up has finished once its icon is in place: an "Exit" during
    // start-up would rightly end the program with -1.
    NOTIFYICONDATAW icon = {};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = found.window;
    icon.uFlags = NIF_TIP;
    lstrcpyW(icon.szTip, L"Quillop");
    bool iconAdded = false;
    for (int i = 0; i < 100 && !iconAdded; ++i) {
        iconAdded = ::Shell_NotifyIconW(NIM_MODIFY, &icon) != FALSE;
        if (!iconAdded) ::Sleep(100);
    }
    EXPECT_TRUE(iconAdded);

    ::PostMessageW(found.window, WM_MENU_COMMAND, 10, 0);  // "Exit"
    EXPECT_EQ(::WaitForSingleObject(started.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(started.hProcess, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(::Shell_NotifyIconW(NIM_MODIFY, &icon));  // the icon is gone
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
}

}  // namespace
