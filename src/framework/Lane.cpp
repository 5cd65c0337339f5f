// The lane's threads: started on demand, one more when all are held up.
#include "framework/Lane.h"

#include <algorithm>

bool CLane::StartThread()
{
    auto thread = std::make_unique<CWorkerThread>();
    if (!thread->Start(m_next)) return false;
    m_threads.push_back(std::move(thread));
    return true;
}

void CLane::Wake()
{
    bool anyIdle = false;
    DWORD soonestHeldUpInMs = INFINITE;  // until the first thread passes the patience
    for (const auto& thread : m_threads) {
        const DWORD running = thread->RunningForMs();
        if (running == 0)
            anyIdle = true;
        else if (running <= m_limits.patienceMs)
            soonestHeldUpInMs = std::min(soonestHeldUpInMs, m_limits.patienceMs - running + 1);
        thread->Wake();
    }
    if (anyIdle || static_cast<int>(m_threads.size()) >= m_limits.maxThreads) return;
    if (soonestHeldUpInMs == INFINITE)
        StartThread();
    else
        LookAgainIn(soonestHeldUpInMs);
}

void CLane::LookAgainIn(DWORD ms)
{
    m_lookAgain.Start(ms, [this] {
        m_lookAgain.Stop();
        Wake();
    });
}

bool CLane::IsBusy() const
{
    for (const auto& thread : m_threads)
        if (thread->IsBusy()) return true;
    return false;
}

bool CLane::Stop(DWORD waitMs)
{
    m_lookAgain.Stop();
    const DWORD start = ::GetTickCount();
    bool ended = true;
    for (auto& thread : m_threads) {
        const DWORD spent = ::GetTickCount() - start;
        ended = thread->Stop(spent < waitMs ? waitMs - spent : 0) && ended;
    }
    m_threads.clear();
    return ended;
}
