#include "tools/RunningProgram.h"

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

HWND FindTrayWindow(DWORD process)
{
    return FindTrayWindow([process](DWORD owner) { return owner == process; });
}

bool IconIsUp(HWND tray)
{
    NOTIFYICONDATAW icon = {};
    icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
    icon.hWnd = tray;
    icon.uFlags = NIF_TIP;
    lstrcpynW(icon.szTip, L"Quillop", ARRAYSIZE(icon.szTip));
    return ::Shell_NotifyIconW(NIM_MODIFY, &icon) != FALSE;
}
