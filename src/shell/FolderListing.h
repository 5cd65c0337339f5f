// What a listing of one folder holds, and the snapshot of the menu folder
// tree that the folder model hands the UI thread: both immutable once made,
// so any thread may read them without a lock.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/Afx.h"

// One entry of a folder as the file system listed it: enough to place it in
// the menu, to tell whether it changed, and to ask for its icon.
struct FolderEntry {
    std::wstring name;
    DWORD attributes = 0;
    FILETIME written = {};
    ULONGLONG size = 0;
    // A subfolder that leads back to a folder above it (through a link):
    // never entered.
    bool loopsBack = false;
    // A shortcut's (.lnk) program: the file name of its target ("WINWORD.EXE"),
    // read by the folder model; empty for other entries, cloud placeholders
    // and shortcuts that could not be read.
    std::wstring target;

    bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsHidden() const { return (attributes & FILE_ATTRIBUTE_HIDDEN) != 0; }
    // The entry as the file-finding calls describe it.
    WIN32_FIND_DATAW FindData() const;
};

FolderEntry MakeFolderEntry(const WIN32_FIND_DATAW& found);

// Where a folder's listing stands.
enum class ListingState {
    Reading,        // not listed yet: the listing is under way
    Listed,         // entries as listed last
    NotResponding,  // its drive did not answer promptly: entries as last known
    Unreadable,     // it cannot be listed (gone, no access): no entries
};

struct FolderListing {
    std::wstring path;
    ListingState state = ListingState::Reading;
    std::vector<FolderEntry> entries;  // in the order the file system gave them
};
using ListingPointer = std::shared_ptr<const FolderListing>;

// The newest listing of every folder of the tree the model knows.
class FolderSnapshot {
public:
    FolderSnapshot(std::wstring root, unsigned generation) : m_root(std::move(root)), m_generation(generation) {}

    const std::wstring& Root() const { return m_root; }
    // Grows with every snapshot the model publishes.
    unsigned Generation() const { return m_generation; }
    void SetGeneration(unsigned generation) { m_generation = generation; }
    // The folder's listing, or nullptr when it has never been looked at.
    const FolderListing* Find(const std::wstring& folder) const;
    ListingPointer FindShared(const std::wstring& folder) const;
    void Add(ListingPointer listing);
    size_t FolderCount() const { return m_listings.size(); }
    size_t EntryCount() const;
    template <typename Visit>
    void ForEachListing(Visit visit) const
    {
        for (const auto& listing : m_listings) visit(*listing.second);
    }

private:
    std::wstring m_root;
    unsigned m_generation;
    std::unordered_map<std::wstring, ListingPointer> m_listings;  // by path in lower case
};
using SnapshotPointer = std::shared_ptr<const FolderSnapshot>;

// Lists a folder from the disk: its entries but "." and "..", in the order
// the file system gives them. Unreadable when it cannot be listed.
FolderListing ListFolderFromDisk(const std::wstring& folder);
