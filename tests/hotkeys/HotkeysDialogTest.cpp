// The Hotkeys dialog driven through its real controls: it saves the hotkey
// file, registers it again, reports conflicts and refuses duplicates.
#include "framework/CWinApp.h"
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "hotkeys/HotkeysDlg.h"
#include "menu/MenuTestSupport.h"
#include "support/Placement.h"
#include "support/TestSupport.h"
#include "../res/resource.h"

#include <gtest/gtest.h>


namespace {

using namespace test;

const std::string kNotes = Utf16(L"1769588\r\nC:\\Tools\\notes.txt\r\n\r\n");

// Alt+Ctrl with F7, F8, F9 and F10, as the HotKey dialog codes them.
constexpr unsigned kAltCtrlF7 = 0x1B0076, kAltCtrlF8 = 0x1B0077, kAltCtrlF9 = 0x1B0078;

std::wstring Group(unsigned code, const std::wstring& command)
{
    return std::to_wstring(code) + L"\r\n" + command + L"\r\n\r\n";
}

std::wstring Cell(CHotkeysDlg& dialog, int row, int column)
{
    CString text;
    dialog.GetList().GetCellText(row, column, text);
    return static_cast<LPCWSTR>(text);
}

using HotkeysDialog = HotkeyTableTest;

// Runs the step on the HotKey dialog that the Hotkeys dialog opens next,
// then cancels it if the step left it open.
void InHotKeyDialog(std::function<void(HWND)> step)
{
    RunFromMessageLoop(300, [step] {
        HWND dialog = FindProcessDialogWith(::GetCurrentProcessId(), IDC_HOTKEY_KEY);
        ASSERT_NE(dialog, nullptr);
        step(dialog);
        if (::IsWindow(dialog)) ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST_F(HotkeysDialog, OkWritesTheWorkedExampleByteForByte)
{
    // The short-cut menu group first in the file: the dialog shows it on its
    // own line and writes it last.
    LoadHotkeyFile(Utf16(L"2293872\r\nQuillop\r\n\r\n1769588\r\nC:\\Tools\\notes.txt\r\n\r\n"));
    CHotkeysDlg dialog;
    int rows = -1;
    CString label;
    INT_PTR result = DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        rows = d.GetList().GetItemCount();
        wchar_t text[64] = {};
        ::GetDlgItemTextW(d.m_hWnd, IDC_HOTKEYS_MENU_LABEL, text, 64);
        label = text;
        HoldForScreenshot("Hotkeys dialog");
        PressOk(d);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(label, L"Win+F1");
    EXPECT_EQ(ReadFile(HotkeyFile()), Utf16(L"1769588\r\nC:\\Tools\\notes.txt\r\n\r\n2293872\r\nQuillop\r\n\r\n"));
    EXPECT_EQ(theRecordList.GetCount(), 2u);  // reloaded and registered
}

// Find's hotkey has a line of its own beside the menu's: shown there, kept
// by OK after the rows, changed there, and never taken twice.
TEST_F(HotkeysDialog, FindsHotkeyHasALineOfItsOwn)
{
    LoadHotkeyFile(Utf16(L"2293873\r\nQuillop Find\r\n\r\n1769588\r\nC:\\Tools\\notes.txt\r\n\r\n"));
    CHotkeysDlg dialog;
    int rows = -1;
    std::wstring label, refused;
    INT_PTR result = DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        rows = d.GetList().GetItemCount();
        wchar_t text[64] = {};
        ::GetDlgItemTextW(d.m_hWnd, IDC_HOTKEYS_FIND_LABEL, text, 64);
        label = text;
        // The menu's line cannot take Find's key.
        InHotKeyDialog([&](HWND edit) {
            ChooseHotkey(edit, L"F2", false, false, false, true, nullptr);
            refused = Press(edit);
        });
        d.SendMessage(WM_COMMAND, IDC_HOTKEYS_MENU_EDIT);
        // Find's key changed on its line.
        InHotKeyDialog([&](HWND edit) {
            ChooseHotkey(edit, L"F3", false, false, false, true, nullptr);
            ::SendMessageW(edit, WM_COMMAND, IDOK, 0);
        });
        d.SendMessage(WM_COMMAND, IDC_HOTKEYS_FIND_EDIT);
        PressOk(d);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(label, L"Win+F2");
    EXPECT_EQ(refused, L"Sorry, Win+F2 is already the hotkey of Find. Please select another one.");
    EXPECT_EQ(ReadFile(HotkeyFile()),
              Utf16(L"1769588\r\nC:\\Tools\\notes.txt\r\n\r\n2293874\r\nQuillop Find\r\n\r\n"));
}

TEST_F(HotkeysDialog, AFailedSaveLeavesTheFileIntact)
{
    LoadHotkeyFile(kNotes);
    ::SetFileAttributesW(HotkeyFile().c_str(), FILE_ATTRIBUTE_READONLY);  // the user's wish: not to be changed
    CHotkeysDlg dialog;
    std::wstring message;
    INT_PTR result = DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) { message = PressOk(d); });
    ::SetFileAttributesW(HotkeyFile().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(result, IDCANCEL);  // OK kept it open; the driver cancelled
    EXPECT_EQ(message, L"Falied to save keys.\n\nhotkeys_tests.key is read-only: nothing was written.");
    EXPECT_EQ(ReadFile(HotkeyFile()), kNotes);
    // The unchanged file is loaded and registered again: Alt+Ctrl+F5 works.
    ASSERT_EQ(theRecordList.GetCount(), 1u);
    EXPECT_STREQ(GetHotkeyCommand(GetHotkeyRecord(1)), L"C:\\Tools\\notes.txt");
    EXPECT_FALSE(::RegisterHotKey(nullptr, 1, MOD_ALT | MOD_CONTROL, VK_F5));
}

// OK never writes a group that the reader would stop at: the damaged
// group is gone, every other one (the menu hotkey too) survives two saves.
TEST_F(HotkeysDialog, ADamagedCommandDoesNotCostTheLaterHotkeys)
{
    std::wstring damaged = std::wstring(L"1769589\r\n") + L'\0' + L"lost.txt\r\n\r\n";
    const std::wstring rest = L"1769588\r\nC:\\Tools\\notes.txt\r\n\r\n2293872\r\nQuillop\r\n\r\n";
    const std::wstring backup = HotkeyFile() + L".bak";
    ScratchFiles scratch({ backup });
    LoadHotkeyFile(Utf16(damaged + rest));
    for (int save = 0; save < 2; ++save) {
        CHotkeysDlg dialog;
        std::wstring message;
        EXPECT_EQ(DriveModal<CHotkeysDlg>(dialog,
                                          [&](CHotkeysDlg& d) {
                                              message = PressOk(d);
                                          }),
                  IDOK);
        EXPECT_EQ(ReadFile(HotkeyFile()), Utf16(rest));
        EXPECT_EQ(theRecordList.GetCount(), 2u);
        // The damaged file is kept whole beside it, once: the saved one is whole.
        EXPECT_EQ(message.empty(), save == 1);
    }
    EXPECT_EQ(ReadFile(backup), Utf16(damaged + rest));
}

// The dialog's icons are its own: the shared one LoadIconW gives must not
// be destroyed with the dialog.
TEST_F(HotkeysDialog, ItsIconsAreItsOwn)
{
    CHotkeysDlg dialog;
    LRESULT big = 0, small = 0;
    DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        big = d.SendMessage(WM_GETICON, ICON_BIG);
        small = d.SendMessage(WM_GETICON, ICON_SMALL);
    });
    HICON shared = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_PROGRAM));
    EXPECT_NE(big, 0);
    EXPECT_NE(small, 0);
    EXPECT_NE(reinterpret_cast<HICON>(big), shared);
    EXPECT_NE(reinterpret_cast<HICON>(small), shared);
}

TEST_F(HotkeysDialog, NothingToSaveDeletesTheFile)
{
    LoadHotkeyFile(kNotes);
    CHotkeysDlg dialog;
    INT_PTR result = DriveModal<CHotkeysDlg>(dialog, [](CHotkeysDlg& d) {
        MessageBoxAnswer yes(L"hotkeys_tests", IDYES);
        d.SendMessage(WM_COMMAND, IDC_HOTKEYS_CLEAR);
        PressOk(d);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_FALSE(Exists(HotkeyFile()));
}

TEST_F(HotkeysDialog, OkReportsACombinationAnotherProgramHolds)
{
    HeldElsewhere holder;
    ASSERT_TRUE(holder.held);
    LoadHotkeyFile(Utf16(Group(kAltCtrlF7, L"C:\\seven.txt") + Group(kAltCtrlF8, L"C:\\eight.txt") +
                         Group(kAltCtrlF9, L"C:\\nine.txt")));
    CHotkeysDlg rows;
    int selected = -1;
    std::wstring message;
    EXPECT_EQ(DriveModal<CHotkeysDlg>(rows, [&](CHotkeysDlg& d) {
                  message = Press(d.m_hWnd);
                  selected = d.GetList().GetNextSelected(-1);
              }),
              IDCANCEL);
    EXPECT_EQ(message, L"Hotkey may be conflicted. Please use another key.");
    EXPECT_EQ(selected, 1);

    // The short-cut menu's own hotkey held elsewhere has a message of its own.
    LoadHotkeyFile(Utf16(Group(kAltCtrlF7, L"C:\\seven.txt") + Group(kAltCtrlF8, L"Quillop")));
    CHotkeysDlg menu;
    EXPECT_EQ(DriveModal<CHotkeysDlg>(menu, [&](CHotkeysDlg& d) { message = Press(d.m_hWnd); }), IDCANCEL);
    EXPECT_EQ(message, L"The hotkey for Quillop's short-cut menu may be conflicted. Please use another key.");
}

TEST_F(HotkeysDialog, AddAndEditRefuseKeysAlreadyUsed)
{
    LoadHotkeyFile(Utf16(Group(kAltCtrlF7, L"C:\\seven.txt") + Group(kAltCtrlF8, L"C:\\eight.txt") +
                         Group(kAltCtrlF9, L"Quillop")));
    std::vector<std::wstring> messages;
    CHotkeysDlg dialog;
    DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        InHotKeyDialog([&](HWND edit) {
            ChooseHotkey(edit, kKeyF7, true, true, false, false, L"C:\\new.txt");
            messages.push_back(Press(edit));  // a row's key
            ChooseHotkey(edit, kKeyF9, true, true, false, false, nullptr);
            messages.push_back(Press(edit));  // the short-cut menu's key
            ChooseHotkey(edit, kKeyF5, true, true, false, false, nullptr);
            messages.push_back(Press(edit));  // free: taken
        });
        d.SendMessage(WM_COMMAND, IDC_HOTKEYS_ADD);
        ASSERT_EQ(d.GetList().GetItemCount(), 3);
        EXPECT_EQ(Cell(d, 2, 0), L"Alt+Ctrl+F5");
        EXPECT_EQ(Cell(d, 2, 1), L"C:\\new.txt");

        // Editing the first row: its own key with a new command is no
        // duplicate; the second row's key is.
        d.GetList().SelectRow(0, FALSE);
        InHotKeyDialog([&](HWND edit) {
            ChooseHotkey(edit, kKeyF8, true, true, false, false, nullptr);
            messages.push_back(Press(edit));
            ChooseHotkey(edit, kKeyF7, true, true, false, false, L"C:\\seven, again.txt");
            messages.push_back(Press(edit));
        });
        d.SendMessage(WM_COMMAND, IDC_HOTKEYS_EDIT);
        EXPECT_EQ(Cell(d, 0, 1), L"C:\\seven, again.txt");
        EXPECT_EQ(d.GetList().GetRowValue(0), static_cast<int>(kAltCtrlF7));
    });
    // The message names the command that holds the key.
    auto usedBy = [](const wchar_t* key, const wchar_t* holder) {
        return std::wstring(L"Sorry, ") + key + L" is already the hotkey of " + holder + L". Please select another one.";
    };
    EXPECT_EQ(messages, (std::vector<std::wstring>{ usedBy(L"Alt+Ctrl+F7", L"C:\\seven.txt"),
                                                    usedBy(L"Alt+Ctrl+F9", L"the short-cut menu"), L"",
                                                    usedBy(L"Alt+Ctrl+F8", L"C:\\eight.txt"), L"" }));
}

TEST_F(HotkeysDialog, MenuPickTakesTheChosenEntrysPath)
{
    std::wstring folder = FreshMenuFolder();
    LoadHotkeyFile("");
    std::wstring empty, command;
    CHotkeysDlg dialog;
    DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        InHotKeyDialog([&](HWND edit) {
            empty = Press(edit, IDC_HOTKEY_MENU_PICK);
            Pump(300);  // the message box's activation changes would cancel the next menu
            MakeFile(folder + L"\\a.txt");
            MakeFile(folder + L"\\b.txt");
            // Down to "a.txt", Down to "b.txt", Enter.
            DriveMenu(edit, { VK_DOWN, VK_DOWN, VK_RETURN }, [edit] {
                return static_cast<int>(::SendMessageW(edit, WM_COMMAND, IDC_HOTKEY_MENU_PICK, 0));
            });
            wchar_t text[MAX_PATH] = {};
            ::GetDlgItemTextW(edit, IDC_HOTKEY_COMMAND, text, MAX_PATH);
            command = text;
        });
        d.SendMessage(WM_COMMAND, IDC_HOTKEYS_ADD);
    });
    EXPECT_EQ(empty, L"Sorry, there is no menu item to select.");
    EXPECT_EQ(command, folder + L"\\b.txt");
}

// Edit and Delete are grey until a row is selected, Clear while the list
// is empty, a line's Delete while it has no hotkey; after Add the keys are
// back on the list, on the new row; the columns fill the list's width; the
// HotKey dialog says whose hotkey it edits.
TEST_F(HotkeysDialog, ButtonsWaitForSomethingToActOnAndAddReturnsToTheList)
{
    LoadHotkeyFile(kNotes);
    bool editBefore = true, deleteBefore = true, editSelected = false, deleteSelected = false, menuDelete = true;
    bool clearEmpty = true, focusOnList = false;
    int selectedAfterAdd = -1, columnsRight = 0, listWidth = 0;
    std::wstring addTitle, editTitle, menuTitle;
    CHotkeysDlg dialog;
    DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        auto enabled = [&](int id) { return ::IsWindowEnabled(d.GetDlgItem(id)) != FALSE; };
        auto title = [](HWND edit) {
            wchar_t text[64] = {};
            ::GetWindowTextW(edit, text, 64);
            return std::wstring(text);
        };
        editBefore = enabled(IDC_HOTKEYS_EDIT);
        deleteBefore = enabled(IDC_HOTKEYS_DELETE);
        menuDelete = enabled(IDC_HOTKEYS_MENU_DELETE);
        d.GetList().SelectRow(0, FALSE);
        editSelected = enabled(IDC_HOTKEYS_EDIT);
        deleteSelected = enabled(IDC_HOTKEYS_DELETE);
        InHotKeyDialog([&](HWND edit) { editTitle = title(edit); });
        d.SendMessage(WM_COMMAND, IDC_HOTKEYS_EDIT);
        InHotKeyDialog([&](HWND edit) { menuTitle = title(edit); });
        d.SendMessage(WM_COMMAND, IDC_HOTKEYS_MENU_EDIT);
        InHotKeyDialog([&](HWND edit) {
            addTitle = title(edit);
            ChooseHotkey(edit, kKeyF7, true, true, false, false, L"C:\\new.txt");
            EXPECT_EQ(Press(edit), L"");
        });
        ::SetFocus(d.GetDlgItem(IDC_HOTKEYS_ADD));
        d.SendMessage(WM_COMMAND, IDC_HOTKEYS_ADD);
        focusOnList = ::GetFocus() == d.GetList().m_hWnd;
        selectedAfterAdd = d.GetList().GetNextSelected(-1);
        RECT client = {}, last = {};
        ::GetClientRect(d.GetList().m_hWnd, &client);
        const int lastColumn = d.GetList().GetColumnCount() - 1;
        HWND header = reinterpret_cast<HWND>(d.GetList().SendMessage(LVM_GETHEADER));
        ::SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(lastColumn), reinterpret_cast<LPARAM>(&last));
        columnsRight = last.right;
        listWidth = client.right;
        HoldForScreenshot("Hotkeys dialog after Add");
        {
            MessageBoxAnswer yes(L"hotkeys_tests", IDYES);
            d.SendMessage(WM_COMMAND, IDC_HOTKEYS_CLEAR);
        }
        clearEmpty = enabled(IDC_HOTKEYS_CLEAR);
    });
    EXPECT_FALSE(editBefore);
    EXPECT_FALSE(deleteBefore);
    EXPECT_FALSE(menuDelete) << "the short-cut menu has no hotkey to delete";
    EXPECT_TRUE(editSelected);
    EXPECT_TRUE(deleteSelected);
    EXPECT_FALSE(clearEmpty);
    EXPECT_TRUE(focusOnList) << "the focus stayed on Add";
    EXPECT_EQ(selectedAfterAdd, 1);
    EXPECT_EQ(columnsRight, listWidth) << "an empty column after the last";
    EXPECT_EQ(editTitle, L"Hotkey for notes.txt");
    EXPECT_EQ(menuTitle, L"Hotkey for the short-cut menu");
    EXPECT_EQ(addTitle, L"New hotkey");
}

// The message about a key in use leaves the key field in view.
TEST_F(HotkeysDialog, TheKeyInUseMessageStandsClearOfTheKeyField)
{
    LoadHotkeyFile(Utf16(Group(kAltCtrlF7, L"C:\\seven.txt")));
    RECT box = {}, keyField = {};
    CHotkeysDlg dialog;
    DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        InHotKeyDialog([&](HWND edit) {
            ChooseHotkey(edit, kKeyF7, true, true, false, false, L"C:\\new.txt");
            ::GetWindowRect(::GetDlgItem(edit, IDC_HOTKEY_KEY), &keyField);
            MessageBoxAnswer answer(L"hotkeys_tests", IDOK, [&box] {
                ::GetWindowRect(FindProcessWindow(::GetCurrentProcessId(), L"#32770", L"hotkeys_tests"), &box);
                HoldForScreenshot("HotKey dialog with the key-in-use message");
            });
            ::PostMessageW(edit, WM_COMMAND, IDOK, 0);
            WaitFor([&] { return answer.Answered(); });
        });
        d.SendMessage(WM_COMMAND, IDC_HOTKEYS_ADD);
    });
    RECT overlap;
    ASSERT_GT(box.bottom, box.top) << "no message";
    EXPECT_FALSE(::IntersectRect(&overlap, &box, &keyField)) << "the message covers the key field";
}

TEST_F(HotkeysDialog, GrowsItsListAndKeepsItsFirstSize)
{
    LoadHotkeyFile(kNotes);
    RECT first = {}, grown = {}, shrunk = {}, listBefore = {}, listAfter = {}, okBefore = {}, okAfter = {};
    RECT menuEditBefore = {}, menuEditAfter = {};
    CHotkeysDlg dialog;
    DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        ::GetWindowRect(d.m_hWnd, &first);
        ::GetWindowRect(d.GetList().m_hWnd, &listBefore);
        ::GetWindowRect(d.GetDlgItem(IDOK), &okBefore);
        ::GetWindowRect(d.GetDlgItem(IDC_HOTKEYS_MENU_EDIT), &menuEditBefore);
        ::SetWindowPos(d.m_hWnd, nullptr, first.left, first.top, first.right - first.left + 200,
                       first.bottom - first.top + 120, SWP_NOZORDER);
        ::GetWindowRect(d.m_hWnd, &grown);
        ::GetWindowRect(d.GetList().m_hWnd, &listAfter);
        ::GetWindowRect(d.GetDlgItem(IDOK), &okAfter);
        ::GetWindowRect(d.GetDlgItem(IDC_HOTKEYS_MENU_EDIT), &menuEditAfter);
        HoldForScreenshot("Hotkeys dialog enlarged");
        ::SetWindowPos(d.m_hWnd, nullptr, 0, 0, 100, 80, SWP_NOZORDER | SWP_NOMOVE);
        ::GetWindowRect(d.m_hWnd, &shrunk);
    });
    EXPECT_EQ(grown.right - grown.left, first.right - first.left + 200);
    EXPECT_EQ(listAfter.right - listAfter.left, listBefore.right - listBefore.left + 200);
    EXPECT_EQ(listAfter.bottom - listAfter.top, listBefore.bottom - listBefore.top + 120);
    EXPECT_EQ(okAfter.left - grown.left, okBefore.left - first.left);  // the buttons stay put
    // The lines below the list move down with it, not under it.
    EXPECT_EQ(menuEditAfter.top - grown.top, menuEditBefore.top - first.top + 120);
    EXPECT_GT(menuEditAfter.top, listAfter.bottom);
    EXPECT_EQ(shrunk.right - shrunk.left, first.right - first.left);
    EXPECT_EQ(shrunk.bottom - shrunk.top, first.bottom - first.top);
}

// The Hotkeys dialog opens in the middle of the pointer's work area; the
// HotKey dialog over it, and wholly on screen when that is near an edge.
TEST_F(HotkeysDialog, OpensCentredAndTheHotKeyDialogOverIt)
{
    LoadHotkeyFile(kNotes);
    ::SetCursorPos(300, 200);
    CHotkeysDlg dialog;
    RECT placed = {}, parent = {}, child = {}, edgeParent = {}, edgeChild = {};
    DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        ::GetWindowRect(d.m_hWnd, &placed);
        InHotKeyDialog([&](HWND hotkey) {
            ::GetWindowRect(d.m_hWnd, &parent);
            ::GetWindowRect(hotkey, &child);
        });
        d.SendMessage(WM_COMMAND, IDC_HOTKEYS_ADD);
        // Near the bottom right corner: the HotKey dialog is pushed back in.
        RECT work = WorkAreaAt({ 300, 200 });
        ::SetWindowPos(d.m_hWnd, nullptr, work.right - 120, work.bottom - 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        InHotKeyDialog([&](HWND hotkey) {
            ::GetWindowRect(d.m_hWnd, &edgeParent);
            ::GetWindowRect(hotkey, &edgeChild);
        });
        d.SendMessage(WM_COMMAND, IDC_HOTKEYS_ADD);
    });
    RECT work = WorkAreaAt({ 300, 200 });
    EXPECT_NEAR(Centre(placed).x, Centre(work).x, 1);
    EXPECT_NEAR(Centre(placed).y, Centre(work).y, 1);
    EXPECT_NEAR(Centre(child).x, Centre(parent).x, 1);
    EXPECT_NEAR(Centre(child).y, Centre(parent).y, 1);
    EXPECT_TRUE(Inside(edgeChild, work));
    EXPECT_EQ(edgeChild.right, work.right);
    EXPECT_EQ(edgeChild.bottom, work.bottom);
}

}  // namespace
