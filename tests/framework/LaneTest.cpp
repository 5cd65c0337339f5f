// Lanes of background work: a job asked for again while pending runs once,
// a full queue refuses more, and a job stuck in a call does not hold up the
// jobs behind it.
#include "framework/Lane.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

#include <atomic>

namespace {

using Added = CJobQueue::Added;

CWorkerThread::Job Counting(std::atomic<int>& runs)
{
    return [&runs]() -> CWorkerThread::Task {
        ++runs;
        return nullptr;
    };
}

TEST(JobQueue, AJobAskedForAgainWhilePendingIsMergedAndAFullQueueRefuses)
{
    std::atomic<int> runs{ 0 };
    CJobQueue queue(2, true);
    EXPECT_EQ(queue.Add(Counting(runs), false, L"a"), Added::Queued);
    EXPECT_EQ(queue.Add(Counting(runs), false, L"a"), Added::Merged);
    CWorkerThread::Job running = queue.Take();  // "a" runs now
    EXPECT_EQ(queue.Add(Counting(runs), false, L"a"), Added::Merged) << "merged with the running one too";
    EXPECT_EQ(queue.Add(Counting(runs), false, L"b"), Added::Queued);
    EXPECT_EQ(queue.Add(Counting(runs)), Added::Queued);
    EXPECT_EQ(queue.Add(Counting(runs)), Added::Full);
    EXPECT_EQ(queue.GetPending(), 3u);
    running();
    running = nullptr;  // done: "a" may be asked for anew
    EXPECT_EQ(queue.Add(Counting(runs), false, L"a"), Added::Full);
    queue.Take()();
    EXPECT_EQ(queue.Add(Counting(runs), false, L"a"), Added::Queued);
    EXPECT_EQ(runs, 2);
}

TEST(JobQueue, AQueueThatMergesOnlyWaitingJobsTakesARunningOnesKeyAgain)
{
    std::atomic<int> runs{ 0 };
    CJobQueue queue;
    queue.Add(Counting(runs), false, L"refresh");
    CWorkerThread::Job running = queue.Take();
    EXPECT_EQ(queue.Add(Counting(runs), false, L"refresh"), Added::Queued);
    EXPECT_EQ(queue.Add(Counting(runs), false, L"refresh"), Added::Merged);
}

TEST(Lane, AJobStuckInACallDoesNotHoldUpTheNext)
{
    auto queue = std::make_shared<CJobQueue>();
    CLane lane([queue] { return queue->Take(); }, CLane::Limits{ 2, 100 });
    UniqueKernelHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE gate = release.Get();
    std::atomic<bool> stuckStarted{ false }, nextRan{ false };
    queue->Add([gate, &stuckStarted]() -> CWorkerThread::Task {
        stuckStarted = true;
        ::WaitForSingleObject(gate, 20000);
        return nullptr;
    });
    lane.Wake();
    ASSERT_TRUE(test::WaitFor([&] { return stuckStarted.load(); }, 30000));
    ::Sleep(200);  // past the lane's patience
    queue->Add([&nextRan]() -> CWorkerThread::Task {
        nextRan = true;
        return nullptr;
    });
    lane.Wake();
    EXPECT_TRUE(test::WaitFor([&] { return nextRan.load(); }, 30000)) << "the second job waited behind the stuck one";
    EXPECT_EQ(lane.GetThreadCount(), 2);
    ::SetEvent(gate);
    lane.Stop(5000);
}

// The job behind arrives before the first is past the patience: no one
// wakes the lane again, yet it starts a thread once the first is held up.
TEST(Lane, AJobAskedForJustBeforeTheOneAheadSticksDoesNotWaitForIt)
{
    auto queue = std::make_shared<CJobQueue>();
    CLane lane([queue] { return queue->Take(); }, CLane::Limits{ 2, 300 });
    UniqueKernelHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE gate = release.Get();
    std::atomic<bool> stuckStarted{ false }, nextRan{ false };
    queue->Add([gate, &stuckStarted]() -> CWorkerThread::Task {
        stuckStarted = true;
        ::WaitForSingleObject(gate, 60000);
        return nullptr;
    });
    lane.Wake();
    ASSERT_TRUE(test::WaitFor([&] { return stuckStarted.load(); }, 30000));
    queue->Add([&nextRan]() -> CWorkerThread::Task {
        nextRan = true;
        return nullptr;
    });
    lane.Wake();
    EXPECT_TRUE(test::WaitFor([&] { return nextRan.load(); }, 30000)) << "the second job waited behind the stuck one";
    EXPECT_EQ(lane.GetThreadCount(), 2);
    ::SetEvent(gate);
    lane.Stop(5000);
}

TEST(Lane, NeverMoreThreadsThanItsLimit)
{
    auto queue = std::make_shared<CJobQueue>();
    CLane lane([queue] { return queue->Take(); }, CLane::Limits{ 1, 0 });
    UniqueKernelHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE gate = release.Get();
    std::atomic<int> done{ 0 };
    for (int i = 0; i < 3; ++i) {
        queue->Add([gate, &done]() -> CWorkerThread::Task {
            ::WaitForSingleObject(gate, 20000);
            ++done;
            return nullptr;
        });
        lane.Wake();
        ::Sleep(50);
    }
    EXPECT_EQ(lane.GetThreadCount(), 1);
    ::SetEvent(gate);
    EXPECT_TRUE(test::WaitFor([&] { return done == 3; }, 30000)) << done;
    lane.Stop(5000);
}

}  // namespace
