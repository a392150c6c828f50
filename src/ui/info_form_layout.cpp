#include "ui/info_form_layout.h"

#include <algorithm>

namespace {
// Splits at "\r\n", "\r" or "\n", as a list of lines does: a final line break adds no line.
template <class F>
void ForEachLine(std::string_view text, F&& visit) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        visit(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
}
}  // namespace

ClientSize InfoFormClientSize(std::string_view text, const std::function<int(std::string_view)>& textWidth,
                              int lineHeight) {
    const int tabWidth = textWidth(kTabWidthSample);
    int width = kInfoOkButtonWidth;
    int height = 0;
    ForEachLine(text, [&](std::string_view line) {
        height += lineHeight;
        const int tabs = static_cast<int>(std::count(line.begin(), line.end(), '\t'));
        width = std::max(width, textWidth(line) + tabs * tabWidth);
    });
    return ClientSize{width + kInfoMargin, kInfoPanelHeight + height + kInfoMargin};
}
