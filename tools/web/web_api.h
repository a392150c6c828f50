// The rules of tidewell-web's HTTP API, apart from any socket: who may ask (token, host,
// origin), which endpoint a request names, which command a POST becomes, and how the command
// server's reply becomes an HTTP answer. The server (http_server.cpp) only moves bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link_reply.h"
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
        Command,    // send Command, then answer ChangeAnswer
    };
    Action Act = Action::Answer;
    int Status = 200;
    std::string Body;
    std::string Command;
};

ApiPlan PlanRequest(const ApiRequest& request, const WebOptions& options);

// {"error":"..."}.
std::string ErrorBody(std::string_view message);

// An HTTP status and its JSON body.
struct HttpAnswer {
    int Status = 200;
    std::string Body;
};

// GET /api/state: the plug-in's JSON; 503 when it cannot be reached, 502 when it answers
// something else.
HttpAnswer StateAnswer(const LinkReply& state);

// A POST: the command's own reply decides the status. After "OK" the change took effect, so
// the answer is 200 whatever happens to `state` (the GetState asked afterwards; null when
// none was asked): the state when it was read, else {"applied":true,"note":...}. A link
// failure is 503, saying whether the command may have reached the plug-in.
HttpAnswer ChangeAnswer(const LinkReply& command, const LinkReply* state);

// The command's reply says the change took effect.
bool ChangeApplied(const LinkReply& command);

// Equal texts, compared in a time that depends only on the lengths, not on where they differ.
bool TokensMatch(std::string_view given, std::string_view expected);
