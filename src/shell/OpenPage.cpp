#include "shell/OpenPage.h"

#include <cstring>

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

namespace {

// A page no browser showed is at least readable as text.
void QueueOpenInNotepad(const std::wstring& page)
{
    auto added = TheShellWorker().Act(CShellWorker::ActionLane::Launches, [page]() -> CWorkerThread::Task {
        const std::wstring quoted = L"\"" + page + L"\"";
        const auto started = reinterpret_cast<INT_PTR>(
            ::ShellExecuteW(nullptr, nullptr, L"notepad.exe", quoted.c_str(), nullptr, SW_SHOWNORMAL));
        if (started > 32) return nullptr;
        return [] { ShowLaunchError(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), LaunchRequest(L"notepad.exe")); };
    }, PathKey(L"notepad|" + page));
    if (added == CJobQueue::Added::Full) TellLaunchLaneIsFull();
}

}  // namespace

bool CopyTextToClipboard(const std::wstring& text)
{
    HWND owner = AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    if (void* copy = ::GlobalLock(memory)) {
        memcpy(copy, text.c_str(), bytes);
        ::GlobalUnlock(memory);
    }
    if (!::OpenClipboard(owner)) {
        ::GlobalFree(memory);
        return false;
    }
    ::EmptyClipboard();
    const bool placed = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    ::CloseClipboard();
    if (!placed) ::GlobalFree(memory);  // the clipboard owns it only once placed
    return placed;
}

void TellNothingShowedPage(const std::wstring& page)
{
    CString message;
    if (IsAddress(page)) {
        message.Format(L"Sorry, no browser could open the address\n\n%s\n\nCopy puts it on the clipboard, to paste "
                       L"into a browser.",
                       page.c_str());
        if (AfxMessageBox(message, MB_OKCANCEL | MB_ICONEXCLAMATION, { { IDOK, L"&Copy" }, { IDCANCEL, L"Close" } }) ==
            IDOK)
            CopyTextToClipboard(page);
        return;
    }
    message.Format(L"Sorry, no browser could show the page\n\n%s\n\nNotepad shows it as text; Copy puts its address "
                   L"on the clipboard, to paste into a browser.",
                   page.c_str());
    const int answer = AfxMessageBox(message, MB_YESNOCANCEL | MB_ICONEXCLAMATION,
                                     { { IDYES, L"&Notepad" }, { IDNO, L"&Copy" }, { IDCANCEL, L"Close" } });
    if (answer == IDYES) QueueOpenInNotepad(page);
    if (answer == IDNO) CopyTextToClipboard(page);
}

bool QueueOpenPage(std::wstring page, std::wstring missingMessage)
{
    enum class Outcome { Opened, Missing, Failed };
    auto added = TheShellWorker().Act(CShellWorker::ActionLane::Launches, [=]() -> CWorkerThread::Task {
        Outcome outcome = Outcome::Opened;
        if (!IsAddress(page) && ::GetFileAttributesW(page.c_str()) == INVALID_FILE_ATTRIBUTES)
            outcome = Outcome::Missing;
        else if (!OpenPageWith(page) && (IsHtmlFile(page) || !OpenPageWith(page, L".htm")))
            outcome = Outcome::Failed;
        if (outcome == Outcome::Opened) return nullptr;
        if (outcome == Outcome::Failed) return [page] { TellNothingShowedPage(page); };
        return [missingMessage] { AfxMessageBox(missingMessage.c_str(), MB_OK | MB_ICONEXCLAMATION); };
    }, PathKey(L"page|" + page));
    if (added == CJobQueue::Added::Full) TellLaunchLaneIsFull();
    return added != CJobQueue::Added::Full;
}
