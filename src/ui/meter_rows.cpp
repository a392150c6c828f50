#include "ui/meter_rows.h"

#include <algorithm>

MeterRows MeterRowsFor(int32_t bar, int32_t peak) {
    MeterRows rows{};
    rows.MarkerTop = kMeterHeight - std::max(bar, peak);
    rows.MarkerBottom = rows.MarkerTop + kPeakMarkerRows;
    rows.BarTop = std::max(kMeterHeight - bar, rows.MarkerBottom);
    rows.FillAboveMarker = rows.MarkerTop > 0;
    rows.FillBetween = rows.MarkerBottom < rows.BarTop;
    return rows;
}
