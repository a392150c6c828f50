// The texts of the control window's "Winamp Playback Stats" labels, built from the values
// the mixing engine reports for the host's stream: "44.1Kbps", "16bps", "2 chnls",
// "576 smpls". The rate label keeps the unit text the window has always shown.
#pragma once

#include <cstdint>
#include <string>

// The rate in thousands, shortest general decimal form, then "Kbps" (22050 -> "22.05Kbps").
std::string SampleRateLabel(int32_t hertz, char decimalSeparator);
std::string BitsLabel(int32_t bitsPerSample);
std::string ChannelsLabel(int32_t channels);
std::string BlockSizeLabel(int32_t samples);
