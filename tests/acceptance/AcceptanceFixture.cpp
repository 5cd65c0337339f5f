#include "acceptance/AcceptanceFixture.h"

#include <algorithm>

#include "app/TrayWindow.h"
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyTable.h"
#include "support/AnswerTime.h"
#include "support/TestSupport.h"
#include "tools/RunningProgram.h"

namespace test {

namespace {

// A window as a failure names it: its class, title and whose it is.
std::wstring InWords(HWND window, DWORD program)
{
    if (!window) return L"no window";
    wchar_t className[64] = {}, title[128] = {};
    ::GetClassNameW(window, className, 64);
    ::GetWindowTextW(window, title, 128);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return std::wstring(L"class \"") + className + L"\", title \"" + title + L"\", " +
           (process == program ? L"the program's" : L"another process's");
}

constexpr wchar_t kSettingsKey[] = L"Software\\Velmor's Tools";
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace

std::vector<std::wstring> ClipboardFiles()
{
    std::vector<std::wstring> files;
    if (!::OpenClipboard(nullptr)) return files;
    if (auto drop = static_cast<HDROP>(::GetClipboardData(CF_HDROP))) {
        wchar_t path[MAX_PATH];
        for (UINT i = 0, count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); i < count; ++i)
            if (::DragQueryFileW(drop, i, path, MAX_PATH)) files.push_back(path);
    }
    ::CloseClipboard();
    return files;
}

void Type(const std::vector<WORD>& keys)
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

std::unique_ptr<Canvas> Capture(HWND window)
{
    RECT r;
    ::GetWindowRect(window, &r);
    return Canvas::OfScreen(r);
}

void Acceptance::SetUp()
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
    PointerToTheCorner();
}

void Acceptance::TearDown()
{
    if (started.hProcess) {
        if (::WaitForSingleObject(started.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(started.hProcess, 1);
            // Gone before the next test copies the program over it: a copy
            // still running there would be taken for that test's.
            ::WaitForSingleObject(started.hProcess, 30000);
        }
        ::CloseHandle(started.hThread);
        ::CloseHandle(started.hProcess);
        started = {};
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

void Acceptance::Launch()
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    ASSERT_TRUE(::CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                 &startup, &started));
    ASSERT_TRUE(WaitFor([this] { return (tray = FindTrayWindow(started.dwProcessId)) != nullptr; }))
        << "no tray window";
}

void Acceptance::Start()
{
    Launch();
    ASSERT_TRUE(WaitFor([this] { return IconPresent(); })) << "no icon";
    // The hotkey file is read on a worker, and may come after the icon on a
    // busy machine: its hotkeys work once they are registered.
    const std::string bytes = Exists(keyFile) ? ReadFile(keyFile) : std::string();
    for (const Hotkey& hotkey : ReadHotkeyBytes(bytes).hotkeys)
        ASSERT_TRUE(WaitFor([&] { return !HotkeyIsFree(HotkeyModifiers(hotkey.code), HotkeyKey(hotkey.code)); },
                            30000))
            << "hotkey " << hotkey.code << " was not registered";
}

bool Acceptance::IconPresent() const { return IconIsUp(tray); }

void PointerToTheCorner() { ::SetCursorPos(2, ::GetSystemMetrics(SM_CYSCREEN) - 2); }

HWND Acceptance::PressIcon()
{
    // The menu opens beside the pointer, never under it: moves of a pointer
    // over a menu, or a late one off it, would clear the selection the keys
    // make.
    PointerToTheCorner();
    ::PostMessageW(tray, WM_TRAY_ICON, 0, WM_LBUTTONDOWN);
    HWND shown = nullptr;
    WaitFor([&] { return (shown = FindProcessWindow(started.dwProcessId, L"#32768")) != nullptr; }, 15000);
    EXPECT_TRUE(!shown || WaitForMenuKeyboard()) << "the menu did not take the keyboard; in front: "
                                                 << InWords(::GetForegroundWindow(), started.dwProcessId);
    return shown;
}

bool Acceptance::WaitForMenuKeyboard() const
{
    // The program takes the keyboard for its menu with a window of one pixel
    // made foreground (not any of its windows: a dialog just closed leaves
    // another of them in front a moment), which on a busy machine comes a
    // while after the menu shows.
    return WaitFor([this] { return IsMenuKeyboardHolder(::GetForegroundWindow()); }, 15000);
}

bool Acceptance::IsMenuKeyboardHolder(HWND window) const
{
    DWORD process = 0;
    wchar_t className[16] = {};
    RECT rect = {};
    return window && ::GetWindowThreadProcessId(window, &process) && process == started.dwProcessId &&
           ::GetClassNameW(window, className, 16) && lstrcmpiW(className, L"Static") == 0 &&
           ::GetWindowRect(window, &rect) && rect.right - rect.left == 1 && rect.bottom - rect.top == 1;
}

bool Acceptance::MenuClosed()
{
    return WaitFor([this] { return FindProcessWindow(started.dwProcessId, L"#32768") == nullptr; });
}

void Acceptance::ChooseEntry(std::initializer_list<WORD> keys)
{
    std::vector<WORD> all(keys);
    all.push_back(VK_RETURN);
    ChooseWithKeys(all);
}

void Acceptance::ChooseFixedEntry(int upFromExit)
{
    std::vector<WORD> keys = { VK_UP, VK_RIGHT, VK_UP };  // "Quillop" (the last entry), into it, "Exit"
    keys.insert(keys.end(), static_cast<size_t>(upFromExit), VK_UP);
    keys.push_back(VK_RETURN);
    ChooseWithKeys(keys);
}

// On a busy machine Wine's desktop window now and then takes the foreground
// from the menu's keyboard window a moment after the menu took it (the X
// server's news of an earlier focus change arriving late): the keys typed
// then reach the desktop, and the menu stays open with nothing chosen, for
// its Enter never reached it. Such a menu is closed and the choice made
// again; a menu left open while it still had the keyboard is a failure.
void Acceptance::ChooseWithKeys(const std::vector<WORD>& keys)
{
    for (int attempt = 1;; ++attempt) {
        ASSERT_NE(PressIcon(), nullptr);
        Type(keys);
        if (MenuClosed()) return;
        const HWND front = ::GetForegroundWindow();
        DWORD process = 0;
        ::GetWindowThreadProcessId(front, &process);
        ASSERT_TRUE(front && process != started.dwProcessId && attempt < 3)
            << "the menu stayed open; in front: " << InWords(front, started.dwProcessId);
        // One Escape a level, posted to the program's thread, where the menu
        // loop reads every key: one more would reach the tray window.
        for (int open = CountProcessWindows(started.dwProcessId, L"#32768"); open > 0;) {
            ::PostMessageW(tray, WM_KEYDOWN, VK_ESCAPE, 1);
            ASSERT_TRUE(WaitFor([&] { return CountProcessWindows(started.dwProcessId, L"#32768") < open; }))
                << "Escape did not close the menu";
            open = CountProcessWindows(started.dwProcessId, L"#32768");
        }
    }
}

std::vector<std::wstring> Acceptance::ProbeLines(size_t runs) { return WaitForProbeLines(probeOut, runs); }

Acceptance::ProbeRun Acceptance::FirstProbeRun()
{
    const std::vector<std::wstring> lines = ProbeLines(1);
    if (lines.size() < 2) return {};
    return { lines[0], lines[1] };
}

DWORD Acceptance::ProfileValue(const wchar_t* name)
{
    DWORD value = 0xFFFFFFFF, size = sizeof(value);
    std::wstring key = std::wstring(kSettingsKey) + L"\\Quillop\\Option";
    ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

std::wstring Acceptance::RunValue()
{
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, L"Quillop", RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return L"(none)";
    return value;
}

void Acceptance::DropOnTray(const std::wstring& path)
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

DWORD Acceptance::Exit()
{
    ChooseFixedEntry(0);
    EXPECT_EQ(::WaitForSingleObject(started.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(started.hProcess, &code);
    return code;
}

double Acceptance::AnswerTime() const
{
    return TimeAnswer(tray, 30000).own;
}

double Acceptance::WorstAnswerOver(double spanMs) const
{
    const double start = Milliseconds();
    double worst = 0;
    while (Milliseconds() - start < spanMs) {
        worst = std::max(worst, AnswerTime());
        ::Sleep(20);
    }
    return worst;
}

HWND Acceptance::PressAndTime(double& milliseconds)
{
    PointerToTheCorner();
    const double pressed = Milliseconds();
    ::PostMessageW(tray, WM_TRAY_ICON, 0, WM_LBUTTONDOWN);
    HWND shown = nullptr;
    while (!(shown = FindProcessWindow(started.dwProcessId, L"#32768")) && Milliseconds() - pressed < 10000)
        ::Sleep(1);
    milliseconds = Milliseconds() - pressed;
    return shown;
}

HWND Acceptance::MessageBoxShown(std::wstring* text) const
{
    HWND box = FindProcessWindow(started.dwProcessId, L"#32770", L"Quillop");
    if (box && text) {
        wchar_t buffer[1024] = {};
        ::GetDlgItemTextW(box, 0xFFFF, buffer, ARRAYSIZE(buffer));
        *text = buffer;
    }
    return box;
}

}  // namespace test
