// The HotKey dialog's OK checks, driven through its real controls.
#include "hotkeys/HotKeyDlg.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "support/TestSupport.h"
#include "../res/resource.h"

#include <gtest/gtest.h>

namespace {

using namespace test;

TEST(HotKeyDialog, RefusesInTheirOrder)
{
    std::vector<std::wstring> messages;
    CHotKeyDlg dialog(nullptr);
    DriveModal<CHotKeyDlg>(dialog, [&](CHotKeyDlg& d) {
        ChooseHotkey(d.m_hWnd, -1, false, false, false, false, L"");
        messages.push_back(Press(d.m_hWnd));  // empty command, even with no key
        ChooseHotkey(d.m_hWnd, -1, false, false, false, false, L"C:\\a.txt");
        messages.push_back(Press(d.m_hWnd));
        for (int modifier = 0; modifier < 4; ++modifier) {
            ChooseHotkey(d.m_hWnd, kKeyDigit5, modifier == 0, modifier == 1, modifier == 2, modifier == 3, nullptr);
            messages.push_back(Press(d.m_hWnd));
        }
        ChooseHotkey(d.m_hWnd, kKeyPercent, false, true, false, false, nullptr);
        messages.push_back(Press(d.m_hWnd));
    });
    ASSERT_EQ(messages.size(), 7u);
    EXPECT_EQ(messages[0], L"Please input a valid command.");
    EXPECT_EQ(messages[1], L"Please select the key you want.");
    for (int i = 2; i < 7; ++i) EXPECT_EQ(messages[i], L"Sorry, this key can't be used with any modifier.") << i;
}

unsigned CodeFor(int keyIndex, bool alt, bool ctrl, bool shift, bool win)
{
    CHotKeyDlg dialog(nullptr);
    INT_PTR result = DriveModal<CHotKeyDlg>(dialog, [&](CHotKeyDlg& d) {
        ChooseHotkey(d.m_hWnd, keyIndex, alt, ctrl, shift, win, L"C:\\a.txt");
        Press(d.m_hWnd);
    });
    return result == IDOK ? dialog.m_code : 0;
}

TEST(HotKeyDialog, BuildsTheCodes)
{
    EXPECT_EQ(CodeFor(kKeyDigit5, false, false, false, false), 131125u);
    EXPECT_EQ(CodeFor(kKeyPercent, false, false, false, false), 0x020025u);
    EXPECT_EQ(CodeFor(kKeyPgUp, false, true, false, false), 0x0B0021u);
    EXPECT_EQ(CodeFor(kKeyNumpadMinus, false, true, false, false), 0x0A002Du);
    EXPECT_EQ(CodeFor(kKeyInsert, false, true, false, false), 0x0B002Du);
    EXPECT_EQ(CodeFor(kKeyLetterA, false, false, true, false), 458817u);
}

TEST(HotKeyDialog, OpensOnTheCodeItEditsAndAnUnchangedOkCancels)
{
    CHotKeyDlg dialog(nullptr);
    dialog.m_code = 1769588;
    dialog.m_editedRow = 0;
    dialog.m_command = L"C:\\a.txt";
    bool alt = false, ctrl = false, shift = true;
    CString key;
    INT_PTR result = DriveModal<CHotKeyDlg>(dialog, [&](CHotKeyDlg& d) {
        alt = ::IsDlgButtonChecked(d.m_hWnd, IDC_HOTKEY_ALT);
        ctrl = ::IsDlgButtonChecked(d.m_hWnd, IDC_HOTKEY_CTRL);
        shift = ::IsDlgButtonChecked(d.m_hWnd, IDC_HOTKEY_SHIFT);
        wchar_t text[16] = {};
        ::GetDlgItemTextW(d.m_hWnd, IDC_HOTKEY_KEY, text, 16);
        key = text;
        HoldForScreenshot("HotKey dialog");
        Press(d.m_hWnd);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(alt);
    EXPECT_TRUE(ctrl);
    EXPECT_FALSE(shift);
    EXPECT_EQ(key, L"F5");
}

}  // namespace

namespace {

// The command box takes no more than the hotkey file can give back.
TEST(HotKeyDialog, TheCommandBoxTakesWhatTheFileCanRoundTrip)
{
    CHotKeyDlg dialog(nullptr);
    int length = 0;
    DriveModal<CHotKeyDlg>(dialog, [&](CHotKeyDlg& d) {
        std::wstring typed(5000, L'x');
        ::SendDlgItemMessageW(d.m_hWnd, IDC_HOTKEY_COMMAND, EM_REPLACESEL, TRUE,
                              reinterpret_cast<LPARAM>(typed.c_str()));
        length = ::GetWindowTextLengthW(::GetDlgItem(d.m_hWnd, IDC_HOTKEY_COMMAND));
    });
    EXPECT_EQ(length, CStringPool::kLongestString);
}

}  // namespace
