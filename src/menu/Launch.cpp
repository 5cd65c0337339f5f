#include "menu/Launch.h"

#include "framework/CWinApp.h"
#include "framework/ShellFiles.h"
#include "menu/ShellWorker.h"

namespace {

// A shortcut's working directory, when it can be loaded and resolved.
bool ShortcutWorkingDirectory(LPCWSTR path, HWND owner, wchar_t (&directory)[MAX_PATH])
{
    auto link = LoadShortcut(path);
    // The system may ask where a moved target went.
    if (!link || FAILED(link->Resolve(owner, SLR_ANY_MATCH))) return false;
    link->GetWorkingDirectory(directory, MAX_PATH);
    return true;
}

// The folder a path starts in: a shortcut's working directory, else the
// file's own folder; a bare name without a folder starts in the current
// directory. A drive's root keeps its backslash: "C:" alone would name the
// drive's current directory.
void StartingDirectory(LPCWSTR path, HWND owner, wchar_t (&directory)[MAX_PATH])
{
    SHFILEINFOW info = {};
    bool isShortcut = ::SHGetFileInfoW(path, 0, &info, sizeof(info), SHGFI_ATTRIBUTES) &&
                      (info.dwAttributes & SFGAO_LINK);
    if (isShortcut && ShortcutWorkingDirectory(path, owner, directory)) return;
    directory[0] = 0;
    const wchar_t* backslash = wcsrchr(path, L'\\');
    if (!backslash) return;
    int length = static_cast<int>(backslash - path);
    if (length == 2 && path[1] == L':') ++length;
    if (length < MAX_PATH) lstrcpynW(directory, path, length + 1);
}

}  // namespace

DWORD LaunchPath(const LaunchRequest& request)
{
    wchar_t directory[MAX_PATH] = {};
    if (!request.verb) StartingDirectory(request.path.c_str(), request.owner, directory);
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof(execute);
    // The shell's own message would come from this thread: the UI thread
    // shows it instead.
    execute.fMask = SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
    if (request.expandVariables) execute.fMask |= SEE_MASK_DOENVSUBST;
    execute.lpVerb = request.verb;
    execute.lpFile = request.path.c_str();
    execute.lpDirectory = directory;
    execute.nShow = SW_SHOWNORMAL;
    if (::ShellExecuteExW(&execute)) return 0;
    DWORD error = ::GetLastError();
    return error ? error : ERROR_FILE_NOT_FOUND;
}

void QueueLaunch(LaunchRequest request)
{
    TheShellWorker().Act([request]() -> CWorkerThread::Task {
        DWORD error = LaunchPath(request);
        if (!error) return nullptr;
        return [error] {
            CWnd* main = AfxGetMainWnd();
            ShowLaunchError(error, main ? main->m_hWnd : nullptr);
        };
    });
}

void ShowLaunchError(DWORD error, HWND owner)
{
    wchar_t text[512] = {};
    if (!::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                          ARRAYSIZE(text), nullptr))
        wnsprintfW(text, ARRAYSIZE(text), L"Error %lu.", error);
    ::MessageBoxW(owner, text, L"Error", MB_OK | MB_ICONERROR);
}
