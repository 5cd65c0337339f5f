// The usage log: its file's lines read back as written, counts that halve
// every 14 days, the 64 KB bound, entries whose files are gone left out,
// the log counting, forgetting and saving on the launch lane, and the file
// whole after saves ended at any step.
#include "find/UsageLog.h"
#include "find/UsageLoopVersions.h"
#include "support/KillHarness.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace test;

constexpr int64_t kDay = 24 * 60 * 60;
constexpr int64_t kNow = 1796000000;  // a fixed moment in 2026

std::wstring MenuFolder() { return ExecutableFolder() + L"\\usage menu"; }

// A menu folder holding the files, made afresh.
void MakeMenuFolder(const std::vector<std::wstring>& files)
{
    RemoveTree(MenuFolder());
    ::CreateDirectoryW(MenuFolder().c_str(), nullptr);
    for (const std::wstring& file : files) {
        const size_t slash = file.rfind(L'\\');
        if (slash != std::wstring::npos) ::CreateDirectoryW((MenuFolder() + L"\\" + file.substr(0, slash)).c_str(), nullptr);
        WriteFile(MenuFolder() + L"\\" + file, "x");
    }
}

std::vector<std::wstring> Paths(const std::vector<UseRecord>& records)
{
    std::vector<std::wstring> paths;
    for (const UseRecord& record : records) paths.push_back(record.path);
    return paths;
}

TEST(UsageFile, LinesReadBackAsWritten)
{
    const std::vector<UseRecord> records = {
        { 7.25, kNow - 3600, L"Work\\2024\\Caf\x00E9 notes (draft).txt" },
        { 3, kNow, L"Notepad++.lnk" },
        { 0.125, kNow - 40 * kDay, L"Programs\\Vendor\\\x65E5\x672C Tool.lnk" },
    };
    const std::string bytes = UsageFileBytes(records, kNow);
    EXPECT_NE(bytes.find("\r\n3 2026-11-30T00:53:20Z Notepad++.lnk\r\n"), std::string::npos) << bytes;
    const UsageFileContent read = ReadUsageBytes(bytes);
    EXPECT_TRUE(read.whole);
    ASSERT_EQ(read.records.size(), 3u);
    for (const UseRecord& record : records) {
        const auto same = std::find_if(read.records.begin(), read.records.end(),
                                       [&](const UseRecord& r) { return r.path == record.path; });
        ASSERT_NE(same, read.records.end());
        EXPECT_DOUBLE_EQ(same->count, record.count);
        EXPECT_EQ(same->lastUse, record.lastUse);
    }
    // Written again, the same bytes.
    EXPECT_EQ(UsageFileBytes(read.records, kNow), bytes);
}

TEST(UsageFile, HandEditsAreReadAndWhatIsNotUnderstoodIsNoted)
{
    const UsageFileContent read = ReadUsageBytes("\xEF\xBB\xBF" "2 2026-01-02T03:04:05Z A b.txt\n"
                                                 "\n"
                                                 "1.5 2026-01-02T03:04:05Z C.txt");
    EXPECT_TRUE(read.whole);
    EXPECT_EQ(Paths(read.records), (std::vector<std::wstring>{ L"A b.txt", L"C.txt" }));
    for (const char* bad : { "x 2026-01-02T03:04:05Z A.txt\r\n", "2 yesterday A.txt\r\n", "2 2026-01-02T03:04:05Z\r\n",
                             "2 2026-01-02T03:04:05Z ..\\Outside.txt\r\n", "2 2026-01-02T03:04:05Z C:\\A.txt\r\n",
                             "2 2026-01-02T03:04:05Z \xFF\xFE.txt\r\n" }) {
        const UsageFileContent odd = ReadUsageBytes(std::string(bad) + "1 2026-01-02T03:04:05Z Kept.txt\r\n");
        EXPECT_FALSE(odd.whole) << bad;
        EXPECT_EQ(Paths(odd.records), std::vector<std::wstring>{ L"Kept.txt" }) << bad;
    }
}

TEST(UsageFile, ACountHalvesEveryFourteenDays)
{
    const UseRecord record = { 8, kNow, L"A.txt" };
    EXPECT_DOUBLE_EQ(ScoreAt(record, kNow), 8);
    EXPECT_DOUBLE_EQ(ScoreAt(record, kNow + 14 * kDay), 4);
    EXPECT_DOUBLE_EQ(ScoreAt(record, kNow + 28 * kDay), 2);
    EXPECT_NEAR(ScoreAt(record, kNow + 7 * kDay), 8 / std::sqrt(2.0), 1e-9);
    EXPECT_DOUBLE_EQ(ScoreAt(record, kNow - kDay), 8);  // a clock set back does not grow it
}

// Records of long paths, more than 64 KB of them: the least used go.
TEST(UsageFile, TheFileStaysWithin64KBDroppingTheLeastUsed)
{
    std::vector<UseRecord> records;
    const std::wstring longFolder(200, L'f');
    for (int i = 0; i < 1000; ++i)
        records.push_back({ static_cast<double>(1 + i % 500), kNow - (i % 7) * kDay,
                            longFolder + L"\\Entry " + std::to_wstring(i) + L".txt" });
    const std::string bytes = UsageFileBytes(records, kNow);
    EXPECT_LE(bytes.size(), kUsageFileMostBytes);
    EXPECT_GT(bytes.size(), kUsageFileMostBytes - 300);
    const std::vector<UseRecord> kept = ReadUsageBytes(bytes).records;
    ASSERT_LT(kept.size(), records.size());
    double leastKept = 1e9;
    for (const UseRecord& record : kept) leastKept = std::min(leastKept, ScoreAt(record, kNow));
    for (const UseRecord& record : records) {
        const bool isKept = std::any_of(kept.begin(), kept.end(), [&](const UseRecord& k) { return k.path == record.path; });
        if (!isKept) {
            EXPECT_LE(ScoreAt(record, kNow), leastKept) << "a more used entry was dropped";
        }
    }
}

TEST(UsageFile, EntriesWhoseFilesAreGoneDropOutAtTheSave)
{
    MakeMenuFolder({ L"Here.txt", L"Work\\Also here.txt" });
    const std::wstring path = ExecutableFolder() + L"\\gone.use";
    ScratchFiles scratch({ path, MenuFolder() });
    const std::vector<UseRecord> records = { { 2, kNow, L"Here.txt" },
                                             { 5, kNow, L"Gone.txt" },
                                             { 1, kNow, L"Work\\Also here.txt" },
                                             { 1, kNow, L"Gone folder\\Gone.txt" } };
    const UsageSaveResult saved = SaveUsageToDisk(ReadUsageFromDisk(path, 0), records, MenuFolder(), kNow);
    ASSERT_TRUE(saved.saved);
    EXPECT_EQ(saved.gone, (std::vector<std::wstring>{ L"Gone.txt", L"Gone folder\\Gone.txt" }));
    EXPECT_EQ(Paths(ReadUsageFromDisk(path, 0).content.records),
              (std::vector<std::wstring>{ L"Here.txt", L"Work\\Also here.txt" }));
}

TEST(UsageLogTest, CountsForgetsListsTheRecentAndSavesOnTheLaunchLane)
{
    MakeMenuFolder({ L"Old.txt", L"Notepad.lnk", L"Work\\Note.txt", L"Gone soon.txt" });
    const std::wstring path = ExecutableFolder() + L"\\counting.use";
    ScratchFiles scratch({ path, MenuFolder() });
    WriteFile(path, "4 2026-01-02T03:04:05Z Old.txt\r\n1 2026-01-02T03:04:05Z Gone soon.txt\r\n");
    UsageLog log(200);
    log.Start(path, MenuFolder());
    // Counted before the reading arrives: added to what the file holds.
    log.CountOpened(MenuFolder() + L"\\Notepad.lnk", kNow);
    ASSERT_TRUE(WaitFor([&] { return log.IsSettled(); }));
    log.CountOpened(MenuFolder() + L"\\Work\\Note.txt", kNow + 10);
    log.CountOpened(MenuFolder() + L"\\work\\NOTE.txt", kNow + 20);  // the same entry
    log.CountOpened(ExecutableFolder() + L"\\Outside.txt", kNow + 30);  // not in the menu folder
    EXPECT_EQ(Paths(log.Recent(10)), (std::vector<std::wstring>{ L"Work\\Note.txt", L"Notepad.lnk", L"Old.txt",
                                                                  L"Gone soon.txt" }));
    // Two uses in the same second (the file keeps seconds): the later first.
    log.CountOpened(MenuFolder() + L"\\Old.txt", kNow + 40);
    log.CountOpened(MenuFolder() + L"\\Gone soon.txt", kNow + 40);
    EXPECT_EQ(Paths(log.Recent(2)), (std::vector<std::wstring>{ L"Gone soon.txt", L"Old.txt" }));
    const unsigned version = log.Version();
    log.Forget(L"Old.txt");
    EXPECT_GT(log.Version(), version);
    std::vector<std::wstring> scored;
    log.ForEachScore([&](const std::wstring& entry, double score) {
        scored.push_back(entry);
        EXPECT_GT(score, 0);
    });
    EXPECT_EQ(scored.size(), 3u);
    ::DeleteFileW((MenuFolder() + L"\\Gone soon.txt").c_str());
    // Saved within the interval; a file gone drops out of the log too.
    ASSERT_TRUE(WaitFor([&] {
        return ReadFile(path).find("Note.txt") != std::string::npos && log.IsSettled();
    }));
    const std::vector<UseRecord> saved = ReadUsageFromDisk(path, 0).content.records;
    EXPECT_EQ(Paths(saved), (std::vector<std::wstring>{ L"Work\\Note.txt", L"Notepad.lnk" }));
    EXPECT_EQ(Paths(log.Recent(10)), (std::vector<std::wstring>{ L"Work\\Note.txt", L"Notepad.lnk" }));
    EXPECT_NEAR(saved[0].count, 2, 0.001);
}

// The usage file as the kill tests save it: 300 entries of a real menu
// folder, their counts by version, and three hand edits.
SavedFile KilledUsageFile()
{
    static std::vector<std::wstring> files;
    if (files.empty())
        for (int i = 0; i < 300; ++i) files.push_back(L"Work\\Entry " + std::to_wstring(i) + L".txt");
    MakeMenuFolder(files);
    auto records = [](int version) {
        std::vector<UseRecord> made;
        for (size_t i = 0; i < files.size(); ++i) made.push_back({ static_cast<double>(version + i % 5), kNow, files[i] });
        return made;
    };
    SavedFile file;
    file.path = ExecutableFolder() + L"\\killed.use";
    file.bytes = [records](int version) {
        if (version > 0) return UsageFileBytes(records(version), kNow);
        return "1 2026-01-02T03:04:05Z Edited by hand " + std::to_string(-version) + ".txt\r\n";
    };
    file.save = [records, path = file.path](int version) {
        return SaveUsageToDisk(ReadUsageFromDisk(path, 1000), records(version), MenuFolder(), kNow).saved;
    };
    return file;
}

TEST(UsageKill, SavesEndedAtRandomStepsLeaveTheFileWhole)
{
    const SavedFile file = KilledUsageFile();
    ScratchFiles scratch({ file.path, MenuFolder() });
    const KillTally tally = KillSavesAtRandomSteps(file, 300, 20261209);
    EXPECT_EQ(tally.runs, 300);
    EXPECT_GT(tally.kills, 200);
    ExpectEveryKillLeftTheFileWhole(tally);
}

// The real thing, fewer times: the saving program killed at random moments
// leaves the old file or the new one, whole.
TEST(UsageKill, TheSavingProgramKilledLeavesTheOldFileOrTheNewOneWhole)
{
    const int rows = 1500;
    std::vector<std::wstring> files;
    for (int row = 0; row < rows; ++row) files.push_back(UsageLoopEntry(row));
    MakeMenuFolder(files);
    const std::wstring path = ExecutableFolder() + L"\\save_loop.use";
    ScratchFiles scratch({ path, MenuFolder() });
    WriteFile(path, UsageFileBytes(UsageLoopRecords(0, rows), kUsageLoopTime));
    const std::wstring command = L"\"" + ExecutableFolder() + L"\\save_loop.exe\" usage \"" + path + L"\" " +
                                 std::to_wstring(rows) + L" \"" + MenuFolder() + L"\"";
    const std::set<int> versions = KillSavingProgram(command, path, 8, 7, [rows](const std::string& bytes) {
        for (int version = 0; version <= 2; ++version)
            if (bytes == UsageFileBytes(UsageLoopRecords(version, rows), kUsageLoopTime)) return version;
        return -1;
    });
    EXPECT_EQ(versions.count(-1), 0u) << "a kill left the file gone, empty or half-written";
    EXPECT_GE(versions.size(), 1u);
}

}  // namespace
