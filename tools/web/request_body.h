// Reads the small request bodies of tidewell-web with nlohmann-json: one JSON object whose
// values are strings, numbers, true, false or null. Nesting, a key given twice, anything after
// the object and anything that is not JSON are refused with a reason. The bodies are at most
// kBodyLimit bytes (web_api.h) before they get here.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// True with `object` filled, or false with a one-line reason in `error`.
bool ReadRequestBody(std::string_view text, nlohmann::json& object, std::string& error);
