// A background thread for calls that may block for long (the shell's, a
// slow or sleeping drive's), and the way back from it.
//
// The thread asks its owner's queue for one job at a time and runs it with
// COM initialised apartment-threaded, pumping its own messages between
// jobs. A job returns its reply: a task that runs on the thread that started
// the worker (the UI thread), from that thread's message loop.
//
// Who owns what: the queue belongs to the owner and guards itself; a job
// owns what it carries and touches nothing of the UI thread's; a reply runs
// on the UI thread and may touch anything there. The thread's own state
// lives as long as the thread does, so that a thread stuck in a call can be
// left behind when the program ends.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/Afx.h"
#include "framework/Handles.h"

class CWorkerThread {
public:
    using Task = std::function<void()>;
    // Runs on the worker; returns the reply (or nothing).
    using Job = std::function<Task()>;
    // Called on the worker for the next job; an empty job when there is none
    // now. The worker then sleeps until Wake.
    using NextJob = std::function<Job()>;

    CWorkerThread();
    ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Starts the thread on the queue; replies come back to the calling thread.
    bool Start(NextJob next);
    bool IsRunning() const { return m_state != nullptr; }
    // Tells the thread that the queue has something for it.
    void Wake() const;
    // Asks the thread to end after its current job, waiting up to waitMs for
    // it. Replies not yet run are dropped. False when the thread was still
    // busy: it ends with the process.
    bool Stop(DWORD waitMs);
    // Whether a job is running or a reply is on its way (the queue's own
    // content aside).
    bool IsBusy() const;
    // How long the job running now has been running; 0 when none runs.
    DWORD RunningForMs() const;

    // The thread's handle, for waiting on several workers at once.
    HANDLE GetHandle() const { return m_thread.Get(); }

private:
    struct State;
    class ReplyWindow;
    static DWORD WINAPI ThreadMain(void* state);

    std::shared_ptr<State> m_state;
    std::unique_ptr<ReplyWindow> m_replies;  // UI thread only
    UniqueKernelHandle m_thread;
};

// A queue of jobs for workers, in the order given; urgent ones go first.
// A job may carry a key: asked again while one with that key is queued
// (or, if the queue merges running ones too, still running), it is merged
// into that one. A bounded queue refuses jobs beyond its bound. Any thread
// may add; the workers take.
class CJobQueue {
public:
    enum class Added { Queued, Merged, Full };

    explicit CJobQueue(size_t bound = 0, bool mergeRunning = false) : m_bound(bound), m_mergeRunning(mergeRunning) {}
    Added Add(CWorkerThread::Job job, bool urgent = false, std::wstring key = {});
    CWorkerThread::Job Take();
    bool IsEmpty() const;
    // Jobs queued or running.
    size_t GetPending() const;

private:
    struct Queued {
        CWorkerThread::Job job;
        std::wstring key;
    };
    void Finished(const std::wstring& key);

    mutable std::mutex m_lock;
    std::deque<Queued> m_jobs;
    std::vector<std::wstring> m_runningKeys;  // one per running job, "" for none
    size_t m_bound;
    bool m_mergeRunning;
};
