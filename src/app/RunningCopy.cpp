#include "app/RunningCopy.h"

#include "app/TrayWindow.h"
#include "framework/ExecutablePath.h"
#include "hotkeys/HotkeyTable.h"

namespace {

constexpr DWORD kTrayWindowWait = 5000;  // ms: a copy started a moment earlier is still starting

// The executable's path in lower case, as a 64-bit FNV-1a hash: a mutex
// name cannot hold backslashes, nor always a long path.
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
    return handle && ::QueryFullProcessImageNameW(handle.Get(), 0, image, &size) &&
           lstrcmpiW(image, ExecutablePath()) == 0;
}

}  // namespace

bool CSingleCopy::Claim()
{
    wchar_t name[64];
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
