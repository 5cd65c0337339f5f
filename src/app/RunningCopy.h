// One copy of the program per program file, whatever path started it (a
// link to its folder, another drive's name for it): a second start brings
// the running copy's menu up and ends; when that copy does not answer, the
// user is told, and no second copy starts. A copy under another name or in
// another folder has its own menu folder, hotkey file and claim, and runs
// beside it.
#pragma once

#include <functional>
#include <string>

#include "framework/Handles.h"

class CSingleCopy {
public:
    // True when no other copy of this program file runs: the claim, a named
    // mutex made from the file's volume and index, holds while the object
    // lives.
    bool Claim();
    // The first copy, once its tray window exists: a second start may ask
    // it now.
    void SignalReady();

    enum class Answer {
        Asked,        // the running copy pops its menu up
        NoCopy,       // no copy of this program holds the claim (another program holds its name)
        NotAnswering  // a copy runs but did not answer in time
    };
    // A second start: waits while the running copy starts (for its ready
    // signal), then asks it with a bounded send to pop its menu up at the
    // pointer. A copy that ended meanwhile leaves the claim to this one.
    Answer AskRunningCopy();

private:
    std::wstring Name(const wchar_t* kind) const;

    UniqueKernelHandle m_mutex;
    // Set by the first copy once its window exists; made by whoever
    // starts first, before the claim, so that a claim without it is
    // another program's.
    UniqueKernelHandle m_ready;
    bool m_readyMadeHere = false;
};

// The tray window of the first process the test accepts: a dialog window
// that takes dropped files.
HWND FindTrayWindow(const std::function<bool(DWORD process)>& isProgram);
// The message a second start sends the running copy's tray window, with
// the tick count of its sending: a copy that meets it in time answers
// kRunningCopyAnswer and pops its menu up; one that was hung longer than
// the second start waited lets it be.
extern const UINT showMenuForSecondStartMessage;
constexpr LRESULT kRunningCopyAnswer = 0x5175;
constexpr DWORD kRunningCopyAnswerWaitMs = 5000;
