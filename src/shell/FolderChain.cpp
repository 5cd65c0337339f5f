#include "shell/FolderChain.h"

#include "framework/Handles.h"

namespace {

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

}  // namespace

FolderChain::Link FolderChain::Start(LPCWSTR folder) { return Link(new FolderChain(folder, nullptr, false)); }

FolderChain::Link FolderChain::Extend(const Link& parent, LPCWSTR folder, DWORD attributes)
{
    return Link(new FolderChain(folder, parent, parent->m_belowLink || IsLink(attributes)));
}

bool FolderChain::LoopsBack(LPCWSTR subfolder, DWORD attributes) const
{
    if (!m_belowLink && !IsLink(attributes)) return false;
    Identity target = Read(subfolder);
    if (!target.known) return true;  // a link that cannot be told apart is not risked
    for (const FolderChain* folder = this; folder; folder = folder->m_parent.get())
        if (folder->Own() == target) return true;
    return false;
}

bool FolderChain::SameFolder(LPCWSTR a, LPCWSTR b) { return Read(a) == Read(b); }

bool FolderChain::IsOrHolds(LPCWSTR folder, LPCWSTR other)
{
    const Identity identity = Read(folder);
    if (!identity.known) return false;
    wchar_t up[MAX_PATH];
    lstrcpynW(up, other, MAX_PATH);
    for (;;) {
        if (Read(up) == identity) return true;
        if (!::PathRemoveFileSpecW(up) || !up[0]) return false;
    }
}

FolderChain::Identity FolderChain::Read(LPCWSTR folder)
{
    Identity identity;
    UniqueFile handle(::CreateFileW(folder, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    if (handle && ::GetFileInformationByHandle(handle.Get(), &information)) {
        identity.volume = information.dwVolumeSerialNumber;
        identity.high = information.nFileIndexHigh;
        identity.low = information.nFileIndexLow;
        identity.known = true;
    }
    return identity;
}

const FolderChain::Identity& FolderChain::Own() const
{
    if (!m_identity.known) m_identity = Read(m_path.c_str());
    return m_identity;
}
