// Thread timers found again by their ids: a timer without a window carries
// no pointer of its own to its owner.
#include "framework/ThreadTimer.h"

#include <unordered_map>

namespace {

// The running timers of this thread, by their ids. Never destroyed: a
// timer held in a static object may be stopped as the program ends, after
// the thread's own objects are gone.
std::unordered_map<UINT_PTR, CThreadTimer*>& Running()
{
    thread_local auto* running = new std::unordered_map<UINT_PTR, CThreadTimer*>;
    return *running;
}

}  // namespace

void CThreadTimer::Start(DWORD ms, std::function<void()> tick)
{
    Stop();
    m_tick = std::move(tick);
    m_id = ::SetTimer(nullptr, 0, ms, Tick);
    if (m_id) Running()[m_id] = this;
}

void CThreadTimer::Stop()
{
    if (!m_id) return;
    ::KillTimer(nullptr, m_id);
    Running().erase(m_id);
    m_id = 0;
}

void CALLBACK CThreadTimer::Tick(HWND, UINT, UINT_PTR id, DWORD)
{
    auto running = Running().find(id);
    if (running == Running().end()) {
        ::KillTimer(nullptr, id);  // one whose tick was already waiting when it stopped
        return;
    }
    // A copy: the callback may start the timer again with another one.
    const std::function<void()> tick = running->second->m_tick;
    tick();
}
