// The rules of tidewell-web's HTTP API, apart from any socket: who may ask (token, host,
// origin), which endpoint a request names, which command a POST becomes, and how the command
// server's reply becomes an HTTP answer. The server (http_server.cpp) only moves bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "web_options.h"

inline constexpr size_t kBodyLimit = 4096;  // larger bodies are answered 413

// The parts of a request the rules look at.
struct ApiRequest {
    std::string Method;  // "GET", "POST", ...
    std::string Target;  // path and query, as sent
    std::string Authorization;
    std::string Host;    // the Host header
    std::string Origin;  // the Origin header, empty when absent
    bool Upgrade = false;  // a WebSocket upgrade
    std::string Body;
};

// What to do with a request.
struct ApiPlan {
    enum class Action {
        Answer,     // answer Status with Body (a JSON error) at once
        Page,       // the panel
        WebSocket,  // accept the upgrade and push the state
        State,      // answer the state ("GetState")
        Command,    // send Command; on "OK" answer the state
    };
    Action Act = Action::Answer;
    int Status = 200;
    std::string Body;
    std::string Command;
};

ApiPlan PlanRequest(const ApiRequest& request, const WebOptions& options);

// {"error":"..."}.
std::string ErrorBody(std::string_view message);

// How a command's reply ends: "OK" (`ok` true), or an error status and body.
struct CommandOutcome {
    bool Ok = false;
    int Status = 0;
    std::string Body;
};
CommandOutcome OutcomeOfReply(const std::string& reply);

// Equal texts, compared in a time that depends only on the lengths, not on where they differ.
bool TokensMatch(std::string_view given, std::string_view expected);
