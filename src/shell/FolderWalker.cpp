// The walk itself, and its two sources of listings.
#include "shell/FolderWalker.h"

#include "framework/ShellFiles.h"

namespace {

void WalkFolder(FolderSource& source, const FolderChain::Link& folder, FolderVisitor& visitor)
{
    ListingPointer listing = source.Listing(folder);
    visitor.Enter(listing);
    if (listing) {
        wchar_t path[MAX_PATH];
        for (const FolderEntry& entry : listing->entries) {
            if (!entry.IsFolder() || !JoinPath(path, folder->Path().c_str(), entry.name.c_str())) continue;
            const bool loops = source.LoopsBack(folder, path, entry);
            if (visitor.Folder(entry, path, loops) && !loops)
                WalkFolder(source, FolderChain::Extend(folder, path, entry.attributes), visitor);
        }
        for (const FolderEntry& entry : listing->entries) {
            if (entry.IsFolder() || entry.IsHidden() || !JoinPath(path, folder->Path().c_str(), entry.name.c_str()))
                continue;
            visitor.File(entry, path);
        }
    }
    visitor.Leave();
}

}  // namespace

void WalkFolderTree(FolderSource& source, const std::wstring& top, FolderVisitor& visitor)
{
    WalkFolder(source, FolderChain::Start(top.c_str()), visitor);
}

ListingPointer DiskFolders::Listing(const FolderChain::Link& folder)
{
    return std::make_shared<FolderListing>(ListFolderFromDisk(folder->Path()));
}

bool DiskFolders::LoopsBack(const FolderChain::Link& parent, const std::wstring& path, const FolderEntry& entry)
{
    return parent->LoopsBack(path.c_str(), entry.attributes);
}

ListingPointer SnapshotFolders::Listing(const FolderChain::Link& folder)
{
    return m_snapshot.FindShared(folder->Path());
}
