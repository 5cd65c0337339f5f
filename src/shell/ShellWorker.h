// The program's background work on the shell, so that the UI thread never
// waits for the shell or for a slow, sleeping or vanished drive. Three
// lanes, none of which waits behind another:
// - icons: looked up (CIconLookup) in order of need: what an open menu
//   shows first, then the menu just built, then the preload of the menu
//   folder tree, which waits while a menu is open; the answers come back to
//   the UI thread in batches, a few at a time between its other messages;
// - launches: each path opened once however often it is asked for while
//   pending, on threads of their own, so that one slow start does not hold
//   up the next;
// - drops: added to the menu folder one drop after another.
// The UI thread alone owns the icon cache, the image list and every window:
// answers and replies come back to it from its message loop. The worker
// lives as long as the process, so that a thread stuck in a shell call can
// simply be left behind at exit.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/Lane.h"
#include "shell/IconQueue.h"

class CShellWorker {
public:
    using Need = CIconQueue::Need;
    enum class ActionLane { Launches, Drops };

    CShellWorker();

    // UI thread: icons.
    void LookUp(std::vector<IconRequest> requests, Need need);
    // These keys are what an open menu shows now.
    void Raise(const std::vector<std::wstring>& keys);
    // Looks up the icons of every file of the tree, as the cache would
    // ask for them, before anyone does.
    void Preload(SnapshotPointer tree);
    void SetMenuOpen(bool open);
    // No new look-up starts while held: a press holds the icons until its
    // menu is on the screen, which their disk work (and Wine's server with
    // it) would otherwise slow down. Icons already known show at once.
    void HoldIcons(bool held);
    // Checks, when nothing else waits, whether these files' icons still
    // come from what they came from; an icon that changed is sent anew.
    void Recheck(SharedRequests rechecks);
    // Where the answers go, on the UI thread.
    void SetIconListener(std::function<void(IconAnswer&)> listener);

    // UI thread: runs the action on its lane; its reply, if any, comes back
    // to the UI thread. An action with a key that is still pending on the
    // lane is merged into it; a full lane refuses it.
    CJobQueue::Added Act(ActionLane lane, CWorkerThread::Job action, std::wstring key = {});
    // Actions queued or running on the lane.
    size_t GetPending(ActionLane lane) const;

    // Nothing queued, running or on its way back.
    bool IsIdle() const;
    // How many icons the shell was asked for.
    unsigned GetLookupCount() const { return *m_lookups; }
    // Every icon asked for is looked up: its answer is on its way to the UI
    // thread, or taken.
    bool HasLookedUpAll() const;

    // Ends every lane, waiting at most waitMs in all for calls in progress;
    // false when a thread was left in one. They start again when next needed.
    bool Stop(DWORD waitMs);

    // Answers on their way to the UI thread, taken a few at a time.
    struct Answers;

private:
    void MakeLanes();

    std::shared_ptr<CIconQueue> m_iconQueue;
    std::shared_ptr<CJobQueue> m_launchQueue, m_dropQueue;
    std::shared_ptr<std::atomic<unsigned>> m_lookups = std::make_shared<std::atomic<unsigned>>(0);
    std::shared_ptr<Answers> m_answers;
    std::unique_ptr<CLane> m_icons, m_launches, m_drops;
};

// The program's worker, made on first use from the UI thread.
CShellWorker& TheShellWorker();

// UI thread: runs the work on the lane and waits for it, answering the
// thread's messages meanwhile: for a step the user waits on (a save), whose
// disk may be slow. A full lane runs it here.
void RunOnLaneAndWait(CShellWorker::ActionLane lane, const std::function<void()>& work);
