#include "option_reader.h"

#include <cstdio>

bool OptionReader::Next() {
    while (next_ < arguments_.size()) {
        const std::string& argument = arguments_[next_++];
        hasInline_ = false;
        inline_.clear();
        if (!operandsOnly_ && argument == "--") {
            operandsOnly_ = true;
            continue;
        }
        option_ = !operandsOnly_ && argument.size() > 1 && argument[0] == '-';
        name_ = argument;
        if (option_ && argument.compare(0, 2, "--") == 0) {
            const size_t equals = argument.find('=');
            if (equals != std::string::npos) {
                hasInline_ = true;
                inline_ = argument.substr(equals + 1);
                name_.resize(equals);
            }
        }
        return true;
    }
    return false;
}

bool OptionReader::TakeValue(std::string& value, std::string& error) {
    if (hasInline_) {
        value = inline_;
        return true;
    }
    if (next_ >= arguments_.size()) {
        error = name_ + " needs a value";
        return false;
    }
    value = arguments_[next_++];
    return true;
}

bool OptionReader::RefuseValue(std::string& error) const {
    if (!hasInline_) return true;
    error = name_ + " takes no value";
    return false;
}

int ReportUsageError(const char* program, const std::string& what) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program, what.c_str(), program);
    return kUsageExitCode;
}
