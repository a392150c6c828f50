#include "web_api.h"

#include <cctype>
#include <cmath>

#include <nlohmann/json.hpp>

#include "request_body.h"
#include "control/mode_names.h"
#include "control/remote_control_words.h"

namespace {

constexpr int kOk = 200;
constexpr int kBadRequest = 400;
constexpr int kUnauthorized = 401;
constexpr int kForbidden = 403;
constexpr int kNotFound = 404;
constexpr int kMethodNotAllowed = 405;
constexpr int kBadGateway = 502;
constexpr int kServiceUnavailable = 503;

ApiPlan Refuse(int status, std::string_view message) {
    ApiPlan plan;
    plan.Act = ApiPlan::Action::Answer;
    plan.Status = status;
    plan.Body = ErrorBody(message);
    return plan;
}

std::string Lower(std::string_view text) {
    std::string out;
    for (char c : text) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "%XX" sequences into their bytes, as a browser's encodeURIComponent wrote them; "+" stays
// a plus (a token holds no blank a form would have written as "+"). A broken sequence
// gives nothing, which no token matches.
std::string PercentDecoded(std::string_view text) {
    constexpr int kBitsPerHexDigit = 4;
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (low < 0) return std::string();
        out += static_cast<char>((high << kBitsPerHexDigit) | low);
        i += 2;
    }
    return out;
}

// The percent-decoded value of `name` in the query of `target`.
std::string QueryValue(std::string_view target, std::string_view name) {
    const size_t question = target.find('?');
    if (question == std::string_view::npos) return std::string();
    std::string_view query = target.substr(question + 1);
    while (!query.empty()) {
        const size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const size_t equals = pair.find('=');
        if (equals != std::string_view::npos && pair.substr(0, equals) == name) {
            return PercentDecoded(pair.substr(equals + 1));
        }
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return std::string();
}

// The host name in a Host header: "127.0.0.1:8765" -> 127.0.0.1, "[::1]:8765" -> ::1.
std::string HostName(std::string_view header) {
    if (!header.empty() && header.front() == '[') {
        const size_t close = header.find(']');
        return close == std::string_view::npos ? std::string() : std::string(header.substr(1, close - 1));
    }
    return std::string(header.substr(0, header.find(':')));
}

bool Authorized(const ApiRequest& request, std::string_view path, const WebOptions& options) {
    if (options.token.empty()) return true;
    constexpr std::string_view kBearer = "bearer ";
    const std::string& auth = request.Authorization;
    if (auth.size() > kBearer.size() && Lower(auth.substr(0, kBearer.size())) == kBearer &&
        TokensMatch(std::string_view(auth).substr(kBearer.size()), options.token)) {
        return true;
    }
    // A browser cannot put a header on the page's own address or on a WebSocket.
    if (path == "/" || path == "/ws") {
        const std::string given = QueryValue(request.Target, "token");
        return !given.empty() && TokensMatch(given, options.token);
    }
    return false;
}

// Reads a POST body into the command it asks for, or a 400 plan.
bool CommandFor(std::string_view path, const std::string& body, std::string& command, std::string& error) {
    constexpr size_t kMostKeyCharactersShown = 40;
    nlohmann::json object;
    if (!ReadRequestBody(body, object, error)) {
        error = "bad JSON: " + error;
        return false;
    }
    auto only = [&](std::initializer_list<const char*> keys) {
        for (const auto& [key, value] : object.items()) {
            bool known = false;
            for (const char* k : keys) known = known || key == k;
            if (!known) {
                error = "unknown field \"" + key.substr(0, kMostKeyCharactersShown) + "\"";
                return false;
            }
        }
        return true;
    };
    auto modeName = [&](bool allowOff, std::string& out) {
        const auto it = object.find("mode");
        if (it == object.end() || !it->is_string()) {
            error = allowOff ? "\"mode\" must be \"auto\", \"manual\", \"ptt\" or \"off\""
                             : "\"mode\" must be \"manual\", \"auto\" or \"ptt\"";
            return false;
        }
        const int mode = ModeNamed(it->get<std::string>(), allowOff);
        if (mode < 0) {
            error = allowOff ? "\"mode\" must be \"auto\", \"manual\", \"ptt\" or \"off\""
                             : "\"mode\" must be \"manual\", \"auto\" or \"ptt\"";
            return false;
        }
        out = ModeWord(mode);
        return true;
    };

    if (path == "/api/mode") {
        std::string mode;
        if (!only({"mode"}) || !modeName(true, mode)) return false;
        command = "SetMode " + mode;
        return true;
    }
    if (path == "/api/ptt") {
        const auto it = object.find("down");
        if (!only({"down"})) return false;
        if (it == object.end() || !it->is_boolean()) {
            error = "\"down\" must be true or false";
            return false;
        }
        command = it->get<bool>() ? "PTT Down" : "PTT Up";
        return true;
    }
    // /api/level
    std::string mode;
    if (!only({"mode", "percent"}) || !modeName(false, mode)) return false;
    const auto it = object.find("percent");
    const double percent = it != object.end() && it->is_number() ? it->get<double>() : -1.0;
    if (percent != std::floor(percent) || percent < kControlLevelMin || percent > kControlLevelMax) {
        error = "\"percent\" must be a whole number from 0 to 100";
        return false;
    }
    command = "SetLevel " + mode + " " + std::to_string(static_cast<int>(percent));
    return true;
}

}  // namespace

bool TokensMatch(std::string_view given, std::string_view expected) {
    // Every byte of the expected token is looked at whatever the given one holds.
    unsigned difference = given.size() == expected.size() ? 0u : 1u;
    for (size_t i = 0; i < expected.size(); ++i) {
        const unsigned char g = i < given.size() ? static_cast<unsigned char>(given[i]) : 0u;
        difference |= g ^ static_cast<unsigned char>(expected[i]);
    }
    return difference == 0;
}

namespace {
// One line of JSON; bytes that are not UTF-8 (a reply in the console's code page) become
// U+FFFD rather than an invalid answer.
std::string Dumped(const nlohmann::json& value) {
    constexpr int kOneLine = -1;
    return value.dump(kOneLine, ' ', /*ensure_ascii=*/false, nlohmann::json::error_handler_t::replace);
}
}  // namespace

std::string ErrorBody(std::string_view message) { return Dumped({{"error", std::string(message)}}); }

ApiPlan PlanRequest(const ApiRequest& request, const WebOptions& options) {
    const std::string_view target = request.Target;
    const std::string_view path = target.substr(0, target.find('?'));

    // Without a token only loopback can reach the bridge; a page from elsewhere that has a
    // name resolve to 127.0.0.1 (DNS rebinding) still names its own host here.
    if (options.token.empty() && !IsLoopbackHost(HostName(request.Host))) {
        return Refuse(kForbidden, "this bridge answers only to a loopback host name");
    }
    if (!Authorized(request, path, options)) {
        return Refuse(kUnauthorized, "a token is needed: \"Authorization: Bearer T\" or ?token=T");
    }
    // A browser says where the page that makes a request came from: only the panel itself
    // may change anything or open the WebSocket.
    const bool changes = request.Method == "POST" || request.Upgrade;
    if (changes && !request.Origin.empty() && request.Origin != "http://" + request.Host) {
        return Refuse(kForbidden, "requests from another origin are not accepted");
    }

    ApiPlan plan;
    if (path == "/") {
        if (request.Method != "GET" && request.Method != "HEAD") return Refuse(kMethodNotAllowed, "use GET");
        plan.Act = ApiPlan::Action::Page;
        return plan;
    }
    if (path == "/ws") {
        if (!request.Upgrade) return Refuse(kBadRequest, "/ws is a WebSocket");
        plan.Act = ApiPlan::Action::WebSocket;
        return plan;
    }
    if (path == "/api/state") {
        if (request.Method != "GET") return Refuse(kMethodNotAllowed, "use GET");
        plan.Act = ApiPlan::Action::State;
        return plan;
    }
    if (path == "/api/mode" || path == "/api/ptt" || path == "/api/level") {
        if (request.Method != "POST") return Refuse(kMethodNotAllowed, "use POST with a JSON body");
        std::string error;
        if (!CommandFor(path, request.Body, plan.Command, error)) return Refuse(kBadRequest, error);
        plan.Act = ApiPlan::Action::Command;
        return plan;
    }
    return Refuse(kNotFound, "no such endpoint");
}

HttpAnswer StateAnswer(const LinkReply& state) {
    if (state.Result != LinkReply::Status::Reply) return {kServiceUnavailable, ErrorBody(state.Text)};
    if (state.Text.empty() || state.Text.front() != '{') {
        return {kBadGateway, ErrorBody("the plug-in answered something unexpected (an older version?)")};
    }
    return {kOk, state.Text};
}

bool ChangeApplied(const LinkReply& command) {
    return command.Result == LinkReply::Status::Reply && command.Text == kControlOkReply;
}

HttpAnswer ChangeAnswer(const LinkReply& command, const LinkReply* state) {
    if (command.Result != LinkReply::Status::Reply) {
        return {kServiceUnavailable,
                ErrorBody(command.Sent ? command.Text + "; the change may have been applied (GET /api/state shows it)"
                                       : command.Text)};
    }
    if (ChangeApplied(command)) {
        if (state != nullptr) {
            HttpAnswer read = StateAnswer(*state);
            if (read.Status == kOk) return read;
        }
        const std::string why = state == nullptr ? std::string("not asked") : state->Text;
        return {kOk, Dumped({{"applied", true},
                             {"note", "the change was applied, but the state could not be read: " + why}})};
    }
    const std::string prefix = kControlErrorPrefix;
    if (command.Text.compare(0, prefix.size(), prefix) == 0) {
        return {kBadRequest, ErrorBody(command.Text.substr(prefix.size()))};
    }
    return {kBadGateway, ErrorBody("the plug-in answered something unexpected (an older version without these words?)")};
}
