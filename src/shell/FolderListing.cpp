// Folder listings and the snapshot of the tree: reading one folder from the
// disk, and finding a folder's listing again by its path.
#include "shell/FolderListing.h"

#include "framework/Handles.h"
#include "framework/ShellFiles.h"

WIN32_FIND_DATAW FolderEntry::FindData() const
{
    WIN32_FIND_DATAW found = {};
    found.dwFileAttributes = attributes;
    found.ftLastWriteTime = written;
    found.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    found.nFileSizeLow = static_cast<DWORD>(size);
    lstrcpynW(found.cFileName, name.c_str(), MAX_PATH);
    return found;
}

FolderEntry MakeFolderEntry(const WIN32_FIND_DATAW& found)
{
    FolderEntry entry;
    entry.name = found.cFileName;
    entry.attributes = found.dwFileAttributes;
    entry.written = found.ftLastWriteTime;
    entry.size = (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    return entry;
}

const FolderListing* FolderSnapshot::Find(const std::wstring& folder) const
{
    auto found = m_listings.find(PathKey(folder));
    return found == m_listings.end() ? nullptr : found->second.get();
}

ListingPointer FolderSnapshot::FindShared(const std::wstring& folder) const
{
    auto found = m_listings.find(PathKey(folder));
    return found == m_listings.end() ? nullptr : found->second;
}

void FolderSnapshot::Add(ListingPointer listing)
{
    std::wstring key = PathKey(listing->path);
    m_listings[std::move(key)] = std::move(listing);
}

size_t FolderSnapshot::EntryCount() const
{
    size_t count = 0;
    for (const auto& listing : m_listings) count += listing.second->entries.size();
    return count;
}

FolderListing ListFolderFromDisk(const std::wstring& folder)
{
    FolderListing listing;
    listing.path = folder;
    wchar_t pattern[MAX_PATH];
    if (!JoinPath(pattern, folder.c_str(), L"*.*")) {
        listing.state = ListingState::Unreadable;
        return listing;
    }
    WIN32_FIND_DATAW found;
    UniqueFind find(::FindFirstFileW(pattern, &found));
    if (!find) {
        // A drive's root holds no "." entry: empty, it finds nothing.
        listing.state = ::GetLastError() == ERROR_FILE_NOT_FOUND ? ListingState::Listed : ListingState::Unreadable;
        return listing;
    }
    listing.state = ListingState::Listed;
    wchar_t path[MAX_PATH];
    do {
        if (lstrcmpW(found.cFileName, L".") == 0 || lstrcmpW(found.cFileName, L"..") == 0) continue;
        // An entry whose path would not fit is left out: nothing could open it.
        if (JoinPath(path, folder.c_str(), found.cFileName)) listing.entries.push_back(MakeFolderEntry(found));
    } while (::FindNextFileW(find.Get(), &found));
    return listing;
}
