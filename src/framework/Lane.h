// A lane of background work: one or a few worker threads taking jobs from
// one source. A thread that has been on one job for long (stuck in a call
// on a sleeping drive, say) is not waited for: when work waits and every
// thread is on a job that has run past the lane's patience, another thread
// starts, up to the lane's limit; when work waits on threads not yet past
// it, a timer looks again once they are, so a job asked for just after one
// that then sticks is not left waiting for the next wake. A stuck thread is
// left behind; it ends with the process if its call never returns.
//
// Who owns what: the lane and its threads' ends belong to the thread that
// made it (the UI thread); the job source guards itself.
#pragma once

#include <memory>
#include <vector>

#include "framework/ThreadTimer.h"
#include "framework/WorkerThread.h"

class CLane {
public:
    struct Limits {
        int maxThreads = 1;
        DWORD patienceMs = 1000;  // a job running longer holds its thread
    };

    CLane(CWorkerThread::NextJob next, Limits limits) : m_next(std::move(next)), m_limits(limits) {}
    ~CLane() { Stop(0); }
    CLane(const CLane&) = delete;
    CLane& operator=(const CLane&) = delete;

    // The source has work: a free thread takes it, or a new one starts when
    // every thread is held up (now, or when the first passes the patience).
    // UI thread: the later look comes from its message loop.
    void Wake();
    // A job running, or a reply on its way.
    bool IsBusy() const;
    int GetThreadCount() const { return static_cast<int>(m_threads.size()); }
    // Ends every thread, waiting at most waitMs in all for those in a call;
    // false when one was still busy. Threads start again when next woken.
    bool Stop(DWORD waitMs);

private:
    bool StartThread();
    void LookAgainIn(DWORD ms);

    CWorkerThread::NextJob m_next;
    Limits m_limits;
    std::vector<std::unique_ptr<CWorkerThread>> m_threads;
    CThreadTimer m_lookAgain;  // the later look
};
