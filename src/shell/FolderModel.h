// The folder model: the menu folder tree as last listed, kept on the worker
// side so that the UI thread never lists a folder itself. Each refresh lists
// the tree afresh on a listing thread (links and what lies below them only
// once their drive answered promptly) and publishes a new snapshot; the UI
// thread builds menus from the newest one and hears of each new one.
//
// Who owns what: the model's nodes belong to its listing threads, under the
// model's lock; a published snapshot is immutable and shared; the listener
// runs on the UI thread.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/Lane.h"
#include "shell/FolderListing.h"

class CFolderModel {
public:
    explicit CFolderModel(std::wstring root);
    ~CFolderModel();
    CFolderModel(const CFolderModel&) = delete;
    CFolderModel& operator=(const CFolderModel&) = delete;

    const std::wstring& Root() const { return m_root; }

    // UI thread: asks for a fresh listing of the tree; its number. A
    // listing held up by a folder that does not answer is asked for again
    // after a while: the next one passes that folder by.
    unsigned Refresh();
    // Waits at most ms for that listing (or a later one) to be published;
    // true when it was.
    bool WaitFor(unsigned refresh, DWORD ms);
    // Whether a refresh asked for now would come within ms: the last
    // complete one took no longer, and none under way has taken longer yet.
    // A large tree or a folder that does not answer makes it slow, and a
    // wait for it would only hold the caller up.
    bool IsPrompt(DWORD ms) const;
    // Refresh and wait for it however long it takes (tests, tools).
    void RefreshAndWait();
    // The newest snapshot; before the first listing, one in which the top
    // folder is still being read.
    SnapshotPointer Snapshot() const;
    // UI thread: called from the message loop with each new snapshot.
    void AddListener(std::function<void(const SnapshotPointer&)> listener) { m_listeners.push_back(std::move(listener)); }
    // Whether the first listing made the top folder (it was not there).
    bool MadeTopFolder() const;

    // No folder is listed from now on (until the next Refresh): a refresh
    // under way ends at its next folder.
    void StopListing();
    // Ends the listing threads, waiting at most waitMs; false when one was
    // left in a call.
    bool Stop(DWORD waitMs);

    struct State;

private:
    // Asks again for a refresh still not done, or stops asking.
    void RetryHeldUpRefresh();

    std::wstring m_root;
    std::shared_ptr<State> m_state;
    std::vector<std::function<void(const SnapshotPointer&)>> m_listeners;
    CLane m_lane;
    CThreadTimer m_retryTimer;
};

// The model of the program's menu folder (the executable's path without
// its extension), made on first use. UI thread.
CFolderModel& TheFolderModel();
// The menu folder's path.
LPCWSTR MenuFolderPath();
