#include "framework/SystemFonts.h"

namespace {

constexpr UINT kNonClientMetricsSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
static_assert(kNonClientMetricsSize == 500, "the metrics without the padded-border field");

}  // namespace

bool ReadNonClientMetrics(NONCLIENTMETRICSW& metrics)
{
    metrics = {};
    metrics.cbSize = kNonClientMetricsSize;
    return ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0) != FALSE;
}
