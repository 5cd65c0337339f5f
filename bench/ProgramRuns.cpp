#include "ProgramRuns.h"

#include "framework/Afx.h"
#include "tools/RunningProgram.h"

#include <psapi.h>

#include <algorithm>

namespace bench {

double Milliseconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

namespace {

constexpr UINT kMenuCommand = WM_USER + 13, kExit = 10;

double CpuMilliseconds(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(process, &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

// Waits until the process has used no processor time for a second.
void WaitUntilIdle(HANDLE process)
{
    double last = CpuMilliseconds(process);
    int quiet = 0;
    for (int tick = 0; tick < 1200 && quiet < 4; ++tick) {
        ::Sleep(250);
        double now = CpuMilliseconds(process);
        quiet = now - last < 5 ? quiet + 1 : 0;
        last = now;
    }
}

}  // namespace

ProgramRun MeasureProgram(const std::wstring& program)
{
    ProgramRun run;
    std::wstring folder = program.substr(0, program.rfind(L'\\'));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    double start = Milliseconds();
    if (!::CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                          &process))
        return run;
    HWND tray = nullptr;
    while (Milliseconds() - start < 120000) {
        if ((tray = FindTrayWindow(process.dwProcessId)) && IconIsUp(tray)) break;
        tray = nullptr;
        ::Sleep(2);
    }
    if (tray) {
        run.startupMs = Milliseconds() - start;
        run.worstAnswerMs = 0;
        for (int sample = 0; sample < 100; ++sample) {
            double sent = Milliseconds();
            DWORD_PTR result = 0;
            ::SendMessageTimeoutW(tray, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
            run.worstAnswerMs = std::max(run.worstAnswerMs, Milliseconds() - sent);
            ::Sleep(20);
        }
        WaitUntilIdle(process.hProcess);
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof(memory);
        if (::GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory)))
            run.workingSetMB = static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0);
        ::PostMessageW(tray, kMenuCommand, kExit, 0);
    }
    if (::WaitForSingleObject(process.hProcess, 10000) == WAIT_TIMEOUT) ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return run;
}

}  // namespace bench
