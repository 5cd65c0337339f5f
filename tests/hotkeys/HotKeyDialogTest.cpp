// The HotKey dialog's OK checks, driven through its real controls.
#include "hotkeys/HotKeyDlg.h"
#include "hotkeys/HotkeyTable.h"
#include "support/TestSupport.h"
#include "../res/resource.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class DrivenHotKeyDlg : public CHotKeyDlg {
public:
    DrivenHotKeyDlg() : CHotKeyDlg(nullptr) {}
    std::function<void(DrivenHotKeyDlg&)> step;
    BOOL OnInitDialog() override
    {
        CHotKeyDlg::OnInitDialog();
        ::SetTimer(m_hWnd, 7, 150, nullptr);
        return TRUE;
    }
    void Choose(int keyIndex, bool alt, bool ctrl, bool shift, bool win, LPCWSTR command)
    {
        ::SendDlgItemMessageW(m_hWnd, IDC_HOTKEY_KEY, CB_SETCURSEL, static_cast<WPARAM>(keyIndex), 0);
        ::CheckDlgButton(m_hWnd, IDC_HOTKEY_ALT, alt);
        ::CheckDlgButton(m_hWnd, IDC_HOTKEY_CTRL, ctrl);
        ::CheckDlgButton(m_hWnd, IDC_HOTKEY_SHIFT, shift);
        ::CheckDlgButton(m_hWnd, IDC_HOTKEY_WIN, win);
        ::SetDlgItemTextW(m_hWnd, IDC_HOTKEY_COMMAND, command);
    }
    // Presses OK and returns the message it showed, or "" when it closed.
    std::wstring PressOk()
    {
        test::MessageBoxAnswer answer(L"hotkeys_tests");
        SendMessage(WM_COMMAND, IDOK);
        return m_hWnd && ::IsWindowVisible(m_hWnd) ? answer.Text(1500) : L"";
    }

protected:
    LRESULT OnTimer(WPARAM, LPARAM)
    {
        ::KillTimer(m_hWnd, 7);
        step(*this);
        if (m_hWnd) PostMessage(WM_COMMAND, IDCANCEL);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DrivenHotKeyDlg, CHotKeyDlg)
    ON_MESSAGE(WM_TIMER, OnTimer)
END_MESSAGE_MAP()

// Combo entries: 0-26 the key names, 27-36 digits, 37-62 letters, 63-84 specials.
constexpr int kPgUp = 3, kInsert = 7, kNumpadMinus = 24, kDigit5 = 32, kLetterA = 37, kPercent = 63 + 15;

TEST(HotKeyDialog, RefusesInTheirOrder)
{
    std::vector<std::wstring> messages;
    DrivenHotKeyDlg dialog;
    dialog.step = [&](DrivenHotKeyDlg& d) {
        d.Choose(-1, false, false, false, false, L"");
        messages.push_back(d.PressOk());  // empty command, even with no key
        d.Choose(-1, false, false, false, false, L"C:\\a.txt");
        messages.push_back(d.PressOk());
        for (int modifier = 0; modifier < 4; ++modifier) {
            d.Choose(kDigit5, modifier == 0, modifier == 1, modifier == 2, modifier == 3, L"C:\\a.txt");
            messages.push_back(d.PressOk());
        }
        d.Choose(kPercent, false, true, false, false, L"C:\\a.txt");
        messages.push_back(d.PressOk());
    };
    dialog.DoModal();
    ASSERT_EQ(messages.size(), 7u);
    EXPECT_EQ(messages[0], L"Please input a valid command.");
    EXPECT_EQ(messages[1], L"Please select the key you want.");
    for (int i = 2; i < 7; ++i) EXPECT_EQ(messages[i], L"Sorry, this key can't be used with any modifier.") << i;
}

unsigned CodeFor(int keyIndex, bool alt, bool ctrl, bool shift, bool win)
{
    DrivenHotKeyDlg dialog;
    dialog.step = [&](DrivenHotKeyDlg& d) {
        d.Choose(keyIndex, alt, ctrl, shift, win, L"C:\\a.txt");
        d.PressOk();
    };
    return dialog.DoModal() == IDOK ? dialog.m_code : 0;
}

TEST(HotKeyDialog, BuildsTheCodes)
{
    EXPECT_EQ(CodeFor(kDigit5, false, false, false, false), 131125u);
    EXPECT_EQ(CodeFor(kPercent, false, false, false, false), 0x020025u);
    EXPECT_EQ(CodeFor(kPgUp, false, true, false, false), 0x0B0021u);
    EXPECT_EQ(CodeFor(kNumpadMinus, false, true, false, false), 0x0A002Du);
    EXPECT_EQ(CodeFor(kInsert, false, true, false, false), 0x0B002Du);
    EXPECT_EQ(CodeFor(kLetterA, false, false, true, false), 458817u);
}

TEST(HotKeyDialog, OpensOnTheCodeItEditsAndAnUnchangedOkCancels)
{
    DrivenHotKeyDlg dialog;
    dialog.m_code = 1769588;
    dialog.m_editedRow = 0;
    dialog.m_command = L"C:\\a.txt";
    bool alt = false, ctrl = false, shift = true;
    CString key;
    dialog.step = [&](DrivenHotKeyDlg& d) {
        alt = ::IsDlgButtonChecked(d.m_hWnd, IDC_HOTKEY_ALT);
        ctrl = ::IsDlgButtonChecked(d.m_hWnd, IDC_HOTKEY_CTRL);
        shift = ::IsDlgButtonChecked(d.m_hWnd, IDC_HOTKEY_SHIFT);
        wchar_t text[16] = {};
        ::GetDlgItemTextW(d.m_hWnd, IDC_HOTKEY_KEY, text, 16);
        key = text;
        test::HoldForScreenshot("HotKey dialog");
        d.PressOk();
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(alt);
    EXPECT_TRUE(ctrl);
    EXPECT_FALSE(shift);
    EXPECT_EQ(key, L"F5");
}

}  // namespace
