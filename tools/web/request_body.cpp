#include "request_body.h"

#include <set>

namespace {
// The text of a parse error without the library's "[json.exception.parse_error.101] " tag.
std::string Reason(const nlohmann::json::exception& failure) {
    const std::string text = failure.what();
    const size_t tagEnd = text.find("] ");
    return tagEnd == std::string::npos ? text : text.substr(tagEnd + 2);
}
}  // namespace

bool ReadRequestBody(std::string_view text, nlohmann::json& object, std::string& error) {
    using Event = nlohmann::json::parse_event_t;
    constexpr int kTopLevel = 0;
    constexpr int kFieldLevel = 1;
    bool nested = false;
    bool repeated = false;
    std::set<std::string> keys;
    // Values inside the object are discarded whole when they open an object or an array.
    auto rules = [&](int depth, Event event, nlohmann::json& parsed) {
        if ((event == Event::object_start || event == Event::array_start) && depth > kTopLevel) {
            nested = true;
            return false;
        }
        if (event == Event::key && depth == kFieldLevel && !keys.insert(parsed.get<std::string>()).second) {
            repeated = true;
        }
        return true;
    };
    try {
        object = nlohmann::json::parse(text.begin(), text.end(), rules);
    } catch (const nlohmann::json::exception& failure) {
        error = Reason(failure);
        return false;
    }
    if (!object.is_object()) {
        error = "the body must be one JSON object";
    } else if (nested) {
        error = "values must be strings, numbers, true, false or null, not objects or arrays";
    } else if (repeated) {
        error = "a key is given twice";
    } else {
        return true;
    }
    return false;
}
