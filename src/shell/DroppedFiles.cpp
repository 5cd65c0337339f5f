// Drops: each path classified and added, a dropped folder mirrored through
// the one folder walk; the count of files still to add kept for Exit.
#include "shell/DroppedFiles.h"

#include "framework/CWinApp.h"
#include "framework/ShellFiles.h"
#include "shell/FolderWalker.h"
#include "shell/Probe.h"
#include "shell/ShellWorker.h"

namespace {

std::atomic<int> gFilesLeft{ 0 };

// A drop under way: the menu folder it goes to, and what it did.
struct Drop {
    const std::wstring& menuFolder;
    DropResult result;

    void Refuse(LPCWSTR format, const std::wstring& path)
    {
        wchar_t line[kRefusalLength];
        wnsprintfW(line, kRefusalLength, format, path.c_str());
        result.refused += line;
        result.refused += L"\n";
    }
    static constexpr int kRefusalLength = 1024;
};

void AddFile(Drop& drop, LPCWSTR source, DWORD attributes, LPCWSTR targetFolder);

// Mirrors a dropped folder: its files handled alike, hidden entries left
// out, and a link that leads back up the chain, or to the menu folder (or
// a folder holding it), not followed: either would copy its own copy again
// and again.
class Mirror : public FolderVisitor {
public:
    Mirror(Drop& drop, const std::wstring& firstTarget) : m_drop(drop), m_next{ firstTarget, false } {}

    bool Folder(const FolderEntry& entry, const std::wstring& path, bool loopsBack) override
    {
        if (entry.IsHidden() || loopsBack) return false;
        if (IsDeviceName(entry.name.c_str())) {
            m_drop.Refuse(L"Sorry, %s has the name of a device and cannot be added.", path);
            return false;
        }
        const bool belowLink = m_frames.back().belowLink || (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT);
        if (belowLink && FolderChain::IsOrHolds(path.c_str(), m_drop.menuFolder.c_str())) return false;
        wchar_t mirror[MAX_PATH];
        if (!JoinPath(mirror, m_frames.back().target.c_str(), entry.name.c_str())) return false;
        m_next = { mirror, belowLink };
        return true;
    }
    void Enter(const ListingPointer& listing) override
    {
        ::CreateDirectoryW(m_next.target.c_str(), nullptr);  // an existing folder is filled
        m_frames.push_back(m_next);
        if (listing) {
            int files = 0;
            for (const FolderEntry& entry : listing->entries) files += entry.IsFolder() || entry.IsHidden() ? 0 : 1;
            gFilesLeft += files;
        }
    }
    void Leave() override { m_frames.pop_back(); }
    void File(const FolderEntry& entry, const std::wstring& path) override
    {
        AddFile(m_drop, path.c_str(), entry.attributes, m_frames.back().target.c_str());
        --gFilesLeft;
    }

private:
    struct Frame {
        std::wstring target;
        bool belowLink;
    };
    Drop& m_drop;
    Frame m_next;
    std::vector<Frame> m_frames;
};

void CopyShortcut(Drop& drop, LPCWSTR source, LPCWSTR targetFolder)
{
    wchar_t copy[MAX_PATH];
    // An existing shortcut of that name stays.
    if (JoinPath(copy, targetFolder, ::PathFindFileNameW(source)) && ::CopyFileW(source, copy, TRUE))
        ++drop.result.added;
}

void Write(Drop& drop, LPCWSTR target, LPCWSTR shortcut)
{
    const bool existed = ::GetFileAttributesW(shortcut) != INVALID_FILE_ATTRIBUTES;
    if (!CreateShortcut(target, shortcut)) return;
    ++drop.result.added;
    if (existed) drop.result.replaced.push_back(::PathFindFileNameW(shortcut));
}

void MakeFileShortcut(Drop& drop, LPCWSTR source, LPCWSTR targetFolder)
{
    wchar_t shortcut[MAX_PATH];
    if (MakeShortcutPath(source, targetFolder, shortcut)) Write(drop, source, shortcut);
}

// A drive's shortcut is named after the shell's name for it, without the
// characters a file name cannot hold ("Local Disk (C)"), or else "C drive".
void MakeDriveShortcut(Drop& drop, LPCWSTR root, LPCWSTR targetFolder)
{
    SHFILEINFOW info = {};
    ::SHGetFileInfoW(root, 0, &info, sizeof(info), SHGFI_DISPLAYNAME);
    wchar_t name[MAX_PATH] = {};
    int length = 0;
    for (const wchar_t* c = info.szDisplayName; *c && length < MAX_PATH - 1; ++c)
        if (!wcschr(L"\\/:*?\"<>|", *c)) name[length++] = *c;
    ::StrTrimW(name, L" .");
    if (!name[0] || name[0] == L'(') wnsprintfW(name, MAX_PATH, L"%c drive", root[0]);
    wchar_t shortcut[MAX_PATH];
    if (JoinPath(shortcut, targetFolder, name) && ::PathAddExtensionW(shortcut, L".lnk")) Write(drop, root, shortcut);
}

// The attributes are those already asked for (by the drop's probe, or the
// listing of a dropped folder).
DropKind Classify(LPCWSTR source, DWORD attributes)
{
    SHFILEINFOW info = {};
    SFGAOF shell = ::SHGetFileInfoW(source, 0, &info, sizeof(info), SHGFI_ATTRIBUTES) ? info.dwAttributes : 0;
    return ClassifyDrop(::PathIsRootW(source) != FALSE, attributes, shell);
}

// A file of a known kind: its shortcut copied, or a new shortcut to it.
void AddClassified(Drop& drop, LPCWSTR source, DropKind kind, LPCWSTR targetFolder)
{
    if (kind == DropKind::Shortcut) CopyShortcut(drop, source, targetFolder);
    if (kind == DropKind::File) MakeFileShortcut(drop, source, targetFolder);
}

// A file: its shortcut copied, or a new shortcut to it; a device's name is
// refused.
void AddFile(Drop& drop, LPCWSTR source, DWORD attributes, LPCWSTR targetFolder)
{
    if (IsDeviceName(::PathFindFileNameW(source))) {
        drop.Refuse(L"Sorry, %s has the name of a device and cannot be added.", source);
        return;
    }
    AddClassified(drop, source, Classify(source, attributes), targetFolder);
}

// Adds one dropped path to the menu folder.
void AddPath(Drop& drop, LPCWSTR source, DWORD attributes)
{
    LPCWSTR target = drop.menuFolder.c_str();
    const DropKind kind = Classify(source, attributes);
    switch (kind) {
    case DropKind::None: break;
    case DropKind::Directory:
        if (FolderChain::IsOrHolds(source, target)) {
            drop.Refuse(L"Sorry, %s is the menu folder or holds it, and cannot be added to it.", source);
        } else {
            wchar_t mirror[MAX_PATH];
            if (!JoinPath(mirror, target, ::PathFindFileNameW(source))) break;
            Mirror visitor(drop, mirror);
            DiskFolders disk;
            WalkFolderTree(disk, source, visitor);
        }
        break;
    case DropKind::Shortcut:
    case DropKind::File: AddClassified(drop, source, kind, target); break;
    case DropKind::Drive: MakeDriveShortcut(drop, source, target); break;
    }
}

// The full form of a dropped path ("D:\Proj\" and "D:\Proj\." are
// D:\Proj), or "" when it cannot be had within the classic limit.
std::wstring FullPath(const std::wstring& path)
{
    wchar_t full[MAX_PATH];
    DWORD length = path.size() < MAX_PATH ? ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr) : 0;
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    if (!::PathIsRootW(full)) ::PathRemoveBackslashW(full);
    return full;
}

}  // namespace

DropResult AddDroppedPaths(const std::vector<std::wstring>& paths, const std::wstring& menuFolder)
{
    Drop drop{ menuFolder, {} };
    // A menu folder deleted meanwhile is made again; a file in its place is
    // not replaced.
    ::CreateDirectoryW(menuFolder.c_str(), nullptr);
    DWORD attributes = ::GetFileAttributesW(menuFolder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        drop.Refuse(L"Sorry, the menu folder %s cannot be made: nothing was added.", menuFolder);
        gFilesLeft -= static_cast<int>(paths.size());
        return drop.result;
    }
    for (const std::wstring& path : paths) {
        // A device's name is checked as dropped: its full form would be the
        // device's ("\\.\CON").
        std::wstring full = FullPath(path);
        if (IsDeviceName(::PathFindFileNameW(path.c_str())))
            drop.Refuse(L"Sorry, %s has the name of a device and cannot be added.", path);
        else if (full.empty())
            drop.Refuse(L"Sorry, this path is too long to be added:\n%s", path);
        // Asked on a thread of its own first: a share that never answers
        // keeps that thread, not the drop lane.
        else if (const ProbeAnswer answer = ProbeFolder(full, kDropAnswerMs); !answer.prompt)
            drop.result.unanswered.push_back(full);
        else
            AddPath(drop, full.c_str(), answer.attributes);
        --gFilesLeft;
    }
    return drop.result;
}

int DroppedFilesLeft() { return gFilesLeft; }

bool AddDroppedFiles(HDROP drop, const std::wstring& menuFolder, std::function<void(const DropResult&)> done)
{
    std::vector<std::wstring> paths;
    UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        // Read whole, however long: a path cut at a buffer's end could name
        // another file.
        std::wstring path(::DragQueryFileW(drop, index, nullptr, 0), L'\0');
        if (!path.empty() && ::DragQueryFileW(drop, index, &path[0], static_cast<UINT>(path.size() + 1)))
            paths.push_back(std::move(path));
    }
    ::DragFinish(drop);
    if (paths.empty()) return true;
    const int dropped = static_cast<int>(paths.size());
    gFilesLeft += dropped;
    auto added = TheShellWorker().Act(CShellWorker::ActionLane::Drops,
                                      [paths, menuFolder, done]() -> CWorkerThread::Task {
                                          DropResult result = AddDroppedPaths(paths, menuFolder);
                                          return [result, done] {
                                              if (done) done(result);
                                          };
                                      });
    if (added != CJobQueue::Added::Full) return true;
    gFilesLeft -= dropped;
    AfxMessageBox(L"Sorry, too many drops are still being added. Please drop these again in a moment.",
                  MB_OK | MB_ICONEXCLAMATION);
    return false;
}

DropKind ClassifyDrop(bool driveRoot, DWORD fileAttributes, SFGAOF shellAttributes)
{
    if (fileAttributes == INVALID_FILE_ATTRIBUTES) return DropKind::None;
    if (driveRoot) return DropKind::Drive;
    // A folder is a directory on disk: the shell also calls archives, and
    // shortcuts to folders, folders.
    if (fileAttributes & FILE_ATTRIBUTE_DIRECTORY) return DropKind::Directory;
    if (shellAttributes & SFGAO_LINK) return DropKind::Shortcut;
    return DropKind::File;
}

bool IsDeviceName(LPCWSTR name)
{
    // The part before the first dot, without trailing blanks, names the device.
    wchar_t base[8] = {};
    int length = 0;
    for (const wchar_t* c = name; *c && *c != L'.'; ++c) {
        if (length >= 7) return false;
        base[length++] = *c;
    }
    while (length > 0 && base[length - 1] == L' ') base[--length] = 0;
    for (LPCWSTR device : { L"CON", L"PRN", L"AUX", L"NUL" })
        if (lstrcmpiW(base, device) == 0) return true;
    if (length == 4 && (StrCmpNIW(base, L"COM", 3) == 0 || StrCmpNIW(base, L"LPT", 3) == 0))
        return base[3] >= L'1' && base[3] <= L'9';
    return false;
}
