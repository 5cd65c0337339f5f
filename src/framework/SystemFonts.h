// The fonts the system uses for its own menus and status bars.
#pragma once

#include "framework/Afx.h"

// The non-client metrics, asked for in the size without the later
// padded-border field, which every Windows takes. False when unread.
bool ReadNonClientMetrics(NONCLIENTMETRICSW& metrics);
