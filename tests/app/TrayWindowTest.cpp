// The real tray window, started by the application's own start-up.
#include "app/LauncherApp.h"
#include "app/TrayWindow.h"
#include "find/FindWindow.h"
#include "shell/FolderModel.h"
#include "framework/ExecutablePath.h"
#include "hotkeys/HotkeyTable.h"
#include "menu/MenuFolder.h"
#include "app/StartedApp.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "support/TestSupport.h"
#include "res/resource.h"

#include <gtest/gtest.h>

namespace {

const unsigned kCtrlAltF5 = test::kStartedHotkey;

bool IconExists(HWND window)
{
    NOTIFYICONDATAW record = {};
    record.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record.hWnd = window;
    record.uID = 0;
    record.uFlags = NIF_TIP;
    lstrcpyW(record.szTip, L"Quillop");
    return ::Shell_NotifyIconW(NIM_MODIFY, &record);
}

class TrayWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(test::StartTheAppOnce()); }
};

TEST_F(TrayWindowTest, StartsHiddenWithTheIconAndTheHotkeys)
{
    EXPECT_EQ(AfxGetMainWnd(), &theTrayWindow);
    EXPECT_FALSE(::IsWindowVisible(theTrayWindow.m_hWnd));
    EXPECT_EQ(theApp.GetIconAttempts(), 1);  // the shell was ready: one request, no pause
    EXPECT_TRUE(IconExists(theTrayWindow.m_hWnd));
    EXPECT_EQ(theApp.GetProfileKeyPath(), L"Software\\Velmor's Tools\\app_tests");
    EXPECT_TRUE(test::Exists(MenuFolderPath()));
    // The hotkey file is read off the UI thread, as start-up goes on.
    EXPECT_TRUE(test::WaitFor([] { return theRecordList.GetCount() == 1u; }));
    ASSERT_EQ(theRecordList.GetCount(), 1u);
    EXPECT_EQ(GetHotkeyRecord(1)->code, kCtrlAltF5);
    // The combination is taken by the tray window.
    EXPECT_FALSE(::RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, VK_F5));
}

TEST_F(TrayWindowTest, TaskbarCreatedAddsTheIconAgain)
{
    DeleteNotifyIcon(theTrayWindow.m_hWnd);
    ASSERT_FALSE(IconExists(theTrayWindow.m_hWnd));
    EXPECT_EQ(theTrayWindow.SendMessage(taskbarCreatedMessage), 0);
    EXPECT_TRUE(IconExists(theTrayWindow.m_hWnd));
}

TEST_F(TrayWindowTest, IconCallbackIgnoresOtherIconsAndOtherButtons)
{
    EXPECT_EQ(theTrayWindow.SendMessage(WM_TRAY_ICON, 1, WM_RBUTTONUP), 0);
    EXPECT_EQ(theTrayWindow.SendMessage(WM_TRAY_ICON, 0, WM_LBUTTONDBLCLK), 1);
    test::Pump();
    EXPECT_FALSE(::IsWindowVisible(theTrayWindow.m_hWnd));
}

RECT ShowDropWindowAt(int x, int y)
{
    ::SetCursorPos(x, y);
    theTrayWindow.SendMessage(WM_TRAY_ICON, 0, WM_MOUSEMOVE);
    theTrayWindow.SendMessage(WM_TRAY_ICON, 0, WM_RBUTTONUP);
    test::Pump();  // the posted show-drop-window message
    RECT shown;
    ::GetWindowRect(theTrayWindow.m_hWnd, &shown);
    return shown;
}

TEST_F(TrayWindowTest, DropWindowIsCentredOnThePointerAndKeptInAtRightAndBottom)
{
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);

    RECT middle = ShowDropWindowAt(400, 300);
    const int w = middle.right - middle.left, h = middle.bottom - middle.top;
    EXPECT_TRUE(::IsWindowVisible(theTrayWindow.m_hWnd));
    EXPECT_TRUE(::GetWindowLongW(theTrayWindow.m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(middle.left, 400 - w / 2);
    EXPECT_EQ(middle.top, 300 - h / 2);
    test::HoldForScreenshot("drop window");

    RECT corner = ShowDropWindowAt(screenWidth - 2, screenHeight - 2);
    EXPECT_EQ(corner.left, screenWidth - w);
    EXPECT_EQ(corner.top, screenHeight - h);

    RECT topLeft = ShowDropWindowAt(1, 1);  // not pushed back in at the left and top
    EXPECT_EQ(topLeft.left, 1 - w / 2);
    EXPECT_EQ(topLeft.top, 1 - h / 2);

    theTrayWindow.SendMessage(WM_LBUTTONUP);
    EXPECT_FALSE(::IsWindowVisible(theTrayWindow.m_hWnd));
    ShowDropWindowAt(400, 300);
    theTrayWindow.SendMessage(WM_RBUTTONUP);
    EXPECT_FALSE(::IsWindowVisible(theTrayWindow.m_hWnd));
}

HWND MakeTopLevel(LPCWSTR title, bool visible)
{
    HWND hwnd = ::CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 50, 50,
                                  200, 100, nullptr, nullptr, nullptr, nullptr);
    // A static's default processing does not minimise on WM_SYSCOMMAND by
    // itself in every version: give it the standard frame handling.
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(::DefWindowProcW));
    return hwnd;
}

TEST_F(TrayWindowTest, DesktopMinimisesTitledVisibleWindowsAndShowAllRestoresThem)
{
    test::ScratchWindow titledWindow(MakeTopLevel(L"Quillop test window", true));
    test::ScratchWindow untitledWindow(MakeTopLevel(L"", true));
    test::ScratchWindow hiddenWindow(MakeTopLevel(L"Hidden test window", false));
    HWND titled = titledWindow.Get(), untitled = untitledWindow.Get(), hidden = hiddenWindow.Get();
    ASSERT_TRUE(test::WaitFor([&] { return ::IsWindowVisible(titled) && ::IsWindowVisible(untitled); }));

    // The windows are minimised together: once one is, the others' turn
    // has come too.
    theTrayWindow.SendMessage(WM_MENU_COMMAND, MenuCommand::Desktop);
    EXPECT_TRUE(test::WaitFor([&] { return ::IsIconic(titled); }));
    EXPECT_FALSE(::IsIconic(untitled));
    EXPECT_FALSE(::IsIconic(hidden));
    EXPECT_FALSE(::IsWindowVisible(hidden));

    ::ShowWindow(hidden, SW_SHOWMINNOACTIVE);
    ::ShowWindow(hidden, SW_HIDE);  // minimised but hidden: left alone
    theTrayWindow.SendMessage(WM_MENU_COMMAND, MenuCommand::ShowAll);
    EXPECT_TRUE(test::WaitFor([&] { return !::IsIconic(titled); }));
    EXPECT_TRUE(::IsIconic(hidden));
}

// Only what the taskbar would show: the shell's own windows (its class
// names), tool windows and windows owned by another stay as they are.
TEST_F(TrayWindowTest, DesktopLeavesTheShellsToolAndOwnedWindowsAlone)
{
    WNDCLASSW shellClass = {};
    shellClass.lpfnWndProc = ::DefWindowProcW;
    shellClass.hInstance = ::GetModuleHandleW(nullptr);
    shellClass.lpszClassName = L"Shell_TrayWnd";
    ::RegisterClassW(&shellClass);
    test::ScratchWindow shell(::CreateWindowExW(0, L"Shell_TrayWnd", L"The taskbar", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                                0, 300, 40, nullptr, nullptr, nullptr, nullptr));
    test::ScratchWindow owner(MakeTopLevel(L"Quillop test owner", true));
    test::ScratchWindow tool(::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"A tool window",
                                               WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 200, 100, nullptr, nullptr,
                                               nullptr, nullptr));
    test::ScratchWindow owned(::CreateWindowExW(0, L"STATIC", L"An owned window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 70,
                                                70, 200, 100, owner.Get(), nullptr, nullptr, nullptr));
    for (HWND window : { tool.Get(), owned.Get() })
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(::DefWindowProcW));
    ASSERT_TRUE(test::WaitFor([&] { return ::IsWindowVisible(owner.Get()) && ::IsWindowVisible(owned.Get()); }));
    theTrayWindow.SendMessage(WM_MENU_COMMAND, MenuCommand::Desktop);
    EXPECT_TRUE(test::WaitFor([&] { return ::IsIconic(owner.Get()); }));
    EXPECT_FALSE(::IsIconic(shell.Get()));
    EXPECT_FALSE(::IsIconic(tool.Get()));
    EXPECT_FALSE(::IsIconic(owned.Get()));
    theTrayWindow.SendMessage(WM_MENU_COMMAND, MenuCommand::ShowAll);
    EXPECT_TRUE(test::WaitFor([&] { return !::IsIconic(owner.Get()); }));
}

TEST_F(TrayWindowTest, FolderAsSeparatorTogglesAndIsSaved)
{
    const int first = folderAsSeparator;
    theTrayWindow.SendMessage(WM_MENU_COMMAND, MenuCommand::FolderAsSeparator);
    EXPECT_EQ(folderAsSeparator, first ? 0 : 1);
    EXPECT_EQ(static_cast<int>(theApp.GetProfileInt(L"Option", L"DirAsSpt", 7)), folderAsSeparator);
    theTrayWindow.SendMessage(WM_MENU_COMMAND, MenuCommand::FolderAsSeparator);
    EXPECT_EQ(folderAsSeparator, first);
    EXPECT_EQ(static_cast<int>(theApp.GetProfileInt(L"Option", L"DirAsSpt", 7)), first);
}

TEST_F(TrayWindowTest, HelpWithoutThePageSaysSo)
{
    test::MessageBoxAnswer answer(L"app_tests");
    theTrayWindow.SendMessage(WM_MENU_COMMAND, MenuCommand::Help);
    test::WaitForShellWorker();  // the page is looked for on the launch lane
    EXPECT_EQ(answer.Text(), L"Sorry, can't find Quillop.htm in current folder.\nYou should download a full "
                             L"package of this software.");
}

// Sets a registry key's default string value.
void SetDefaultValue(HKEY root, const wchar_t* path, const std::wstring& value)
{
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

// The help page beside the program, and the probe program standing in for
// the browser as this prefix's ".htm" handler: it records what it was
// asked to open, and ends with the exit code given (a browser starter that
// found no browser fails so). Gone again with the object.
class HelpPageHandler {
public:
    explicit HelpPageHandler(const wchar_t* exitCode = nullptr)
    {
        test::WriteFile(page, "<html><body>help</body></html>");
        ::DeleteFileW(out.c_str());
        ::SetEnvironmentVariableW(L"QUILLOP_PROBE_OUT", out.c_str());
        ::SetEnvironmentVariableW(L"QUILLOP_PROBE_EXIT", exitCode);
        SetDefaultValue(HKEY_CLASSES_ROOT, L".htm", L"QuillopTestPage");
        SetDefaultValue(HKEY_CLASSES_ROOT, L"QuillopTestPage\\shell\\open\\command", L"\"" + probe + L"\" \"%1\"");
    }
    ~HelpPageHandler()
    {
        ::SetEnvironmentVariableW(L"QUILLOP_PROBE_EXIT", nullptr);
        ::DeleteFileW(page.c_str());
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"QuillopTestPage");
        ::RegDeleteKeyW(HKEY_CLASSES_ROOT, L".htm");
    }
    std::vector<std::wstring> ProbeLines() const { return test::WaitForProbeLines(out, 1); }

    const std::wstring page = static_cast<LPCWSTR>(ExecutableSibling(L".htm"));
    const std::wstring probe = test::ExecutableFolder() + L"\\cwd_probe.exe";
    const std::wstring out = test::ExecutableFolder() + L"\\help_probe.out";
};

// With the page beside the program, "Help" hands its path to the shell,
// opening it from the page's folder, and says nothing.
TEST_F(TrayWindowTest, HelpOpensThePageBesideTheProgram)
{
    HelpPageHandler handler;
    test::MessageBoxAnswer answer(L"app_tests");
    theTrayWindow.SendMessage(WM_MENU_COMMAND, MenuCommand::Help);
    auto lines = handler.ProbeLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], test::ExecutableFolder());
    EXPECT_EQ(lines[1], handler.probe + L"\t" + handler.page);
    EXPECT_EQ(answer.Text(500), L"");
}

// A handler that ends with a failure has not shown the page: the message
// says where the page is.
TEST_F(TrayWindowTest, HelpWithNoWorkingBrowserNamesThePage)
{
    HelpPageHandler handler(L"1");
    std::wstring buttons;
    {
        // Copy: the page's address on the clipboard.
        test::MessageBoxAnswer answer(L"app_tests", IDNO, [&buttons] {
            HWND box = test::FindProcessWindow(::GetCurrentProcessId(), L"#32770", L"app_tests");
            for (int id : { IDYES, IDNO, IDCANCEL }) {
                wchar_t text[32] = {};
                ::GetDlgItemTextW(box, id, text, 32);
                buttons += std::wstring(text) + L"|";
            }
        });
        theTrayWindow.SendMessage(WM_MENU_COMMAND, MenuCommand::Help);
        test::WaitForShellWorker();
        EXPECT_EQ(answer.Text(), L"Sorry, no browser could show the page\n\n" + handler.page +
                                     L"\n\nNotepad shows it as text; Copy puts its address on the clipboard, to paste "
                                     L"into a browser.");
    }
    EXPECT_EQ(buttons, L"&Notepad|&Copy|Close|");
    EXPECT_EQ(handler.ProbeLines().size(), 2u) << "the handler was not tried";
    std::wstring copied;
    EXPECT_TRUE(test::WaitFor([&] {
        if (!::OpenClipboard(nullptr)) return false;
        if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
            if (auto* text = static_cast<const wchar_t*>(::GlobalLock(data))) copied = text;
            ::GlobalUnlock(data);
        }
        ::CloseClipboard();
        return copied == handler.page;
    }, 3000)) << "the page's address was not copied";
}

// A click on the greeting balloon over the icon was meant for the icon:
// the menu opens.
TEST_F(TrayWindowTest, AClickOnTheBalloonOpensTheMenu)
{
    bool shown = false;
    const HWND tray = theTrayWindow.m_hWnd;
    test::DriveShownMenu(
        [&] {
            shown = true;
            ::PostMessageW(tray, WM_KEYDOWN, VK_ESCAPE, 0);
        },
        [tray] {
            ::SendMessageW(tray, WM_TRAY_ICON, 0, NIN_BALLOONUSERCLICK);
            return 1;
        });
    EXPECT_TRUE(shown) << "the click on the balloon opened no menu";
}

// Hotkeys, About and Find, opened from the icon, belong to no window: an
// owned window gets no taskbar button (Wine's taskbar lists unowned ones
// only), and behind another program's window they would be lost.
TEST_F(TrayWindowTest, HotkeysAboutAndFindStandOnTheirOwnWithATaskbarButton)
{
    for (UINT command : { MenuCommand::Hotkeys, MenuCommand::About }) {
        HWND shown = nullptr, owner = reinterpret_cast<HWND>(1);
        LONG_PTR style = 0;
        test::RunFromMessageLoop(300, [&] {
            test::WaitFor([&] { return (shown = ::GetActiveWindow()) != nullptr && shown != theTrayWindow.m_hWnd; }, 3000);
            owner = ::GetWindow(shown, GW_OWNER);
            style = ::GetWindowLongPtrW(shown, GWL_EXSTYLE);
            ::PostMessageW(shown, WM_COMMAND, IDCANCEL, 0);
        });
        theTrayWindow.SendMessage(WM_MENU_COMMAND, command);
        ASSERT_NE(shown, nullptr) << command;
        EXPECT_EQ(owner, nullptr) << command;
        EXPECT_TRUE(style & WS_EX_APPWINDOW) << command;
    }
    theTrayWindow.SendMessage(WM_MENU_COMMAND, MenuCommand::Find);
    const HWND find = TheFindWindow().m_hWnd;
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(::GetWindow(find, GW_OWNER), nullptr);
    EXPECT_TRUE(::GetWindowLongPtrW(find, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    TheFindWindow().Close();
}

// The drop window's picture is an icon of its own: the shared one that
// LoadIconW gives must not be destroyed.
TEST_F(TrayWindowTest, TheDropWindowDrawsAnIconOfItsOwn)
{
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 64, 64);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    theTrayWindow.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc));
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    EXPECT_NE(theTrayWindow.GetDropIcon(), nullptr);
    EXPECT_NE(theTrayWindow.GetDropIcon(), ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_PROGRAM)));
}

TEST_F(TrayWindowTest, ExitDeletesTheIconAndFreesEveryHotkey)
{
    HWND window = theTrayWindow.m_hWnd;
    theTrayWindow.SendMessage(WM_MENU_COMMAND, MenuCommand::Exit);
    EXPECT_EQ(theTrayWindow.m_hWnd, nullptr);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    EXPECT_FALSE(IconExists(window));
    EXPECT_EQ(theRecordList.GetCount(), 0u);
    MSG quit;
    ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
    ASSERT_TRUE(::RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, VK_F5));
    ::UnregisterHotKey(nullptr, 1);
}

TEST_F(TrayWindowTest, AQuitDuringStartUpEndsTheLoopWithMinusOneAndCleansUp)
{
    // SetUp started a fresh tray window; stop it and start again with a
    // quit request waiting in the queue.
    theTrayWindow.DestroyWindow();
    MSG quit;
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    ::PostQuitMessage(5);
    ASSERT_TRUE(theApp.InitInstance());
    HWND window = theTrayWindow.m_hWnd;
    EXPECT_TRUE(IconExists(window));
    EXPECT_EQ(theApp.Run(), -1);
    ::CoInitialize(nullptr);  // Run's exit uninitialised COM
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(IconExists(window));
    ASSERT_TRUE(::RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, VK_F5));
    ::UnregisterHotKey(nullptr, 1);
}

}  // namespace
