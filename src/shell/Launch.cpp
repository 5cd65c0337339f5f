// Launches on the launch lane: the starting folder, the shell's open, the
// program started by name where the shell would misread it.
#include "shell/Launch.h"

#include <atomic>
#include <cwctype>

#include "framework/CWinApp.h"
#include "framework/ExecutablePath.h"
#include "framework/ShellFiles.h"
#include "shell/ShellWorker.h"

namespace {

// How long a shortcut's resolution may look for a moved target: never with
// a dialog, which would hold up the launches behind it.
constexpr DWORD kResolveTimeoutMs = 1000;

// A shortcut's working directory, when it can be loaded and resolved.
bool ShortcutWorkingDirectory(const std::wstring& path, wchar_t (&directory)[MAX_PATH])
{
    auto link = LoadShortcut(path.c_str());
    if (!link || FAILED(link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH | (kResolveTimeoutMs << 16)))) return false;
    directory[0] = 0;
    link->GetWorkingDirectory(directory, MAX_PATH);
    return true;
}

bool IsShortcut(const std::wstring& path) { return lstrcmpiW(::PathFindExtensionW(path.c_str()), L".lnk") == 0; }

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
DWORD StartProgram(const std::wstring& path, const std::wstring& directory)
{
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &startup, &process))
        return ::GetLastError();
    UniqueKernelHandle thread(process.hThread), started(process.hProcess);
    return 0;
}

// Opens the file through the shell; the system's error code, or 0. The
// shell's own message would come from this thread: the UI thread shows it
// instead.
DWORD OpenThroughShell(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                   const std::wstring& directory)
{
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
    execute.lpVerb = verb.empty() ? nullptr : verb.c_str();
    execute.lpFile = file.c_str();
    execute.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    execute.lpDirectory = directory.empty() ? nullptr : directory.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (::ShellExecuteExW(&execute)) return 0;
    const DWORD error = ::GetLastError();
    return error ? error : ERROR_FILE_NOT_FOUND;
}

std::atomic<int> gLaunchesPending{ 0 };

}  // namespace

std::wstring StartingDirectory(const std::wstring& path)
{
    wchar_t directory[MAX_PATH] = {};
    if (IsShortcut(path) && ShortcutWorkingDirectory(path, directory)) return directory;
    const size_t backslash = path.rfind(L'\\');
    if (backslash == std::wstring::npos) return std::wstring();
    // A drive's root keeps its backslash: "C:" alone would name the drive's
    // current directory.
    size_t length = backslash;
    if (length == 2 && path[1] == L':') ++length;
    return length < MAX_PATH ? path.substr(0, length) : std::wstring();
}

DWORD LaunchPath(const LaunchRequest& request)
{
    const std::wstring path = PathToOpen(request);
    if (ShortcutLeadsBack(path.c_str())) return kShortcutLeadsBack;
    const bool explore = request.verb == L"explore";
    const std::wstring directory = explore ? std::wstring() : StartingDirectory(path);
    // A program whose name holds "%NAME%" is started by name as it stands.
    if (request.verb.empty() && IsProgram(path) && ShellWouldExpand(path)) return StartProgram(path, directory);
    return OpenThroughShell(request.verb, path, L"", directory);
}

void TellLaunchLaneIsFull()
{
    AfxMessageBox(L"Sorry, too many programs are still waiting to start. Please try again in a moment.",
                  MB_OK | MB_ICONEXCLAMATION);
}

bool QueueLaunch(LaunchRequest request)
{
    std::wstring key = PathKey(request.verb + L"|" + request.path);
    auto added = TheShellWorker().Act(CShellWorker::ActionLane::Launches, [request]() -> CWorkerThread::Task {
        DWORD error = LaunchPath(request);
        --gLaunchesPending;
        if (!error) return nullptr;
        return [error, request] { ShowLaunchError(error, request); };
    }, std::move(key));
    if (added == CJobQueue::Added::Queued) ++gLaunchesPending;
    if (added == CJobQueue::Added::Full) TellLaunchLaneIsFull();
    return added != CJobQueue::Added::Full;
}

int LaunchesPending() { return gLaunchesPending; }

DWORD ShowInFolder(const std::wstring& path)
{
    UniqueItemIdList item(::ILCreateFromPathW(path.c_str()));
    if (!item) return ERROR_FILE_NOT_FOUND;
    if (SUCCEEDED(::SHOpenFolderAndSelectItems(item.Get(), 0, nullptr, 0))) return 0;
    // The shell's way gives up when it cannot reach the file manager's
    // window list, or the new window does not register quickly (a busy
    // machine): the file manager is then started with the file to select.
    return OpenThroughShell(L"", L"explorer.exe", L"/select,\"" + path + L"\"", L"");
}

bool QueueShowInFolder(const std::wstring& path)
{
    auto added = TheShellWorker().Act(CShellWorker::ActionLane::Launches, [path]() -> CWorkerThread::Task {
        const DWORD error = ShowInFolder(path);
        if (!error) return nullptr;
        return [error, path] { ShowLaunchError(error, LaunchRequest(path)); };
    }, PathKey(L"select|" + path));
    if (added == CJobQueue::Added::Full) TellLaunchLaneIsFull();
    return added != CJobQueue::Added::Full;
}

std::wstring LaunchErrorInWords(DWORD error, const std::wstring& name)
{
    wchar_t text[512] = {};
    if (!::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                          ARRAYSIZE(text), nullptr))
        return L"the system gave no reason (error " + std::to_wstring(error) + L")";
    // The system's text may hold inserts ("Bad EXE format for %1."): the
    // first stands for the file, any other is left out.
    std::wstring words;
    for (const wchar_t* c = text; *c; ++c) {
        if (*c == L'%' && c[1] >= L'1' && c[1] <= L'9') {
            if (c[1] == L'1') words += L"\"" + name + L"\"";
            while (c[1] >= L'0' && c[1] <= L'9') ++c;
        } else {
            words += *c;
        }
    }
    while (!words.empty() && (iswspace(words.back()) || words.back() == L'.')) words.pop_back();
    return words;
}

void ShowLaunchError(DWORD error, const LaunchRequest& request)
{
    const wchar_t* name = ::PathFindFileNameW(request.path.c_str());
    CString message;
    if (error == kShortcutLeadsBack) {
        message.Format(L"Sorry, the shortcut \"%s\" leads back to itself and cannot be opened.", name);
        AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const std::wstring reason = LaunchErrorInWords(error, name);
    if (request.verb == L"runas") {
        // Refused as administrator is not refused altogether: the user may
        // still want the entry, with the rights Quillop has.
        message.Format(L"Sorry, \"%s\" could not be run as administrator: %s.\n\nOpen it normally instead?", name,
                       reason.c_str());
        if (AfxMessageBox(message, MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
            QueueLaunch(LaunchRequest(request.path, L"", request.expandVariables));
        return;
    }
    message.Format(L"Sorry, \"%s\" could not be opened: %s.", name, reason.c_str());
    AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
}
