// The real Quillop.exe as a user meets it: started from a folder of its
// own, with its own menu folder, hotkey file and registry state, and driven
// only through what Windows delivers to it: the icon's callback messages,
// keys typed into its menus, hotkeys, dropped files and shell broadcasts.
#include "app/TrayWindow.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "support/TestSupport.h"
#include "tools/RunningProgram.h"

#include <gtest/gtest.h>

namespace {

using namespace test;

constexpr wchar_t kSettingsKey[] = L"Software\\Velmor's Tools";
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// Types keys as the keyboard would: each pressed and released in turn.
void Type(std::initializer_list<WORD> keys)
{
    for (WORD key : keys) {
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_KEYBOARD;
        input[0].ki.wVk = input[1].ki.wVk = key;
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        ::SendInput(2, input, sizeof(INPUT));
        ::Sleep(80);
    }
}

// Holds the modifiers down while the key is pressed.
void PressChord(std::initializer_list<WORD> modifiers, WORD key)
{
    std::vector<INPUT> inputs;
    auto add = [&inputs](WORD vk, DWORD flags) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    for (WORD modifier : modifiers) add(modifier, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    for (auto m = std::rbegin(modifiers); m != std::rend(modifiers); ++m) add(*m, KEYEVENTF_KEYUP);
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    ::Sleep(100);
}

bool HotkeyIsFree(UINT modifiers, UINT key)
{
    if (!::RegisterHotKey(nullptr, 77, modifiers, key)) return false;
    ::UnregisterHotKey(nullptr, 77);
    return true;
}

class Acceptance : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = ExecutableFolder() + L"\\program";
        RemoveTree(folder);
        ::CreateDirectoryW(folder.c_str(), nullptr);
        program = folder + L"\\Quillop.exe";
        ASSERT_TRUE(::CopyFileW(BuiltProgram().c_str(), program.c_str(), FALSE));
        menu = folder + L"\\Quillop";
        ::CreateDirectoryW(menu.c_str(), nullptr);
        keyFile = folder + L"\\Quillop.key";
        probe = folder + L"\\probe.exe";
        ASSERT_TRUE(::CopyFileW((ExecutableFolder() + L"\\cwd_probe.exe").c_str(), probe.c_str(), FALSE));
        probeOut = folder + L"\\probe.out";
        ::SetEnvironmentVariableW(L"QUILLOP_PROBE_OUT", probeOut.c_str());
        ::SetCursorPos(400, 300);
    }

    void TearDown() override
    {
        if (started.hProcess) {
            if (::WaitForSingleObject(started.hProcess, 0) == WAIT_TIMEOUT) {
                ::TerminateProcess(started.hProcess, 1);
                ::WaitForSingleObject(started.hProcess, 5000);
            }
            ::CloseHandle(started.hThread);
            ::CloseHandle(started.hProcess);
        }
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
        RemoveTree(folder);
        // As the machine was found: no start-up entry, no settings.
        HKEY run = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &run) == ERROR_SUCCESS) {
            EXPECT_NE(::RegQueryValueExW(run, L"Quillop", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
            ::RegCloseKey(run);
        }
    }

    // Starts the program and waits until its icon is in the notification area.
    void Start()
    {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        ASSERT_TRUE(::CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                     &startup, &started));
        ASSERT_TRUE(WaitFor([this] { return (tray = FindTrayWindow(started.dwProcessId)) != nullptr; })) << "no tray window";
        ASSERT_TRUE(WaitFor([this] { return IconPresent(); })) << "no icon";
    }

    bool IconPresent() const { return IconIsUp(tray); }

    // A left press on the icon; returns the menu's window once it shows.
    HWND PressIcon()
    {
        ::SetCursorPos(400, 300);
        ::PostMessageW(tray, WM_TRAY_ICON, 0, WM_LBUTTONDOWN);
        HWND shown = nullptr;
        WaitFor([&] { return (shown = FindProcessWindow(started.dwProcessId, L"#32768")) != nullptr; });
        // The pointer out of the way: its moves over a menu clear the
        // selection that the keys make.
        ::SetCursorPos(2, ::GetSystemMetrics(SM_CYSCREEN) - 2);
        ::Sleep(300);
        return shown;
    }

    bool MenuClosed()
    {
        return WaitFor([this] { return FindProcessWindow(started.dwProcessId, L"#32768") == nullptr; });
    }

    // Opens the icon's menu, moves with the keys and presses Enter.
    void ChooseEntry(std::initializer_list<WORD> keys)
    {
        ASSERT_NE(PressIcon(), nullptr);
        Type(keys);
        Type({ VK_RETURN });
        ASSERT_TRUE(MenuClosed());
    }

    // Chooses an entry of the "Quillop" submenu, counted up from "Exit" (0).
    void ChooseFixedEntry(int upFromExit)
    {
        ASSERT_NE(PressIcon(), nullptr);
        Type({ VK_UP, VK_RIGHT, VK_UP });  // "Quillop" (the last entry), into it, "Exit"
        for (int i = 0; i < upFromExit; ++i) Type({ VK_UP });
        Type({ VK_RETURN });
        ASSERT_TRUE(MenuClosed());
    }

    std::vector<std::wstring> ProbeLines(size_t runs) { return WaitForProbeLines(probeOut, runs); }

    DWORD ProfileValue(const wchar_t* name)
    {
        DWORD value = 0xFFFFFFFF, size = sizeof(value);
        std::wstring key = std::wstring(kSettingsKey) + L"\\Quillop\\Option";
        ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    }

    std::wstring RunValue()
    {
        wchar_t value[MAX_PATH] = {};
        DWORD size = sizeof(value);
        if (::RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, L"Quillop", RRF_RT_REG_SZ, nullptr, value, &size) !=
            ERROR_SUCCESS)
            return L"(none)";
        return value;
    }

    // Drops the paths on the tray window, in a DROPFILES block made in the
    // program's own memory, as a drag from the shell leaves it.
    void DropOnTray(const std::wstring& path)
    {
        std::vector<wchar_t> names(path.begin(), path.end());
        names.push_back(0);
        names.push_back(0);
        std::vector<char> block(sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
        auto* header = reinterpret_cast<DROPFILES*>(block.data());
        header->pFiles = sizeof(DROPFILES);
        header->fWide = TRUE;
        memcpy(block.data() + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
        void* remote = ::VirtualAllocEx(started.hProcess, nullptr, block.size(), MEM_COMMIT, PAGE_READWRITE);
        ASSERT_NE(remote, nullptr);
        ASSERT_TRUE(::WriteProcessMemory(started.hProcess, remote, block.data(), block.size(), nullptr));
        ::PostMessageW(tray, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
    }

    // Chooses "Exit" and waits for the program to end.
    DWORD Exit()
    {
        ChooseFixedEntry(0);
        EXPECT_EQ(::WaitForSingleObject(started.hProcess, 10000), WAIT_OBJECT_0);
        DWORD code = 1;
        ::GetExitCodeProcess(started.hProcess, &code);
        return code;
    }

    std::wstring folder, program, menu, keyFile, probe, probeOut;
    PROCESS_INFORMATION started = {};
    HWND tray = nullptr;
};

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
    auto lines = ProbeLines(1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], menu + L"\\Docs\\deep.exe");
    ChooseFixedEntry(3);
    EXPECT_EQ(ProfileValue(L"DirAsSpt"), 0u);
    EXPECT_EQ(Exit(), 0u);
}

TEST_F(Acceptance, AutoStartTurnsOnAndOff)
{
    Start();
    ChooseFixedEntry(4);  // "Auto Start"
    EXPECT_EQ(RunValue(), program);
    ChooseFixedEntry(4);
    EXPECT_EQ(RunValue(), L"(none)");
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
    ASSERT_TRUE(WaitFor([&] { return (edit = FindProcessWindow(started.dwProcessId, L"#32770", L"HotKey")); }));
    ::SendDlgItemMessageW(edit, 1070, CB_SETCURSEL, 14, 0);  // F6
    ::CheckDlgButton(edit, 1006, BST_CHECKED);             // Alt
    ::CheckDlgButton(edit, 1007, BST_CHECKED);             // Ctrl
    ::SetDlgItemTextW(edit, 1010, probe.c_str());
    ::PostMessageW(edit, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(edit); }));
    ::PostMessageW(hotkeys, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(hotkeys); }));

    EXPECT_EQ(ReadFile(keyFile), Utf16(std::to_wstring(0x1B0075) + L"\r\n" + probe + L"\r\n\r\n"));
    PressChord({ VK_MENU, VK_CONTROL }, VK_F6);
    auto lines = ProbeLines(1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], folder);  // a hotkey's program starts in its own folder
    EXPECT_EQ(lines[1], probe);
    EXPECT_EQ(Exit(), 0u);
}

TEST_F(Acceptance, TheMenuHotkeyPopsTheBareMenu)
{
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (menu + L"\\a.exe").c_str(), FALSE));
    WriteFile(keyFile, Utf16(L"2293872\r\nQuillop\r\n\r\n"));  // Win+F1
    Start();
    PressChord({ VK_LWIN }, VK_F1);
    ASSERT_TRUE(WaitFor([&] { return FindProcessWindow(started.dwProcessId, L"#32768") != nullptr; }));
    ::SetCursorPos(2, ::GetSystemMetrics(SM_CYSCREEN) - 2);
    ::Sleep(300);
    // No <<Add New Item>> above it: the first entry is the folder's file.
    Type({ VK_DOWN, VK_RETURN });
    ASSERT_TRUE(MenuClosed());
    auto lines = ProbeLines(1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], menu + L"\\a.exe");
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
    auto lines = ProbeLines(1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], source);  // the shortcut's working folder
    EXPECT_EQ(lines[1], source + L"\\tool.exe");
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
