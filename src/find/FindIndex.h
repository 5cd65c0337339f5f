// Find's index of the menu folder tree: every file and folder the menu
// shows, by the name it shows (a file's without its extension), folded and
// with its words found (see NameMatch.h), and a shortcut's program's file
// name as the folder model read it. Built from a folder model snapshot,
// which it keeps: the disk is never touched.
//
// Searching decides each entry's tier first (the exact name, the name's
// start, a word's start or initials, the shortcut's program, inside a word,
// the letters in order, one typo only when nothing else was found). Within a
// tier: what the user opened more lately first (the use scores), then what
// the shell runs (programs, shortcuts, .url, .bat, .cmd, .msc, .cpl, .com)
// before documents and folders, then entries nearer the top of the menu
// folder, then shorter names, then by name. Use never lifts an entry over
// one of a better tier.
//
// Owned by its user's thread (the UI thread's Find window); the snapshot it
// holds is immutable and may be shared.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "find/NameMatch.h"
#include "shell/FolderListing.h"

class UseScores;

struct FoundEntry {
    std::wstring path;    // the file or folder
    std::wstring name;    // as the menu shows it
    std::wstring folder;  // its folder, from the menu folder down ("" at the top)
    bool isFolder = false;
    const FolderEntry* entry = nullptr;  // in the index's snapshot
    MatchTier match = MatchTier::None;
    // The letters of name that matched, as (start, length) runs: drawn bold.
    std::vector<std::pair<uint16_t, uint16_t>> bold;
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
    // The use scores that order entries within a tier (nullptr: none). They
    // are looked at again whenever their version changes; they must outlive
    // the index or be set again.
    void SetUse(const UseScores* use);
    // The query's words (spaces between) must each meet a different word of
    // the name; text before a backslash must meet the entry's folders.
    FindResults Search(const std::wstring& query, size_t limit = 50) const;
    // What the index holds beyond the snapshot, in bytes.
    size_t MemoryBytes() const;

private:
    struct Item {
        const FolderEntry* entry;  // in the snapshot
        uint64_t wordStarts;       // of the folded name
        uint32_t folder;           // index into m_folders
        uint32_t folded;           // offset of the folded name in m_folded, the program's file name after it
        uint32_t letters;          // LetterBits of the name and the program's file name
        uint8_t foldedLength;
        uint8_t targetLength;
        mutable uint8_t use;  // the use score, 0 for none, higher for more on a log scale
        uint8_t depthAndRuns; // the folder's depth below the menu folder; the top bit: the shell runs it
    };
    static_assert(sizeof(Item) <= 32, "the index stays small at 100,000 entries");
    // The tier and the order within it in the high bits, the item below.
    using Candidate = uint64_t;

    NameView ViewOf(const Item& item) const;
    Candidate Rank(MatchTier tier, uint32_t index) const;
    bool Better(Candidate a, Candidate b) const;
    void FindCandidates(const NameQuery& query, bool allowTypo) const;
    std::vector<char> FoldersMeeting(const NameQuery& query) const;
    FoundEntry Describe(const NameQuery& query, Candidate candidate, bool allowTypo) const;
    void TakeUse() const;

    SnapshotPointer m_snapshot;
    std::vector<std::wstring> m_folders;  // full paths
    std::vector<Item> m_items;
    std::wstring m_folded;                // every folded name, back to back
    const UseScores* m_use = nullptr;
    mutable unsigned m_useVersion = 0;
    mutable bool m_useTaken = false;
    // Kept from search to search: a keystroke over many entries allocates
    // nothing.
    mutable std::vector<Candidate> m_candidates;
    mutable std::vector<char> m_folderMeets;
};
