// What the control window does with the text of its three timing edit boxes (fade-in,
// fade-out, trigger hold). The boxes react to every change of their text, so a half-typed
// or empty text must never disturb the stored value: a text that is not a number puts the
// stored value back into the box.
#pragma once

#include <string_view>

struct TimingEditReading {
    enum class Action {
        Store,   // keep Value as the new setting
        Ignore,  // leave the setting and the box as they are
        Revert,  // put the stored value back into the box
    };
    Action Act;
    double Value;
};

// Fade boxes: a number is stored as its absolute value ("-0.5" stores 0.5).
TimingEditReading ReadFadeText(std::string_view text, char decimalSeparator);

// Hold box: a number is stored unchanged, negative values included, except exactly 0,
// which is ignored.
TimingEditReading ReadHoldText(std::string_view text, char decimalSeparator);
