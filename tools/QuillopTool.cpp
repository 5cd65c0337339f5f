// A small helper that scripts/run starts under Wine beside Quillop.exe:
//
//   quillop_tool shortcut TARGET LINK     writes a shortcut, as a dropped file gets one
//   quillop_tool wait-for-icon EXE [S]    waits up to S seconds (default 60) until the
//                                         program EXE has its notification icon up
//
// Exit code 0 on success, 1 on failure, 2 for a wrong command line.
#include "framework/Afx.h"
#include "framework/ExecutablePath.h"
#include "framework/Handles.h"
#include "framework/ShellFiles.h"
#include "menu/DroppedFiles.h"
#include "tools/RunningProgram.h"

#include <cwchar>

namespace {

bool IsProgram(DWORD process, LPCWSTR executable)
{
    UniqueKernelHandle handle(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    if (!handle) return false;
    wchar_t image[kLongPathBuffer] = {};
    DWORD size = kLongPathBuffer;
    return ::QueryFullProcessImageNameW(handle.Get(), 0, image, &size) && lstrcmpiW(image, executable) == 0;
}

int WaitForIcon(LPCWSTR executable, int seconds)
{
    for (int tenth = 0; tenth < seconds * 10; ++tenth) {
        HWND tray = FindTrayWindow([executable](DWORD process) { return IsProgram(process, executable); });
        if (tray && IconIsUp(tray)) return 0;
        ::Sleep(100);
    }
    return 1;
}

int MakeShortcut(LPCWSTR target, LPCWSTR link)
{
    ::CoInitialize(nullptr);
    bool made = CreateShortcut(target, link);
    ::CoUninitialize();
    return made ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 4 && lstrcmpW(argv[1], L"shortcut") == 0) return MakeShortcut(argv[2], argv[3]);
    if ((argc == 3 || argc == 4) && lstrcmpW(argv[1], L"wait-for-icon") == 0)
        return WaitForIcon(argv[2], argc == 4 ? std::wcstol(argv[3], nullptr, 10) : 60);
    std::fwprintf(stderr, L"usage: quillop_tool shortcut TARGET LINK | wait-for-icon EXE [SECONDS]\n");
    return 2;
}
