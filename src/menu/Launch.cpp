#include "menu/Launch.h"

#include "framework/CWinApp.h"
#include "framework/ExecutablePath.h"
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

// The path as it is to be opened: a command's variables stand for their
// values; anything else is taken as it stands.
std::wstring PathToOpen(const LaunchRequest& request)
{
    if (!request.expandVariables) return request.path;
    wchar_t expanded[kLongPathBuffer];
    DWORD length = ::ExpandEnvironmentStringsW(request.path.c_str(), expanded, kLongPathBuffer);
    return length && length <= kLongPathBuffer ? std::wstring(expanded) : request.path;
}

// Whether the shell would read the path as another: some shells (Wine's)
// put in environment variables' values even when not asked to.
bool ShellWouldExpand(const std::wstring& path)
{
    if (path.find(L'%') == std::wstring::npos) return false;
    wchar_t expanded[kLongPathBuffer];
    DWORD length = ::ExpandEnvironmentStringsW(path.c_str(), expanded, kLongPathBuffer);
    return length == 0 || length > kLongPathBuffer || path != expanded;
}

bool IsProgram(const std::wstring& path)
{
    LPCWSTR extension = ::PathFindExtensionW(path.c_str());
    return lstrcmpiW(extension, L".exe") == 0 || lstrcmpiW(extension, L".com") == 0;
}

// Starts a program itself, with its own path as its first argument.
DWORD StartProgram(const std::wstring& path, LPCWSTR directory)
{
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          directory[0] ? directory : nullptr, &startup, &process))
        return ::GetLastError();
    UniqueKernelHandle thread(process.hThread), started(process.hProcess);
    return 0;
}

DWORD LaunchPath(const LaunchRequest& request)
{
    const std::wstring path = PathToOpen(request);
    if (ShortcutLeadsBack(path.c_str())) return kShortcutLeadsBack;
    wchar_t directory[MAX_PATH] = {};
    if (!request.verb) StartingDirectory(path.c_str(), request.owner, directory);
    // A program whose name holds "%NAME%" is started by name as it stands.
    if (!request.verb && IsProgram(path) && ShellWouldExpand(path)) return StartProgram(path, directory);
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof(execute);
    // The shell's own message would come from this thread: the UI thread
    // shows it instead.
    execute.fMask = SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
    execute.lpVerb = request.verb;
    execute.lpFile = path.c_str();
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
        return [error, path = request.path] {
            CWnd* main = AfxGetMainWnd();
            ShowLaunchError(error, path, main ? main->m_hWnd : nullptr);
        };
    });
}

void ShowLaunchError(DWORD error, const std::wstring& path, HWND owner)
{
    if (error == kShortcutLeadsBack) {
        CString message;
        message.Format(L"Sorry, the shortcut \"%s\" leads back to itself and cannot be opened.",
                       ::PathFindFileNameW(path.c_str()));
        AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    wchar_t text[512] = {};
    if (!::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                          ARRAYSIZE(text), nullptr))
        wnsprintfW(text, ARRAYSIZE(text), L"Error %lu.", error);
    ::MessageBoxW(owner, text, L"Error", MB_OK | MB_ICONERROR);
}
