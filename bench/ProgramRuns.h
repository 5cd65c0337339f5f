// The real Quillop.exe started by the benchmark: how soon its icon shows,
// how soon a press brings its menu, how promptly it answers meanwhile, and
// how much memory it keeps.
#pragma once

#include "support/AnswerTime.h"

#include <string>
#include <vector>

namespace bench {

struct ProgramRun {
    double startupMs = -1;      // CreateProcess to the notification icon being there
    double coldMenuMs = -1;     // a press as soon as the icon showed, to the menu on the screen
    test::Answer worstAnswer = { -1, -1 };  // the slowest of the sent messages while the icons load
    double workingSetMB = -1;   // once the program has gone idle
    double warmMenuMs = -1;     // a press once idle, to the menu on the screen: the median of several
};

// Starts the program (its menu folder beside it) and measures it for the
// given span of answers, then ends it with its own Exit command. The warm
// press is the median of warmPresses presses (none: no warm figure).
// Without the press as soon as the icon shows, the answers are those of the
// program alone (no cold figure).
ProgramRun MeasureProgram(const std::wstring& program, double answeringMs = 2000, int warmPresses = 15,
                          bool pressAtOnce = true);

// Starts the program, waits until it is idle, then presses and opens the
// full menu's first folder (Down, Down, Right): the
// worst answer to a sent message over the press, the submenu's opening and
// the span after; -1 when the submenu did not show.
test::Answer WorstAnswerOpeningFirstFolder(const std::wstring& program, double spanMs = 3000);

using test::Milliseconds;
// The middle one of the values (the upper of the two middle ones).
double Median(std::vector<double> values);

}  // namespace bench
