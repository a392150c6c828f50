// The colours of the meter's peak marker: one colour per surface row, red-orange at the
// top through yellow to green at the bottom, so the marker's colour tells its height.
#pragma once

#include <cstdint>

#include "ui/meter_rows.h"

// RGB as 0xRRGGBB, row 0 (top) first.
extern const uint32_t kMeterScaleColours[kMeterHeight];
