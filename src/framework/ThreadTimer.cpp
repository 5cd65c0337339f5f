// Thread timers found again by their ids: a timer without a window carries
// no pointer of its own to its owner.
#include "framework/ThreadTimer.h"

#include <unordered_map>

namespace {

// The running timers of this thread, by their ids.
thread_local std::unordered_map<UINT_PTR, CThreadTimer*> tRunning;

}  // namespace

void CThreadTimer::Start(DWORD ms, std::function<void()> tick)
{
    Stop();
    m_tick = std::move(tick);
    m_id = ::SetTimer(nullptr, 0, ms, Tick);
    if (m_id) tRunning[m_id] = this;
}

void CThreadTimer::Stop()
{
    if (!m_id) return;
    ::KillTimer(nullptr, m_id);
    tRunning.erase(m_id);
    m_id = 0;
}

void CALLBACK CThreadTimer::Tick(HWND, UINT, UINT_PTR id, DWORD)
{
    auto running = tRunning.find(id);
    if (running == tRunning.end()) {
        ::KillTimer(nullptr, id);  // one whose tick was already waiting when it stopped
        return;
    }
    // A copy: the callback may start the timer again with another one.
    const std::function<void()> tick = running->second->m_tick;
    tick();
}
