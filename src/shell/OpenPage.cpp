#include "shell/OpenPage.h"

#include "framework/CWinApp.h"
#include "framework/Handles.h"
#include "framework/ShellFiles.h"
#include "shell/Launch.h"
#include "shell/ShellWorker.h"

namespace {

// How long a handler has to fail before it counts as showing the page.
constexpr DWORD kHandlerVerdictMs = 3000;

bool IsAddress(const std::wstring& page) { return ::PathIsURLW(page.c_str()) != FALSE; }

bool IsHtmlFile(const std::wstring& page)
{
    LPCWSTR extension = ::PathFindExtensionW(page.c_str());
    return lstrcmpiW(extension, L".htm") == 0 || lstrcmpiW(extension, L".html") == 0;
}

}  // namespace

bool OpenPageWith(const std::wstring& page, const wchar_t* handlerClass)
{
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof(execute);
    // Errors are told by the UI thread, not by the shell from this one.
    execute.fMask = SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
    if (handlerClass) {
        execute.fMask |= SEE_MASK_CLASSNAME;
        execute.lpClass = handlerClass;
    }
    execute.lpFile = page.c_str();
    // A page beside the program opens from its own folder.
    std::wstring folder = IsAddress(page) ? std::wstring() : page.substr(0, page.find_last_of(L'\\'));
    if (!folder.empty() && folder.size() < page.size()) execute.lpDirectory = folder.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&execute)) return false;
    UniqueKernelHandle handler(execute.hProcess);  // none when the page went to a running program
    if (!handler || ::WaitForSingleObject(handler.Get(), kHandlerVerdictMs) != WAIT_OBJECT_0) return true;
    DWORD exitCode = 0;
    return ::GetExitCodeProcess(handler.Get(), &exitCode) && exitCode == 0;
}

bool QueueOpenPage(std::wstring page, std::wstring missingMessage, std::wstring failedMessage)
{
    enum class Outcome { Opened, Missing, Failed };
    auto added = TheShellWorker().Act(CShellWorker::ActionLane::Launches, [=]() -> CWorkerThread::Task {
        Outcome outcome = Outcome::Opened;
        if (!IsAddress(page) && ::GetFileAttributesW(page.c_str()) == INVALID_FILE_ATTRIBUTES)
            outcome = Outcome::Missing;
        else if (!OpenPageWith(page) && (IsHtmlFile(page) || !OpenPageWith(page, L".htm")))
            outcome = Outcome::Failed;
        if (outcome == Outcome::Opened) return nullptr;
        std::wstring message = outcome == Outcome::Missing ? missingMessage : failedMessage;
        return [message] { AfxMessageBox(message.c_str(), MB_OK | MB_ICONEXCLAMATION); };
    }, PathKey(L"page|" + page));
    if (added == CJobQueue::Added::Full) TellLaunchLaneIsFull();
    return added != CJobQueue::Added::Full;
}
