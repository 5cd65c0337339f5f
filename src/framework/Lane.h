// A lane of background work: one or a few worker threads taking jobs from
// one source. A thread that has been on one job for long (stuck in a call
// on a sleeping drive, say) is not waited for: when work waits and every
// thread is on a job that has run past the lane's patience, another thread
// starts, up to the lane's limit. A stuck thread is left behind; it ends
// with the process if its call never returns.
//
// Who owns what: the lane and its threads' ends belong to the thread that
// made it (the UI thread); the job source guards itself.
#pragma once

#include <memory>
#include <vector>

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
    // every thread is held up.
    void Wake();
    // A job running, or a reply on its way.
    bool IsBusy() const;
    int GetThreadCount() const { return static_cast<int>(m_threads.size()); }
    // Ends every thread, waiting at most waitMs in all for those in a call;
    // false when one was still busy. Threads start again when next woken.
    bool Stop(DWORD waitMs);

private:
    bool StartThread();

    CWorkerThread::NextJob m_next;
    Limits m_limits;
    std::vector<std::unique_ptr<CWorkerThread>> m_threads;
};
