// The hotkey file survives its writer killed at any point of a save: a
// thousand saves ended at random steps (and the hand edits some of them
// keep in backups), the saving program itself killed at random moments, and
// a scanner holding the file for a moment during saves.
#include "framework/ExecutablePath.h"
#include "hotkeys/HotkeyStore.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "hotkeys/SaveLoopVersions.h"
#include "support/KillHarness.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace test;

// The hotkey file as the kill tests save it: 40 groups, in versions, and
// three hand edits of it.
SavedFile KilledHotkeyFile()
{
    SavedFile file;
    file.path = ExecutableFolder() + L"\\killed.key";
    file.bytes = [](int version) {
        if (version > 0) return HotkeyFileBytes(SaveLoopHotkeys(version, 40));
        return Utf16(L"1769588\r\nC:\\Edited by hand " + std::to_wstring(-version) + L".txt\r\n\r\n");
    };
    file.save = [path = file.path](int version) {
        const HotkeyFileRead before = ReadHotkeysFromDisk(path, 1000);
        return SaveHotkeysToDisk(before, SaveLoopHotkeys(version, 40)).saved;
    };
    return file;
}

TEST(HotkeyKill, AThousandSavesEndedAtRandomStepsLeaveTheFileWhole)
{
    const SavedFile file = KilledHotkeyFile();
    ScratchFiles scratch({ file.path });
    const KillTally tally = KillSavesAtRandomSteps(file, 1000, 20261208);
    EXPECT_EQ(tally.runs, 1000);
    EXPECT_GT(tally.kills, 800);
    ExpectEveryKillLeftTheFileWhole(tally);
}

// A scanner that opens the file for 50 to 300 ms without delete sharing,
// at any step of a save: every save goes through, within the 1 s wait.
TEST(HotkeyKill, AFileHeldForAMomentDuringASaveNeverFailsIt)
{
    const SavedFile file = KilledHotkeyFile();
    ScratchFiles scratch({ file.path });
    const HoldTally tally = HoldDuringSaves(file, 12, 7);
    EXPECT_EQ(tally.saves, 12);
    EXPECT_EQ(tally.failed, 0);
    EXPECT_EQ(tally.wrong, 0);
    EXPECT_LT(tally.longestMs, 1300u);
}

// The real thing, fewer times (each start of a program costs a tenth of a
// second and more): the saving program killed at random moments leaves the
// old file or the new one, whole.
TEST(HotkeyKill, TheSavingProgramKilledLeavesTheOldFileOrTheNewOneWhole)
{
    const int rows = 1500;
    const std::wstring path = ExecutableFolder() + L"\\save_loop.key";
    ScratchFiles scratch({ path });
    WriteFile(path, HotkeyFileBytes(SaveLoopHotkeys(0, rows)));
    const std::wstring command =
        L"\"" + ExecutableFolder() + L"\\save_loop.exe\" hotkeys \"" + path + L"\" " + std::to_wstring(rows);
    const std::set<int> versions = KillSavingProgram(command, path, 8, 7, [rows](const std::string& bytes) {
        for (int version = 0; version <= 2; ++version)
            if (bytes == HotkeyFileBytes(SaveLoopHotkeys(version, rows))) return version;
        return -1;
    });
    EXPECT_EQ(versions.count(-1), 0u) << "a kill left the file gone, empty or half-written";
    EXPECT_GE(versions.size(), 1u);
}

}  // namespace
