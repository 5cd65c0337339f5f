// The worker thread: jobs run in order off the calling thread with COM
// ready, replies come back to the calling thread from its message loop,
// and a job stuck in a call does not hold Stop up.
#include "framework/WorkerThread.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000)
{
    const DWORD start = ::GetTickCount();
    while (!done() && ::GetTickCount() - start < timeoutMs) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
        ::Sleep(5);
    }
}

TEST(WorkerThread, JobsRunInOrderOffThisThreadAndRepliesComeBackHere)
{
    auto queue = std::make_shared<CJobQueue>();
    CWorkerThread worker;
    ASSERT_TRUE(worker.Start([queue] { return queue->Take(); }));
    const DWORD ui = ::GetCurrentThreadId();
    std::vector<int> replies;
    std::vector<DWORD> jobThreads, replyThreads;
    bool comReady = true;
    for (int i = 0; i < 5; ++i) {
        queue->Add([i, &jobThreads, &comReady, &replies, &replyThreads]() -> CWorkerThread::Task {
            jobThreads.push_back(::GetCurrentThreadId());
            // COM is initialised already: a second call says so.
            HRESULT again = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            comReady = comReady && again == S_FALSE;
            if (SUCCEEDED(again)) ::CoUninitialize();
            return [i, &replies, &replyThreads] {
                replies.push_back(i);
                replyThreads.push_back(::GetCurrentThreadId());
            };
        });
    }
    worker.Wake();
    PumpUntil([&] { return replies.size() == 5 && !worker.IsBusy(); });
    EXPECT_EQ(replies, (std::vector<int>{ 0, 1, 2, 3, 4 }));
    EXPECT_TRUE(comReady);
    for (DWORD thread : jobThreads) EXPECT_NE(thread, ui);
    for (DWORD thread : replyThreads) EXPECT_EQ(thread, ui);
    EXPECT_TRUE(worker.Stop(2000));
}

TEST(WorkerThread, AStuckJobDoesNotHoldStopUpAndItsReplyIsDropped)
{
    auto queue = std::make_shared<CJobQueue>();
    auto release = std::make_shared<UniqueKernelHandle>(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto replied = std::make_shared<bool>(false);
    {
        CWorkerThread worker;
        ASSERT_TRUE(worker.Start([queue] { return queue->Take(); }));
        queue->Add([release, replied]() -> CWorkerThread::Task {
            ::WaitForSingleObject(release->Get(), 10000);  // a drive that does not answer
            return [replied] { *replied = true; };
        });
        worker.Wake();
        PumpUntil([&] { return worker.IsBusy(); });
        const DWORD start = ::GetTickCount();
        EXPECT_FALSE(worker.Stop(200));
        EXPECT_LT(::GetTickCount() - start, 1000u);
    }
    // The call returns after all; the worker is gone, and so is its reply.
    ::SetEvent(release->Get());
    ::Sleep(200);
    PumpUntil([] { return false; }, 300);
    EXPECT_FALSE(*replied);
}

}  // namespace
