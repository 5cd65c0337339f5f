// Find's index of the menu folder tree: every file and folder the menu
// shows, by the name it shows (a file's without its extension), folded to
// lower case without accents. Built from a folder model snapshot, which it
// keeps: the disk is never touched. Searching ranks whole words and word
// starts first, then substrings, then the letters in order; ties go to the
// shorter path, then to the name.
//
// Owned by its user's thread (the UI thread's Find window); the snapshot it
// holds is immutable and may be shared.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shell/FolderListing.h"

// Lower case without accents ("Über" is "uber"); other characters as they are.
std::wstring FoldForSearch(const std::wstring& text);

// How a query's words met a name; lower is better.
enum class MatchKind { WholeWord, WordStart, Substring, InOrder, None };
MatchKind MatchName(std::wstring_view foldedQueryWord, std::wstring_view foldedName);

struct FoundEntry {
    std::wstring path;    // the file or folder
    std::wstring name;    // as the menu shows it
    std::wstring folder;  // its folder, from the menu folder down ("" at the top)
    bool isFolder = false;
    const FolderEntry* entry = nullptr;  // in the index's snapshot
    MatchKind match = MatchKind::None;
};

struct FindResults {
    size_t total = 0;  // every entry that matches
    std::vector<FoundEntry> shown;  // the best of them, best first
};

class FindIndex {
public:
    // Every file and folder the menu shows from the snapshot.
    void Build(SnapshotPointer snapshot);
    // The snapshot's generation indexed, or ~0u before the first build.
    unsigned Generation() const { return m_snapshot ? m_snapshot->Generation() : ~0u; }
    size_t Size() const { return m_items.size(); }
    // The words of the query (spaces between) must each meet the name.
    FindResults Search(const std::wstring& query, size_t limit = 50) const;
    // What the index holds beyond the snapshot, in bytes.
    size_t MemoryBytes() const;

private:
    struct Item {
        const FolderEntry* entry;  // in the snapshot
        uint32_t folder;           // index into m_folders
        uint32_t folded;           // offset of the folded name in m_folded
        uint16_t foldedLength;
        uint16_t nameLength;       // of the shown name, in entry->name
        uint32_t pathLength;       // from the menu folder down, for ties
    };
    struct Candidate {
        MatchKind match;
        uint32_t pathLength;
        uint32_t item;
    };
    MatchKind Match(const std::vector<std::wstring>& words, const Item& item) const;
    bool Better(const Candidate& a, const Candidate& b) const;
    FoundEntry Describe(const Candidate& candidate) const;

    SnapshotPointer m_snapshot;
    std::vector<std::wstring> m_folders;  // full paths
    std::vector<Item> m_items;
    std::wstring m_folded;                // every folded name, back to back
    // Kept from search to search: a keystroke over many entries allocates
    // nothing.
    mutable std::vector<Candidate> m_candidates;
};
