// The shell worker's lanes, and the icon answers' way back to the UI thread.
#include "shell/ShellWorker.h"

#include <chrono>
#include <deque>

#include "shell/FolderWalker.h"

namespace {

using Job = CWorkerThread::Job;
using Task = CWorkerThread::Task;

// Answers are taken between the UI thread's other messages, for so long a
// turn at the most (at least one answer a turn): a sent message waits no
// longer than that for them, however costly an icon is to add.
constexpr auto kTurnBudget = std::chrono::milliseconds(4);
constexpr UINT kAnswerTurnMs = USER_TIMER_MINIMUM;
constexpr size_t kPendingLaunches = 32, kPendingDrops = 16;

}  // namespace

struct CShellWorker::Answers {
    std::mutex lock;
    std::deque<std::unique_ptr<IconAnswer>> waiting;
    bool turnsAsked = false;  // the UI thread has been asked to take them
    // UI thread only:
    std::function<void(IconAnswer&)> listener;
    std::shared_ptr<CIconQueue> queue;
    UINT_PTR timer = 0;

    // Icon thread: one answer more; the reply that starts the UI thread
    // taking them, when it has not been asked yet.
    Task Add(std::unique_ptr<IconAnswer> answer, const std::shared_ptr<Answers>& self)
    {
        std::lock_guard<std::mutex> hold(lock);
        waiting.push_back(std::move(answer));
        if (turnsAsked) return nullptr;
        turnsAsked = true;
        return [self] { self->StartTurns(self); };
    }
    bool IsEmpty()
    {
        std::lock_guard<std::mutex> hold(lock);
        return waiting.empty();
    }
    void StartTurns(const std::shared_ptr<Answers>& self);
    void TakeTurn();
};

namespace {

// UI thread only: the answers a timer takes in turns.
std::weak_ptr<CShellWorker::Answers> gAnswersInTurn;

void CALLBACK TakeAnswers(HWND, UINT, UINT_PTR, DWORD)
{
    if (auto answers = gAnswersInTurn.lock()) answers->TakeTurn();
}

}  // namespace

void CShellWorker::Answers::StartTurns(const std::shared_ptr<Answers>& self)
{
    gAnswersInTurn = self;
    if (!timer) timer = ::SetTimer(nullptr, 0, kAnswerTurnMs, TakeAnswers);
    TakeTurn();
}

void CShellWorker::Answers::TakeTurn()
{
    const auto end = std::chrono::steady_clock::now() + kTurnBudget;
    for (bool first = true; first || std::chrono::steady_clock::now() < end; first = false) {
        std::unique_ptr<IconAnswer> answer;
        {
            std::lock_guard<std::mutex> hold(lock);
            if (waiting.empty()) {
                turnsAsked = false;
                if (timer) ::KillTimer(nullptr, timer);
                timer = 0;
                return;
            }
            answer = std::move(waiting.front());
            waiting.pop_front();
        }
        if (queue) queue->Delivered(answer->request);
        if (listener) listener(*answer);
    }
}

namespace {

// Icon thread: the preload's walk of the tree, queuing what it finds.
class PreloadVisitor : public FolderVisitor {
public:
    PreloadVisitor(CIconQueue& queue, CIconTypes& types) : m_queue(queue), m_types(types) {}
    bool Folder(const FolderEntry&, const std::wstring&, bool) override { return true; }
    void File(const FolderEntry& entry, const std::wstring& path) override
    {
        m_queue.Add(MakeIconRequest(m_types, path.c_str(), entry), CIconQueue::Preload);
    }

private:
    CIconQueue& m_queue;
    CIconTypes& m_types;
};

// Icon thread: the next job of the queue. The icon threads share one
// look-up object for the lane's life: it remembers the types.
Job NextIconJob(const std::shared_ptr<CIconQueue>& queue, const std::shared_ptr<CShellWorker::Answers>& answers,
                const std::shared_ptr<std::atomic<unsigned>>& lookups, const std::shared_ptr<CIconLookup>& lookup)
{
    auto work = std::make_shared<CIconQueue::Work>();
    if (!queue->Take(*work)) return nullptr;
    return [queue, answers, lookups, lookup, work]() -> Task {
        Task reply;
        if (work->tree) {
            PreloadVisitor visitor(*queue, lookup->Types());
            SnapshotFolders source(*work->tree);
            WalkFolderTree(source, work->tree->Root(), visitor);
        } else if (work->request.recheck && lookup->SourcesUnchanged(work->request)) {
            // As it was: nothing to send.
        } else {
            ++*lookups;
            auto answer = std::make_unique<IconAnswer>(lookup->LookUp(work->request));
            answer->preloaded = work->preloaded;
            reply = answers->Add(std::move(answer), answers);
        }
        queue->Finish(*work);
        return reply;
    };
}

}  // namespace

CShellWorker::CShellWorker() { MakeLanes(); }

void CShellWorker::MakeLanes()
{
    // A thread left behind keeps the old queues; threads started later get
    // new ones, and the cache asks them again for what it still awaits.
    auto listener = m_answers ? m_answers->listener : nullptr;
    m_iconQueue = std::make_shared<CIconQueue>();
    m_answers = std::make_shared<Answers>();
    m_answers->listener = listener;
    m_answers->queue = m_iconQueue;
    m_launchQueue = std::make_shared<CJobQueue>(kPendingLaunches, true);
    m_dropQueue = std::make_shared<CJobQueue>(kPendingDrops, false);
    // The bounds: icons on 2 threads (a look-up past 2 s lets the second
    // start; with both stuck, icons wait and the menu shows type icons),
    // launches on 4 (one past 0.5 s lets the next start; with 4 stuck, new
    // launches wait in a queue of 32 that refuses more, and the user is
    // told), drops on 1 (one after another, 16 waiting at most).
    m_icons = std::make_unique<CLane>(
        [queue = m_iconQueue, answers = m_answers, lookups = m_lookups, lookup = std::make_shared<CIconLookup>()] {
            return NextIconJob(queue, answers, lookups, lookup);
        },
        CLane::Limits{ 2, 2000 });
    m_launches = std::make_unique<CLane>([queue = m_launchQueue] { return queue->Take(); }, CLane::Limits{ 4, 500 });
    // Drops one after another: a later one may replace what an earlier one made.
    m_drops = std::make_unique<CLane>([queue = m_dropQueue] { return queue->Take(); }, CLane::Limits{ 1, 0 });
}

void CShellWorker::SetIconListener(std::function<void(IconAnswer&)> listener)
{
    m_answers->listener = std::move(listener);
}

void CShellWorker::LookUp(std::vector<IconRequest> requests, Need need)
{
    if (requests.empty()) return;
    for (IconRequest& request : requests) m_iconQueue->Add(std::move(request), need);
    m_icons->Wake();
}

void CShellWorker::Raise(const std::vector<std::wstring>& keys)
{
    if (keys.empty()) return;
    m_iconQueue->Raise(keys);
    m_icons->Wake();
}

void CShellWorker::Preload(SnapshotPointer tree)
{
    m_iconQueue->AddTree(std::move(tree));
    m_icons->Wake();
}

void CShellWorker::Recheck(SharedRequests rechecks)
{
    m_iconQueue->SetRechecks(std::move(rechecks));
    m_icons->Wake();
}

void CShellWorker::SetMenuOpen(bool open)
{
    m_iconQueue->SetPreloadPaused(open);
    if (!open) m_icons->Wake();
}

void CShellWorker::HoldIcons(bool held)
{
    m_iconQueue->SetHeld(held);
    if (!held) m_icons->Wake();
}

CJobQueue::Added CShellWorker::Act(ActionLane lane, CWorkerThread::Job action, std::wstring key)
{
    const bool launch = lane == ActionLane::Launches;
    CJobQueue::Added added = (launch ? m_launchQueue : m_dropQueue)->Add(std::move(action), false, std::move(key));
    if (added == CJobQueue::Added::Queued) (launch ? m_launches : m_drops)->Wake();
    return added;
}

size_t CShellWorker::GetPending(ActionLane lane) const
{
    return (lane == ActionLane::Launches ? m_launchQueue : m_dropQueue)->GetPending();
}

bool CShellWorker::IsIdle() const
{
    return m_iconQueue->IsIdle() && m_answers->IsEmpty() && m_launchQueue->GetPending() == 0 &&
           m_dropQueue->GetPending() == 0 && !m_icons->IsBusy() && !m_launches->IsBusy() && !m_drops->IsBusy();
}

bool CShellWorker::HasLookedUpAll() const { return m_iconQueue->IsIdle(); }

bool CShellWorker::Stop(DWORD waitMs)
{
    const DWORD start = ::GetTickCount();
    bool ended = true;
    for (CLane* lane : { m_icons.get(), m_launches.get(), m_drops.get() }) {
        const DWORD spent = ::GetTickCount() - start;
        ended = lane->Stop(spent < waitMs ? waitMs - spent : 0) && ended;
    }
    if (m_answers->timer) ::KillTimer(nullptr, m_answers->timer);
    m_answers->timer = 0;
    MakeLanes();
    return ended;
}

CShellWorker& TheShellWorker()
{
    // Never destroyed: a thread stuck in a shell call at exit still holds it.
    static CShellWorker* worker = new CShellWorker;
    return *worker;
}

void RunOnLaneAndWait(CShellWorker::ActionLane lane, const std::function<void()>& work)
{
    auto done = std::make_shared<bool>(false);
    const auto added = TheShellWorker().Act(lane, [&work, done]() -> CWorkerThread::Task {
        work();
        return [done] { *done = true; };
    });
    if (added != CJobQueue::Added::Queued) {
        work();
        return;
    }
    MSG message;
    while (!*done && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}
