// Hotkeys are never lost: not by an OK that changes nothing, a file in
// another encoding or one the reader did not wholly understand, a key
// another program holds, or a hotkey file another program has locked.
#include "framework/ExecutablePath.h"
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "hotkeys/HotkeysDlg.h"
#include "support/TestSupport.h"
#include "../res/resource.h"

#include <gtest/gtest.h>

namespace {

using namespace test;

std::string Utf8(const std::wstring& text)
{
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                     nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
    return bytes;
}

std::wstring Backup() { return HotkeyFile() + L".bak"; }

// Opens the Hotkeys dialog on the loaded table and presses OK without
// changing anything; the message OK raised, or "".
std::wstring UnchangedOk(INT_PTR* result = nullptr)
{
    CHotkeysDlg dialog;
    std::wstring message;
    INT_PTR closed = DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        message = PressOk(d);
    });
    if (result) *result = closed;
    return message;
}

class HotkeysKept : public HotkeyTableTest {
protected:
    void SetUp() override
    {
        HotkeyTableTest::SetUp();
        ::DeleteFileW(Backup().c_str());
    }
    void TearDown() override
    {
        ::DeleteFileW(Backup().c_str());
        HotkeyTableTest::TearDown();
    }
};

// Keys with no name in the key table (F13, the numeric pad's 0, Left) show
// a readable one, and an unchanged OK keeps them and their registrations.
TEST_F(HotkeysKept, AnUnchangedOkKeepsKeysWithoutANameInTheTable)
{
    const unsigned f13 = 0x3007C, num0 = 0x30060, left = 0x30025;
    const std::string file = Utf16(Group(f13, L"C:\\f13.txt") + Group(num0, L"C:\\num0.txt") + Group(left, L"C:\\left.txt"));
    LoadHotkeyFile(file);
    EXPECT_EQ(FormatHotkeyText(HotkeyFlags(f13), HotkeyKey(f13)), L"F13");
    EXPECT_EQ(FormatHotkeyText(HotkeyFlags(num0), HotkeyKey(num0)), L"Num 0");
    EXPECT_EQ(FormatHotkeyText(HotkeyFlags(left), HotkeyKey(left)), L"Left");
    EXPECT_EQ(FormatHotkeyText(0x09, 0xFF), L"Ctrl+Key 0xFF");
    INT_PTR result = 0;
    EXPECT_EQ(UnchangedOk(&result), L"");
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(ReadFile(HotkeyFile()) == file) << "the file changed";
    EXPECT_EQ(theRecordList.GetCount(), 3u);
    EXPECT_FALSE(HotkeyIsFree(0, VK_F13));
    EXPECT_FALSE(HotkeyIsFree(0, VK_NUMPAD0));
    EXPECT_FALSE(HotkeyIsFree(0, VK_LEFT));
}

// UTF-8, with or without a byte-order mark, is read as UTF-8 and written
// back as the file's own UTF-16; bytes that are not UTF-8 are still ANSI.
TEST_F(HotkeysKept, Utf8FilesRoundTrip)
{
    const std::wstring groups = Group(1769588, L"C:\\B\x00FCro\\notes.txt") + Group(2293872, L"Quillop");
    for (const std::string& file : { "\xEF\xBB\xBF" + Utf8(groups), Utf8(groups) }) {
        LoadHotkeyFile(file);
        ASSERT_EQ(theRecordList.GetCount(), 2u);
        EXPECT_STREQ(GetHotkeyCommand(GetHotkeyRecord(1)), L"C:\\B\x00FCro\\notes.txt");
        EXPECT_EQ(UnchangedOk(), L"");
        EXPECT_EQ(ReadFile(HotkeyFile()), Utf16(groups));
        EXPECT_FALSE(Exists(Backup()));
    }
    LoadHotkeyFile("1769588\r\nC:\\B\xFCro\\notes.txt\r\n\r\n");  // ANSI (Windows-1252)
    EXPECT_STREQ(GetHotkeyCommand(GetHotkeyRecord(1)), L"C:\\B\x00FCro\\notes.txt");
}

// A file the reader stopped in, or could not decode, is kept whole as
// Quillop.key.bak before OK replaces it, and a message says so once.
TEST_F(HotkeysKept, AFileNotWhollyUnderstoodIsKeptBeforeOkReplacesIt)
{
    const std::wstring notes = Group(1769588, L"C:\\Tools\\notes.txt");
    const std::string damaged[] = {
        Utf16(notes + L"a stray line\r\n" + Group(2293872, L"Quillop")),  // reading stops at the stray line
        Utf16(notes + Group(5, std::wstring(5000, L'c'))),                  // a command too long to hold
        Utf16(notes + Group(0, L"C:\\zero.txt")),                           // no code
        Utf16(notes) + "\x01",                                              // half a character
        "\x0F\x9A\x33\xC4\xFF\x10\x80\x81\xE3\x00\x7F\xFE",                 // random bytes
        "\xFF",                                                             // a lone byte
        "99999999999\r\nC:\\big.txt\r\n\r\n",                               // a code too big for 32 bits
    };
    for (const std::string& file : damaged) {
        ::DeleteFileW(Backup().c_str());
        LoadHotkeyFile(file);
        std::wstring message = UnchangedOk();
        const std::wstring backupName = ::PathFindFileNameW(Backup().c_str());  // the program's name.key.bak
        EXPECT_NE(message.find(backupName), std::wstring::npos) << "the message does not name the copy";
        EXPECT_TRUE(ReadFile(Backup()) == file) << "the copy differs from the file as it was";
    }
    // A code too big for 32 bits is no code: it is not read as another key.
    LoadHotkeyFile("99999999999\r\nC:\\big.txt\r\n\r\n");
    EXPECT_EQ(theRecordList.GetCount(), 0u);
    // A whole file is replaced without a copy or a message.
    ::DeleteFileW(Backup().c_str());
    LoadHotkeyFile(Utf16(notes));
    EXPECT_EQ(UnchangedOk(), L"");
    EXPECT_FALSE(Exists(Backup()));
}

// OK registers all of the new set or none of it: with one key held
// elsewhere, every earlier hotkey stays registered, after the message and
// after Cancel, and the file is left as it was.
TEST_F(HotkeysKept, AConflictOnOkKeepsEveryEarlierHotkey)
{
    HeldElsewhere holder;
    ASSERT_TRUE(holder.held);
    const std::string file = Utf16(Group(0x1B0076, L"C:\\seven.txt") + Group(0x1B0078, L"C:\\nine.txt") +
                                   Group(0x230070, L"Quillop"));
    LoadHotkeyFile(file);
    std::wstring message;
    bool keptDuringMessage = false;
    CHotkeysDlg dialog;
    INT_PTR result = DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        // Two new rows: one free key, and the key held elsewhere.
        for (LPCWSTR key : { kKeyF5, kKeyF8 }) {
            RunFromMessageLoop(300, [key] {
                HWND edit = FindProcessDialogWith(::GetCurrentProcessId(), IDC_HOTKEY_KEY);
                ChooseHotkey(edit, key, true, true, false, false, L"C:\\new.txt");
                ::SendMessageW(edit, WM_COMMAND, IDOK, 0);
            });
            d.SendMessage(WM_COMMAND, IDC_HOTKEYS_ADD);
        }
        ASSERT_EQ(d.GetList().GetItemCount(), 4);
        // Looked at from another thread while the message shows: a key is
        // free only when no thread holds it.
        MessageBoxAnswer answer(L"hotkeys_tests", IDOK, [&] {
            keptDuringMessage = !HotkeyIsFree(MOD_ALT | MOD_CONTROL, VK_F7) &&
                                !HotkeyIsFree(MOD_ALT | MOD_CONTROL, VK_F9) && !HotkeyIsFree(MOD_WIN, VK_F1) &&
                                HotkeyIsFree(MOD_ALT | MOD_CONTROL, VK_F5);
        });
        d.SendMessage(WM_COMMAND, IDOK);
        message = answer.Text(1500);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(message, L"Hotkey may be conflicted. Please use another key.");
    EXPECT_TRUE(keptDuringMessage);
    EXPECT_FALSE(HotkeyIsFree(MOD_ALT | MOD_CONTROL, VK_F7));
    EXPECT_FALSE(HotkeyIsFree(MOD_ALT | MOD_CONTROL, VK_F9));
    EXPECT_FALSE(HotkeyIsFree(MOD_WIN, VK_F1));
    EXPECT_TRUE(HotkeyIsFree(MOD_ALT | MOD_CONTROL, VK_F5));  // the new one, undone
    EXPECT_EQ(ReadFile(HotkeyFile()), file);
    EXPECT_EQ(theRecordList.GetCount(), 3u);
}

// Several keys held: one message names the first, with the Part's text, and
// lists the others.
TEST_F(HotkeysKept, EveryConflictIsReportedInOneMessage)
{
    HeldElsewhere holder;
    ASSERT_TRUE(holder.held);
    ::RegisterHotKey(nullptr, 98, MOD_ALT | MOD_CONTROL, VK_F9);  // held by this thread, outside the table
    LoadHotkeyFile(Utf16(Group(0x1B0076, L"C:\\seven.txt") + Group(0x1B0077, L"C:\\eight.txt") +
                         Group(0x1B0078, L"C:\\nine.txt")));
    std::wstring message = UnchangedOk();
    ::UnregisterHotKey(nullptr, 98);
    EXPECT_EQ(message.rfind(L"Hotkey may be conflicted. Please use another key.", 0), 0u);
    EXPECT_NE(message.find(L"Alt+Ctrl+F9"), std::wstring::npos);
}

// A hotkey file that another program holds open without sharing: the save
// fails, and every hotkey stays registered from memory.
TEST_F(HotkeysKept, ALockedFileKeepsTheHotkeysRegistered)
{
    const std::string file = Utf16(Group(1769588, L"C:\\Tools\\notes.txt") + Group(2293872, L"Quillop"));
    LoadHotkeyFile(file);
    UniqueFile lock(::CreateFileW(HotkeyFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    INT_PTR result = 0;
    EXPECT_EQ(UnchangedOk(&result).rfind(L"Falied to save keys.", 0), 0u);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(HotkeyIsFree(MOD_ALT | MOD_CONTROL, VK_F5));
    EXPECT_FALSE(HotkeyIsFree(MOD_WIN, VK_F1));
    lock.Reset();
    EXPECT_EQ(ReadFile(HotkeyFile()), file);
}

}  // namespace
