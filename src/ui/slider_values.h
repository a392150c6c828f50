// How the control window's sliders map to the settings they set. Every slider runs from 0
// to 100 in whole percent. Levels are fractions 0..1; the trigger threshold is percent of
// full scale, and its vertical slider has 0 at the top, so moving the thumb up raises the
// threshold.
#pragma once

#include <cmath>
#include <cstdint>

inline constexpr int kSliderMin = 0;
inline constexpr int kSliderMax = 100;
inline constexpr int kSliderTickStep = 10;
inline constexpr double kPercentToFraction = 0.01;
inline constexpr double kFractionToPercent = 100.0;

inline double LevelFromSlider(int position) { return position * kPercentToFraction; }
inline double ThresholdFromSlider(int position) { return kSliderMax - position; }

// Slider positions for stored values, truncated toward zero: a stored threshold of 0.1
// puts the slider at 99 (whose own value is then 1).
// A value read from a hand-edited file may be anything; whatever lies outside the slider's
// range ends at its nearer end (and NaN at 0) instead of overflowing the conversion.
inline int TruncateToSlider(double value) {
    if (!(value > kSliderMin)) return kSliderMin;
    if (value >= kSliderMax) return kSliderMax;
    return static_cast<int>(std::trunc(value));
}
inline int SliderForLevel(double fraction) { return TruncateToSlider(fraction * kFractionToPercent); }
inline int SliderForThreshold(double percent) { return TruncateToSlider(kSliderMax - percent); }
