#include "config/stack_line_list.h"

#include "base/split_first.h"

namespace {
constexpr std::string_view kNameValueSeparator = "=";
}

void StackLineList::Replace(std::vector<std::string> lines) {
    lines_ = std::move(lines);
    if (onChange_) onChange_();
}

StackLineList::ChangeHandler StackLineList::SetChangeHandler(ChangeHandler handler) {
    ChangeHandler previous = std::move(onChange_);
    onChange_ = std::move(handler);
    return previous;
}

bool StackLineEntry(const std::string& line, std::string& name, std::string& value) {
    if (line.find(kNameValueSeparator) == std::string::npos) return false;
    std::string rest = line;
    std::string head = SplitFirst(rest, kNameValueSeparator);
    if (head.empty() || rest.empty()) return false;
    name = std::move(head);
    value = std::move(rest);
    return true;
}
