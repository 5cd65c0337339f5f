// The icon look-ups waiting for the shell worker, in order of need: what an
// open menu shows now, then the rest of the menu just built, then the
// preload of the menu folder (which waits while a menu is open). A file
// asked for twice (while queued, looked up, or on its way back) is looked
// up once; asked for again with a new stamp (it changed), it is looked up
// again. Any thread may add; the icon threads take.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "shell/FolderListing.h"
#include "shell/IconLookup.h"

class CIconQueue {
public:
    enum Need { Preload, Menu, Shown, NeedCount };

    // One piece of work: a look-up, or (for the preload) a snapshot of the
    // menu folder tree to walk.
    struct Work {
        IconRequest request;
        bool preloaded = false;  // nobody has asked for it yet
        SnapshotPointer tree;
    };

    void Add(IconRequest request, Need need);
    // The keys still waiting go first, in this order, ahead of all others.
    void Raise(const std::vector<std::wstring>& keys);
    // The preload walks the tree once the files it knows are done.
    void AddTree(SnapshotPointer tree);
    // Checks of known files (recheck requests), done one at a time when
    // nothing else waits; a new list replaces one not yet done.
    void SetRechecks(SharedRequests rechecks);
    void SetPreloadPaused(bool paused);
    // While held, nothing is taken (a look-up under way goes on).
    void SetHeld(bool held);

    // The next piece of work, taken out of the queue; false for none now.
    bool Take(Work& work);
    // The work is done; its answer, if any, is on its way to the UI thread,
    // and the same question is not looked up again until the answer has
    // been delivered.
    void Finish(const Work& work);
    void Delivered(const IconRequest& request);
    // Nothing waits (a paused preload included) and nothing runs.
    bool IsIdle() const;

private:
    struct Waiting {
        IconRequest request;
        Need need;
    };
    bool TakeFrom(Need need, Work& work);

    mutable std::mutex m_lock;
    std::unordered_map<std::wstring, Waiting> m_waiting;
    // Keys by need; a key whose need has since risen, or that has been
    // taken, is passed over where it still stands.
    std::deque<std::wstring> m_order[NeedCount];
    SnapshotPointer m_tree;  // the preload's, still to walk
    SharedRequests m_rechecks;
    size_t m_nextRecheck = 0;
    bool m_preloadPaused = false;
    bool m_held = false;
    int m_running = 0;
    std::vector<IconRequest> m_runningLookups;  // the look-ups under way
    std::unordered_map<std::wstring, FileStamp> m_answered;  // on their way
    std::unordered_map<std::wstring, FileStamp> m_known;     // ever answered: the preload skips them
};
