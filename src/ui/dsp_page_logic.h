// The DSP page's rules that need no window: which stack entry is selected and which
// buttons it enables.
#pragma once

#include <functional>

inline constexpr int kNoSelection = -1;

// The selected stack index: none when two or more lines are selected or there is no stack;
// otherwise the lowest index below `count` whose entry exists and whose line is selected.
int SelectedStackIndex(bool stackExists, int selectedLineCount, int count,
                       const std::function<bool(int)>& entryExists,
                       const std::function<bool(int)>& lineSelected);

struct DspButtonStates {
    bool Configure = false;
    bool MoveUp = false;
    bool MoveDown = false;
    bool Details = false;

    bool operator==(const DspButtonStates&) const = default;
};

// Buttons for selection `selected` in a stack of `count` entries; `selectedActive` tells
// whether the selected entry exists and is active.
DspButtonStates DspButtonStatesFor(bool stackExists, int selected, int count, bool selectedActive);
