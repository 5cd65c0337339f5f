#include "framework/WorkerThread.h"

#include "framework/CMemoryException.h"
#include "framework/CWnd.h"

namespace {

constexpr UINT kReplyMessage = WM_APP;
constexpr wchar_t kReplyWindowClass[] = L"QuillopWorkerReplies";

}  // namespace

struct CWorkerThread::State {
    NextJob next;
    UniqueKernelHandle wake{ ::CreateEventW(nullptr, FALSE, FALSE, nullptr) };
    std::atomic<bool> stopping{ false };
    std::atomic<int> busy{ 0 };  // a running job, and each reply on its way
    std::atomic<DWORD> jobStarted{ 0 };  // tick count when the running job started, 0 for none
    std::atomic<HWND> replies{ nullptr };

    void Send(Task reply)
    {
        auto* boxed = new Task(std::move(reply));
        HWND window = replies;
        if (stopping || !window || !::PostMessageW(window, kReplyMessage, 0, reinterpret_cast<LPARAM>(boxed))) {
            delete boxed;
            --busy;
        }
    }
};

// The UI thread's end of a worker: a message-only window whose messages
// carry the replies.
class CWorkerThread::ReplyWindow : public CWnd {
public:
    explicit ReplyWindow(std::atomic<int>& busy) : m_busy(busy)
    {
        RegisterFrameworkClass(kReplyWindowClass, 0, nullptr);
        CreateEx(0, kReplyWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
    }
    ~ReplyWindow() override
    {
        // Replies still queued are dropped, not leaked.
        MSG message;
        while (m_hWnd && ::PeekMessageW(&message, m_hWnd, kReplyMessage, kReplyMessage, PM_REMOVE)) {
            delete reinterpret_cast<Task*>(message.lParam);
            --m_busy;
        }
    }

protected:
    LRESULT OnReply(WPARAM, LPARAM lParam)
    {
        std::unique_ptr<Task> reply(reinterpret_cast<Task*>(lParam));
        (*reply)();
        --m_busy;
        return 0;
    }
    DECLARE_MESSAGE_MAP()

private:
    std::atomic<int>& m_busy;
};

BEGIN_MESSAGE_MAP(CWorkerThread::ReplyWindow, CWnd)
    ON_MESSAGE(kReplyMessage, OnReply)
END_MESSAGE_MAP()

namespace {

void PumpOwnMessages()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

}  // namespace

CWorkerThread::CWorkerThread() = default;

CWorkerThread::~CWorkerThread() { Stop(0); }

bool CWorkerThread::Start(NextJob next)
{
    if (m_state) return true;
    auto state = std::make_shared<State>();
    state->next = std::move(next);
    if (!state->wake) return false;
    m_replies = std::make_unique<ReplyWindow>(state->busy);
    state->replies = m_replies->m_hWnd;
    auto* forThread = new std::shared_ptr<State>(state);
    m_thread.Reset(::CreateThread(nullptr, 0, ThreadMain, forThread, 0, nullptr));
    if (!m_thread) {
        delete forThread;
        m_replies.reset();
        return false;
    }
    m_state = std::move(state);
    return true;
}

void CWorkerThread::Wake() const
{
    if (m_state) ::SetEvent(m_state->wake.Get());
}

bool CWorkerThread::Stop(DWORD waitMs)
{
    if (!m_state) return true;
    m_state->stopping = true;
    ::SetEvent(m_state->wake.Get());
    const bool ended = ::WaitForSingleObject(m_thread.Get(), waitMs) == WAIT_OBJECT_0;
    m_state->replies = nullptr;
    m_replies.reset();
    m_state.reset();
    m_thread.Reset();
    return ended;
}

bool CWorkerThread::IsBusy() const { return m_state && m_state->busy > 0; }

DWORD CWorkerThread::RunningForMs() const
{
    const DWORD started = m_state ? m_state->jobStarted.load() : 0;
    return started ? (::GetTickCount() | 1) - started + 1 : 0;
}

DWORD WINAPI CWorkerThread::ThreadMain(void* parameter)
{
    std::shared_ptr<State> state = std::move(*static_cast<std::shared_ptr<State>*>(parameter));
    delete static_cast<std::shared_ptr<State>*>(parameter);
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    while (!state->stopping) {
        Job job = state->next();
        if (!job) {
            // Shell objects of this apartment may need their messages while
            // the thread waits.
            HANDLE wake = state->wake.Get();
            ::MsgWaitForMultipleObjects(1, &wake, FALSE, INFINITE, QS_ALLINPUT);
            PumpOwnMessages();
            continue;
        }
        ++state->busy;
        state->jobStarted = ::GetTickCount() | 1;
        Task reply;
        try {
            reply = job();
        } catch (const CMemoryException&) {
            // The job is lost; the worker goes on.
        }
        job = nullptr;
        state->jobStarted = 0;
        if (reply)
            state->Send(std::move(reply));
        else
            --state->busy;
        PumpOwnMessages();
    }
    ::CoUninitialize();
    return 0;
}

CJobQueue::Added CJobQueue::Add(CWorkerThread::Job job, bool urgent, std::wstring key)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (!key.empty()) {
        for (const Queued& queued : m_jobs)
            if (queued.key == key) return Added::Merged;
        if (m_mergeRunning)
            for (const std::wstring& running : m_runningKeys)
                if (running == key) return Added::Merged;
    }
    if (m_bound && m_jobs.size() >= m_bound) return Added::Full;
    if (urgent)
        m_jobs.push_front({ std::move(job), std::move(key) });
    else
        m_jobs.push_back({ std::move(job), std::move(key) });
    return Added::Queued;
}

CWorkerThread::Job CJobQueue::Take()
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_jobs.empty()) return nullptr;
    Queued next = std::move(m_jobs.front());
    m_jobs.pop_front();
    m_runningKeys.push_back(next.key);
    // The job tells the queue when it is done, however it ends.
    struct Done {
        Done(CJobQueue* q, std::wstring k) : queue(q), key(std::move(k)) {}
        ~Done() { queue->Finished(key); }
        Done(const Done&) = delete;
        Done& operator=(const Done&) = delete;
        CJobQueue* queue;
        std::wstring key;
    };
    auto done = std::make_shared<Done>(this, next.key);
    return [job = std::move(next.job), done]() mutable -> CWorkerThread::Task {
        CWorkerThread::Task reply = job();
        job = nullptr;
        return reply;
    };
}

void CJobQueue::Finished(const std::wstring& key)
{
    std::lock_guard<std::mutex> hold(m_lock);
    for (auto running = m_runningKeys.begin(); running != m_runningKeys.end(); ++running) {
        if (*running == key) {
            m_runningKeys.erase(running);
            return;
        }
    }
}

bool CJobQueue::IsEmpty() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_jobs.empty();
}

size_t CJobQueue::GetPending() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_jobs.size() + m_runningKeys.size();
}
