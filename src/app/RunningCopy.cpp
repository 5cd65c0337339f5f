#include "app/RunningCopy.h"

#include "app/TrayWindow.h"
#include "framework/ExecutablePath.h"
#include "hotkeys/HotkeyTable.h"

namespace {

constexpr DWORD kTrayWindowWait = 3000;  // ms: a copy started a moment earlier is still starting

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

}  // namespace

bool CSingleCopy::Claim()
{
    wchar_t name[64];
    const FileIdentity identity = IdentityOf(ExecutablePath());
    if (identity.known)
        wnsprintfW(name, ARRAYSIZE(name), L"Local\\QuillopCopy-%08lx-%08lx%08lx", identity.volume, identity.high,
                   identity.low);
    else
        wnsprintfW(name, ARRAYSIZE(name), L"Local\\QuillopCopy-%016I64x", PathHash());
    m_mutex.Reset();  // a claim made before (a start-up run again) is not another copy's
    m_mutex.Reset(::CreateMutexW(nullptr, FALSE, name));
    return m_mutex && ::GetLastError() != ERROR_ALREADY_EXISTS;
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

bool ShowRunningCopysMenu()
{
    const DWORD start = ::GetTickCount();
    HWND tray = nullptr;
    while (!(tray = FindTrayWindow(RunsThisExecutable)) && ::GetTickCount() - start < kTrayWindowWait) ::Sleep(100);
    if (!tray) return false;
    // The user started this copy: its right to the foreground passes on.
    DWORD process = 0;
    ::GetWindowThreadProcessId(tray, &process);
    ::AllowSetForegroundWindow(process);
    return ::PostMessageW(tray, WM_TRAY_ICON, 0, WM_LBUTTONDOWN) != FALSE;
}
