#include "find/FindIndex.h"

#include <algorithm>
#include <cwctype>
#include <limits>
#include <string_view>

#include "shell/FolderWalker.h"

namespace {

bool IsCombiningMark(wchar_t c) { return c >= 0x0300 && c <= 0x036F; }

bool IsWordCharacter(wchar_t c) { return std::iswalnum(c) != 0; }

// The name the menu shows: a file's up to its last dot.
size_t ShownNameLength(const FolderEntry& entry)
{
    if (entry.IsFolder()) return entry.name.size();
    const size_t dot = entry.name.rfind(L'.');
    return dot == std::wstring::npos ? entry.name.size() : dot;
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

std::wstring FoldForSearch(const std::wstring& text)
{
    std::wstring folded;
    folded.reserve(text.size());
    for (wchar_t c : text) {
        if (c < 0x80) {
            folded += static_cast<wchar_t>(c >= L'A' && c <= L'Z' ? c + 32 : c);
            continue;
        }
        // Split off the accents, keep the letter, in lower case.
        wchar_t parts[8] = {};
        const int length = ::FoldStringW(MAP_COMPOSITE, &c, 1, parts, ARRAYSIZE(parts));
        for (int i = 0; i < (length > 0 ? length : 0); ++i) {
            if (IsCombiningMark(parts[i])) continue;
            wchar_t lower = parts[i];
            ::CharLowerBuffW(&lower, 1);
            folded += lower;
        }
        if (length <= 0) folded += c;
    }
    return folded;
}

MatchKind MatchName(std::wstring_view word, std::wstring_view text)
{
    MatchKind best = MatchKind::None;
    for (size_t at = text.find(word); at != std::wstring_view::npos && best != MatchKind::WholeWord;
         at = text.find(word, at + 1)) {
        const bool startsWord = at == 0 || !IsWordCharacter(text[at - 1]);
        const size_t end = at + word.size();
        const bool endsWord = end == text.size() || !IsWordCharacter(text[end]);
        const MatchKind kind = !startsWord ? MatchKind::Substring : endsWord ? MatchKind::WholeWord : MatchKind::WordStart;
        best = std::min(best, kind);
    }
    if (best != MatchKind::None) return best;
    size_t next = 0;
    for (wchar_t c : word) {
        next = text.find(c, next);
        if (next == std::wstring_view::npos) return MatchKind::None;
        ++next;
    }
    return word.empty() ? MatchKind::None : MatchKind::InOrder;
}

void FindIndex::Build(SnapshotPointer snapshot)
{
    m_snapshot = std::move(snapshot);
    m_folders.clear();
    m_items.clear();
    m_folded.clear();
    if (!m_snapshot) return;
    std::vector<std::pair<size_t, const FolderEntry*>> found;
    Collector collector(found, m_folders);
    SnapshotFolders source(*m_snapshot);
    WalkFolderTree(source, m_snapshot->Root(), collector);
    const size_t rootLength = m_snapshot->Root().size();
    m_items.reserve(found.size());
    for (const auto& [folder, entry] : found) {
        const size_t nameLength = std::min<size_t>(ShownNameLength(*entry), std::numeric_limits<uint16_t>::max());
        const std::wstring folded = FoldForSearch(entry->name.substr(0, nameLength));
        const size_t folderLength = m_folders[folder].size();
        Item item = {};
        item.entry = entry;
        item.folder = static_cast<uint32_t>(folder);
        item.folded = static_cast<uint32_t>(m_folded.size());
        item.foldedLength = static_cast<uint16_t>(std::min<size_t>(folded.size(), 0xFFFF));
        item.nameLength = static_cast<uint16_t>(nameLength);
        item.pathLength = static_cast<uint32_t>((folderLength > rootLength ? folderLength - rootLength : 0) + nameLength);
        m_folded.append(folded, 0, item.foldedLength);
        m_items.push_back(item);
    }
    m_folded.shrink_to_fit();
    m_candidates = {};
}

MatchKind FindIndex::Match(const std::vector<std::wstring>& words, const Item& item) const
{
    const std::wstring_view name = std::wstring_view(m_folded).substr(item.folded, item.foldedLength);
    MatchKind worst = MatchKind::WholeWord;
    for (const std::wstring& word : words) {
        const MatchKind kind = MatchName(word, name);
        if (kind == MatchKind::None) return kind;
        worst = std::max(worst, kind);
    }
    return worst;
}

bool FindIndex::Better(const Candidate& a, const Candidate& b) const
{
    if (a.match != b.match) return a.match < b.match;
    if (a.pathLength != b.pathLength) return a.pathLength < b.pathLength;
    const Item& first = m_items[a.item];
    const Item& second = m_items[b.item];
    const int order = m_folded.compare(first.folded, first.foldedLength, m_folded, second.folded, second.foldedLength);
    return order != 0 ? order < 0 : a.item < b.item;
}

FoundEntry FindIndex::Describe(const Candidate& candidate) const
{
    const Item& item = m_items[candidate.item];
    FoundEntry found;
    const std::wstring& folder = m_folders[item.folder];
    found.path = folder + L"\\" + item.entry->name;
    found.name = item.entry->name.substr(0, item.nameLength);
    const size_t rootLength = m_snapshot->Root().size();
    found.folder = folder.size() > rootLength + 1 ? folder.substr(rootLength + 1) : std::wstring();
    found.isFolder = item.entry->IsFolder();
    found.entry = item.entry;
    found.match = candidate.match;
    return found;
}

FindResults FindIndex::Search(const std::wstring& query, size_t limit) const
{
    std::vector<std::wstring> words;
    const std::wstring folded = FoldForSearch(query);
    for (size_t at = 0; at < folded.size();) {
        const size_t end = std::min(folded.find(L' ', at), folded.size());
        if (end > at) words.push_back(folded.substr(at, end - at));
        at = end + 1;
    }
    FindResults results;
    if (words.empty()) return results;
    std::vector<Candidate>& candidates = m_candidates;
    candidates.clear();
    for (uint32_t index = 0; index < m_items.size(); ++index) {
        const MatchKind kind = Match(words, m_items[index]);
        if (kind != MatchKind::None) candidates.push_back({ kind, m_items[index].pathLength, index });
    }
    results.total = candidates.size();
    const size_t shown = std::min(limit, candidates.size());
    std::partial_sort(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(shown), candidates.end(),
                      [this](const Candidate& a, const Candidate& b) { return Better(a, b); });
    for (size_t i = 0; i < shown; ++i) results.shown.push_back(Describe(candidates[i]));
    return results;
}

size_t FindIndex::MemoryBytes() const
{
    size_t bytes = m_items.capacity() * sizeof(Item) + m_folded.capacity() * sizeof(wchar_t);
    for (const std::wstring& folder : m_folders) bytes += sizeof(folder) + folder.capacity() * sizeof(wchar_t);
    return bytes;
}
