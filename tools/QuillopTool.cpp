// A small helper that scripts/run starts under Wine beside Quillop.exe:
//
//   quillop_tool shortcut TARGET LINK     writes a shortcut, as a dropped file gets one
//   quillop_tool wait-for-icon EXE [S]    waits up to S seconds (default 60) until the
//                                         program EXE has its notification icon up
//   quillop_tool window-rect NAME...      the rectangle around the visible top-level windows
//                                         of those classes (#32768: menus) or else captions,
//                                         as "left top width height" after the exit code
//
// Exit code 0 on success, 1 on failure, 2 for a wrong command line. Started
// in Wine's virtual desktop by its explorer, which does not hand the exit
// code on, the tool also writes it to the file QUILLOP_TOOL_RESULT names.
#include "framework/Afx.h"
#include "framework/ExecutablePath.h"
#include "framework/Handles.h"
#include "framework/ShellFiles.h"
#include "shell/DroppedFiles.h"
#include "tools/RunningProgram.h"

#include <cwchar>
#include <string>

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

std::wstring gOutput;  // what follows the exit code in the result file

// The rectangle around the visible top-level windows of one class, or else
// of one caption.
RECT WindowsNamed(LPCWSTR name)
{
    RECT all = {};
    for (LPCWSTR className : { name, static_cast<LPCWSTR>(nullptr) }) {
        LPCWSTR caption = className ? nullptr : name;
        for (HWND window = ::FindWindowExW(nullptr, nullptr, className, caption); window;
             window = ::FindWindowExW(nullptr, window, className, caption)) {
            RECT r;
            if (::IsWindowVisible(window) && ::GetWindowRect(window, &r)) ::UnionRect(&all, &all, &r);
        }
        if (!::IsRectEmpty(&all)) break;
    }
    return all;
}

int WindowRect(int count, wchar_t** names)
{
    RECT all = {};
    for (int i = 0; i < count; ++i) {
        const RECT named = WindowsNamed(names[i]);
        ::UnionRect(&all, &all, &named);
    }
    if (::IsRectEmpty(&all)) return 1;
    gOutput = std::to_wstring(all.left) + L" " + std::to_wstring(all.top) + L" " +
              std::to_wstring(all.right - all.left) + L" " + std::to_wstring(all.bottom - all.top);
    return 0;
}

int MakeShortcut(LPCWSTR target, LPCWSTR link)
{
    ::CoInitialize(nullptr);
    bool made = CreateShortcut(target, link);
    ::CoUninitialize();
    return made ? 0 : 1;
}

int Run(int argc, wchar_t** argv)
{
    if (argc == 4 && lstrcmpW(argv[1], L"shortcut") == 0) return MakeShortcut(argv[2], argv[3]);
    if ((argc == 3 || argc == 4) && lstrcmpW(argv[1], L"wait-for-icon") == 0)
        return WaitForIcon(argv[2], argc == 4 ? std::wcstol(argv[3], nullptr, 10) : 60);
    if (argc >= 3 && lstrcmpW(argv[1], L"window-rect") == 0) return WindowRect(argc - 2, argv + 2);
    std::fwprintf(stderr, L"usage: quillop_tool shortcut TARGET LINK | wait-for-icon EXE [SECONDS] | "
                          L"window-rect NAME...\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int result = Run(argc, argv);
    wchar_t file[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"QUILLOP_TOOL_RESULT", file, MAX_PATH) && file[0]) {
        if (FILE* out = _wfopen(file, L"w")) {
            std::fwprintf(out, L"%d\n%ls\n", result, gOutput.c_str());
            std::fclose(out);
        }
    }
    return result;
}
