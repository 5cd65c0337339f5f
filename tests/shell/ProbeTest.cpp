// Probes asked by many threads at once, as the listing threads of the menu
// and Find ask them: every one answers, a path asked twice at once too; a
// network share that never answers keeps one thread.
#include "shell/Probe.h"
#include "support/RequireSlowVolume.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(Probe, ManyAskedAtOnceAllAnswerThoseOfOnePathToo)
{
    const std::wstring shared = test::ExecutableFolder();
    std::atomic<int> late{ 0 }, sharedLate{ 0 };
    std::vector<std::thread> askers;
    for (int asker = 0; asker < 3; ++asker)
        askers.emplace_back([&, asker] {
            for (int i = 0; i < 1500; ++i) {
                const std::wstring path = shared + L"\\absent " + std::to_wstring(asker) + L" " + std::to_wstring(i);
                if (!ProbeFolder(path, 10000).prompt) ++late;
                // Every asker asks for the same folder too, at the same time.
                if (i % 10 == 0 && !ProbeFolder(shared, 10000).prompt) ++sharedLate;
            }
        });
    for (std::thread& asker : askers) asker.join();
    EXPECT_EQ(late.load(), 0) << "probes of a local folder did not answer";
    EXPECT_EQ(sharedLate.load(), 0) << "a folder asked for twice at once counted as not answering";
    EXPECT_TRUE(test::WaitFor([] { return UnansweredProbes() == 0; }));
}

// The slow volume as the network share "\\quillop-nas\music": Wine finds
// a share by its name under the prefix's dosdevices\\unc. "" when the
// prefix is not known.
std::wstring ShareOnto(test::SlowVolume& volume)
{
    wchar_t prefix[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH)) return std::wstring();
    std::wstring servers = std::wstring(L"Z:") + prefix + L"/dosdevices/unc/quillop-nas";
    std::replace(servers.begin(), servers.end(), L'/', L'\\');
    ::CreateDirectoryW((servers.substr(0, servers.rfind(L'\\'))).c_str(), nullptr);
    ::CreateDirectoryW(servers.c_str(), nullptr);
    if (!volume.MakeLink(volume.mount, servers + L"\\music")) return std::wstring();
    return L"\\\\quillop-nas\\music";
}

TEST(Probe, NetworkSharesAndDrivesAreKnownByTheirNames)
{
    EXPECT_EQ(NetworkShareOf(L"\\\\nas\\music\\a\\b.mp3"), NetworkShareOf(L"\\\\NAS\\Music"));
    EXPECT_EQ(NetworkShareOf(L"\\\\?\\UNC\\nas\\music\\a.mp3"), NetworkShareOf(L"\\\\nas\\music\\b.mp3"));
    EXPECT_NE(NetworkShareOf(L"\\\\nas\\music\\a"), NetworkShareOf(L"\\\\nas\\video\\a"));
    EXPECT_FALSE(NetworkShareOf(L"\\\\nas\\music").empty());
    // Long, device and forward-slash forms name the same share.
    for (const wchar_t* same : { L"\\\\?\\unc\\NAS\\music\\a", L"//nas/music/x", L"\\\\.\\UNC\\nas\\Music\\x" })
        EXPECT_EQ(NetworkShareOf(same), NetworkShareOf(L"\\\\nas\\music")) << same;
    for (const wchar_t* local : { L"C:\\Windows\\notepad.exe", L"\\\\?\\C:\\Windows", L"\\\\.\\C:\\x", L"//?/C:/x",
                                  L"\\\\nas", L"\\\\nas\\", L"notes.txt", L"" })
        EXPECT_EQ(NetworkShareOf(local), L"") << local;
}

// However many of a dead share's paths are asked about, from however many
// threads, it keeps one thread, and once that question is overdue no one
// waits for the share; a local path answers meanwhile, and so does the share
// once it wakes.
TEST(Probe, AShareThatNeverAnswersKeepsOneThreadForAllItsPaths)
{
    REQUIRE_SLOW_VOLUME();
    test::SlowVolume volume;
    test::MakeFile(volume.backing + L"\\here.txt");
    const std::wstring share = ShareOnto(volume);
    ASSERT_FALSE(share.empty()) << "no link to the volume as a share";
    ASSERT_NE(ProbeFolder(share + L"\\here.txt", 10000).attributes, INVALID_FILE_ATTRIBUTES)
        << "the share is not reached by its name";
    ASSERT_TRUE(test::WaitFor([] { return UnansweredProbes() == 0; }, 30000));
    volume.NeverAnswer();
    std::atomic<int> prompt{ 0 }, done{ 0 };
    std::atomic<DWORD> longest{ 0 };
    std::vector<std::thread> askers;
    for (int asker = 0; asker < 3; ++asker)
        askers.emplace_back([&, asker] {
            for (int i = 0; i < 10; ++i) {
                const std::wstring path = share + L"\\folder " + std::to_wstring(asker) + L"\\" + std::to_wstring(i);
                const DWORD start = ::GetTickCount();
                // Icons ask on their own threads: those never wait for the share either.
                const bool answered = i % 2 ? ProbeFolder(path, 500).prompt : TimedAttributes(path, 500).prompt;
                if (answered) ++prompt;
                const DWORD took = ::GetTickCount() - start;
                DWORD seen = longest.load();
                while (took > seen && !longest.compare_exchange_weak(seen, took)) {}
                ++done;
            }
        });
    const bool allDone = test::WaitFor([&] { return done == 30; }, 20000);
    if (!allDone) volume.SetDelay(0);  // lets the askers go
    for (std::thread& asker : askers) asker.join();
    ASSERT_TRUE(allDone) << "an asker was held by the share";
    EXPECT_EQ(prompt.load(), 0) << "a path on a share that never answers counted as prompt";
    EXPECT_EQ(UnansweredProbes(), 1) << "a thread kept for each path on the share";
    EXPECT_LT(longest.load(), 1500u) << "an asker waited past its patience";
    EXPECT_TRUE(ProbeFolder(test::ExecutableFolder(), 10000).prompt) << "a local folder waited for the share";
    volume.SetDelay(0);
    EXPECT_TRUE(test::WaitFor([] { return UnansweredProbes() == 0; }, 30000));
    EXPECT_TRUE(ProbeFolder(share + L"\\here.txt", 10000).prompt) << "the share, awake, still counts as not prompt";
}

// A share that answers, slowly: askers that come together take turns, one
// question on its way at a time (were the share to die meanwhile, one
// thread would be held), and every one of them is answered.
TEST(Probe, AskersOfOneShareTakeTurns)
{
    REQUIRE_SLOW_VOLUME();
    test::SlowVolume volume;
    for (int i = 0; i < 8; ++i) test::MakeFile(volume.backing + L"\\file " + std::to_wstring(i) + L".txt");
    const std::wstring share = ShareOnto(volume);
    ASSERT_FALSE(share.empty()) << "no link to the volume as a share";
    ASSERT_TRUE(test::WaitFor([] { return UnansweredProbes() == 0; }, 30000));
    volume.SetDelay(0.1);
    std::atomic<bool> stop{ false };
    std::atomic<int> most{ 0 }, answered{ 0 };
    std::thread watcher([&] {
        while (!stop) {
            most = std::max(most.load(), UnansweredProbes());
            ::Sleep(1);
        }
    });
    std::vector<std::thread> askers;
    for (int i = 0; i < 8; ++i)
        askers.emplace_back([&, i] {
            const ProbeAnswer answer = ProbeFolder(share + L"\\file " + std::to_wstring(i) + L".txt", 60000);
            if (answer.prompt && answer.attributes != INVALID_FILE_ATTRIBUTES) ++answered;
        });
    for (std::thread& asker : askers) asker.join();
    stop = true;
    watcher.join();
    EXPECT_EQ(answered.load(), 8) << "an asker of a share that answers went unanswered";
    EXPECT_EQ(most.load(), 1) << "askers of one share asked it at once";
}

}  // namespace
