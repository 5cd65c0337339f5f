// The lane's threads: started on demand, one more when all are held up.
#include "framework/Lane.h"

bool CLane::StartThread()
{
    auto thread = std::make_unique<CWorkerThread>();
    if (!thread->Start(m_next)) return false;
    m_threads.push_back(std::move(thread));
    return true;
}

void CLane::Wake()
{
    bool anyFree = false;
    for (const auto& thread : m_threads) {
        const DWORD running = thread->RunningForMs();
        if (running == 0 || running <= m_limits.patienceMs) anyFree = true;
        thread->Wake();
    }
    if (!anyFree && static_cast<int>(m_threads.size()) < m_limits.maxThreads) StartThread();
}

bool CLane::IsBusy() const
{
    for (const auto& thread : m_threads)
        if (thread->IsBusy()) return true;
    return false;
}

bool CLane::Stop(DWORD waitMs)
{
    const DWORD start = ::GetTickCount();
    bool ended = true;
    for (auto& thread : m_threads) {
        const DWORD spent = ::GetTickCount() - start;
        ended = thread->Stop(spent < waitMs ? waitMs - spent : 0) && ended;
    }
    m_threads.clear();
    return ended;
}
