// Which rows of the 16 x 100 meter surface show what, for a given bar and peak.
//
// Rows count from 0 at the top; one percent is one row, so a level of L reaches up to row
// 100 - L. The peak marker is three rows high, taken from the colour scale at its own
// height; the bar below it is drawn in the highlight colour and never covers the marker;
// the rest is background. Levels above 100 put the marker partly or wholly above the
// surface, levels of 0 put it below; the painter clips to the surface.
#pragma once

#include <cstdint>

inline constexpr int kMeterWidth = 16;
inline constexpr int kMeterHeight = 100;  // rows; one row per percent
inline constexpr int kPeakMarkerRows = 3;

struct MeterRows {
    int32_t MarkerTop;     // first row of the peak marker
    int32_t MarkerBottom;  // row after the marker
    int32_t BarTop;        // first row of the bar; the bar runs to the surface's bottom
    // Background: rows [0, MarkerTop) when MarkerTop > 0, and rows [MarkerBottom, BarTop)
    // when MarkerBottom < BarTop.
    bool FillAboveMarker;
    bool FillBetween;
};

MeterRows MeterRowsFor(int32_t bar, int32_t peak);
