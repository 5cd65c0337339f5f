// The safe file store on real files: backups never replace one another,
// a save never writes over a file it could not read, a cancel before the
// file is touched leaves it alone, a file held a moment after the save is
// still known as written, and temporary files of killed saves go.
#include "shell/SafeFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace test;

class SafeFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveTree(folder);
        ::CreateDirectoryW(folder.c_str(), nullptr);
    }
    void TearDown() override
    {
        SetSafeFileStepHook(nullptr);
        RemoveTree(folder);
    }
    // The files of the folder, by name.
    std::vector<std::wstring> Names() const
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            if (found.cFileName[0] != L'.') names.push_back(found.cFileName);
        } while (::FindNextFileW(find, &found));
        ::FindClose(find);
        return names;
    }
    FileSaveResult Save(const FileReading& before, const std::string& bytes, bool keepAsRead = false)
    {
        FileSave save;
        save.bytes = bytes;
        save.keepAsRead = keepAsRead;
        return SaveFileSafely(before, save);
    }

    const std::wstring folder = ExecutableFolder() + L"\\safe file";
    const std::wstring file = folder + L"\\usage.dat";
};

// Another writer's backup that appears at the free name a moment before
// this save moves its own there is not replaced: this one takes the next
// number; the same bytes met at a name are not kept twice.
TEST_F(SafeFile, BackupsAreMovedWithoutReplacingAny)
{
    WriteFile(file, "as read");
    const FileReading before = ReadFileSafely(file, 0);
    WriteFile(file, "edited by hand");
    SetSafeFileStepHook([&](const char* step) {
        if (std::string(step) == "backup") WriteFile(BackupName(file, 1), "another writer's backup");
    });
    FileSaveResult result = Save(before, "new");
    SetSafeFileStepHook(nullptr);
    ASSERT_EQ(result.outcome, FileSaveResult::Saved);
    EXPECT_TRUE(result.changedSinceRead);
    EXPECT_EQ(result.backup, BackupName(file, 2));
    EXPECT_EQ(ReadFile(BackupName(file, 1)), "another writer's backup");
    EXPECT_EQ(ReadFile(BackupName(file, 2)), "edited by hand");
    EXPECT_EQ(ReadFile(file), "new");

    // The same bytes again: found in the backup that holds them.
    WriteFile(file, "edited by hand");
    result = Save(before, "newer");
    EXPECT_EQ(result.backup, BackupName(file, 2));
    EXPECT_FALSE(Exists(BackupName(file, 3)));
    // A folder at a backup's name is passed by.
    ::CreateDirectoryW(BackupName(file, 3).c_str(), nullptr);
    result = Save(result.now, "newest", true);
    EXPECT_EQ(result.backup, BackupName(file, 4));
    EXPECT_EQ(ReadFile(BackupName(file, 4)), "newer");
}

// A file that could not be read is never written over, nor a read-only
// one, nor a folder where the file belongs; a cancel before the file is
// touched leaves it as it was, and no temporary file behind.
TEST_F(SafeFile, NeverOverWhatItDidNotReadNorAfterACancel)
{
    WriteFile(file, "mine");
    FileReading unread;
    {
        UniqueFile held(::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        unread = ReadFileSafely(file, 100);
    }
    EXPECT_FALSE(unread.read);
    EXPECT_EQ(Save(unread, "new").outcome, FileSaveResult::NotReadBefore);
    EXPECT_EQ(ReadFile(file), "mine");

    const FileReading before = ReadFileSafely(file, 0);
    SaveCancel cancel;
    SetSafeFileStepHook([&](const char* step) {
        if (std::string(step) == "backup") {
            EXPECT_TRUE(cancel.Cancel());
        }
    });
    FileSave save;
    save.bytes = "new";
    save.keepAsRead = true;
    EXPECT_EQ(SaveFileSafely(before, save, &cancel).outcome, FileSaveResult::Cancelled);
    SetSafeFileStepHook(nullptr);
    EXPECT_EQ(ReadFile(file), "mine");
    EXPECT_FALSE(cancel.Commit());
    for (const std::wstring& name : Names()) EXPECT_EQ(name.find(L".tmp"), std::wstring::npos) << name.c_str();

    ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    const FileSaveResult readOnly = Save(ReadFileSafely(file, 0), "new");
    ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(readOnly.outcome, FileSaveResult::InTheWay);
    EXPECT_EQ(readOnly.now.spot.inTheWay, L"read-only");
    EXPECT_EQ(ReadFile(file), "mine");

    RemoveTree(file);
    ::CreateDirectoryW(file.c_str(), nullptr);
    const FileSaveResult inTheWay = Save(before, "new");
    EXPECT_EQ(inTheWay.outcome, FileSaveResult::InTheWay);
    EXPECT_EQ(inTheWay.now.spot.inTheWay, L"a folder");
}

// A scanner that opens the new file the moment it is written, and holds it
// past the read-back's patience: the save still counts, its reading is the
// bytes written, and the next save goes ahead without a backup.
TEST_F(SafeFile, ANewFileHeldAfterTheSaveIsKnownAsWritten)
{
    WriteFile(file, "first");
    FileReading before = ReadFileSafely(file, 0);
    UniqueFile scanner;
    SetSafeFileStepHook([&](const char* step) {
        if (std::string(step) == "read back")
            scanner.Reset(::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    });
    FileSave save;
    save.bytes = "second";
    FileSaveResult result = SaveFileSafely(before, save, nullptr, 200);
    SetSafeFileStepHook(nullptr);
    ASSERT_TRUE(scanner);
    EXPECT_EQ(result.outcome, FileSaveResult::Saved);
    EXPECT_FALSE(result.readBack);
    EXPECT_TRUE(result.now.read);
    EXPECT_EQ(result.now.bytes, "second");
    scanner.Reset();
    result = Save(result.now, "third");
    EXPECT_EQ(result.outcome, FileSaveResult::Saved);
    EXPECT_TRUE(result.backup.empty());
    EXPECT_EQ(ReadFile(file), "third");
}

// A file held past the wait: the save gives up after about the wait, not
// for ever, and leaves the file as it was.
TEST_F(SafeFile, AFileHeldPastTheWaitFailsWithinTheBound)
{
    WriteFile(file, "mine");
    const FileReading before = ReadFileSafely(file, 0);
    UniqueFile held(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    const DWORD start = ::GetTickCount();
    const FileSaveResult result = Save(before, "new");
    const DWORD took = ::GetTickCount() - start;
    EXPECT_EQ(result.outcome, FileSaveResult::Held);
    EXPECT_GE(took, 900u);
    EXPECT_LT(took, 3000u);
    held.Reset();
    EXPECT_EQ(ReadFile(file), "mine");
}

// A file gone between the look at its place and its opening (deleted, moved
// by a sync tool) is looked at again: it reads as none, which a save may
// make anew.
TEST_F(SafeFile, AFileGoneBetweenTheLookAndTheOpenReadsAsNone)
{
    WriteFile(file, "mine");
    SetSafeFileStepHook([&](const char* step) {
        if (std::string(step) == "open") ::DeleteFileW(file.c_str());
    });
    const FileReading reading = ReadFileSafely(file, 0);
    SetSafeFileStepHook(nullptr);
    EXPECT_TRUE(reading.read);
    EXPECT_EQ(reading.spot.kind, FileSpot::Missing);
    EXPECT_TRUE(reading.bytes.empty());
    EXPECT_EQ(Save(reading, "new").outcome, FileSaveResult::Saved);
    EXPECT_EQ(ReadFile(file), "new");
}

// Temporary files of saves that were killed go with the next save; one a
// save still writes (open to it alone) stays, as does a user's file of a
// name like theirs.
TEST_F(SafeFile, TemporaryFilesOfKilledSavesGo)
{
    WriteFile(file, "mine");
    const std::wstring killed = file + L".0badf00d.tmp", writing = file + L".12345678.tmp",
                       users = file + L".old.tmp";
    WriteFile(killed, "half");
    WriteFile(users, "the user's");
    UniqueFile open(::CreateFileW(writing.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(open);
    EXPECT_EQ(Save(ReadFileSafely(file, 0), "new").outcome, FileSaveResult::Saved);
    EXPECT_FALSE(Exists(killed));
    EXPECT_TRUE(Exists(writing));
    EXPECT_EQ(ReadFile(users), "the user's");
}

}  // namespace
