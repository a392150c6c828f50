// FlatJson: reads the small request bodies of tidewell-web: one JSON object whose values are
// strings, numbers, true, false or null (no nesting). Whatever else arrives is refused with a
// reason; nothing in the text can make it read outside the text or recurse.
#pragma once

#include <map>
#include <string>
#include <string_view>

struct FlatJsonValue {
    enum class Kind { String, Number, Bool, Null };
    Kind Type = Kind::Null;
    std::string Text;     // String
    double Number = 0.0;  // Number
    bool Flag = false;    // Bool
};

using FlatJsonObject = std::map<std::string, FlatJsonValue>;

// True with `out` filled, or false with a one-line reason in `error`. A key given twice is
// refused.
bool ReadFlatJson(std::string_view text, FlatJsonObject& out, std::string& error);
