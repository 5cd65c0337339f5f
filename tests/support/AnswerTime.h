// How long another program's window takes to answer a sent message, and how
// much of that wait was the program's own. The acceptance tests and the
// benchmark time the program's UI thread this way.
#pragma once

#include <windows.h>

namespace test {

// Milliseconds on a steady clock.
double Milliseconds();

struct Answer {
    double total = 0;  // from the send to the answer, in milliseconds
    double own = 0;    // the same less what the machine or Wine's server held up
};

// Sends the window WM_NULL and times the answer. A window of this process's
// own, on a thread of its own, answers sends from another thread all the
// time; what one of those sends waited within the same span is taken out.
Answer TimeAnswer(HWND window, UINT timeoutMs);

}  // namespace test
