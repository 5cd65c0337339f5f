// The program's background work on the shell, so that the UI thread never
// waits for the shell or for a slow or sleeping drive.
//
// Two threads:
// - the icon thread looks up icons (CIconLookup) in order of need: what an
//   open menu shows first, then the menu just built, then the preload of the
//   menu folder, which waits while a menu is open;
// - the action thread runs launches and drops one after another, in the
//   order they were asked for.
// The UI thread alone owns the icon cache, the image list and every window:
// answers come back to it as replies, run from its message loop. The
// worker lives as long as the process, so that a thread stuck in a shell
// call can simply be left behind at exit.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "framework/WorkerThread.h"
#include "menu/IconQueue.h"

class CShellWorker {
public:
    using Need = CIconQueue::Need;

    // UI thread: icons.
    void LookUp(std::vector<IconRequest> requests, Need need);
    // These keys are what an open menu shows now.
    void Raise(const std::vector<std::wstring>& keys);
    // Looks up the icons of every file under the folder, as the cache would
    // ask for them, before anyone does.
    void Preload(LPCWSTR folder);
    void SetMenuOpen(bool open);
    // Checks, when nothing else waits, whether these files' icons still
    // come from what they came from; an icon that changed is sent anew.
    void Recheck(std::vector<IconRequest> rechecks);

    // UI thread: runs the action on the action thread after those asked for
    // before it; its reply, if any, comes back to the UI thread.
    void Act(CWorkerThread::Job action);

    // Nothing queued, running or on its way back.
    bool IsIdle() const;
    // How many icons the shell was asked for.
    unsigned GetLookupCount() const { return *m_lookups; }

    // Ends both threads, waiting at most waitMs for a call in progress. They
    // start again when next needed.
    void Stop(DWORD waitMs);

private:
    void Start();

    std::shared_ptr<CIconQueue> m_iconQueue = std::make_shared<CIconQueue>();
    std::shared_ptr<CJobQueue> m_actionQueue = std::make_shared<CJobQueue>();
    std::shared_ptr<std::atomic<unsigned>> m_lookups = std::make_shared<std::atomic<unsigned>>(0);
    CWorkerThread m_icons;
    CWorkerThread m_actions;
};

// The program's worker, started on first use from the UI thread.
CShellWorker& TheShellWorker();
