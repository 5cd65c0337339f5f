// A timer of the calling thread, with no window: the callback runs on that
// thread from its message loop. Killed when stopped or destroyed.
//
// Who owns what: started, stopped and destroyed on one thread, the one
// whose message loop runs it (the UI thread).
#pragma once

#include <functional>

#include "framework/Afx.h"

class CThreadTimer {
public:
    CThreadTimer() = default;
    ~CThreadTimer() { Stop(); }
    CThreadTimer(const CThreadTimer&) = delete;
    CThreadTimer& operator=(const CThreadTimer&) = delete;

    // Calls tick every ms until stopped; a running timer starts over. The
    // callback may stop or start the timer again.
    void Start(DWORD ms, std::function<void()> tick);
    void Stop();
    bool IsRunning() const { return m_id != 0; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);

    UINT_PTR m_id = 0;
    std::function<void()> m_tick;
};
