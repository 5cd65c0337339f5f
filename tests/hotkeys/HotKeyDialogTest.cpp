// The HotKey dialog's OK checks, driven through its real controls.
#include "hotkeys/HotKeyDlg.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "support/TestSupport.h"
#include "../res/resource.h"

#include <algorithm>
#include <set>

#include <gtest/gtest.h>

namespace {

using namespace test;

TEST(HotKeyDialog, RefusesInTheirOrder)
{
    std::vector<std::wstring> messages;
    CHotKeyDlg dialog(nullptr);
    DriveModal<CHotKeyDlg>(dialog, [&](CHotKeyDlg& d) {
        ChooseHotkey(d.m_hWnd, nullptr, false, false, false, false, L"");
        messages.push_back(Press(d.m_hWnd));  // empty command, even with no key
        ChooseHotkey(d.m_hWnd, nullptr, false, false, false, false, L"C:\\a.txt");
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

unsigned CodeFor(LPCWSTR key, bool alt, bool ctrl, bool shift, bool win)
{
    CHotKeyDlg dialog(nullptr);
    INT_PTR result = DriveModal<CHotKeyDlg>(dialog, [&](CHotKeyDlg& d) {
        ChooseHotkey(d.m_hWnd, key, alt, ctrl, shift, win, L"C:\\a.txt");
        Press(d.m_hWnd, IDOK, IDYES);  // a key that types is taken when the user insists
    });
    return result == IDOK ? dialog.m_code : 0;
}

struct Asked {
    std::wstring question;  // "" when none was asked
    INT_PTR result;
    unsigned code;
};

// Chooses the key with the modifiers and presses OK; a question it raises
// is answered with the button (kEnter: the default one).
Asked OkWith(LPCWSTR key, bool ctrl, bool shift, bool win, int answer)
{
    Asked asked = {};
    CHotKeyDlg dialog(nullptr);
    asked.result = DriveModal<CHotKeyDlg>(dialog, [&](CHotKeyDlg& d) {
        ChooseHotkey(d.m_hWnd, key, false, ctrl, shift, win, L"C:\\a.txt");
        asked.question = Press(d.m_hWnd, IDOK, answer);
        if (answer == MessageBoxAnswer::kEnter)
            HoldForScreenshot("HotKey dialog after the bare key's question");
    });
    asked.code = dialog.m_code;
    return asked;
}

// A hotkey on a key that types takes it from every program: the dialog
// asks, a reflexive Enter answers No, only Yes keeps it. Keys that type
// nothing, and keys with Ctrl, Alt or Win, are taken without a question.
TEST(HotKeyDialog, AKeyThatTypesIsTakenOnlyWhenTheUserSaysYes)
{
    const Asked enter = OkWith(kKeyLetterF, false, false, false, MessageBoxAnswer::kEnter);
    EXPECT_EQ(enter.question, L"F without Ctrl, Alt or Win will take every F typed in every program. Use it anyway?");
    EXPECT_NE(enter.result, IDOK) << "Enter took the bare F";
    EXPECT_NE(OkWith(kKeyLetterF, false, false, false, IDNO).result, IDOK);
    const Asked shifted = OkWith(L"Spacebar", false, true, false, IDYES);
    EXPECT_EQ(shifted.question, L"Shift+Spacebar without Ctrl, Alt or Win will take every Shift+Spacebar typed in "
                                L"every program. Use it anyway?");
    EXPECT_EQ(shifted.result, IDOK);
    for (LPCWSTR typing : { L"5", L"%", L"Enter", L"Tab", L"Backspace", L"Num 4", L"*" })
        EXPECT_NE(OkWith(typing, false, false, false, MessageBoxAnswer::kEnter).question, L"") << typing;
    for (LPCWSTR quiet : { L"F5", L"Pause", L"Esc", L"Print Screen" }) {
        const Asked asked = OkWith(quiet, false, false, false, IDNO);
        EXPECT_EQ(asked.question, L"") << quiet;
        EXPECT_EQ(asked.result, IDOK) << quiet;
    }
    const Asked ctrl = OkWith(kKeyLetterF, true, false, false, IDNO);
    EXPECT_EQ(ctrl.question, L"");
    EXPECT_EQ(ctrl.result, IDOK);
    EXPECT_EQ(OkWith(kKeyLetterF, false, false, true, IDNO).result, IDOK);
}

std::wstring DroppedRowText(HWND combo)
{
    COMBOBOXINFO info = {};
    info.cbSize = sizeof(info);
    ::GetComboBoxInfo(combo, &info);
    const LRESULT row = ::SendMessageW(info.hwndList, LB_GETCURSEL, 0, 0);
    wchar_t text[32] = {};
    if (row >= 0 && ::SendMessageW(info.hwndList, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0) < 32)
        ::SendMessageW(info.hwndList, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text));
    return text;
}

// A letter typed into the open key list moves its highlight to the next
// row it starts and leaves the list open; Enter takes the row.
TEST(HotKeyDialog, ALetterTypedIntoTheOpenKeyListMovesWithoutClosingIt)
{
    bool openAfterF = false, openAfterSecondF = false, openAfterEnter = true;
    std::wstring afterF, afterSecondF, chosen;
    CHotKeyDlg dialog(nullptr);
    DriveModal<CHotKeyDlg>(dialog, [&](CHotKeyDlg& d) {
        HWND combo = d.GetDlgItem(IDC_HOTKEY_KEY);
        ::SetFocus(combo);
        ::SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
        auto open = [combo] { return ::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0; };
        ::SendMessageW(combo, WM_CHAR, L'f', 1);
        WaitFor([&] { return DroppedRowText(combo) == L"F" || !open(); }, 5000);
        openAfterF = open();
        afterF = DroppedRowText(combo);
        ::SendMessageW(combo, WM_CHAR, L'F', 1);
        WaitFor([&] { return DroppedRowText(combo) == L"F1" || !open(); }, 5000);
        openAfterSecondF = open();
        afterSecondF = DroppedRowText(combo);
        ::SendMessageW(combo, WM_KEYDOWN, VK_RETURN, 1);
        WaitFor([&] { return !open(); }, 5000);
        openAfterEnter = open();
        wchar_t text[32] = {};
        ::GetDlgItemTextW(d.m_hWnd, IDC_HOTKEY_KEY, text, 32);
        chosen = text;
    });
    EXPECT_TRUE(openAfterF) << "the letter closed the list";
    EXPECT_EQ(afterF, L"F");
    EXPECT_TRUE(openAfterSecondF);
    EXPECT_EQ(afterSecondF, L"F1");
    EXPECT_FALSE(openAfterEnter);
    EXPECT_EQ(chosen, L"F1");
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

std::vector<std::wstring> KeyListRows(HWND dialog)
{
    std::vector<std::wstring> rows;
    const int count = static_cast<int>(::SendDlgItemMessageW(dialog, IDC_HOTKEY_KEY, CB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        wchar_t text[32] = {};
        if (::SendDlgItemMessageW(dialog, IDC_HOTKEY_KEY, CB_GETLBTEXTLEN, row, 0) < 32)
            ::SendDlgItemMessageW(dialog, IDC_HOTKEY_KEY, CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(text));
        rows.push_back(text);
    }
    return rows;
}

// Every key the program names is offered, grouped as a user looks for
// them, and each row makes the code whose name it shows.
TEST(HotKeyDialog, TheKeyListOffersEveryNamedKeyInGroups)
{
    std::vector<std::wstring> rows;
    CHotKeyDlg dialog(nullptr);
    DriveModal<CHotKeyDlg>(dialog, [&](CHotKeyDlg& d) { rows = KeyListRows(d.m_hWnd); });
    auto at = [&](const wchar_t* name) {
        auto found = std::find(rows.begin(), rows.end(), name);
        EXPECT_NE(found, rows.end()) << name;
        return found - rows.begin();
    };
    EXPECT_EQ(at(L"A"), 0);
    EXPECT_EQ(at(L"0"), at(L"Z") + 1);
    EXPECT_EQ(at(L"F1"), at(L"9") + 1);
    EXPECT_EQ(at(L"F24"), at(L"F1") + 23);
    EXPECT_EQ(at(L"Left"), at(L"F24") + 1);
    EXPECT_LT(at(L"Left"), at(L"Pg Up"));
    EXPECT_GT(at(L"Num 0"), at(L"Delete"));
    EXPECT_EQ(at(L"Num 9"), at(L"Num 0") + 9);
    EXPECT_GT(at(L"-"), at(L"Num 9"));
    for (const wchar_t* rest : { L"Esc", L"Enter", L"Pause", L"Print Screen", L"Spacebar", L"%" })
        EXPECT_GT(at(rest), at(L"-")) << rest;
    std::set<std::wstring> distinct(rows.begin(), rows.end());
    EXPECT_EQ(distinct.size(), rows.size());

    // Chosen with no modifier, each row makes a code named as the row; the
    // dialog opened on that code shows the same row.
    for (const std::wstring& name : { std::wstring(L"Num 7"), std::wstring(L"F17"), std::wstring(L"Esc"),
                                      std::wstring(L"Up"), std::wstring(L"*"), std::wstring(L"Q") }) {
        unsigned code = CodeFor(name.c_str(), false, false, false, false);
        EXPECT_EQ(std::wstring(FormatHotkeyKey(HotkeyFlags(code), HotkeyKey(code))), name);
        CHotKeyDlg again(nullptr);
        again.m_code = code | MakeHotkeyCode(HotkeyFlag::Ctrl, 0);
        again.m_command = L"C:\\a.txt";
        std::wstring shown;
        DriveModal<CHotKeyDlg>(again, [&](CHotKeyDlg& d) {
            wchar_t text[32] = {};
            ::GetDlgItemTextW(d.m_hWnd, IDC_HOTKEY_KEY, text, 32);
            shown = text;
        });
        EXPECT_EQ(shown, name);
    }
}

// The key list drops down below its box, a dozen rows tall, where the
// dialog sits in the middle of the screen.
TEST(HotKeyDialog, TheKeyListDropsDownBelowItsBox)
{
    CHotKeyDlg dialog(nullptr);
    RECT box = {}, list = {};
    int rowHeight = 0;
    DriveModal<CHotKeyDlg>(dialog, [&](CHotKeyDlg& d) {
        HWND combo = d.GetDlgItem(IDC_HOTKEY_KEY);
        ::SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
        COMBOBOXINFO info = {};
        info.cbSize = sizeof(info);
        ::GetComboBoxInfo(combo, &info);
        ::GetWindowRect(combo, &box);
        ::GetWindowRect(info.hwndList, &list);
        rowHeight = static_cast<int>(::SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0));
        ::SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    });
    EXPECT_GE(list.top, box.bottom - 1) << "the list opened upward";
    EXPECT_LE(list.bottom - list.top, 13 * rowHeight + 8);
    EXPECT_GE(list.bottom - list.top, 8 * rowHeight);
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
