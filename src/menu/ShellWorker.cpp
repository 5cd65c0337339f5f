#include "menu/ShellWorker.h"

#include "framework/ShellFiles.h"
#include "menu/IconCache.h"

namespace {

using Job = CWorkerThread::Job;
using Task = CWorkerThread::Task;

// Icon thread: lists one folder for the preload, queuing its files' icons
// and its subfolders (links back up the chain aside).
void ListForPreload(CIconQueue& queue, CIconTypes& types, const FolderChain::Link& folder)
{
    wchar_t path[MAX_PATH];
    for (const WIN32_FIND_DATAW& entry : ListFolder(folder->Path().c_str())) {
        if (!JoinPath(path, folder->Path().c_str(), entry.cFileName)) continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!folder->LoopsBack(path, entry.dwFileAttributes))
                queue.AddFolder(FolderChain::Extend(folder, path, entry.dwFileAttributes));
        } else if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) {
            queue.Add(MakeIconRequest(types, path, entry), CIconQueue::Preload);
        }
    }
}

// Icon thread: the next job of the queue.
Job NextIconJob(const std::shared_ptr<CIconQueue>& queue, const std::shared_ptr<CIconLookup>& lookup,
                const std::shared_ptr<std::atomic<unsigned>>& lookups)
{
    auto work = std::make_shared<CIconQueue::Work>();
    if (!queue->Take(*work)) return nullptr;
    return [queue, lookup, lookups, work]() -> Task {
        Task reply;
        if (work->folder) {
            ListForPreload(*queue, lookup->Types(), work->folder);
        } else if (work->request.recheck && lookup->SourcesUnchanged(work->request)) {
            // As it was: nothing to send.
        } else {
            ++*lookups;
            auto answer = std::make_shared<IconAnswer>(lookup->LookUp(work->request));
            answer->preloaded = work->preloaded;
            reply = [queue, answer] {
                queue->Delivered(answer->request);
                TheIconCache().Accept(*answer);
            };
        }
        queue->Finish();
        return reply;
    };
}

}  // namespace

void CShellWorker::Start()
{
    if (m_icons.IsRunning()) return;
    // One look-up object for the thread's life: it remembers the types.
    m_icons.Start([queue = m_iconQueue, lookup = std::make_shared<CIconLookup>(), lookups = m_lookups] {
        return NextIconJob(queue, lookup, lookups);
    });
    m_actions.Start([queue = m_actionQueue] { return queue->Take(); });
}

void CShellWorker::LookUp(std::vector<IconRequest> requests, Need need)
{
    if (requests.empty()) return;
    Start();
    for (IconRequest& request : requests) m_iconQueue->Add(std::move(request), need);
    m_icons.Wake();
}

void CShellWorker::Raise(const std::vector<std::wstring>& keys)
{
    if (keys.empty()) return;
    m_iconQueue->Raise(keys);
    m_icons.Wake();
}

void CShellWorker::Preload(LPCWSTR folder)
{
    Start();
    m_iconQueue->AddFolder(FolderChain::Start(folder));
    m_icons.Wake();
}

void CShellWorker::Recheck(std::vector<IconRequest> rechecks)
{
    Start();
    m_iconQueue->SetRechecks(std::move(rechecks));
    m_icons.Wake();
}

void CShellWorker::SetMenuOpen(bool open)
{
    m_iconQueue->SetPreloadPaused(open);
    if (!open) m_icons.Wake();
}

void CShellWorker::Act(CWorkerThread::Job action)
{
    Start();
    m_actionQueue->Add(std::move(action));
    m_actions.Wake();
}

bool CShellWorker::IsIdle() const
{
    return m_iconQueue->IsIdle() && m_actionQueue->IsEmpty() && !m_icons.IsBusy() && !m_actions.IsBusy();
}

void CShellWorker::Stop(DWORD waitMs)
{
    const DWORD start = ::GetTickCount();
    m_icons.Stop(waitMs);
    const DWORD spent = ::GetTickCount() - start;
    m_actions.Stop(spent < waitMs ? waitMs - spent : 0);
    // A thread left behind keeps the old queues; threads started later get
    // new ones, and the cache asks them again for what it still awaits.
    m_iconQueue = std::make_shared<CIconQueue>();
    m_actionQueue = std::make_shared<CJobQueue>();
}

CShellWorker& TheShellWorker()
{
    // Never destroyed: a thread stuck in a shell call at exit still holds it.
    static CShellWorker* worker = new CShellWorker;
    return *worker;
}
