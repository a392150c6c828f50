// The pages of the control window, in tab order, and the captions by which the last page
// the user chose is remembered (configuration key LastTab).
#pragma once

#include <string_view>

enum ControlPage : int {
    kPageNone = -1,
    kPageDevice = 0,
    kPageAuto = 1,
    kPageManual = 2,
    kPagePtt = 3,
    kPageDsp = 4,
};
inline constexpr int kControlPageCount = 5;

inline constexpr const char* kControlPageCaptions[kControlPageCount] = {"Device", "Auto", "Manual",
                                                                        "P.T.T.", "DSP"};

// The first page whose caption equals `caption` exactly; Device when none does.
ControlPage PageForLastTab(std::string_view caption);
