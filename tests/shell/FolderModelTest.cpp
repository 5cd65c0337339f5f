// The folder model: listings made on its own threads, seen at the next
// refresh; a folder on a drive that answers slowly, or never, held up
// neither the listing of the others nor the thread that asks.
#include "shell/FolderModel.h"
#include "shell/Probe.h"

#include "framework/ShellFiles.h"

#include "menu/MenuTestSupport.h"
#include "support/RequireSlowVolume.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<std::wstring> Names(const FolderListing* listing)
{
    std::vector<std::wstring> names;
    if (listing)
        for (const FolderEntry& entry : listing->entries) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

using Names_ = std::vector<std::wstring>;

class FolderModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        top = test::ExecutableFolder() + L"\\model";
        test::RemoveTree(top);
        ::CreateDirectoryW(top.c_str(), nullptr);
    }
    void TearDown() override { test::RemoveTree(top); }

    // Refreshes and waits for it, pumping (the model's retries come from
    // the message loop); the milliseconds it took.
    DWORD RefreshNow(CFolderModel& model, DWORD timeoutMs = 10000)
    {
        const DWORD start = ::GetTickCount();
        const unsigned refresh = model.Refresh();
        test::WaitFor([&] { return model.WaitFor(refresh, 0); }, timeoutMs);
        return ::GetTickCount() - start;
    }
    std::wstring top;
};

TEST_F(FolderModelTest, AChangeIsSeenAtTheNextRefreshAndNotBefore)
{
    test::MakeFile(top + L"\\a.txt");
    test::MakeFolder(top + L"\\Sub");
    test::MakeFile(top + L"\\Sub\\b.txt");
    CFolderModel model(top);
    EXPECT_EQ(model.Snapshot()->Find(top)->state, ListingState::Reading);  // nothing listed yet
    RefreshNow(model);
    SnapshotPointer first = model.Snapshot();
    EXPECT_EQ(Names(first->Find(top)), (Names_{ L"Sub", L"a.txt" }));
    EXPECT_EQ(Names(first->Find(top + L"\\sub")), Names_{ L"b.txt" }) << "paths are found whatever their case";

    test::MakeFile(top + L"\\Sub\\c.txt");
    ::DeleteFileW((top + L"\\a.txt").c_str());
    EXPECT_EQ(Names(model.Snapshot()->Find(top)), (Names_{ L"Sub", L"a.txt" }));  // no disk read meanwhile
    RefreshNow(model);
    SnapshotPointer second = model.Snapshot();
    EXPECT_GT(second->Generation(), first->Generation());
    EXPECT_EQ(Names(second->Find(top)), Names_{ L"Sub" });
    EXPECT_EQ(Names(second->Find(top + L"\\Sub")), (Names_{ L"b.txt", L"c.txt" }));
    // The snapshot taken before is as it was.
    EXPECT_EQ(Names(first->Find(top + L"\\Sub")), Names_{ L"b.txt" });
}

const FolderEntry* EntryNamed(const FolderListing* listing, const std::wstring& name)
{
    if (!listing) return nullptr;
    for (const FolderEntry& entry : listing->entries)
        if (entry.name == name) return &entry;
    return nullptr;
}

// Find matches a shortcut by its program's file name: the model reads it
// from a shortcut new or changed since its last listing, and only then (the
// menu folder sits on a volume that notes every file opened).
TEST_F(FolderModelTest, AShortcutsProgramIsReadWhenTheShortcutIsNewOrChanged)
{
    REQUIRE_SLOW_VOLUME();
    test::SlowVolume volume;
    ::CoInitialize(nullptr);
    const std::wstring programs = top + L"\\programs";
    test::MakeFolder(programs);
    test::MakeFile(programs + L"\\WINWORD.EXE", "MZ");
    test::MakeFile(programs + L"\\EXCEL.EXE", "MZ");
    // Written on the volume's backing folder, read through the volume.
    const std::wstring menu = volume.mount + L"\\menu", shortcut = volume.backing + L"\\menu\\Word.lnk";
    test::MakeFolder(volume.backing + L"\\menu");
    test::MakeFile(volume.backing + L"\\menu\\notes.txt");
    ASSERT_TRUE(CreateShortcut((programs + L"\\WINWORD.EXE").c_str(), shortcut.c_str()));
    CFolderModel model(menu);
    volume.TakeOpens();
    RefreshNow(model);
    const FolderEntry* word = EntryNamed(model.Snapshot()->Find(menu), L"Word.lnk");
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(word->target, L"WINWORD.EXE");
    EXPECT_EQ(EntryNamed(model.Snapshot()->Find(menu), L"notes.txt")->target, L"");
    EXPECT_NE(volume.TakeOpens().find("Word.lnk"), std::string::npos) << "the check below would prove nothing";

    RefreshNow(model);
    EXPECT_EQ(volume.TakeOpens().find("Word.lnk"), std::string::npos) << "an unchanged shortcut is not read again";
    EXPECT_EQ(EntryNamed(model.Snapshot()->Find(menu), L"Word.lnk")->target, L"WINWORD.EXE");

    ASSERT_TRUE(CreateShortcut((programs + L"\\EXCEL.EXE").c_str(), shortcut.c_str()));
    FILETIME later = EntryNamed(model.Snapshot()->Find(menu), L"Word.lnk")->written;
    later.dwHighDateTime += 1;  // a write time of its own, however fast the rewrite came
    {
        UniqueFile file(::CreateFileW(shortcut.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        ::SetFileTime(file.Get(), nullptr, nullptr, &later);
    }
    RefreshNow(model);
    EXPECT_EQ(EntryNamed(model.Snapshot()->Find(menu), L"Word.lnk")->target, L"EXCEL.EXE");
    ::CoUninitialize();
}

TEST_F(FolderModelTest, AFolderThatCannotBeListedIsUnreadable)
{
    CFolderModel model(top + L"\\gone");
    RefreshNow(model);
    EXPECT_EQ(model.Snapshot()->Find(top + L"\\gone")->state, ListingState::Listed)
        << "the first listing makes the top folder";
    EXPECT_TRUE(model.MadeTopFolder());
    test::RemoveTree(top + L"\\gone");
    RefreshNow(model);
    EXPECT_EQ(model.Snapshot()->Find(top + L"\\gone")->state, ListingState::Unreadable);
}

// A link onto a drive that answers each operation in 3 s: the refresh
// passes it by within the probe's patience, the rest listed, the link's
// folder not responding with its last entries; the folder that holds the
// link keeps its last listing meanwhile (Wine, listing it, would wait for
// the link). Once the drive answers promptly, it is listed again.
TEST_F(FolderModelTest, ALinkOntoASlowDriveIsPassedByUntilItAnswersPromptly)
{
    REQUIRE_SLOW_VOLUME();
    test::SlowVolume volume;
    test::MakeFile(volume.backing + L"\\remote.txt");
    test::MakeFile(top + L"\\local.txt");
    test::MakeFolder(top + L"\\Network");
    ASSERT_TRUE(volume.PlaceLink(top + L"\\Network\\share"));
    CFolderModel model(top);
    RefreshNow(model);
    volume.SetDelay(3);
    test::MakeFile(top + L"\\later.txt");
    const DWORD took = RefreshNow(model, 20000);
    SnapshotPointer slow = model.Snapshot();
    EXPECT_EQ(Names(slow->Find(top)), (Names_{ L"Network", L"later.txt", L"local.txt" }));
    EXPECT_EQ(Names(slow->Find(top + L"\\Network")), Names_{ L"share" });
    const FolderListing* share = slow->Find(top + L"\\Network\\share");
    ASSERT_NE(share, nullptr);
    EXPECT_EQ(share->state, ListingState::NotResponding);
    const Names_ last = Names(share);
    EXPECT_NE(std::find(last.begin(), last.end(), L"remote.txt"), last.end()) << "its last entries stand in";
    EXPECT_LT(took, 3000u) << "the probe's patience, and no listing of anything on the drive";
    volume.SetDelay(0);
    // The probes still out come back, then a refresh lists the share again.
    EXPECT_TRUE(test::WaitFor(
        [&] {
            RefreshNow(model);
            return model.Snapshot()->Find(top + L"\\Network\\share")->state == ListingState::Listed;
        },
        30000));
}

// A share that never answers: the first refresh stays held up in the folder
// that holds its link (Wine then lists no other folder of the process), but
// what it listed before shows, and the thread that asks does not wait.
TEST_F(FolderModelTest, AShareThatNeverAnswersHoldsUpNothingElse)
{
    REQUIRE_SLOW_VOLUME();
    test::SlowVolume volume;
    test::MakeFile(top + L"\\local.txt");
    test::MakeFolder(top + L"\\Network");
    test::MakeFolder(top + L"\\Tools");
    test::MakeFile(top + L"\\Tools\\tool.txt");
    ASSERT_TRUE(volume.PlaceLink(top + L"\\Network\\share"));
    volume.NeverAnswer();
    CFolderModel model(top);
    model.Refresh();
    // Only the model's own retry runs a second refresh: no one asks.
    ASSERT_TRUE(test::WaitFor([&] { return model.Snapshot()->Generation() > 0; }, 8000)) << "never listed";
    SnapshotPointer snapshot = model.Snapshot();
    EXPECT_EQ(Names(snapshot->Find(top)), (Names_{ L"Network", L"Tools", L"local.txt" }));
    EXPECT_EQ(snapshot->Find(top + L"\\Network"), nullptr) << "still being read";
    // A press does not wait for a refresh that cannot come in time: the one
    // under way has been held up longer than the press would wait.
    test::Pump(400);
    EXPECT_FALSE(model.IsPrompt(300)) << "a refresh held up by the share counted as prompt";
    volume.SetDelay(0);
    model.Stop(3000);
}

}  // namespace
