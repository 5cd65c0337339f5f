// Where a window stands, against the work area of a monitor.
#pragma once

#include "framework/Afx.h"

namespace test {

// The work area of the monitor that holds the point.
inline RECT WorkAreaAt(POINT point)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

inline POINT Centre(const RECT& r) { return { (r.left + r.right) / 2, (r.top + r.bottom) / 2 }; }

inline bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace test
