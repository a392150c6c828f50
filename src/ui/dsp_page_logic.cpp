#include "ui/dsp_page_logic.h"

int SelectedStackIndex(bool stackExists, int selectedLineCount, int count,
                       const std::function<bool(int)>& entryExists,
                       const std::function<bool(int)>& lineSelected) {
    if (!stackExists || selectedLineCount >= 2) return kNoSelection;
    for (int i = 0; i < count; ++i) {
        if (entryExists(i) && lineSelected(i)) return i;
    }
    return kNoSelection;
}

DspButtonStates DspButtonStatesFor(bool stackExists, int selected, int count, bool selectedActive) {
    DspButtonStates states;
    if (!stackExists || selected < 0 || selected >= count) return states;
    states.Configure = selectedActive;
    states.Details = true;
    states.MoveUp = selected > 0;
    states.MoveDown = selected < count - 1;
    return states;
}
