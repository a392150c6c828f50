#include "base/split_first.h"

std::string SplitFirst(std::string& text, std::string_view delimiter) {
    const auto at = delimiter.empty() ? std::string::npos : text.find(delimiter);
    if (at == std::string::npos) {
        std::string token;
        token.swap(text);
        return token;
    }
    std::string token = text.substr(0, at);
    text.erase(0, at + delimiter.size());
    return token;
}
