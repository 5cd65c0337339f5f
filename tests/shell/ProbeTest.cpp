// Probes asked by many threads at once, as the listing threads of the menu
// and Find ask them: every one answers, a path asked twice at once too.
#include "shell/Probe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

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

}  // namespace
