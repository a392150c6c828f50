#include "ui/format_labels.h"

#include "base/number_format.h"

namespace {
constexpr double kHertzToKilo = 0.001;
}

std::string SampleRateLabel(int32_t hertz, char decimalSeparator) {
    return FormatFloat(hertz * kHertzToKilo, decimalSeparator) + "Kbps";
}

std::string BitsLabel(int32_t bitsPerSample) { return std::to_string(bitsPerSample) + "bps"; }

std::string ChannelsLabel(int32_t channels) { return std::to_string(channels) + " chnls"; }

std::string BlockSizeLabel(int32_t samples) { return std::to_string(samples) + " smpls"; }
