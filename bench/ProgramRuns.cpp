#include "ProgramRuns.h"

#include "framework/Afx.h"
#include "tools/RunningProgram.h"

#include <psapi.h>

#include <algorithm>
#include <vector>

namespace bench {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

namespace {

constexpr UINT kTrayIcon = WM_USER + 11, kMenuCommand = WM_USER + 13, kExit = 10;

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

// The program's menu windows on the screen now; the first of them.
int MenuWindows(DWORD process, HWND* first = nullptr)
{
    int count = 0;
    for (HWND window = ::FindWindowExW(nullptr, nullptr, L"#32768", nullptr); window;
         window = ::FindWindowExW(nullptr, window, L"#32768", nullptr)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != process || !::IsWindowVisible(window)) continue;
        if (first && !count) *first = window;
        ++count;
    }
    return count;
}

HWND MenuWindow(DWORD process)
{
    HWND first = nullptr;
    MenuWindows(process, &first);
    return first;
}

// The pause between warm presses.
constexpr DWORD kBetweenPressesMs = 250;

// A left press on the icon, timed until the menu is on the screen; the
// menu is closed again.
double PressToMenu(HWND tray, DWORD process)
{
    ::SetCursorPos(300, 200);
    const double pressed = Milliseconds();
    ::PostMessageW(tray, kTrayIcon, 0, WM_LBUTTONDOWN);
    HWND menu = nullptr;
    while (!(menu = MenuWindow(process)) && Milliseconds() - pressed < 60000) ::Sleep(0);
    const double shown = Milliseconds() - pressed;
    while ((menu = MenuWindow(process)) && Milliseconds() - pressed < 60000) {
        ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        ::Sleep(50);
    }
    return shown;
}

// Sends the window a message every 20 ms from a thread of its own, from
// construction until Stop, and keeps the slowest answer, as sent and as the
// program's own (less what a window of the bench's own waited meanwhile).
class AnswerSampler {
public:
    explicit AnswerSampler(HWND window) : m_window(window)
    {
        m_thread = ::CreateThread(nullptr, 0, Sample, this, 0, nullptr);
    }
    ~AnswerSampler() { Stop(); }
    test::Answer Stop()
    {
        if (m_thread) {
            m_stop = true;
            ::WaitForSingleObject(m_thread, INFINITE);
            ::CloseHandle(m_thread);
            m_thread = nullptr;
        }
        return m_worst;
    }

private:
    static DWORD WINAPI Sample(void* self)
    {
        auto* sampler = static_cast<AnswerSampler*>(self);
        while (!sampler->m_stop) {
            const test::Answer answer = test::TimeAnswer(sampler->m_window, 120000);
            sampler->m_worst.total = std::max(sampler->m_worst.total, answer.total);
            sampler->m_worst.own = std::max(sampler->m_worst.own, answer.own);
            ::Sleep(20);
        }
        return 0;
    }

    HWND m_window;
    HANDLE m_thread = nullptr;
    volatile bool m_stop = false;
    test::Answer m_worst;
};

}  // namespace

test::Answer WorstAnswerOpeningFirstFolder(const std::wstring& program, double spanMs)
{
    std::wstring folder = program.substr(0, program.rfind(L'\\'));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                          &process))
        return { -1, -1 };
    HWND tray = nullptr;
    const double start = Milliseconds();
    while (Milliseconds() - start < 120000 && !((tray = FindTrayWindow(process.dwProcessId)) && IconIsUp(tray)))
        ::Sleep(2);
    test::Answer worst = { -1, -1 };
    if (tray) {
        WaitUntilIdle(process.hProcess);
        ::SetCursorPos(300, 200);
        AnswerSampler answers(tray);
        const double pressed = Milliseconds();
        ::PostMessageW(tray, kTrayIcon, 0, WM_LBUTTONDOWN);
        HWND menu = nullptr;
        while (!(menu = MenuWindow(process.dwProcessId)) && Milliseconds() - pressed < 60000) ::Sleep(0);
        for (WORD key : { VK_DOWN, VK_DOWN, VK_RIGHT }) ::PostMessageW(menu, WM_KEYDOWN, key, 0);
        bool opened = false;
        while (Milliseconds() - pressed < spanMs) {
            opened = opened || MenuWindows(process.dwProcessId) == 2;
            ::Sleep(1);
        }
        if (opened) worst = answers.Stop();
        answers.Stop();
        while ((menu = MenuWindow(process.dwProcessId)) && Milliseconds() - pressed < 60000) {
            ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            ::Sleep(50);
        }
        ::PostMessageW(tray, kMenuCommand, kExit, 0);
    }
    if (::WaitForSingleObject(process.hProcess, 10000) == WAIT_TIMEOUT) ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return worst;
}

ProgramRun MeasureProgram(const std::wstring& program, double answeringMs, int warmPresses, bool pressAtOnce)
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
        // Answers are timed from now on, the press included.
        AnswerSampler answers(tray);
        const double iconShown = Milliseconds();
        if (pressAtOnce) run.coldMenuMs = PressToMenu(tray, process.dwProcessId);
        while (Milliseconds() - iconShown < answeringMs) ::Sleep(20);
        run.worstAnswer = answers.Stop();
        WaitUntilIdle(process.hProcess);
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof(memory);
        if (::GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory)))
            run.workingSetMB = static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0);
        std::vector<double> presses;
        // A user's presses come a while apart: each finds the program done
        // with what the last one left it to do (a fresh listing, rechecks).
        for (int i = 0; i < warmPresses; ++i) {
            if (i) ::Sleep(kBetweenPressesMs);
            presses.push_back(PressToMenu(tray, process.dwProcessId));
        }
        if (!presses.empty()) run.warmMenuMs = Median(presses);
        ::PostMessageW(tray, kMenuCommand, kExit, 0);
    }
    if (::WaitForSingleObject(process.hProcess, 10000) == WAIT_TIMEOUT) ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return run;
}

}  // namespace bench
