// The folder model's refreshes: each walks the tree from the disk with the
// one folder walk, a folder at a time, and publishes what it found.
#include "shell/FolderModel.h"

#include <algorithm>
#include <atomic>
#include <unordered_map>

#include "framework/ExecutablePath.h"
#include "framework/ShellFiles.h"
#include "shell/FolderWalker.h"
#include "shell/IconLookup.h"
#include "shell/Probe.h"

// Shared by the model and its listing threads, under the lock.
struct CFolderModel::State {
    struct Node {
        ListingPointer latest;  // the newest listing, or nullptr
        bool busy = false;      // a thread is listing it now
        unsigned reachedBy = 0; // the newest refresh that reached it
    };

    std::wstring root;
    std::mutex lock;
    std::condition_variable published;
    std::condition_variable listed;  // a folder's listing ended
    std::unordered_map<std::wstring, Node> nodes;  // by FolderKey
    SnapshotPointer snapshot;
    unsigned requested = 0;  // the newest refresh asked for
    unsigned completed = 0;  // the newest refresh published
    unsigned generation = 0;
    DWORD lastRefreshMs = 0;  // how long the newest complete refresh took
    std::vector<DWORD> runningSince;  // when each refresh under way began
    bool firstPass = true;
    bool madeTop = false;
    std::atomic<bool> stopping{ false };  // the model ends: no folder is listed any more
    CJobQueue passes;
};

namespace {

using State = CFolderModel::State;

// How long a refresh waits for a folder that another refresh is listing.
constexpr DWORD kBusyWaitMs = 1000;

// The model's own listings: from the disk, except a folder another thread
// is listing (its newest listing stands in) and a link, or a folder below
// one, whose drive does not answer promptly (its last entries stand in).
class ModelFolders : public FolderSource {
public:
    explicit ModelFolders(State& state) : m_state(state) {}

    // A folder another refresh is listing is waited for a while and then
    // listed again: that listing may have begun before a change this
    // refresh must see. One held up longer is passed by.
    ListingPointer Listing(const FolderChain::Link& folder) override
    {
        if (m_state.stopping) return nullptr;
        const std::wstring key = PathKey(folder->Path());
        {
            std::unique_lock<std::mutex> hold(m_state.lock);
            auto free = [&] { return !m_state.nodes[key].busy || m_state.stopping; };
            if (!m_state.listed.wait_for(hold, std::chrono::milliseconds(kBusyWaitMs), free)) {
                const ListingPointer& latest = m_state.nodes[key].latest;
                return latest ? latest : Standing(folder->Path(), ListingState::Reading, nullptr);
            }
            m_state.nodes[key].busy = true;
        }
        ListingPointer listing = ListFrom(folder);
        std::lock_guard<std::mutex> hold(m_state.lock);
        State::Node& node = m_state.nodes[key];
        node.busy = false;
        node.latest = listing;
        m_state.listed.notify_all();
        return listing;
    }

    bool LoopsBack(const FolderChain::Link&, const std::wstring&, const FolderEntry& entry) override
    {
        return entry.loopsBack;
    }

private:
    // What stands for a folder not listed now: its last entries, if any.
    static ListingPointer Standing(const std::wstring& path, ListingState state, const ListingPointer& last)
    {
        auto standing = std::make_shared<FolderListing>();
        standing->path = path;
        standing->state = state;
        if (last) standing->entries = last->entries;
        return standing;
    }

    ListingPointer Latest(const FolderChain::Link& folder)
    {
        std::lock_guard<std::mutex> hold(m_state.lock);
        return m_state.nodes[PathKey(folder->Path())].latest;
    }

    ListingPointer ListFrom(const FolderChain::Link& folder)
    {
        // Listing a folder reads where each link in it leads (Wine does,
        // and holds every other listing of the process while it waits):
        // one whose link does not answer keeps its last entries.
        ListingPointer last = Latest(folder);
        if (last && !LinksAnswer(folder, *last)) return Standing(folder->Path(), ListingState::Listed, last);
        if (folder->IsBelowLink()) {
            ProbeAnswer answer = ProbeFolder(folder->Path(), kPromptAnswerMs);
            if (!answer.prompt) return Standing(folder->Path(), ListingState::NotResponding, Latest(folder));
            if (answer.attributes == INVALID_FILE_ATTRIBUTES || !(answer.attributes & FILE_ATTRIBUTE_DIRECTORY))
                return Standing(folder->Path(), ListingState::Unreadable, nullptr);
        }
        auto listing = std::make_shared<FolderListing>(ListFolderFromDisk(folder->Path()));
        MarkLoops(folder, *listing);
        ReadShortcutTargets(*listing, last.get());
        return listing;
    }

    // The program each shortcut leads to, for Find: read only from a
    // shortcut new or changed since the last listing, and never from a
    // cloud placeholder (reading it would download it).
    static void ReadShortcutTargets(FolderListing& listing, const FolderListing* last)
    {
        std::unordered_map<std::wstring, const FolderEntry*> before;
        if (last)
            for (const FolderEntry& entry : last->entries) before.emplace(entry.name, &entry);
        for (FolderEntry& entry : listing.entries) {
            if (entry.IsFolder() || IsPlaceholder(entry.attributes) ||
                lstrcmpiW(::PathFindExtensionW(entry.name.c_str()), L".lnk") != 0)
                continue;
            const auto known = before.find(entry.name);
            if (known != before.end() && known->second->size == entry.size &&
                ::CompareFileTime(&known->second->written, &entry.written) == 0)
                entry.target = known->second->target;
            else
                entry.target = ShortcutTargetName((listing.path + L"\\" + entry.name).c_str());
        }
    }

    static bool LinksAnswer(const FolderChain::Link& folder, const FolderListing& listing)
    {
        for (const FolderEntry& entry : listing.entries)
            if ((entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                !ProbeFolder(folder->Path() + L"\\" + entry.name, kPromptAnswerMs).prompt)
                return false;
        return true;
    }

    // A link among the subfolders is followed only once its drive has
    // answered promptly: telling where it leads opens it.
    static void MarkLoops(const FolderChain::Link& folder, FolderListing& listing)
    {
        for (FolderEntry& entry : listing.entries) {
            if (!entry.IsFolder() || (!folder->IsBelowLink() && !(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)))
                continue;
            const std::wstring path = folder->Path() + L"\\" + entry.name;
            if (ProbeFolder(path, kPromptAnswerMs).prompt)
                entry.loopsBack = folder->LoopsBack(path.c_str(), entry.attributes);
        }
    }

    State& m_state;
};

// How often a refresh that takes long publishes what it has so far.
constexpr DWORD kPartialEveryMs = 100;

// Publishes the newest listing of every folder known; a complete refresh
// also forgets the folders no refresh since its own has reached: one held
// up, finishing after a newer one, keeps what the newer one found. Under
// the lock.
void Publish(State& state, unsigned refresh, bool complete)
{
    auto snapshot = std::make_shared<FolderSnapshot>(state.root, ++state.generation);
    for (auto node = state.nodes.begin(); node != state.nodes.end();) {
        if (complete && !node->second.busy && node->second.reachedBy < refresh) {
            node = state.nodes.erase(node);
            continue;
        }
        if (node->second.latest) snapshot->Add(node->second.latest);
        ++node;
    }
    state.snapshot = snapshot;
}

// Notes the folders a refresh reached, and publishes along the way when it
// takes long: the folders listed so far show while another is still read.
class Reached : public FolderVisitor {
public:
    // The top folder's listing is published at once.
    Reached(State& state, unsigned refresh)
        : m_state(state), m_refresh(refresh), m_lastPublished(::GetTickCount() - kPartialEveryMs)
    {
    }
    bool Folder(const FolderEntry&, const std::wstring&, bool) override { return true; }
    void Enter(const ListingPointer& listing) override
    {
        std::lock_guard<std::mutex> hold(m_state.lock);
        if (listing) {
            unsigned& reachedBy = m_state.nodes[PathKey(listing->path)].reachedBy;
            reachedBy = std::max(reachedBy, m_refresh);
        }
        if (::GetTickCount() - m_lastPublished < kPartialEveryMs) return;
        Publish(m_state, m_refresh, false);
        m_lastPublished = ::GetTickCount();
    }
    void File(const FolderEntry&, const std::wstring&) override {}

private:
    State& m_state;
    unsigned m_refresh;
    DWORD m_lastPublished;
};

// A listing thread: one refresh of the whole tree, then its publication.
CWorkerThread::Task RunRefresh(const std::shared_ptr<State>& state, unsigned refresh)
{
    const DWORD started = ::GetTickCount();
    {
        std::lock_guard<std::mutex> hold(state->lock);
        state->runningSince.push_back(started);
        if (state->firstPass) {
            state->firstPass = false;
            state->madeTop = ::CreateDirectoryW(state->root.c_str(), nullptr) != FALSE;
        }
    }
    ModelFolders source(*state);
    Reached visitor(*state, refresh);
    WalkFolderTree(source, state->root, visitor);

    std::lock_guard<std::mutex> hold(state->lock);
    Publish(*state, refresh, true);
    state->lastRefreshMs = ::GetTickCount() - started;
    state->runningSince.erase(std::find(state->runningSince.begin(), state->runningSince.end(), started));
    if (refresh > state->completed) state->completed = refresh;
    state->published.notify_all();
    return nullptr;
}

// How long a refresh may take before it is asked for again.
constexpr UINT kRetryAfterMs = 1500;

SnapshotPointer EmptySnapshot(const std::wstring& root)
{
    auto snapshot = std::make_shared<FolderSnapshot>(root, 0);
    auto listing = std::make_shared<FolderListing>();
    listing->path = root;
    listing->state = ListingState::Reading;
    snapshot->Add(listing);
    return snapshot;
}

}  // namespace

CFolderModel::CFolderModel(std::wstring root)
    : m_root(std::move(root)), m_state(std::make_shared<State>()),
      m_lane([state = m_state] { return state->passes.Take(); }, CLane::Limits{ 4, 1000 })
{
    m_state->root = m_root;
    m_state->snapshot = EmptySnapshot(m_root);
}

CFolderModel::~CFolderModel() { Stop(0); }

void CFolderModel::RetryHeldUpRefresh()
{
    unsigned requested, completed;
    {
        std::lock_guard<std::mutex> hold(m_state->lock);
        requested = m_state->requested;
        completed = m_state->completed;
    }
    if (completed >= requested)
        m_retryTimer.Stop();
    else
        Refresh();
}

unsigned CFolderModel::Refresh()
{
    unsigned refresh;
    {
        std::lock_guard<std::mutex> hold(m_state->lock);
        refresh = ++m_state->requested;
        m_state->stopping = false;  // asked again after a stop: it starts anew
    }
    // One refresh waiting is enough: it lists whatever changed before it.
    m_state->passes.Add(
        [state = m_state, this]() -> CWorkerThread::Task {
            unsigned number;
            {
                std::lock_guard<std::mutex> hold(state->lock);
                number = state->requested;
            }
            RunRefresh(state, number);
            return [this, state] {
                SnapshotPointer snapshot;
                {
                    std::lock_guard<std::mutex> hold(state->lock);
                    snapshot = state->snapshot;
                }
                for (const auto& listener : m_listeners) listener(snapshot);
            };
        },
        false, L"refresh");
    m_lane.Wake();
    if (!m_retryTimer.IsRunning()) m_retryTimer.Start(kRetryAfterMs, [this] { RetryHeldUpRefresh(); });
    return refresh;
}

bool CFolderModel::WaitFor(unsigned refresh, DWORD ms)
{
    std::unique_lock<std::mutex> wait(m_state->lock);
    return m_state->published.wait_for(wait, std::chrono::milliseconds(ms),
                                       [&] { return m_state->completed >= refresh; });
}

bool CFolderModel::IsPrompt(DWORD ms) const
{
    std::lock_guard<std::mutex> hold(m_state->lock);
    if (m_state->lastRefreshMs > ms) return false;
    // One still going for longer (held up by a folder) holds up the new one
    // too.
    const DWORD now = ::GetTickCount();
    for (DWORD started : m_state->runningSince)
        if (now - started > ms) return false;
    return true;
}

void CFolderModel::RefreshAndWait()
{
    const unsigned refresh = Refresh();
    std::unique_lock<std::mutex> wait(m_state->lock);
    m_state->published.wait(wait, [&] { return m_state->completed >= refresh; });
}

SnapshotPointer CFolderModel::Snapshot() const
{
    std::lock_guard<std::mutex> hold(m_state->lock);
    return m_state->snapshot;
}

bool CFolderModel::MadeTopFolder() const
{
    std::lock_guard<std::mutex> hold(m_state->lock);
    return m_state->madeTop;
}

void CFolderModel::StopListing() { m_state->stopping = true; }

bool CFolderModel::Stop(DWORD waitMs)
{
    StopListing();
    m_retryTimer.Stop();
    return m_lane.Stop(waitMs);
}

CFolderModel& TheFolderModel()
{
    // Never destroyed: a listing thread stuck on a drive still holds it.
    static CFolderModel* model = new CFolderModel(std::wstring(ExecutableSibling(L"")));
    return *model;
}

LPCWSTR MenuFolderPath()
{
    static const std::wstring path(ExecutableSibling(L""));
    return path.c_str();
}
