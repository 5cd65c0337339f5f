// The shell's menu of an entry, from the Apps key, Shift+F10 and the right
// button, over the open short-cut menu; and the modifiers on choosing an
// entry: Shift shows it in its folder, Ctrl+Shift runs it as administrator.
#include "acceptance/AcceptanceFixture.h"
#include "app/TrayWindow.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <shellapi.h>

namespace {

using namespace test;

void ClickRight()
{
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    ::SendInput(2, input, sizeof(INPUT));
}

class EntryMenu : public Acceptance {
protected:
    bool ShellMenuOpens()
    {
        return WaitFor([this] { return CountProcessWindows(started.dwProcessId, L"#32768") == 2; }, 5000);
    }
    bool OnlyTheShortcutMenu()
    {
        return WaitFor([this] { return CountProcessWindows(started.dwProcessId, L"#32768") == 1; }, 5000);
    }
    // Starts with one file in the menu folder and opens its shell menu
    // with the Apps key.
    void OpenTheShellMenuOfAFile()
    {
        WriteFile(menu + L"\\notes.txt", "n");
        Start();
        ASSERT_NE(PressIcon(), nullptr);
        Type({ VK_DOWN, VK_DOWN });  // <<Add New Item>>, notes
        Type({ VK_APPS });
        ASSERT_TRUE(ShellMenuOpens()) << "the Apps key opened no menu";
    }
};

TEST_F(EntryMenu, TheAppsKeyAndShiftF10OpenTheShellsMenuOfTheEntry)
{
    ASSERT_NO_FATAL_FAILURE(OpenTheShellMenuOfAFile());
    Type({ VK_ESCAPE });
    EXPECT_TRUE(OnlyTheShortcutMenu()) << "Escape did not go back to the short-cut menu";
    PressChord({ VK_SHIFT }, VK_F10);
    EXPECT_TRUE(ShellMenuOpens()) << "Shift+F10 opened no menu";
    HoldForScreenshot("the shell's menu of an entry");
    // "C&ut": the file on the clipboard to be moved, and the short-cut menu
    // closes to show the folder as it will be.
    Type({ 'U' });
    EXPECT_TRUE(MenuClosed());
    EXPECT_TRUE(WaitFor([this] { return ClipboardFiles() == std::vector<std::wstring>{ menu + L"\\notes.txt" }; }))
        << "the file was not cut";
    EXPECT_EQ(Exit(), 0u);
}

TEST_F(EntryMenu, TheRightButtonOnAnEntryOpensItsShellMenu)
{
    WriteFile(menu + L"\\notes.txt", "n");
    WriteFile(keyFile, Utf16(L"2293872\r\nQuillop\r\n\r\n"));  // Win+F1: the bare menu, one entry
    Start();
    PressChord({ VK_LWIN }, VK_F1);
    HWND shown = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (shown = FindProcessWindow(started.dwProcessId, L"#32768")) != nullptr; }));
    RECT window;
    ::GetWindowRect(shown, &window);
    // The one entry fills the menu window; under the pointer it shows
    // highlighted, past its label too.
    const int x = (window.right - window.left) * 3 / 4, y = (window.bottom - window.top) / 2;
    const COLORREF plain = Capture(shown)->At(x, y);
    ::SetCursorPos((window.left + window.right) / 2, (window.top + window.bottom) / 2);
    ASSERT_TRUE(WaitFor([&] { return Capture(shown)->At(x, y) != plain; })) << "the entry under the pointer is not highlighted";
    ClickRight();
    EXPECT_TRUE(ShellMenuOpens()) << "the right button opened no menu";
    ::Sleep(300);
    Pump(300);
    EXPECT_EQ(CountProcessWindows(started.dwProcessId, L"#32768"), 2) << "one right click, one menu";
    PointerToTheCorner();
    Type({ VK_ESCAPE });
    EXPECT_TRUE(OnlyTheShortcutMenu());
    Type({ VK_ESCAPE });
    EXPECT_TRUE(MenuClosed());
    EXPECT_EQ(Exit(), 0u);
}

// Escape from an entry's shell menu goes back to the short-cut menu with
// that entry still highlighted: Enter then opens it.
TEST_F(EntryMenu, EscapeFromTheShellsMenuKeepsTheEntryHighlighted)
{
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (menu + L"\\run.exe").c_str(), FALSE));
    WriteFile(menu + L"\\zz notes.txt", "n");
    Start();
    const HWND first = PressIcon();
    ASSERT_NE(first, nullptr);
    Type({ VK_DOWN, VK_DOWN });  // <<Add New Item>>, run
    Type({ VK_APPS });
    ASSERT_TRUE(ShellMenuOpens()) << "the Apps key opened no menu";
    Type({ VK_ESCAPE });
    // The short-cut menu opens anew, with the keys that lead back to the
    // entry posted before it: they come before any key typed now.
    ASSERT_TRUE(WaitFor([&] {
        const HWND now = FindProcessWindow(started.dwProcessId, L"#32768");
        return now && now != first && CountProcessWindows(started.dwProcessId, L"#32768") == 1;
    })) << "Escape did not go back to the short-cut menu";
    Type({ VK_RETURN });
    EXPECT_TRUE(MenuClosed()) << "Enter opened a submenu: the highlight was not on the entry";
    EXPECT_EQ(ProbeLines(1).size(), 2u) << "the entry did not open";
    EXPECT_EQ(Exit(), 0u);
}

// While the shell's menu is open, an entry measured with id 0 is the
// shell's (its submenus and notes carry their own data), unless its data is
// one of the short-cut menu's records: read as ours, the shell's value would
// be taken for a pointer to a label.
TEST_F(EntryMenu, AnEntryOfIdZeroIsTheShellsWhileItsMenuIsOpen)
{
    ASSERT_NO_FATAL_FAILURE(OpenTheShellMenuOfAFile());
    MEASUREITEMSTRUCT shells = {};
    shells.CtlType = ODT_MENU;
    shells.itemID = 0;
    shells.itemData = 0x7FFE0000;  // readable in every process: the shell's data may be any value
    shells.itemWidth = shells.itemHeight = 7;
    DWORD_PTR result = 0;
    EXPECT_NE(::SendMessageTimeoutW(tray, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&shells), SMTO_ABORTIFHUNG,
                                    10000, &result),
              0)
        << "the program did not answer the shell's measure";
    EXPECT_EQ(shells.itemWidth, 7u) << "measured as one of the short-cut menu's own entries";
    EXPECT_EQ(shells.itemHeight, 7u) << "measured as one of the short-cut menu's own entries";
    EXPECT_EQ(CountProcessWindows(started.dwProcessId, L"#32768"), 2) << "the menus closed";
    Type({ VK_ESCAPE });
    EXPECT_TRUE(OnlyTheShortcutMenu());
    Type({ VK_ESCAPE });
    EXPECT_TRUE(MenuClosed());
    EXPECT_EQ(Exit(), 0u);
}

// A command of the shell's menu runs once the short-cut menu has closed:
// the Properties sheet stays open on its own, and Escape closes only it.
TEST_F(EntryMenu, PropertiesOutlivesTheShortcutMenu)
{
    ASSERT_NO_FATAL_FAILURE(OpenTheShellMenuOfAFile());
    Type({ VK_END, VK_RETURN });  // Properties, the last command
    HWND sheet = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (sheet = FindProcessWindow(started.dwProcessId, L"#32770")) != nullptr; }))
        << "no Properties sheet";
    EXPECT_EQ(CountProcessWindows(started.dwProcessId, L"#32768"), 0) << "the short-cut menu is still open";
    HoldForScreenshot("Properties on its own");
    ::SetForegroundWindow(sheet);
    Type({ VK_ESCAPE });
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(sheet); })) << "Escape did not close the sheet";
    EXPECT_EQ(Exit(), 0u);
}

// A verb of a document type, given to the probe, which records it.
class ProbeVerb {
public:
    ProbeVerb(const std::wstring& probe, const wchar_t* verb)
    {
        const std::wstring command = L"\"" + probe + L"\" " + verb + L" \"%1\"";
        Set(L".quillopadmin", L"QuillopAdmin.File");
        Set((std::wstring(L"QuillopAdmin.File\\shell\\") + verb + L"\\command").c_str(), command.c_str());
    }
    ~ProbeVerb()
    {
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"QuillopAdmin.File");
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L".quillopadmin");
    }

private:
    static void Set(const wchar_t* key, const wchar_t* value)
    {
        EXPECT_EQ(::RegSetKeyValueW(HKEY_CLASSES_ROOT, key, nullptr, REG_SZ, value,
                                    static_cast<DWORD>((lstrlenW(value) + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
};

TEST_F(EntryMenu, ShiftShowsTheEntryInItsFolderAndCtrlShiftRunsItAsAdministrator)
{
    ::CreateDirectoryW((menu + L"\\Tools").c_str(), nullptr);
    WriteFile(menu + L"\\Tools\\task.quillopadmin", "t");
    ProbeVerb runas(probe, L"runas");
    Start();
    ASSERT_NE(PressIcon(), nullptr);
    Type({ VK_DOWN, VK_DOWN, VK_RIGHT });  // <<Add New Item>>, Tools, into it: task
    PressChord({ VK_SHIFT }, VK_RETURN);
    ASSERT_TRUE(MenuClosed());
    HWND folderWindow = WaitForFolderWindow(menu + L"\\Tools");
    EXPECT_NE(folderWindow, nullptr) << "no window of the entry's folder";
    if (folderWindow) ::PostMessageW(folderWindow, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(folderWindow); }));

    ASSERT_NE(PressIcon(), nullptr);
    Type({ VK_DOWN, VK_DOWN, VK_RIGHT });
    PressChord({ VK_CONTROL, VK_SHIFT }, VK_RETURN);
    ASSERT_TRUE(MenuClosed());
    const ProbeRun run = FirstProbeRun();
    EXPECT_EQ(run.path, probe + L"\trunas\t" + menu + L"\\Tools\\task.quillopadmin");
    EXPECT_EQ(run.folder, menu + L"\\Tools") << "run as administrator starts in the entry's folder";
    EXPECT_EQ(Exit(), 0u);
}

}  // namespace
