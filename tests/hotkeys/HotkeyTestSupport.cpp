#include "HotkeyTestSupport.h"

#include "framework/ExecutablePath.h"
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeysDlg.h"
#include "support/TestSupport.h"
#include "../res/resource.h"

namespace test {

std::wstring HotkeyFile()
{
    wchar_t path[kLongPathBuffer];
    HotkeyFilePath(path, kLongPathBuffer);
    return path;
}

std::wstring Group(unsigned code, const std::wstring& command)
{
    return std::to_wstring(code) + L"\r\n" + command + L"\r\n\r\n";
}

std::string Utf16(const std::wstring& text)
{
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

void HotkeyTableTest::SetUp()
{
    // A folder a test left where the file belongs would fail every test.
    const DWORD attributes = ::GetFileAttributesW(HotkeyFile().c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) RemoveTree(HotkeyFile());
    theRecordList.Configure(sizeof(HotkeyRecord), kHotkeyRecordStep);
    ReleaseHotkeys();
}

void HotkeyTableTest::TearDown()
{
    ReleaseHotkeys();
}

void LoadHotkeyFile(const std::string& bytes, HWND window)
{
    theRecordList.Configure(sizeof(HotkeyRecord), kHotkeyRecordStep);
    ReleaseHotkeys();
    WriteFile(HotkeyFile(), bytes);
    LoadHotkeys(window, FALSE);
}

void ChooseHotkey(HWND dialog, LPCWSTR key, bool alt, bool ctrl, bool shift, bool win, LPCWSTR command)
{
    LRESULT row = key ? ::SendDlgItemMessageW(dialog, IDC_HOTKEY_KEY, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(key))
                      : CB_ERR;
    ::SendDlgItemMessageW(dialog, IDC_HOTKEY_KEY, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
    ::CheckDlgButton(dialog, IDC_HOTKEY_ALT, alt);
    ::CheckDlgButton(dialog, IDC_HOTKEY_CTRL, ctrl);
    ::CheckDlgButton(dialog, IDC_HOTKEY_SHIFT, shift);
    ::CheckDlgButton(dialog, IDC_HOTKEY_WIN, win);
    if (command) ::SetDlgItemTextW(dialog, IDC_HOTKEY_COMMAND, command);
}

std::wstring Press(HWND dialog, int button, int answerWith)
{
    MessageBoxAnswer answer(L"hotkeys_tests", answerWith);
    ::SendMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(button), 0);
    WaitFor([&] { return answer.Answered() || !::IsWindow(dialog) || !::IsWindowVisible(dialog); }, 1500);
    return answer.Text(0);
}

std::wstring PressOk(CHotkeysDlg& dialog)
{
    MessageBoxAnswer answer(L"hotkeys_tests");
    dialog.SendMessage(WM_COMMAND, IDOK);
    EXPECT_TRUE(WaitFor([&] { return !dialog.IsBusy(); }, 20000)) << "the save did not end";
    return answer.Text(0);
}

HeldElsewhere::HeldElsewhere()
{
    std::wstring command = L"\"" + ExecutableFolder() + L"\\hotkey_holder.exe\" 3 119";  // MOD_ALT|MOD_CONTROL, F8
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_process))
        return;
    held = WaitFor([] { return !HotkeyIsFree(MOD_ALT | MOD_CONTROL, VK_F8); });
}

HeldElsewhere::~HeldElsewhere()
{
    if (!m_process.hProcess) return;
    ::TerminateProcess(m_process.hProcess, 0);
    ::WaitForSingleObject(m_process.hProcess, 5000);
    ::CloseHandle(m_process.hThread);
    ::CloseHandle(m_process.hProcess);
}

}  // namespace test
