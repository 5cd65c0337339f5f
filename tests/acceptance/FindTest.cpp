// Find on the real program: its hotkey opens it, what is typed selects the
// best match, Enter opens it once, Shift+Enter shows its folder, Escape
// clears and then closes, a file added while it was closed is found next
// time, and with 100,000 entries it opens and answers typing; Enter after
// a burst of typing opens the whole text's first result; what is opened
// is counted in the usage file and listed when nothing is typed; the
// window behaves as a Windows one.
#include "acceptance/AcceptanceFixture.h"
#include "framework/CWnd.h"
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
        WaitFor([&] { return (find = FindProcessWindow(started.dwProcessId, L"#32770", L"Find - Quillop")) != nullptr; },
                15000);
        return find;
    }
    // Types the text into Find's field, as the keyboard does, and waits
    // until the field shows it.
    static void TypeText(HWND find, const std::wstring& text)
    {
        for (wchar_t c : text) {
            const WORD key = c == L' ' ? VK_SPACE : static_cast<WORD>(::towupper(c));
            Type({ key });
        }
        WaitFor([&] {
            const std::wstring typed = Typed(find);
            return typed.size() >= text.size() &&
                   lstrcmpiW(typed.c_str() + typed.size() - text.size(), text.c_str()) == 0;
        });
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
    // The rows' texts, top down.
    static std::vector<std::wstring> Rows(HWND find)
    {
        std::vector<std::wstring> rows;
        const LRESULT count = ::SendDlgItemMessageW(find, kFindList, LB_GETCOUNT, 0, 0);
        for (LRESULT row = 0; row < count; ++row) {
            wchar_t text[512] = {};
            if (::SendDlgItemMessageW(find, kFindList, LB_GETTEXTLEN, row, 0) < 512)
                ::SendDlgItemMessageW(find, kFindList, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text));
            rows.push_back(text);
        }
        return rows;
    }
    static std::wstring CountLine(HWND find)
    {
        wchar_t count[256] = {};
        ::GetDlgItemTextW(find, 1102, count, 256);
        return count;
    }
    // The text typed in one burst, every key in one input, Enter after it.
    static void TypeBurstAndEnter(const std::wstring& text)
    {
        std::vector<INPUT> inputs;
        auto press = [&inputs](WORD key) {
            INPUT input = {};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = key;
            inputs.push_back(input);
            input.ki.dwFlags = KEYEVENTF_KEYUP;
            inputs.push_back(input);
        };
        for (wchar_t c : text) press(c == L' ' ? VK_SPACE : static_cast<WORD>(::towupper(c)));
        press(VK_RETURN);
        ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    }
    // The window with the keyboard focus in the thread of the window.
    static HWND FocusOf(HWND window)
    {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
        return info.hwndFocus;
    }
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
        { L"pad", L"Pad" },                           // the exact name before the name's start and substrings
        { L"note", L"Notepad++ Config" },             // the name's start before a substring
        { L"eyno", L"Keynote" },                      // a substring
        { L"npc", L"Notepad++ Config" },              // letters in order
        { L"deep", L"Deep Tool, in Tools" },          // with its folder, for screen readers
    };
    for (const Case& c : cases) {
        Clear(find);
        TypeText(find, c.typed);
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
    TypeText(find, L"probe");
    Type({ VK_RETURN });
    EXPECT_EQ(ProbeLines(1).size(), 2u);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(find); })) << "Find stayed open after Enter";
    ::Sleep(1000);
    EXPECT_EQ(ProbeLines(1).size(), 2u) << "started more than once";

    ASSERT_EQ(OpenByHotkey(), find);
    TypeText(find, L"deep");
    PressChord({ VK_SHIFT }, VK_RETURN);
    HWND folderWindow = WaitForFolderWindow(menu + L"\\Tools");
    EXPECT_NE(folderWindow, nullptr) << "Shift+Enter showed no folder";
    // Gone before the keys go on: a folder window still settling takes the
    // foreground, and the keys typed next with it.
    if (folderWindow) {
        ::PostMessageW(folderWindow, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(folderWindow); }, 15000));
    }

    ASSERT_EQ(OpenByHotkey(), find);
    TypeText(find, L"pro");
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
    TypeText(find, L"zebra");
    EXPECT_EQ(Selected(find), L"");
    Type({ VK_ESCAPE, VK_ESCAPE });
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(find); }));
    WriteFile(menu + L"\\Zebra crossing.txt", "x");
    ASSERT_EQ(OpenByHotkey(), find);
    TypeText(find, L"zebra");
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
    TypeText(find, L"quokka");
    EXPECT_TRUE(WaitFor([&] { return Selected(find) == L"Quokka, in folder 1234"; }, 60000)) << Selected(find);
    EXPECT_TRUE(WaitFor([&] {
        wchar_t count[64] = {};
        ::GetDlgItemTextW(find, 1102, count, 64);
        return std::wstring(count) == L"1 found";
    }));
    EXPECT_EQ(Exit(), 0u);
}

// 3,000 documents, and two programs whose names share a start: each query
// typed in one burst with Enter right after starts the program the whole
// text finds first, 20 times of 20.
TEST_F(FindTest, EnterAfterABurstOpensTheFirstResultOfTheWholeText)
{
    for (int client = 0; client < 30; ++client) {
        const std::wstring sub = menu + L"\\Work\\Client " + std::to_wstring(client);
        ::CreateDirectoryW((menu + L"\\Work").c_str(), nullptr);
        ::CreateDirectoryW(sub.c_str(), nullptr);
        for (int file = 0; file < 100; ++file) WriteFile(sub + L"\\Report " + std::to_wstring(file) + L".txt", "x");
    }
    ::CreateDirectoryW((menu + L"\\Tools").c_str(), nullptr);
    for (const wchar_t* name : { L"alpha probe.exe", L"alphabet probe.exe" })
        ASSERT_TRUE(::CopyFileW(probe.c_str(), (menu + L"\\Tools\\" + name).c_str(), FALSE));
    Start();
    for (size_t run = 1; run <= 20; ++run) {
        HWND find = OpenByHotkey();
        ASSERT_NE(find, nullptr);
        ASSERT_TRUE(WaitFor([&] { return Typed(find).empty(); }));
        const std::wstring query = run % 2 ? L"alpha probe" : L"alphabet probe";
        TypeBurstAndEnter(query);
        const auto lines = ProbeLines(run);
        ASSERT_EQ(lines.size(), 2 * run) << query;
        EXPECT_EQ(lines.back(), menu + L"\\Tools\\" + query + L".exe") << "run " << run;
        ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(find); }));
    }
    EXPECT_EQ(Exit(), 0u);
}

// What is opened from the menu or Find is counted in the usage file beside
// the hotkey file; an empty Find lists it, the newest first; Shift+Delete
// forgets a row; the file is saved at Exit.
TEST_F(FindTest, WhatIsOpenedIsListedWhenNothingIsTypedAndShiftDeleteForgetsIt)
{
    ::CreateDirectoryW((menu + L"\\Tools").c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (menu + L"\\Tools\\alpha probe.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (menu + L"\\menu probe.exe").c_str(), FALSE));
    const std::wstring usageFile = folder + L"\\Quillop.use";
    Start();
    ChooseEntry({ VK_DOWN, VK_DOWN, VK_DOWN });  // <<Add New Item>>, Tools, menu probe
    ASSERT_EQ(ProbeLines(1).size(), 2u);
    HWND find = OpenByHotkey();
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(Rows(find), std::vector<std::wstring>{ L"menu probe" });
    TypeText(find, L"alpha");
    Type({ VK_RETURN });
    ASSERT_EQ(ProbeLines(2).size(), 4u);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(find); }));
    ASSERT_EQ(OpenByHotkey(), find);
    EXPECT_TRUE(WaitFor([&] {
        return Rows(find) == std::vector<std::wstring>{ L"alpha probe, in Tools", L"menu probe" };
    })) << Rows(find).size();
    EXPECT_EQ(CountLine(find), L"");
    PressChord({ VK_SHIFT }, VK_DELETE);
    EXPECT_TRUE(WaitFor([&] { return Rows(find) == std::vector<std::wstring>{ L"menu probe" }; }));
    Type({ VK_ESCAPE });
    EXPECT_EQ(Exit(), 0u);
    const std::string saved = ReadFile(usageFile);
    EXPECT_NE(saved.find(" menu probe.exe\r\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("alpha"), std::string::npos) << saved;
}

// A letter no entry of the open menu starts with: the menu closes and asks
// the program for Find, which opens with the letter typed, in front,
// inside the work area.
TEST_F(FindTest, ALetterNoMenuEntryStartsWithOpensFindWithIt)
{
    WriteFile(menu + L"\\Apple.txt", "x");
    WriteFile(menu + L"\\Zebra crossing.txt", "x");
    Start();
    ASSERT_NE(PressIcon(), nullptr);
    Type({ 'E' });
    ASSERT_TRUE(MenuClosed());
    HWND find = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (find = FindProcessWindow(started.dwProcessId, L"#32770", L"Find - Quillop")); }));
    EXPECT_EQ(Typed(find), L"e");
    EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == find; }));
    RECT window;
    ::GetWindowRect(find, &window);
    const RECT work = WorkAreaAt({ (window.left + window.right) / 2, (window.top + window.bottom) / 2 });
    EXPECT_TRUE(window.left >= work.left && window.top >= work.top && window.right <= work.right &&
                window.bottom <= work.bottom);
    TypeText(find, L"bra");
    EXPECT_TRUE(WaitFor([&] { return Selected(find) == L"Zebra crossing"; })) << Selected(find);
    EXPECT_EQ(Exit(), 0u);
}

// Its place at the top centre of the screen, in front; the hint,
// the keys of a Windows field (Tab, Ctrl+Backspace, Alt+digit), the count
// line, resizing, and closing when another program takes the focus.
TEST_F(FindTest, BehavesAsAWindowsWindow)
{
    ::CreateDirectoryW((menu + L"\\Tools").c_str(), nullptr);
    for (const wchar_t* name : { L"gamma one.exe", L"gamma two.exe", L"Tools\\gamma probe.exe" })
        ASSERT_TRUE(::CopyFileW(probe.c_str(), (menu + L"\\" + name).c_str(), FALSE));
    Start();
    ::SetCursorPos(100, 100);
    HWND find = OpenByHotkey();
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == find; })) << "Find is not in front";
    RECT window, work;
    ::GetWindowRect(find, &window);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(std::abs((window.left + window.right) / 2 - (work.left + work.right) / 2), 2) << "not centred";
    EXPECT_GE(window.top, work.top);
    EXPECT_LT(window.top, work.top + (work.bottom - work.top) / 4) << "not at the top";
    // The empty field shows its hint.
    HWND edit = ::GetDlgItem(find, kFindText);
    EXPECT_TRUE(WaitFor([&] {
        // Inside the frame, left of the caret's column and the right end.
        const auto field = Capture(edit);
        const COLORREF background = field->At(field->width() - 4, field->height() / 2);
        int drawn = 0;
        for (int y = 4; y < field->height() - 4; ++y)
            for (int x = 8; x < field->width() - 4; ++x) drawn += field->At(x, y) != background;
        return drawn > 30;
    })) << "no hint in the empty field";

    TypeText(find, L"gamma on");
    EXPECT_TRUE(WaitFor([&] { return CountLine(find) == L"1 found"; })) << CountLine(find);
    PressChord({ VK_CONTROL }, VK_BACK);
    EXPECT_TRUE(WaitFor([&] { return Typed(find) == L"gamma "; })) << Typed(find);
    PressChord({ VK_CONTROL }, VK_BACK);
    EXPECT_TRUE(WaitFor([&] { return Typed(find).empty(); })) << Typed(find);
    TypeText(find, L"gamma");
    EXPECT_TRUE(WaitFor([&] { return CountLine(find) == L"3 found"; })) << CountLine(find);
    Type({ VK_TAB });
    EXPECT_TRUE(WaitFor([&] { return FocusOf(find) == ::GetDlgItem(find, kFindList); })) << "Tab stayed in the field";
    DWORD start = 1, end = 1;
    ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, end) << "Tab selected the text";
    TypeText(find, L"qq");  // typing goes on in the field
    EXPECT_TRUE(WaitFor([&] { return Typed(find) == L"gammaqq"; })) << Typed(find);
    EXPECT_TRUE(WaitFor([&] { return CountLine(find) == L"Nothing in the menu folder matches \u201Cgammaqq\u201D"; }))
        << CountLine(find);
    Type({ VK_BACK, VK_BACK });
    ASSERT_TRUE(WaitFor([&] { return Rows(find).size() == 3; }));

    // Resizing: the list and the count line follow the window's size.
    HWND list = ::GetDlgItem(find, kFindList);
    RECT before;
    ::GetWindowRect(list, &before);
    ::SetWindowPos(find, nullptr, 0, 0, window.right - window.left + 100, window.bottom - window.top + 80,
                   SWP_NOMOVE | SWP_NOZORDER);
    RECT after;
    EXPECT_TRUE(WaitFor([&] {
        ::GetWindowRect(list, &after);
        return after.right - after.left == before.right - before.left + 100 &&
               after.bottom - after.top == before.bottom - before.top + 80;
    })) << "the list did not follow: " << before.right - before.left << "x" << before.bottom - before.top << " to "
         << after.right - after.left << "x" << after.bottom - after.top;

    // Alt+3 opens the third row.
    const std::wstring third = Rows(find)[2];
    const size_t in = third.find(L", in ");
    const std::wstring thirdPath = in == std::wstring::npos ? menu + L"\\" + third + L".exe"
                                                            : menu + L"\\" + third.substr(in + 5) + L"\\" +
                                                                  third.substr(0, in) + L".exe";
    PressChord({ VK_MENU }, '3');
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(find); })) << "Alt+3 did not open " << third;
    const auto lines = ProbeLines(1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], thirdPath);

    // Another program takes the focus: Find closes.
    ASSERT_EQ(OpenByHotkey(), find);
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == find; }));
    HWND other = ::CreateWindowExW(0, L"Static", L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 200,
                                   100, nullptr, nullptr, nullptr, nullptr);
    ::SetForegroundWindow(other);
    EXPECT_TRUE(WaitFor([&] {
        Pump();
        return !::IsWindowVisible(find);
    })) << "Find lingered behind another program; in front: " << ::GetForegroundWindow() << ", the other: " << other;
    ::DestroyWindow(other);
    EXPECT_EQ(Exit(), 0u);
}

}  // namespace
