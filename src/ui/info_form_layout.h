// How the module information window sizes itself to its text.
#pragma once

#include <functional>
#include <string>
#include <string_view>

inline constexpr int kInfoOkButtonWidth = 75;
inline constexpr int kInfoPanelHeight = 41;
inline constexpr int kInfoMargin = 6;
inline constexpr const char* kTabWidthSample = "________";  // a tab counts as eight underscores

struct ClientSize {
    int Width = 0;
    int Height = 0;
    bool operator==(const ClientSize&) const = default;
};

// `textWidth` measures a text in the window's font; `lineHeight` is one line's height.
// Width: the widest line (each tab adding the width of eight underscores), at least the OK
// button's; height: one line height per line; plus the margins and the button panel.
ClientSize InfoFormClientSize(std::string_view text, const std::function<int(std::string_view)>& textWidth,
                              int lineHeight);
