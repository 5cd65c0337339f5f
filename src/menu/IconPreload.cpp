#include "menu/IconPreload.h"

#include "framework/ShellFiles.h"
#include "menu/IconCache.h"

namespace {

// The preload whose timer runs (one at a time).
CIconPreload* gRunningPreload = nullptr;

}  // namespace

void CIconPreload::Start(LPCWSTR folder)
{
    Stop();
    m_folders = { FolderChain::Start(folder) };
    m_files.clear();
    // A thread timer: dispatched by any message loop of the thread, and only
    // when no other message waits.
    m_timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, OnTimer);
    if (m_timer) gRunningPreload = this;
}

void CIconPreload::Stop()
{
    if (m_timer) ::KillTimer(nullptr, m_timer);
    m_timer = 0;
    if (gRunningPreload == this) gRunningPreload = nullptr;
    m_folders.clear();
    m_files.clear();
}

void CALLBACK CIconPreload::OnTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    CIconPreload* preload = gRunningPreload;
    if (!preload || preload->m_timer != timer) {
        ::KillTimer(nullptr, timer);
        return;
    }
    if (!preload->RunSlice(kSliceBudget)) preload->Stop();
}

bool CIconPreload::RunSlice(DWORD budgetMs)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < budgetMs) {
        if (!m_files.empty()) {
            const File& file = m_files.back();
            TheIconCache().ImageOf(file.path.c_str(), file.entry);
            m_files.pop_back();
        } else if (!m_folders.empty()) {
            ListNextFolder();
        } else {
            return false;
        }
    }
    return true;
}

// The files of the next folder are queued, its subfolders (links back up
// the chain aside) listed later.
void CIconPreload::ListNextFolder()
{
    FolderChain::Link folder = m_folders.back();
    m_folders.pop_back();
    wchar_t path[MAX_PATH];
    for (const WIN32_FIND_DATAW& entry : ListFolder(folder->Path().c_str())) {
        if (!JoinPath(path, folder->Path().c_str(), entry.cFileName)) continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!folder->LoopsBack(path, entry.dwFileAttributes))
                m_folders.push_back(FolderChain::Extend(folder, path, entry.dwFileAttributes));
        } else if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) {
            m_files.push_back({ path, entry });
        }
    }
}

CIconPreload& TheIconPreload()
{
    static CIconPreload preload;
    return preload;
}
