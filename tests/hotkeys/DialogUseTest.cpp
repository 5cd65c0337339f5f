// The two hotkey dialogs as a user meets them: the focus starts on the key,
// Tab follows the eye, a clicked row shows as chosen with or without the
// focus, and the picture buttons say what they do.
#include "hotkeys/HotKeyDlg.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "hotkeys/HotkeysDlg.h"
#include "support/Canvas.h"
#include "support/TestSupport.h"
#include "../res/resource.h"

#include <gtest/gtest.h>

namespace {

using namespace test;
using DialogUse = HotkeyTableTest;

// The control ids in the order Tab visits them, from the first.
std::vector<int> TabOrder(HWND dialog, size_t count)
{
    std::vector<int> ids;
    HWND control = ::GetNextDlgTabItem(dialog, nullptr, FALSE);
    for (size_t i = 0; i < count && control; ++i, control = ::GetNextDlgTabItem(dialog, control, FALSE))
        ids.push_back(::GetDlgCtrlID(control));
    return ids;
}

// The texts of the tips of the dialog's tooltip windows.
std::vector<std::wstring> TipTexts(HWND dialog)
{
    std::vector<std::wstring> texts;
    for (HWND tips = ::FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); tips;
         tips = ::FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr)) {
        if (::GetWindow(tips, GW_OWNER) != dialog) continue;
        int count = static_cast<int>(::SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[128] = {};
            TOOLINFOW info = {};
            info.cbSize = TTTOOLINFOW_V2_SIZE;
            info.lpszText = text;
            if (::SendMessageW(tips, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info)))
                texts.push_back(text);
        }
    }
    return texts;
}

TEST_F(DialogUse, TheHotKeyDialogStartsOnTheKeyAndNamesItsPictureButtons)
{
    CHotKeyDlg dialog(nullptr);
    int focused = 0;
    std::vector<int> order;
    std::vector<std::wstring> tips;
    DriveModal<CHotKeyDlg>(dialog, [&](CHotKeyDlg& d) {
        focused = ::GetDlgCtrlID(::GetFocus());
        order = TabOrder(d.m_hWnd, 10);
        tips = TipTexts(d.m_hWnd);
    });
    EXPECT_EQ(focused, IDC_HOTKEY_KEY);
    EXPECT_EQ(order, (std::vector<int>{ IDC_HOTKEY_ALT, IDC_HOTKEY_CTRL, IDC_HOTKEY_SHIFT, IDC_HOTKEY_WIN,
                                        IDC_HOTKEY_KEY, IDC_HOTKEY_BROWSE, IDC_HOTKEY_MENU_PICK, IDC_HOTKEY_COMMAND,
                                        IDOK, IDCANCEL }));
    EXPECT_EQ(tips, (std::vector<std::wstring>{ L"Browse for a file", L"Pick an entry of the short-cut menu" }));
}

TEST_F(DialogUse, TheHotkeysDialogTabsAsItReadsAndShowsAClickedRowWithoutTheFocus)
{
    // Every button with something to act on: a row chosen, a hotkey on
    // each line of its own.
    LoadHotkeyFile(Utf16(L"1769588\r\nC:\\Tools\\notes.txt\r\n\r\n1769589\r\nC:\\Tools\\more.txt\r\n\r\n"
                         L"2293872\r\nQuillop\r\n\r\n2293873\r\nQuillop Find\r\n\r\n"));
    CHotkeysDlg dialog;
    std::vector<int> order;
    int highlighted = 0, selected = -1;
    DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        d.GetList().SelectRow(0, FALSE);
        order = TabOrder(d.m_hWnd, 11);
        // A click on the second row, then the focus on a button.
        HWND list = d.GetList().m_hWnd;
        RECT row = { LVIR_BOUNDS, 0, 0, 0 };
        ::SendMessageW(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
        LPARAM at = MAKELPARAM(row.left + 20, (row.top + row.bottom) / 2);
        ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageW(list, WM_LBUTTONUP, 0, at);
        ::SetFocus(d.GetDlgItem(IDC_HOTKEYS_ADD));
        ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        selected = d.GetList().GetNextSelected(-1);
        RECT shown = row;
        ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&shown), 2);
        // The row as the screen shows it, once the paint has reached the display.
        const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
        WaitFor([&] { return (highlighted = Canvas::OfScreen(shown)->Count(highlight)) > 100; }, 10000);
    });
    EXPECT_EQ(order, (std::vector<int>{ IDC_HOTKEYS_ADD, IDC_HOTKEYS_EDIT, IDC_HOTKEYS_DELETE, IDC_HOTKEYS_CLEAR,
                                        IDCANCEL, IDOK, IDC_HOTKEYS_LIST, IDC_HOTKEYS_MENU_EDIT,
                                        IDC_HOTKEYS_MENU_DELETE, IDC_HOTKEYS_FIND_EDIT, IDC_HOTKEYS_FIND_DELETE }));
    EXPECT_EQ(selected, 1);
    EXPECT_GT(highlighted, 100) << "the clicked row is not shown as chosen";
}

}  // namespace
