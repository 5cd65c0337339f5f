// Find on the real program: its hotkey opens it, what is typed selects the
// best match, Enter opens it once, Shift+Enter shows its folder, Escape
// clears and then closes, a file added while it was closed is found next
// time, and with 100,000 entries it opens and answers typing.
#include "acceptance/AcceptanceFixture.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace test;

constexpr int kFindText = 1100, kFindList = 1101;

class FindTest : public Acceptance {
protected:
    void SetUp() override
    {
        Acceptance::SetUp();
        WriteFile(keyFile, Utf16(L"2293873\r\nQuillop Find\r\n\r\n"));  // Win+F2
    }
    // The hotkey's window, once it shows.
    HWND OpenByHotkey()
    {
        PressChord({ VK_LWIN }, VK_F2);
        HWND find = nullptr;
        WaitFor([&] { return (find = FindProcessWindow(started.dwProcessId, L"#32770", L"Find")) != nullptr; });
        return find;
    }
    // Types the text into the window with the focus, as the keyboard does.
    static void TypeText(const std::wstring& text)
    {
        for (wchar_t c : text) {
            const WORD key = c == L' ' ? VK_SPACE : static_cast<WORD>(::towupper(c));
            Type({ key });
        }
        ::Sleep(200);
    }
    static std::wstring Selected(HWND find)
    {
        const LRESULT row = ::SendDlgItemMessageW(find, kFindList, LB_GETCURSEL, 0, 0);
        wchar_t text[512] = {};
        if (row >= 0 && ::SendDlgItemMessageW(find, kFindList, LB_GETTEXTLEN, row, 0) < 512)
            ::SendDlgItemMessageW(find, kFindList, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text));
        return text;
    }
    static std::wstring Typed(HWND find)
    {
        wchar_t text[256] = {};
        ::GetDlgItemTextW(find, kFindText, text, 256);
        return text;
    }
    static void Clear(HWND find) { ::SetDlgItemTextW(find, kFindText, L""); }
};

TEST_F(FindTest, TypingSelectsTheBestMatch)
{
    for (const wchar_t* name : { L"Keynote.txt", L"Notepad++ Config.txt", L"Pad.txt", L"Padlock.txt" })
        WriteFile(menu + L"\\" + name, "x");
    ::CreateDirectoryW((menu + L"\\Tools").c_str(), nullptr);
    WriteFile(menu + L"\\Tools\\Deep Tool.txt", "x");
    Start();
    HWND find = OpenByHotkey();
    ASSERT_NE(find, nullptr) << "the Find hotkey opened no window";
    HoldForScreenshot("Find");
    struct Case {
        const wchar_t* typed;
        const wchar_t* first;
    };
    const Case cases[] = {
        { L"pad", L"Pad" },                           // a whole word before word starts and substrings
        { L"note", L"Notepad++ Config" },             // a word start before a substring
        { L"eyno", L"Keynote" },                      // a substring
        { L"npc", L"Notepad++ Config" },              // letters in order
        { L"deep", L"Deep Tool, in Tools" },          // with its folder, for screen readers
    };
    for (const Case& c : cases) {
        Clear(find);
        TypeText(c.typed);
        EXPECT_EQ(Typed(find), c.typed);
        EXPECT_TRUE(WaitFor([&] { return Selected(find) == c.first; }, 2000)) << c.typed << ": " << Selected(find);
    }
    EXPECT_EQ(Exit(), 0u);
}

TEST_F(FindTest, EnterOpensOnceShiftEnterShowsTheFolderEscapeClearsThenCloses)
{
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (menu + L"\\probe.exe").c_str(), FALSE));
    ::CreateDirectoryW((menu + L"\\Tools").c_str(), nullptr);
    WriteFile(menu + L"\\Tools\\Deep Tool.txt", "x");
    Start();
    HWND find = OpenByHotkey();
    ASSERT_NE(find, nullptr);
    TypeText(L"probe");
    Type({ VK_RETURN });
    EXPECT_EQ(ProbeLines(1).size(), 2u);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(find); })) << "Find stayed open after Enter";
    ::Sleep(1000);
    EXPECT_EQ(ProbeLines(1).size(), 2u) << "started more than once";

    ASSERT_EQ(OpenByHotkey(), find);
    TypeText(L"deep");
    PressChord({ VK_SHIFT }, VK_RETURN);
    HWND folderWindow = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (folderWindow = FolderWindowOf(menu + L"\\Tools")) != nullptr; }, 15000))
        << "Shift+Enter showed no folder";
    // Gone before the keys go on: a folder window still settling takes the
    // foreground, and the keys typed next with it.
    if (folderWindow) {
        ::PostMessageW(folderWindow, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(folderWindow); }, 15000));
    }

    ASSERT_EQ(OpenByHotkey(), find);
    TypeText(L"pro");
    Type({ VK_ESCAPE });
    EXPECT_TRUE(WaitFor([&] { return Typed(find).empty(); })) << "Escape did not clear the text";
    EXPECT_TRUE(::IsWindowVisible(find));
    Type({ VK_ESCAPE });
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(find); })) << "the second Escape did not close";
    EXPECT_EQ(Exit(), 0u);
}

// Find searches the folder model, which lists the tree afresh as it opens.
TEST_F(FindTest, AFileAddedWhileClosedIsFoundNextTime)
{
    WriteFile(menu + L"\\Apple.txt", "x");
    Start();
    HWND find = OpenByHotkey();
    ASSERT_NE(find, nullptr);
    TypeText(L"zebra");
    EXPECT_EQ(Selected(find), L"");
    Type({ VK_ESCAPE, VK_ESCAPE });
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(find); }));
    WriteFile(menu + L"\\Zebra crossing.txt", "x");
    ASSERT_EQ(OpenByHotkey(), find);
    TypeText(L"zebra");
    EXPECT_TRUE(WaitFor([&] { return Selected(find) == L"Zebra crossing"; }, 3000)) << Selected(find);
    EXPECT_EQ(Exit(), 0u);
}

// 100,000 entries in 2,000 folders, made while the program runs: Find
// opens at once, and the typed letters find the one entry that has them as
// soon as the listing Find asked for has come (how fast is the bench's
// business).
TEST_F(FindTest, AHundredThousandEntriesOpenAndAnswerTyping)
{
    Start();
    for (int folderIndex = 0; folderIndex < 2000; ++folderIndex) {
        const std::wstring sub = menu + L"\\folder " + std::to_wstring(folderIndex);
        ::CreateDirectoryW(sub.c_str(), nullptr);
        for (int file = 0; file < 50; ++file) {
            const std::wstring path = sub + L"\\entry " + std::to_wstring(folderIndex * 50 + file) + L".txt";
            UniqueFile made(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        }
    }
    WriteFile(menu + L"\\folder 1234\\Quokka.txt", "x");
    HWND find = OpenByHotkey();
    ASSERT_NE(find, nullptr) << "the Find hotkey opened no window";
    TypeText(L"quokka");
    EXPECT_TRUE(WaitFor([&] { return Selected(find) == L"Quokka, in folder 1234"; }, 60000)) << Selected(find);
    EXPECT_TRUE(WaitFor([&] {
        wchar_t count[64] = {};
        ::GetDlgItemTextW(find, 1102, count, 64);
        return std::wstring(count) == L"1 found";
    }));
    EXPECT_EQ(Exit(), 0u);
}

}  // namespace
