// Whether a path answers promptly. A sleeping or vanished drive can take
// seconds, or forever, to answer even for a file's attributes, and opening
// a file there can hold up more than the thread that asks (Wine's server
// waits with it). So a folder or file elsewhere is first asked for its
// attributes alone, and only opened when that answer came promptly.
#pragma once

#include <string>

#include "framework/Afx.h"

struct ProbeAnswer {
    bool prompt = false;  // answered within the budget
    // The attributes when it answered; INVALID_FILE_ATTRIBUTES for a path
    // that is not there.
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    // A file's last-write time and size (TimedAttributes only).
    FILETIME written = {};
    ULONGLONG size = 0;
};

// Asks on a thread of its own and waits at most budgetMs for the answer. A
// path whose question is already on its way is not asked again: the answer
// to that one is waited for, unless it already came too late for someone,
// when the path is not prompt at once. A local drive that never answers
// keeps one thread per path and holds each asker up once; a network share
// or drive is asked nothing more while a question about it is on its way,
// whose answer is waited for first, so one that never answers keeps one
// thread and holds up no asker once that question is overdue.
ProbeAnswer ProbeFolder(const std::wstring& path, DWORD budgetMs);
// Asks on the calling thread (a worker's, which may wait): prompt when the
// answer came within the budget. A path on a network share is asked on a
// probe thread as above, so the calling thread never waits for a share
// that does not answer.
ProbeAnswer TimedAttributes(const std::wstring& path, DWORD budgetMs);
// The network share ("\\server\share") or network drive ("X:") the path
// lies on, as a key, as its name and the system's table of drives tell
// without asking the drive; "" for a path on a local drive (a link there
// may lead anywhere, so its paths are asked about one by one).
std::wstring NetworkShareOf(const std::wstring& path);
// Questions asked and still unanswered.
int UnansweredProbes();

// How long a drive may take to answer before it counts as not responding:
// long enough for a busy machine's local disk, far shorter than a sleeping
// drive's wake-up.
constexpr DWORD kPromptAnswerMs = 1500;
