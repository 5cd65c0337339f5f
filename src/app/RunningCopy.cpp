#include "app/RunningCopy.h"

#include <tlhelp32.h>

#include "app/TrayWindow.h"
#include "framework/ExecutablePath.h"
#include "hotkeys/HotkeyTable.h"

namespace {

// ms: a copy started a moment earlier may still be starting (a busy
// machine, a slow disk): its ready signal is waited for this long.
constexpr DWORD kStartingCopyWait = 30000;
constexpr DWORD kPollPause = 50;

// A file's identity: its volume and its index there, the same through any
// path that reaches it (a link to its folder, another drive's name for it).
struct FileIdentity {
    DWORD volume = 0, high = 0, low = 0;
    bool known = false;
    bool operator==(const FileIdentity& o) const
    {
        return known && o.known && volume == o.volume && high == o.high && low == o.low;
    }
};

FileIdentity IdentityOf(LPCWSTR path)
{
    FileIdentity identity;
    UniqueFile file(::CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    if (file && ::GetFileInformationByHandle(file.Get(), &information)) {
        identity = { information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow, true };
    }
    return identity;
}

// The executable's path in lower case, as a 64-bit FNV-1a hash: what names
// the claim when the file's identity cannot be had.
unsigned long long PathHash()
{
    unsigned long long hash = 14695981039346656037ull;
    for (wchar_t c : CommandKey(ExecutablePath())) {
        hash ^= static_cast<unsigned long long>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

bool RunsThisExecutable(DWORD process)
{
    if (process == ::GetCurrentProcessId()) return false;
    UniqueKernelHandle handle(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    wchar_t image[kLongPathBuffer] = {};
    DWORD size = kLongPathBuffer;
    if (!handle || !::QueryFullProcessImageNameW(handle.Get(), 0, image, &size)) return false;
    return lstrcmpiW(image, ExecutablePath()) == 0 || IdentityOf(image) == IdentityOf(ExecutablePath());
}

// Whether another process runs this very program file.
bool AnotherCopyRuns()
{
    const HANDLE taken = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (taken == INVALID_HANDLE_VALUE) return true;  // cannot tell: as if one did
    UniqueKernelHandle snapshot(taken);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry))
        if (RunsThisExecutable(entry.th32ProcessID)) return true;
    return false;
}

}  // namespace

const UINT showMenuForSecondStartMessage = ::RegisterWindowMessageW(L"QuillopShowMenuForSecondStart");

std::wstring CSingleCopy::Name(const wchar_t* kind) const
{
    wchar_t name[64];
    const FileIdentity identity = IdentityOf(ExecutablePath());
    if (identity.known)
        wnsprintfW(name, ARRAYSIZE(name), L"Local\\Quillop%s-%08lx-%08lx%08lx", kind, identity.volume, identity.high,
                   identity.low);
    else
        wnsprintfW(name, ARRAYSIZE(name), L"Local\\Quillop%s-%016I64x", kind, PathHash());
    return name;
}

bool CSingleCopy::Claim()
{
    // A claim made before (a start-up run again, a second start that
    // found the first gone) is not another copy's.
    m_mutex.Reset();
    m_ready.Reset();
    m_ready.Reset(::CreateEventW(nullptr, TRUE, FALSE, Name(L"Ready").c_str()));
    m_readyMadeHere = m_ready && ::GetLastError() != ERROR_ALREADY_EXISTS;
    m_mutex.Reset(::CreateMutexW(nullptr, FALSE, Name(L"Copy").c_str()));
    return m_mutex && ::GetLastError() != ERROR_ALREADY_EXISTS;
}

void CSingleCopy::SignalReady()
{
    if (m_ready) ::SetEvent(m_ready.Get());
}

CSingleCopy::Answer CSingleCopy::AskRunningCopy()
{
    const DWORD start = ::GetTickCount();
    auto waited = [start] { return ::GetTickCount() - start; };
    // While the running copy starts: its ready signal, or the claim free
    // again because it ended.
    HWND tray = nullptr;
    for (;;) {
        const bool ready = m_ready && ::WaitForSingleObject(m_ready.Get(), 0) == WAIT_OBJECT_0;
        if (ready && (tray = FindTrayWindow(RunsThisExecutable))) break;
        if (Claim()) return Answer::NoCopy;
        // No copy of this program made the signal before it claimed: the
        // claim's name is another program's.
        if (m_readyMadeHere && !AnotherCopyRuns()) return Answer::NoCopy;
        if (waited() >= kStartingCopyWait) return Answer::NotAnswering;
        if (ready || !m_ready)
            ::Sleep(kPollPause);
        else
            ::WaitForSingleObject(m_ready.Get(), kPollPause);
    }
    // The user started this copy: its right to the foreground passes on.
    DWORD process = 0;
    ::GetWindowThreadProcessId(tray, &process);
    ::AllowSetForegroundWindow(process);
    DWORD_PTR answer = 0;
    if (::SendMessageTimeoutW(tray, showMenuForSecondStartMessage, ::GetTickCount(), 0, SMTO_ABORTIFHUNG | SMTO_NORMAL,
                              kRunningCopyAnswerWaitMs, &answer) &&
        answer == static_cast<DWORD_PTR>(kRunningCopyAnswer))
        return Answer::Asked;
    return Answer::NotAnswering;
}

HWND FindTrayWindow(const std::function<bool(DWORD process)>& isProgram)
{
    for (HWND window = ::FindWindowExW(nullptr, nullptr, L"#32770", nullptr); window;
         window = ::FindWindowExW(nullptr, window, L"#32770", nullptr)) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        if ((::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) && isProgram(process)) return window;
    }
    return nullptr;
}
