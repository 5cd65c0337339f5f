// The icon queue's order of need, and what it remembers so that nothing is
// looked up twice.
#include "shell/IconQueue.h"

#include "shell/FolderWalker.h"

void CIconQueue::Add(IconRequest request, Need need)
{
    std::lock_guard<std::mutex> hold(m_lock);
    // The answer to the very same question is on its way.
    for (const IconRequest& running : m_runningLookups)
        if (running.key == request.key && running.stamp == request.stamp) return;
    auto answered = m_answered.find(request.key);
    if (answered != m_answered.end() && answered->second == request.stamp) return;
    // The preload looks up only what the cache has not had yet.
    auto known = m_known.find(request.key);
    if (need == Preload && known != m_known.end() && known->second == request.stamp) return;
    auto waiting = m_waiting.find(request.key);
    if (waiting == m_waiting.end()) {
        std::wstring key = request.key;
        m_order[need].push_back(key);
        m_waiting.emplace(std::move(key), Waiting{ std::move(request), need });
        return;
    }
    waiting->second.request = std::move(request);  // a changed file: its new stamp
    if (need > waiting->second.need) {
        waiting->second.need = need;
        m_order[need].push_back(waiting->first);
    }
}

void CIconQueue::Raise(const std::vector<std::wstring>& keys)
{
    std::lock_guard<std::mutex> hold(m_lock);
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        auto waiting = m_waiting.find(*key);
        if (waiting == m_waiting.end()) continue;
        waiting->second.need = Shown;
        m_order[Shown].push_front(*key);
    }
}

void CIconQueue::AddTree(SnapshotPointer tree)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_tree = std::move(tree);
}

void CIconQueue::SetRechecks(SharedRequests rechecks)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_rechecks = std::move(rechecks);
    m_nextRecheck = 0;
}

void CIconQueue::SetPreloadPaused(bool paused)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_preloadPaused = paused;
}

void CIconQueue::SetHeld(bool held)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_held = held;
}

bool CIconQueue::Take(Work& work)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_held) return false;
    for (int need = Shown; need >= Preload; --need) {
        if (need == Preload && m_preloadPaused) break;
        if (TakeFrom(static_cast<Need>(need), work)) return true;
    }
    if (m_preloadPaused) return false;
    if (m_tree) {
        work.tree = std::move(m_tree);
        m_tree = nullptr;
        ++m_running;
        return true;
    }
    if (!m_rechecks || m_nextRecheck >= m_rechecks->size()) return false;
    // A recheck's answer is no answer to the same question: not noted as running.
    work.request = (*m_rechecks)[m_nextRecheck++];
    work.tree = nullptr;
    work.preloaded = false;
    ++m_running;
    return true;
}

bool CIconQueue::TakeFrom(Need need, Work& work)
{
    std::deque<std::wstring>& order = m_order[need];
    while (!order.empty()) {
        auto waiting = m_waiting.find(order.front());
        order.pop_front();
        if (waiting == m_waiting.end() || waiting->second.need != need) continue;
        work.request = std::move(waiting->second.request);
        work.preloaded = need == Preload;
        work.tree = nullptr;
        m_waiting.erase(waiting);
        ++m_running;
        m_runningLookups.push_back(work.request);
        return true;
    }
    return false;
}

void CIconQueue::Finish(const Work& work)
{
    std::lock_guard<std::mutex> hold(m_lock);
    --m_running;
    if (work.tree || work.request.recheck) return;
    for (auto running = m_runningLookups.begin(); running != m_runningLookups.end(); ++running) {
        if (running->key == work.request.key && running->stamp == work.request.stamp) {
            m_answered[running->key] = running->stamp;
            m_known[running->key] = running->stamp;
            m_runningLookups.erase(running);
            return;
        }
    }
}

void CIconQueue::Delivered(const IconRequest& request)
{
    std::lock_guard<std::mutex> hold(m_lock);
    auto answered = m_answered.find(request.key);
    if (answered != m_answered.end() && answered->second == request.stamp) m_answered.erase(answered);
}

bool CIconQueue::IsIdle() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_running == 0 && m_waiting.empty() && !m_tree &&
           (!m_rechecks || m_nextRecheck >= m_rechecks->size());
}
