#include "tools/RunningProgram.h"

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
