// The one walk of a folder tree that every walk of the menu folder follows:
// the menu built from it, the icon preload, the folder model's listing and
// the mirror of a dropped folder. In each folder the subfolders come first,
// then the files, each in the order the file system listed them; hidden
// files are passed over; a subfolder that leads back up the chain (through
// a link) is never entered. Where the listings come from (the disk, or the
// folder model's snapshot) is the source's business; what is done with each
// entry is the visitor's.
#pragma once

#include <string>

#include "shell/FolderChain.h"
#include "shell/FolderListing.h"

class FolderSource {
public:
    virtual ~FolderSource() = default;
    // The folder's listing; nullptr when there is none (never looked at).
    virtual ListingPointer Listing(const FolderChain::Link& folder) = 0;
    // Whether the subfolder of the listed folder leads back up the chain.
    virtual bool LoopsBack(const FolderChain::Link& parent, const std::wstring& path, const FolderEntry& entry) = 0;
};

class FolderVisitor {
public:
    virtual ~FolderVisitor() = default;
    // A subfolder; true to walk into it (one leading back is never walked).
    virtual bool Folder(const FolderEntry& entry, const std::wstring& path, bool loopsBack) = 0;
    // The walk enters a folder (the top one first) with its listing, or
    // nullptr; and leaves it again.
    virtual void Enter(const ListingPointer& /*listing*/) {}
    virtual void Leave() {}
    virtual void File(const FolderEntry& entry, const std::wstring& path) = 0;
};

void WalkFolderTree(FolderSource& source, const std::wstring& top, FolderVisitor& visitor);

// Listings read from the disk as the walk goes; links are told apart by
// their volume and file index.
class DiskFolders : public FolderSource {
public:
    ListingPointer Listing(const FolderChain::Link& folder) override;
    bool LoopsBack(const FolderChain::Link& parent, const std::wstring& path, const FolderEntry& entry) override;
};

// Listings from the folder model's snapshot: no disk is touched.
class SnapshotFolders : public FolderSource {
public:
    explicit SnapshotFolders(const FolderSnapshot& snapshot) : m_snapshot(snapshot) {}
    ListingPointer Listing(const FolderChain::Link& folder) override;
    bool LoopsBack(const FolderChain::Link&, const std::wstring&, const FolderEntry& entry) override
    {
        return entry.loopsBack;
    }

private:
    const FolderSnapshot& m_snapshot;
};
