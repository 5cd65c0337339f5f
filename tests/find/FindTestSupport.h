// Folder model snapshots made in memory for Find's index, and use scores
// given by hand.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "find/FindIndex.h"
#include "find/UseScores.h"

namespace findtest {

const std::wstring kRoot = L"C:\\Menu";

// A folder's entries by name: a name ending in a backslash is a subfolder,
// one starting with "~" is hidden, and "Word.lnk>WINWORD.EXE" is a shortcut
// whose program is WINWORD.EXE.
using Folders = std::vector<std::pair<std::wstring, std::vector<std::wstring>>>;

inline FolderEntry Entry(const std::wstring& written)
{
    FolderEntry entry;
    entry.attributes = FILE_ATTRIBUTE_NORMAL;
    std::wstring name = written;
    const size_t arrow = name.find(L'>');
    if (arrow != std::wstring::npos) {
        entry.target = name.substr(arrow + 1);
        name.resize(arrow);
    }
    if (!name.empty() && name.back() == L'\\') {
        name.pop_back();
        entry.attributes = FILE_ATTRIBUTE_DIRECTORY;
    } else if (!name.empty() && name[0] == L'~') {
        name.erase(0, 1);
        entry.attributes = FILE_ATTRIBUTE_HIDDEN;
    }
    entry.name = name;
    return entry;
}

// Folders given by their path under the root ("" for the root).
inline SnapshotPointer Snapshot(const Folders& folders)
{
    auto snapshot = std::make_shared<FolderSnapshot>(kRoot, 1);
    for (const auto& [path, names] : folders) {
        auto listing = std::make_shared<FolderListing>();
        listing->path = path.empty() ? kRoot : kRoot + L"\\" + path;
        listing->state = ListingState::Listed;
        for (const std::wstring& name : names) listing->entries.push_back(Entry(name));
        snapshot->Add(listing);
    }
    return snapshot;
}

// Scores by path from the menu folder down; each Set is a new version.
class FixedUse : public UseScores {
public:
    void Set(const std::wstring& path, double score)
    {
        m_scores[path] = score;
        ++m_version;
    }
    void ForEachScore(const std::function<void(const std::wstring&, double)>& visit) const override
    {
        for (const auto& [path, score] : m_scores) visit(path, score);
    }
    unsigned Version() const override { return m_version; }

private:
    std::map<std::wstring, double> m_scores;
    unsigned m_version = 1;
};

inline std::vector<std::wstring> Names(const FindResults& results)
{
    std::vector<std::wstring> names;
    for (const FoundEntry& found : results.shown) names.push_back(found.name);
    return names;
}

}  // namespace findtest
