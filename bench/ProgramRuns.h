// The real Quillop.exe started by the benchmark: how soon its icon shows,
// how promptly it answers meanwhile, and how much memory it keeps.
#pragma once

#include <string>

namespace bench {

struct ProgramRun {
    double startupMs = -1;      // CreateProcess to the notification icon being there
    double worstAnswerMs = -1;  // the slowest of 100 sent messages right after the icon showed
    double workingSetMB = -1;   // once the program has gone idle
};

// Starts the program (its menu folder beside it) and measures it, then
// ends it with its own Exit command.
ProgramRun MeasureProgram(const std::wstring& program);

double Milliseconds();

}  // namespace bench
