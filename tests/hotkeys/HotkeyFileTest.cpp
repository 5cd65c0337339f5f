// The hotkey file beside the test executable: read, written and registered.
#include "framework/CWinApp.h"
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeysDlg.h"
#include "hotkeys/HotKeyDlg.h"
#include "support/TestSupport.h"
#include "../res/resource.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::wstring KeyFile()
{
    wchar_t path[520];
    HotkeyFilePath(path, 520);
    return path;
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

struct Loaded {
    unsigned code;
    std::wstring command;
    bool operator==(const Loaded& o) const { return code == o.code && command == o.command; }
};

std::vector<Loaded> Load(const std::string& bytes, HWND window = nullptr)
{
    theRecordList.Configure(sizeof(HotkeyRecord), kHotkeyRecordStep);
    ReleaseHotkeys();
    test::WriteFile(KeyFile(), bytes);
    LoadHotkeys(window, FALSE);
    std::vector<Loaded> loaded;
    for (int i = 1; i <= static_cast<int>(theRecordList.GetCount()); ++i) {
        const wchar_t* command = GetHotkeyCommand(GetHotkeyRecord(i));
        loaded.push_back({ GetHotkeyRecord(i)->code, command ? command : L"(none)" });
    }
    for (int i = static_cast<int>(theRecordList.GetCount()); i >= 1; --i) ::UnregisterHotKey(window, 110 + i);
    return loaded;
}

const std::vector<Loaded> kTwo = { { 1769588, L"C:\\Tools\\notes.txt" }, { 2293872, L"Quillop" } };

TEST(HotkeyFile, ReadsEveryLineEndAndEncoding)
{
    EXPECT_EQ(Load(Utf16(L"1769588\r\nC:\\Tools\\notes.txt\r\n\r\n2293872\r\nQuillop\r\n\r\n")), kTwo);
    EXPECT_EQ(Load(Utf16(L"1769588\nC:\\Tools\\notes.txt\n\n2293872\nQuillop\n\n")), kTwo);
    EXPECT_EQ(Load(Utf16(L"1769588\rC:\\Tools\\notes.txt\r\r2293872\rQuillop")), kTwo);  // last group unended
    EXPECT_EQ(Load("1769588\r\nC:\\Tools\\notes.txt\r\n\r\n2293872\r\nQuillop\r\n\r\n"), kTwo);  // ANSI
}

TEST(HotkeyFile, StopsAndSkipsAsTheFormatSays)
{
    // Two empty lines between groups end the reading after the first.
    EXPECT_EQ(Load(Utf16(L"1769588\r\nC:\\Tools\\notes.txt\r\n\r\n\r\n2293872\r\nQuillop\r\n\r\n")),
              std::vector<Loaded>({ kTwo[0] }));
    // Letters only: that group is dropped, reading goes on; atol reads " 1769588abc".
    EXPECT_EQ(Load(Utf16(L"abc\r\nC:\\x\r\n\r\n 1769588abc\r\nC:\\Tools\\notes.txt\r\n\r\n")),
              std::vector<Loaded>({ kTwo[0] }));
    EXPECT_TRUE(Load("\xFF\xFE").empty());  // exactly a byte-order mark: ANSI text, nothing in it
    EXPECT_TRUE(Load("").empty());
    // A command the pool refuses keeps its record, with no command.
    auto refused = Load(Utf16(L"5\r\n" + std::wstring(5000, L'c') + L"\r\n\r\n"));
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].command, L"(none)");
}

TEST(HotkeyFile, EqualCodesGiveTheKeyToTheHigherIndex)
{
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    theRecordList.Configure(sizeof(HotkeyRecord), kHotkeyRecordStep);
    ReleaseHotkeys();
    test::WriteFile(KeyFile(), Utf16(L"1769588\r\nfirst\r\n\r\n1769588\r\nsecond\r\n\r\n"));
    EXPECT_EQ(LoadHotkeys(window, TRUE), 1);  // record 2 took it, record 1 failed
    EXPECT_TRUE(::UnregisterHotKey(window, 112));
    EXPECT_FALSE(::UnregisterHotKey(window, 111));
    ::DestroyWindow(window);
}

// A Hotkeys dialog that runs a step once it is up, then closes.
class DrivenHotkeysDlg : public CHotkeysDlg {
public:
    std::function<void(DrivenHotkeysDlg&)> step;
    BOOL OnInitDialog() override
    {
        CHotkeysDlg::OnInitDialog();
        ::SetTimer(m_hWnd, 7, 200, nullptr);
        return TRUE;
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

BEGIN_MESSAGE_MAP(DrivenHotkeysDlg, CHotkeysDlg)
    ON_MESSAGE(WM_TIMER, OnTimer)
END_MESSAGE_MAP()

TEST(HotkeysDialog, OkWritesTheWorkedExampleByteForByte)
{
    const std::string example = Utf16(L"1769588\r\nC:\\Tools\\notes.txt\r\n\r\n2293872\r\nQuillop\r\n\r\n");
    // The short-cut menu group first in the file: the dialog shows it on its
    // own line and writes it last.
    Load(Utf16(L"2293872\r\nQuillop\r\n\r\n1769588\r\nC:\\Tools\\notes.txt\r\n\r\n"));
    test::WriteFile(KeyFile(), Utf16(L"2293872\r\nQuillop\r\n\r\n1769588\r\nC:\\Tools\\notes.txt\r\n\r\n"));
    DrivenHotkeysDlg dialog;
    int rows = -1;
    CString label;
    dialog.step = [&](DrivenHotkeysDlg& d) {
        rows = d.GetList().GetItemCount();
        wchar_t text[64] = {};
        ::GetDlgItemTextW(d.m_hWnd, IDC_HOTKEYS_MENU_LABEL, text, 64);
        label = text;
        test::HoldForScreenshot("Hotkeys dialog");
        d.SendMessage(WM_COMMAND, IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(label, L"Win+F1");
    EXPECT_EQ(test::ReadFile(KeyFile()), example);
    EXPECT_EQ(theRecordList.GetCount(), 2u);  // reloaded and registered
    ReleaseHotkeys();
}

TEST(HotkeysDialog, AFailedSaveLeavesTheFileIntact)
{
    const std::string before = Utf16(L"1769588\r\nC:\\Tools\\notes.txt\r\n\r\n");
    Load(before);
    test::WriteFile(KeyFile(), before);
    std::wstring blocker = KeyFile() + L".new";  // the temporary file cannot be made
    ::CreateDirectoryW(blocker.c_str(), nullptr);
    DrivenHotkeysDlg dialog;
    std::wstring message;
    dialog.step = [&](DrivenHotkeysDlg& d) {
        test::MessageBoxAnswer answer(L"hotkeys_tests");
        d.SendMessage(WM_COMMAND, IDOK);
        message = answer.Text();
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);  // OK kept it open; the driver cancelled
    EXPECT_EQ(message, L"Falied to save keys.");
    EXPECT_EQ(test::ReadFile(KeyFile()), before);
    ::RemoveDirectoryW(blocker.c_str());
}

TEST(HotkeysDialog, NothingToSaveDeletesTheFile)
{
    Load(Utf16(L"1769588\r\nC:\\Tools\\notes.txt\r\n\r\n"));
    test::WriteFile(KeyFile(), Utf16(L"1769588\r\nC:\\Tools\\notes.txt\r\n\r\n"));
    DrivenHotkeysDlg dialog;
    dialog.step = [](DrivenHotkeysDlg& d) {
        test::MessageBoxAnswer yes(L"hotkeys_tests", IDYES);
        d.SendMessage(WM_COMMAND, IDC_HOTKEYS_CLEAR);
        d.SendMessage(WM_COMMAND, IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_FALSE(test::Exists(KeyFile()));
}

}  // namespace
