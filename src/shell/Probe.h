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
// when the path is not prompt at once (a drive that never answers keeps
// one thread per path, and holds each asker up once).
ProbeAnswer ProbeFolder(const std::wstring& path, DWORD budgetMs);
// Asks on the calling thread (a worker's, which may wait): prompt when the
// answer came within the budget.
ProbeAnswer TimedAttributes(const std::wstring& path, DWORD budgetMs);
// Questions asked and still unanswered.
int UnansweredProbes();

// How long a drive may take to answer before it counts as not responding:
// long enough for a busy machine's local disk, far shorter than a sleeping
// drive's wake-up.
constexpr DWORD kPromptAnswerMs = 1500;
