// Where a window stands, against the work area of a monitor.
#pragma once

#include "framework/CWnd.h"

namespace test {

// The work area of the monitor that holds the point.
using ::WorkAreaAt;

inline POINT Centre(const RECT& r) { return { (r.left + r.right) / 2, (r.top + r.bottom) / 2 }; }

inline bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace test
