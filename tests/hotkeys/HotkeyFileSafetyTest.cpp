// Nothing the user wrote in the hotkey file is destroyed: a folder, a link
// or a file another program holds where the file belongs is never written
// over; two damaged files in a row each keep a copy of their own; hand
// edits made since the file was read are kept; a damaged UTF-8 file or one
// cut off in a group is neither misread nor lost; a clear that cannot
// delete the file says so.
#include "framework/CWnd.h"
#include "hotkeys/HotkeyFile.h"
#include "hotkeys/HotkeyStore.h"
#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "hotkeys/HotkeysDlg.h"
#include "support/RequireSlowVolume.h"
#include "support/TestSupport.h"
#include "../res/resource.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace test;

std::wstring Numbered(int number)
{
    return number == 1 ? HotkeyFile() + L".bak" : HotkeyFile() + L"." + std::to_wstring(number) + L".bak";
}

// Opens the Hotkeys dialog on the loaded table, optionally clears every
// row and the menu hotkey, and presses OK; the message OK raised, or "".
// The dialog's title, where asked for.
std::wstring Ok(bool clearAll = false, std::wstring* title = nullptr)
{
    CHotkeysDlg dialog;
    std::wstring message;
    DriveModal<CHotkeysDlg>(dialog, [&](CHotkeysDlg& d) {
        if (title) *title = static_cast<LPCWSTR>(WindowText(d.m_hWnd));
        if (clearAll) {
            d.GetList().DeleteAll(nullptr, 0);
            d.SendMessage(WM_COMMAND, IDC_HOTKEYS_MENU_DELETE);
        }
        message = PressOk(d);
    });
    return message;
}

class HotkeyFileSafety : public HotkeyTableTest {
protected:
    void SetUp() override
    {
        HotkeyTableTest::SetUp();
        Clean();
    }
    void TearDown() override
    {
        Clean();
        HotkeyTableTest::TearDown();
    }
    static void Clean()
    {
        RemoveTree(HotkeyFile());
        for (int number = 1; number <= 5; ++number) ::DeleteFileW(Numbered(number).c_str());
    }
    const std::wstring notes = Group(1769588, L"C:\\Tools\\notes.txt");
};

// A folder, or a link to one elsewhere, where the file belongs: read as
// nothing, never deleted nor replaced, and OK says what is in the way.
TEST_F(HotkeyFileSafety, AFolderOrALinkToOneInTheFilesPlaceSurvivesOk)
{
    ::CreateDirectoryW(HotkeyFile().c_str(), nullptr);
    WriteFile(HotkeyFile() + L"\\inside.txt", "mine");
    LoadHotkeys(nullptr, FALSE);
    EXPECT_FALSE(TheHotkeyFile().read);
    std::wstring message = Ok(true);
    EXPECT_NE(message.find(L"a folder"), std::wstring::npos) << message.c_str();
    EXPECT_EQ(ReadFile(HotkeyFile() + L"\\inside.txt"), "mine");

    REQUIRE_SLOW_VOLUME();
    SlowVolume volume;
    RemoveTree(HotkeyFile());
    const std::wstring elsewhere = ExecutableFolder() + L"\\elsewhere";
    RemoveTree(elsewhere);
    ::CreateDirectoryW(elsewhere.c_str(), nullptr);
    WriteFile(elsewhere + L"\\kept.txt", "kept");
    ASSERT_TRUE(volume.MakeLink(elsewhere, HotkeyFile()));
    LoadHotkeys(nullptr, FALSE);
    message = Ok(true);
    EXPECT_NE(message.find(L"link to a folder"), std::wstring::npos) << message.c_str();
    EXPECT_EQ(ReadFile(elsewhere + L"\\kept.txt"), "kept") << "the link's folder elsewhere was touched";
    RemoveTree(elsewhere);
}

// A link to a regular file: the file it leads to is written.
TEST_F(HotkeyFileSafety, ALinkToAFileWritesTheFileItLeadsTo)
{
    REQUIRE_SLOW_VOLUME();
    SlowVolume volume;
    const std::wstring real = ExecutableFolder() + L"\\real.key";
    WriteFile(real, Utf16(notes));
    ASSERT_TRUE(volume.MakeLink(real, HotkeyFile()));
    LoadHotkeys(nullptr, FALSE);
    ASSERT_EQ(theRecordList.GetCount(), 1u);
    CHotkeysDlg dialog;
    DriveModal<CHotkeysDlg>(dialog, [](CHotkeysDlg& d) {
        d.SendMessage(WM_COMMAND, IDC_HOTKEYS_MENU_DELETE);  // nothing to change: save anyway
        d.GetList().SetCellText(0, 1, L"C:\\Tools\\other.txt");
        PressOk(d);
    });
    EXPECT_EQ(ReadFile(real), Utf16(Group(1769588, L"C:\\Tools\\other.txt")));
    EXPECT_EQ(ReadFile(HotkeyFile()), ReadFile(real)) << "the link was replaced by a copy";
    ::DeleteFileW(real.c_str());
}

// Held by another program at start-up past the wait: nothing is loaded,
// and OK leaves the file as it was, saying so.
TEST_F(HotkeyFileSafety, AFileHeldAtStartIsNeverWrittenOver)
{
    WriteFile(HotkeyFile(), Utf16(notes));
    {
        UniqueFile lock(::CreateFileW(HotkeyFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        TheHotkeyFile() = ReadHotkeysFromDisk(HotkeyFile(), 300);
    }
    EXPECT_FALSE(TheHotkeyFile().read);
    EXPECT_NE(HotkeyFileNotReadText(TheHotkeyFile()).find(L"held by another program"), std::wstring::npos);
    std::wstring message = Ok(true);
    EXPECT_NE(message.find(L"could not be read when Quillop started"), std::wstring::npos) << message.c_str();
    EXPECT_EQ(ReadFile(HotkeyFile()), Utf16(notes));
}

// Released within the wait: read as usual.
TEST_F(HotkeyFileSafety, AFileHeldForAMomentIsReadOnceFree)
{
    WriteFile(HotkeyFile(), Utf16(notes));
    HANDLE lock = ::CreateFileW(HotkeyFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    std::thread release([lock] {
        ::Sleep(500);
        ::CloseHandle(lock);
    });
    HotkeyFileRead read = ReadHotkeysFromDisk(HotkeyFile(), 5000);
    release.join();
    EXPECT_TRUE(read.read);
    EXPECT_EQ(read.content.hotkeys.size(), 1u);
}

// Two damaged files in a row: each original kept under a name of its own;
// the same one again is not kept twice.
TEST_F(HotkeyFileSafety, BackupsNeverOverwriteEachOther)
{
    const std::string first = Utf16(notes + L"a stray line\r\n"), second = Utf16(notes) + "\x01";
    for (const std::string& damaged : { first, second, first }) {
        LoadHotkeyFile(damaged);
        EXPECT_NE(Ok().find(L".bak"), std::wstring::npos);
    }
    EXPECT_EQ(ReadFile(Numbered(1)), first);
    EXPECT_EQ(ReadFile(Numbered(2)), second);
    EXPECT_FALSE(Exists(Numbered(3))) << "the first file was kept twice";
}

// A group added by hand after the file was read survives OK in a copy.
TEST_F(HotkeyFileSafety, HandEditsMadeSinceTheFileWasReadAreKept)
{
    LoadHotkeyFile(Utf16(notes));
    const std::string edited = Utf16(notes + Group(2293872, L"C:\\Tools\\by hand.txt"));
    WriteFile(HotkeyFile(), edited);
    std::wstring message = Ok();
    EXPECT_NE(message.find(L"was changed since Quillop read it"), std::wstring::npos) << message.c_str();
    EXPECT_EQ(ReadFile(Numbered(1)), edited);
}

std::string Utf8Text(const std::wstring& text)
{
    std::string bytes;
    for (wchar_t c : text) {
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else {
            bytes += static_cast<char>(0xC0 | (c >> 6));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

// UTF-8 with one stray byte in another group is still read as UTF-8, and
// kept before it is written anew; so is a file cut off in a command.
TEST_F(HotkeyFileSafety, ADamagedOrCutOffFileIsNeitherMisreadNorLost)
{
    const std::string damaged = Utf8Text(Group(1769588, L"C:\\B\x00FCro\\tool.exe")) + "2293872\r\nC:\\x\xFFy.exe\r\n\r\n";
    LoadHotkeyFile(damaged);
    ASSERT_GE(theRecordList.GetCount(), 1u);
    EXPECT_STREQ(GetHotkeyCommand(GetHotkeyRecord(1)), L"C:\\B\x00FCro\\tool.exe");
    EXPECT_NE(Ok().find(L"could not be read"), std::wstring::npos);
    EXPECT_EQ(ReadFile(Numbered(1)), damaged);

    Clean();
    ReleaseHotkeys();
    const std::wstring whole = Group(1769588, L"C:\\A-first.exe");
    const std::string cut = Utf16(whole + L"1769589\r\nC:\\A-second.ex");
    LoadHotkeyFile(cut);
    ASSERT_EQ(theRecordList.GetCount(), 2u);
    EXPECT_NE(Ok().find(L"cut short"), std::wstring::npos);
    EXPECT_EQ(ReadFile(Numbered(1)), cut);
}

// A save writes through a temporary file of a name of its own: a file of
// the user's named as a temporary file might be ("Quillop.key.new"), or a
// hard link of that name to another file, is never written through.
TEST_F(HotkeyFileSafety, AFileNamedLikeTheTemporaryOneIsNeverWrittenThrough)
{
    const std::wstring other = ExecutableFolder() + L"\\someone else's.txt", named = HotkeyFile() + L".new";
    ScratchFiles scratch({ other, named });
    WriteFile(other, "someone else's");
    ASSERT_TRUE(::CreateHardLinkW(named.c_str(), other.c_str(), nullptr));
    LoadHotkeyFile(Utf16(notes));
    EXPECT_EQ(Ok(), L"");
    EXPECT_EQ(ReadFile(other), "someone else's") << "written through the hard link";
    EXPECT_EQ(ReadFile(named), "someone else's");
    EXPECT_EQ(ReadFile(HotkeyFile()), Utf16(notes));

    ::DeleteFileW(named.c_str());
    WriteFile(named, "my own notes");
    EXPECT_EQ(Ok(), L"");
    EXPECT_EQ(ReadFile(named), "my own notes");
    EXPECT_EQ(ReadFile(HotkeyFile()), Utf16(notes));
}

// A NUL inside a command: the group is not read as the shorter path before
// it ("C:\pro"), and the file counts as not whole: OK keeps it first.
TEST_F(HotkeyFileSafety, ANulInACommandIsNeitherCutShortNorLost)
{
    const std::string file =
        Utf16(std::wstring(L"1769589\r\nC:\\pro") + L'\0' + L"gram.exe\r\n\r\n" + notes);
    LoadHotkeyFile(file);
    ASSERT_EQ(theRecordList.GetCount(), 1u) << "the damaged command was read as a path";
    EXPECT_STREQ(GetHotkeyCommand(GetHotkeyRecord(1)), L"C:\\Tools\\notes.txt");
    std::wstring title;
    const std::wstring message = Ok(false, &title);
    EXPECT_EQ(title, L"Hotkeys - part of hotkeys_tests.key could not be read: OK keeps a copy of it");
    EXPECT_NE(message.find(L"could not be read"), std::wstring::npos) << message.c_str();
    EXPECT_EQ(ReadFile(Numbered(1)), file);
    EXPECT_EQ(ReadFile(HotkeyFile()), Utf16(notes));
}

// A last group without its line end, as many editors save, loads; the file
// still counts as not whole (it may have been cut short): OK keeps it first.
TEST_F(HotkeyFileSafety, ALastGroupWithoutItsLineEndLoadsAndIsKept)
{
    const std::string file = Utf16(notes + L"2293872\r\nQuillop");
    LoadHotkeyFile(file);
    ASSERT_EQ(theRecordList.GetCount(), 2u);
    EXPECT_STREQ(GetHotkeyCommand(GetHotkeyRecord(2)), L"Quillop");
    std::wstring title;
    const std::wstring message = Ok(false, &title);
    EXPECT_EQ(title, L"Hotkeys - hotkeys_tests.key may be cut short: OK keeps a copy of it");
    EXPECT_NE(message.find(L"cut short"), std::wstring::npos) << message.c_str();
    EXPECT_EQ(ReadFile(Numbered(1)), file);
    EXPECT_EQ(ReadFile(HotkeyFile()), Utf16(notes + Group(2293872, L"Quillop")));
}

// Clearing every hotkey when the file cannot be deleted reports failure.
TEST_F(HotkeyFileSafety, AClearThatCannotDeleteTheFileSaysSo)
{
    LoadHotkeyFile(Utf16(notes));
    UniqueFile holder(::CreateFileW(HotkeyFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    std::wstring message = Ok(true);
    EXPECT_NE(message.find(L"Falied to save keys."), std::wstring::npos) << message.c_str();
    holder.Reset();
    EXPECT_EQ(ReadFile(HotkeyFile()), Utf16(notes));
}

}  // namespace
