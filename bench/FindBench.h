// Find's figures: a keystroke's results over 100,000 entries, opening the
// window, and the index's memory, each against a figure measured beside it.
#pragma once

#include <functional>

namespace bench {

// warmPress: the milliseconds of a warm press on the icon to an idle menu
// of the menu folder as it stands.
void MeasureFind(const std::function<double()>& warmPress);

}  // namespace bench
