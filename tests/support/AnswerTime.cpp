#include "support/AnswerTime.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

namespace test {

namespace {

// A window of this process's own, answering sends from another thread of it
// every 10 ms. A send to it goes through Wine's server as a send to the
// program does, so when the server (or the whole machine) stalls, these
// sends stall too: the part of a round with the program that a reference
// send spent waiting was not the program's. Started on first use; both
// threads run until the process ends.
class ReferenceSends {
public:
    static ReferenceSends& The()
    {
        static ReferenceSends* sends = new ReferenceSends;
        return *sends;
    }
    // The longest time one reference send waited within [from, to].
    double LongestWaitWithin(double from, double to)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        double longest = 0;
        auto overlap = [&](double start, double end) {
            longest = std::max(longest, std::min(end, to) - std::max(start, from));
        };
        for (const auto& [start, end] : m_done) overlap(start, end);
        if (m_pending > 0) overlap(m_pending, Milliseconds());
        return longest;
    }

private:
    ReferenceSends()
    {
        std::thread([this] { Own(); }).detach();
        std::thread([this] { Send(); }).detach();
    }
    void Own()
    {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"QuillopTestReference";
        ::RegisterClassW(&windowClass);
        m_window = ::CreateWindowW(windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   windowClass.hInstance, nullptr);
        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
    }
    void Send()
    {
        for (;;) {
            HWND window = m_window;
            if (window) {
                const double start = Milliseconds();
                {
                    std::lock_guard<std::mutex> hold(m_lock);
                    m_pending = start;
                }
                DWORD_PTR result = 0;
                ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
                std::lock_guard<std::mutex> hold(m_lock);
                m_pending = 0;
                m_done.emplace_back(start, Milliseconds());
                if (m_done.size() > 4000) m_done.pop_front();  // a minute or so
            }
            ::Sleep(10);
        }
    }

    std::atomic<HWND> m_window{ nullptr };
    std::mutex m_lock;
    std::deque<std::pair<double, double>> m_done;  // the sends' start and end, oldest first
    double m_pending = 0;                          // the start of the send under way, or 0
};

}  // namespace

double Milliseconds()
{
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

Answer TimeAnswer(HWND window, UINT timeoutMs)
{
    ReferenceSends& reference = ReferenceSends::The();
    const double sent = Milliseconds();
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result);
    const double answered = Milliseconds();
    Answer answer;
    answer.total = answered - sent;
    answer.own = std::max(0.0, answer.total - reference.LongestWaitWithin(sent, answered));
    return answer;
}

}  // namespace test
