#include "menu/IconQueue.h"

void CIconQueue::Add(IconRequest request, Need need)
{
    std::lock_guard<std::mutex> hold(m_lock);
    // The answer to the very same question is on its way.
    if (m_runningLookup && m_runningLookup->key == request.key && m_runningLookup->stamp == request.stamp) return;
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

void CIconQueue::AddFolder(FolderChain::Link folder)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_folders.push_back(std::move(folder));
}

void CIconQueue::SetRechecks(std::vector<IconRequest> rechecks)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_rechecks.assign(std::make_move_iterator(rechecks.begin()), std::make_move_iterator(rechecks.end()));
}

void CIconQueue::SetPreloadPaused(bool paused)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_preloadPaused = paused;
}

bool CIconQueue::Take(Work& work)
{
    std::lock_guard<std::mutex> hold(m_lock);
    for (int need = Shown; need >= Preload; --need) {
        if (need == Preload && m_preloadPaused) break;
        if (TakeFrom(static_cast<Need>(need), work)) return true;
    }
    if (m_preloadPaused) return false;
    if (!m_folders.empty()) {
        // The preload lists its next folder once the files it knows are done.
        work.folder = std::move(m_folders.back());
        m_folders.pop_back();
        m_running = true;
        m_runningLookup.reset();
        return true;
    }
    if (m_rechecks.empty()) return false;
    work.request = std::move(m_rechecks.front());
    work.folder = nullptr;
    work.preloaded = false;
    m_rechecks.pop_front();
    m_running = true;
    m_runningLookup.reset();  // a recheck's answer is no answer to the same question
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
        work.folder = nullptr;
        m_waiting.erase(waiting);
        m_running = true;
        m_runningLookup = work.request;
        return true;
    }
    return false;
}

void CIconQueue::Finish()
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_runningLookup) {
        m_answered[m_runningLookup->key] = m_runningLookup->stamp;
        m_known[m_runningLookup->key] = m_runningLookup->stamp;
    }
    m_running = false;
    m_runningLookup.reset();
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
    return !m_running && m_waiting.empty() && m_folders.empty() && m_rechecks.empty();
}
