// The hotkey file beside the test executable: read and registered.
#include "framework/CWinApp.h"
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace test;

struct Loaded {
    unsigned code;
    std::wstring command;
    bool operator==(const Loaded& o) const { return code == o.code && command == o.command; }
};

std::vector<Loaded> Load(const std::string& bytes, HWND window = nullptr)
{
    LoadHotkeyFile(bytes, window);
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
    EXPECT_EQ(Load(Utf16(L"1769588\rC:\\Tools\\notes.txt\r\r2293872\rQuillop\r")), kTwo);  // no last empty line
    // The last line without its end, as many editors save.
    EXPECT_EQ(Load(Utf16(L"1769588\rC:\\Tools\\notes.txt\r\r2293872\rQuillop")), kTwo);
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

// A damaged command line that reads as empty (it starts with a NUL) drops
// its group, not every group after it.
TEST(HotkeyFile, ACommandThatReadsAsEmptyDropsItsGroupOnly)
{
    std::wstring damaged = std::wstring(L"1769589\r\n") + L'\0' + L"lost.txt\r\n\r\n";
    EXPECT_EQ(Load(Utf16(damaged + L"1769588\r\nC:\\Tools\\notes.txt\r\n\r\n2293872\r\nQuillop\r\n\r\n")), kTwo);
}

using HotkeyRegistration = HotkeyTableTest;

TEST_F(HotkeyRegistration, EqualCodesGiveTheKeyToTheHigherIndex)
{
    ScratchWindow owner(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    HWND window = owner.Get();
    test::WriteFile(HotkeyFile(), Utf16(L"1769588\r\nfirst\r\n\r\n1769588\r\nsecond\r\n\r\n"));
    EXPECT_EQ(LoadHotkeys(window, TRUE), 1);  // record 2 took it, record 1 failed
    EXPECT_TRUE(::UnregisterHotKey(window, 112));
    EXPECT_FALSE(::UnregisterHotKey(window, 111));
}

}  // namespace
