#include "ui/timing_edit_rules.h"

#include <cmath>

#include "base/number_format.h"

TimingEditReading ReadFadeText(std::string_view text, char decimalSeparator) {
    double value = 0.0;
    if (!ParseFloat(text, decimalSeparator, value)) return {TimingEditReading::Action::Revert, 0.0};
    return {TimingEditReading::Action::Store, std::fabs(value)};
}

TimingEditReading ReadHoldText(std::string_view text, char decimalSeparator) {
    double value = 0.0;
    if (!ParseFloat(text, decimalSeparator, value)) return {TimingEditReading::Action::Revert, 0.0};
    if (value == 0.0) return {TimingEditReading::Action::Ignore, 0.0};
    return {TimingEditReading::Action::Store, value};
}
