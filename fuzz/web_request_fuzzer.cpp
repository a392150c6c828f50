// libFuzzer target: tidewell-web's request path apart from the socket, on anything a browser,
// a button box or a stranger can send: method, target (path and query, with the query's
// percent-decoding), the Host, Origin and Authorization headers, the upgrade flag and the body
// (up to the 4 KB limit), with and without a token. A stub plays the plug-in: its replies to
// a command and to the GetState after it are fuzzed too (OK, ERROR: ..., garbage, none).
//
// Checked: every answer the bridge writes itself is one JSON object; a request without any
// token never gets past a guarded bridge; without a token a host name other than loopback is
// refused; only a POST becomes a command, and a command is one of the control words in
// printable ASCII (a body cannot smuggle in another command); a change the plug-in answered
// "OK" is answered 200, a link failure 503.
//
// Input: choices and length-prefixed texts, read by InputReader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "fuzz_input.h"
#include "control/remote_commands.h"
#include "control/remote_control_words.h"
#include "web_api.h"
#include "web_options.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool IsJsonObject(const std::string& text) {
    const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    return parsed.is_object();
}

// A text chosen from `usual` by the next byte, or, past them, one read from the input.
std::string Choice(InputReader& in, std::initializer_list<const char*> usual, size_t most) {
    const uint8_t pick = in.Byte();
    if (pick < usual.size()) return *(usual.begin() + pick);
    return in.Bytes(in.Word() % (most + 1));
}

constexpr size_t kMostHeader = 200;
constexpr size_t kMostTarget = 300;

LinkReply StubReply(InputReader& in, const char* usual) {
    LinkReply reply;
    switch (in.Byte() % 5) {
        case 0:
            reply = {LinkReply::Status::Reply, usual, true};
            break;
        case 1:
            reply = {LinkReply::Status::Reply, std::string(kControlErrorPrefix) + in.Bytes(in.Byte()), true};
            break;
        case 2:
            reply = {LinkReply::Status::Reply, in.Bytes(in.Word() % 512), true};
            break;
        case 3:
            reply = {LinkReply::Status::Failed, "no reply from the command server in time", (in.Byte() & 1) != 0};
            break;
        default:
            reply = {LinkReply::Status::NoPlugin, "the plug-in is not running", false};
            break;
    }
    return reply;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputReader in(data, size);
    WebOptions options;
    options.token = Choice(in, {"", "s3cret", "a+b/c=d&e%f g"}, 40);
    if (!TokenProblem(options.token).empty()) options.token.clear();

    ApiRequest request;
    request.Method = Choice(in, {"GET", "POST", "HEAD", "PUT"}, 20);
    request.Target = Choice(in, {"/", "/ws", "/api/state", "/api/mode", "/api/ptt", "/api/level",
                                 "/?token=a%2Bb%2Fc%3Dd%26e%25f%20g", "/ws?token=s3cret"},
                            kMostTarget);
    const std::string bearer = "Bearer " + options.token;
    request.Authorization = Choice(in, {"", bearer.c_str(), "bearer s3cret"}, kMostHeader);
    request.Host = Choice(in, {"127.0.0.1:8765", "localhost", "[::1]:8765", "evil.example"}, kMostHeader);
    const std::string ownOrigin = "http://" + request.Host;
    request.Origin = Choice(in, {"", ownOrigin.c_str(), "http://evil.example"}, kMostHeader);
    request.Upgrade = (in.Byte() & 1) != 0;
    request.Body = in.Bytes(in.Word() % (kBodyLimit + 1));

    const ApiPlan plan = PlanRequest(request, options);
    switch (plan.Act) {
        case ApiPlan::Action::Answer:
            Require(plan.Status >= 400 && plan.Status < 500);
            Require(IsJsonObject(plan.Body));
            break;
        case ApiPlan::Action::Command: {
            Require(request.Method == "POST");
            const RemoteCommand word = MatchRemoteCommand(plan.Command);
            Require(word == RemoteCommand::SetMode || word == RemoteCommand::PushToTalk ||
                    word == RemoteCommand::SetLevel);
            for (const char c : plan.Command) Require(c >= ' ' && c <= '~');
            const LinkReply command = StubReply(in, kControlOkReply);
            const LinkReply state = StubReply(in, R"({"mode":"auto"})");
            const HttpAnswer answer = ChangeAnswer(command, ChangeApplied(command) ? &state : nullptr);
            if (ChangeApplied(command)) Require(answer.Status == 200);
            if (command.Result != LinkReply::Status::Reply) Require(answer.Status == 503);
            if (answer.Body != state.Text) Require(IsJsonObject(answer.Body));
            break;
        }
        case ApiPlan::Action::State: {
            const LinkReply state = StubReply(in, R"({"mode":"auto"})");
            const HttpAnswer answer = StateAnswer(state);
            if (answer.Body != state.Text) Require(IsJsonObject(answer.Body));
            break;
        }
        case ApiPlan::Action::Page:
        case ApiPlan::Action::WebSocket:
            break;
    }
    const bool noTokenGiven = request.Authorization.empty() && request.Target.find('?') == std::string::npos;
    if (!options.token.empty() && noTokenGiven) Require(plan.Status == 401);
    if (options.token.empty() && request.Host == "evil.example") Require(plan.Status == 403);
    return 0;
}
