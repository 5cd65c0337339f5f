#include "find/FindIndex.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "find/UseScores.h"
#include "framework/ShellFiles.h"
#include "shell/FolderWalker.h"

namespace {

constexpr uint8_t kRunsBit = 0x80;
constexpr uint8_t kDeepest = 0x7F;

// The name the menu shows: a file's up to its last dot.
size_t ShownNameLength(const FolderEntry& entry)
{
    if (entry.IsFolder()) return entry.name.size();
    const size_t dot = entry.name.rfind(L'.');
    return dot == std::wstring::npos ? entry.name.size() : dot;
}

// What the shell runs rather than opens in a program: listed first, as the
// Start menu lists apps before documents.
bool ShellRuns(const FolderEntry& entry)
{
    if (entry.IsFolder()) return false;
    static const wchar_t* const kRun[] = { L".exe", L".lnk", L".url", L".bat", L".cmd", L".msc", L".cpl", L".com" };
    const size_t dot = entry.name.rfind(L'.');
    if (dot == std::wstring::npos) return false;
    const std::wstring extension = FoldForSearch(std::wstring_view(entry.name).substr(dot));
    return std::any_of(std::begin(kRun), std::end(kRun), [&](const wchar_t* run) { return extension == run; });
}

// A use score on a log scale in a byte: 12 steps to a doubling, 0 for none.
uint8_t UseByte(double score)
{
    if (!(score > 0)) return 0;
    const double scaled = 1 + std::round((std::log2(score) + 8) * 12);
    return static_cast<uint8_t>(std::max(1.0, std::min(255.0, scaled)));
}

// Collects the walk's files and folders: what the menu shows.
class Collector : public FolderVisitor {
public:
    explicit Collector(std::vector<std::pair<size_t, const FolderEntry*>>& found, std::vector<std::wstring>& folders)
        : m_found(found), m_folders(folders)
    {
    }
    bool Folder(const FolderEntry& entry, const std::wstring&, bool loopsBack) override
    {
        m_found.emplace_back(m_current.back(), &entry);
        return !loopsBack;
    }
    void Enter(const ListingPointer& listing) override
    {
        m_folders.push_back(listing ? listing->path : std::wstring());
        m_current.push_back(m_folders.size() - 1);
    }
    void Leave() override { m_current.pop_back(); }
    void File(const FolderEntry& entry, const std::wstring&) override { m_found.emplace_back(m_current.back(), &entry); }

private:
    std::vector<std::pair<size_t, const FolderEntry*>>& m_found;
    std::vector<std::wstring>& m_folders;
    std::vector<size_t> m_current;  // the folders being walked, innermost last
};

}  // namespace

void FindIndex::Build(SnapshotPointer snapshot)
{
    m_snapshot = std::move(snapshot);
    m_folders.clear();
    m_items.clear();
    m_folded.clear();
    m_useTaken = false;
    if (!m_snapshot) return;
    std::vector<std::pair<size_t, const FolderEntry*>> found;
    Collector collector(found, m_folders);
    SnapshotFolders source(*m_snapshot);
    WalkFolderTree(source, m_snapshot->Root(), collector);
    const size_t rootLength = m_snapshot->Root().size();
    std::vector<uint8_t> depths;
    for (const std::wstring& folder : m_folders) {
        const size_t below = folder.size() > rootLength ? std::count(folder.begin() + rootLength, folder.end(), L'\\') : 0;
        depths.push_back(static_cast<uint8_t>(std::min<size_t>(below, kDeepest)));
    }
    m_items.reserve(found.size());
    for (const auto& [folder, entry] : found) {
        const FoldedName name = FoldName(std::wstring_view(entry->name).substr(0, ShownNameLength(*entry)));
        const std::wstring target = FoldForSearch(entry->target);
        Item item = {};
        item.entry = entry;
        item.wordStarts = name.wordStarts;
        item.folder = static_cast<uint32_t>(folder);
        item.folded = static_cast<uint32_t>(m_folded.size());
        item.foldedLength = static_cast<uint8_t>(std::min<size_t>(name.text.size(), 0xFF));
        item.targetLength = static_cast<uint8_t>(std::min<size_t>(target.size(), 0xFF));
        item.depthAndRuns = static_cast<uint8_t>(depths[folder] | (ShellRuns(*entry) ? kRunsBit : 0));
        m_folded.append(name.text, 0, item.foldedLength);
        m_folded.append(target, 0, item.targetLength);
        item.letters = LetterBits(std::wstring_view(m_folded).substr(item.folded));
        m_items.push_back(item);
    }
    m_folded.shrink_to_fit();
    m_candidates = {};
}

void FindIndex::SetUse(const UseScores* use)
{
    m_use = use;
    m_useTaken = false;
}

// The scores by the entries' paths, onto the items: again only when they
// changed (an entry opened) or the tree was indexed anew.
void FindIndex::TakeUse() const
{
    if (m_useTaken && (!m_use || m_use->Version() == m_useVersion)) return;
    m_useTaken = true;
    for (const Item& item : m_items) item.use = 0;
    if (!m_use || !m_snapshot) return;
    m_useVersion = m_use->Version();
    std::unordered_map<std::wstring, uint32_t> folders;  // by PathKey
    for (uint32_t i = 0; i < m_folders.size(); ++i) folders.emplace(PathKey(m_folders[i]), i);
    // The scored names of each folder that holds some.
    std::unordered_map<uint32_t, std::vector<std::pair<std::wstring, double>>> scored;
    const std::wstring& root = m_snapshot->Root();
    m_use->ForEachScore([&](const std::wstring& path, double score) {
        const size_t slash = path.rfind(L'\\');
        const std::wstring folder = slash == std::wstring::npos ? root : root + L"\\" + path.substr(0, slash);
        const auto found = folders.find(PathKey(folder));
        if (found != folders.end())
            scored[found->second].emplace_back(PathKey(path.substr(slash == std::wstring::npos ? 0 : slash + 1)), score);
    });
    if (scored.empty()) return;
    for (const Item& item : m_items) {
        const auto folder = scored.find(item.folder);
        if (folder == scored.end()) continue;
        const std::wstring name = PathKey(item.entry->name);
        for (const auto& [scoredName, score] : folder->second)
            if (scoredName == name) item.use = UseByte(score);
    }
}

NameView FindIndex::ViewOf(const Item& item) const
{
    const std::wstring_view folded = std::wstring_view(m_folded).substr(item.folded, item.foldedLength + item.targetLength);
    return { folded.substr(0, item.foldedLength), item.wordStarts, folded.substr(item.foldedLength) };
}

// Tier, use, runs, depth and length in the high bits, best lowest; the item
// in the low 32.
FindIndex::Candidate FindIndex::Rank(MatchTier tier, uint32_t index) const
{
    const Item& item = m_items[index];
    const uint64_t doesNotRun = (item.depthAndRuns & kRunsBit) ? 0 : 1;
    return static_cast<uint64_t>(tier) << 61 | static_cast<uint64_t>(0xFF - item.use) << 53 | doesNotRun << 52 |
           static_cast<uint64_t>(item.depthAndRuns & kDeepest) << 45 | static_cast<uint64_t>(item.foldedLength) << 37 |
           index;
}

bool FindIndex::Better(Candidate a, Candidate b) const
{
    if ((a >> 32) != (b >> 32)) return a < b;
    const Item& first = m_items[static_cast<uint32_t>(a)];
    const Item& second = m_items[static_cast<uint32_t>(b)];
    const int order = m_folded.compare(first.folded, first.foldedLength, m_folded, second.folded, second.foldedLength);
    return order != 0 ? order < 0 : a < b;
}

// Which folders lie below folders that meet the query's folder texts, in
// order: one flag for each of m_folders.
std::vector<char> FindIndex::FoldersMeeting(const NameQuery& query) const
{
    std::vector<char> meets(m_folders.size(), 0);
    const size_t rootLength = m_snapshot->Root().size();
    for (size_t f = 0; f < m_folders.size(); ++f) {
        std::wstring_view below = std::wstring_view(m_folders[f]).substr(std::min(rootLength, m_folders[f].size()));
        size_t part = 0;
        while (!below.empty() && part < query.Folders().size()) {
            below.remove_prefix(below[0] == L'\\' ? 1 : 0);
            const size_t end = std::min(below.find(L'\\'), below.size());
            const FoldedName name = FoldName(below.substr(0, end));
            if (query.Folders()[part].Match({ name.text, name.wordStarts, {} }, false) != MatchTier::None) ++part;
            below.remove_prefix(end);
        }
        meets[f] = part == query.Folders().size();
    }
    return meets;
}

void FindIndex::FindCandidates(const NameQuery& query, bool allowTypo) const
{
    m_candidates.clear();
    const bool byFolder = !query.Folders().empty();
    if (byFolder) m_folderMeets = FoldersMeeting(query);
    const uint32_t letters = query.Letters();
    const int missing = allowTypo ? static_cast<int>(query.Words().size()) : 0;  // a changed letter each
    for (uint32_t index = 0; index < m_items.size(); ++index) {
        const Item& item = m_items[index];
        if (byFolder && !m_folderMeets[item.folder]) continue;
        if (__builtin_popcount(letters & ~item.letters) > missing) continue;
        const MatchTier tier = query.Match(ViewOf(item), allowTypo);
        if (tier != MatchTier::None) m_candidates.push_back(Rank(tier, index));
    }
}

FoundEntry FindIndex::Describe(const NameQuery& query, Candidate candidate, bool allowTypo) const
{
    const Item& item = m_items[static_cast<uint32_t>(candidate)];
    FoundEntry found;
    const std::wstring& folder = m_folders[item.folder];
    found.path = folder + L"\\" + item.entry->name;
    found.name = item.entry->name.substr(0, ShownNameLength(*item.entry));
    const size_t rootLength = m_snapshot->Root().size();
    found.folder = folder.size() > rootLength + 1 ? folder.substr(rootLength + 1) : std::wstring();
    found.isFolder = item.entry->IsFolder();
    found.entry = item.entry;
    found.match = static_cast<MatchTier>(candidate >> 61);
    // The matched letters of the folded name, back on the name as shown.
    const FoldedName name = FoldName(found.name, true);
    const NameView view = { name.text, name.wordStarts, ViewOf(item).target };
    for (uint16_t position : query.MatchedLetters(view, allowTypo)) {
        if (position >= name.origins.size()) continue;
        const uint16_t at = name.origins[position];
        if (!found.bold.empty() && found.bold.back().first + found.bold.back().second == at)
            ++found.bold.back().second;
        else if (found.bold.empty() || found.bold.back().first + found.bold.back().second < at)
            found.bold.emplace_back(at, 1);
    }
    return found;
}

FindResults FindIndex::Search(const std::wstring& query, size_t limit) const
{
    FindResults results;
    const NameQuery parsed(query);
    if (parsed.Empty() || !m_snapshot) return results;
    TakeUse();
    bool allowTypo = false;
    FindCandidates(parsed, allowTypo);
    // One typo is forgiven only when nothing else was found.
    if (m_candidates.empty() && parsed.AllowsTypo()) FindCandidates(parsed, allowTypo = true);
    results.total = m_candidates.size();
    const size_t shown = std::min(limit, m_candidates.size());
    std::partial_sort(m_candidates.begin(), m_candidates.begin() + static_cast<std::ptrdiff_t>(shown),
                      m_candidates.end(), [this](Candidate a, Candidate b) { return Better(a, b); });
    for (size_t i = 0; i < shown; ++i) results.shown.push_back(Describe(parsed, m_candidates[i], allowTypo));
    return results;
}

size_t FindIndex::MemoryBytes() const
{
    size_t bytes = m_items.capacity() * sizeof(Item) + m_folded.capacity() * sizeof(wchar_t) +
                   m_candidates.capacity() * sizeof(Candidate);
    for (const std::wstring& folder : m_folders) bytes += sizeof(folder) + folder.capacity() * sizeof(wchar_t);
    return bytes;
}
