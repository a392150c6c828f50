// The web bridge's rules apart from any socket: the command line, who may ask, and what a
// request body becomes.
#include <gtest/gtest.h>

#include "bad_token_throttle.h"
#include "web_api.h"
#include "web_options.h"

namespace {

ApiRequest Post(const char* path, const char* body) {
    ApiRequest request;
    request.Method = "POST";
    request.Target = path;
    request.Host = "127.0.0.1:8765";
    request.Body = body;
    return request;
}

TEST(WebOptions, LoopbackByDefaultAnyOtherAddressOnlyWithAToken) {
    WebOptions options;
    std::string error;
    ASSERT_TRUE(ParseWebOptions({}, options, error));
    EXPECT_EQ(options.host, "127.0.0.1");
    EXPECT_EQ(options.port, 8765);
    for (const char* loopback : {"127.0.0.1:1", "127.4.5.6:80", "[::1]:8765", "localhost:9000"}) {
        WebOptions o;
        EXPECT_TRUE(ParseWebOptions({"--listen", loopback}, o, error)) << loopback << ": " << error;
    }
    for (const char* open : {"0.0.0.0:8765", "192.168.1.5:8765", "[::]:8765", "127.0.0.1.evil:80", "128.0.0.1:80"}) {
        WebOptions o;
        EXPECT_FALSE(ParseWebOptions({"--listen", open}, o, error)) << open;
        EXPECT_NE(error.find("--token"), std::string::npos) << error;
        WebOptions t;
        EXPECT_TRUE(ParseWebOptions({"--listen", open, "--token", "T"}, t, error)) << open;
    }
    for (const char* bad : {"8765", "127.0.0.1:", "127.0.0.1:0", "127.0.0.1:65536", "::1:8765", "[::1]8765"}) {
        WebOptions o;
        EXPECT_FALSE(ParseWebOptions({"--listen", bad}, o, error)) << bad;
    }
}

TEST(WebOptions, ValuesEitherWayAndTokensThatCannotTravelAreRefused) {
    WebOptions options;
    std::string error;
    ASSERT_TRUE(ParseWebOptions({"--listen=127.0.0.1:9000", "--token=a+b/c=d&e%f g"}, options, error)) << error;
    EXPECT_EQ(options.port, 9000);
    EXPECT_EQ(options.token, "a+b/c=d&e%f g");
    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"--server", ""}, "--server needs a non-empty name"},
        {{"--token", ""}, "--token must not be empty"},
        {{"--token", "ab\tc"}, "--token holds a control character (code 9 at position 3)"},
        {{"--token", " abc"}, "blank"},
        {{"--token", "caf\xc3\xa9"}, "beyond ASCII"},
        {{"extra"}, "unexpected argument \"extra\""},
    };
    for (const auto& [arguments, reason] : refused) {
        WebOptions o;
        EXPECT_FALSE(ParseWebOptions(arguments, o, error)) << arguments[0];
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
}

TEST(WebApi, TokenHostAndOriginDecideWhoMayAsk) {
    WebOptions open;  // loopback, no token
    WebOptions guarded;
    guarded.token = "s3cret";

    ApiRequest state;
    state.Method = "GET";
    state.Target = "/api/state";
    state.Host = "127.0.0.1:8765";
    EXPECT_EQ(PlanRequest(state, open).Act, ApiPlan::Action::State);
    EXPECT_EQ(PlanRequest(state, guarded).Status, 401);
    state.Authorization = "Bearer s3cret";
    EXPECT_EQ(PlanRequest(state, guarded).Act, ApiPlan::Action::State);
    state.Authorization = "Bearer s3cres";
    EXPECT_EQ(PlanRequest(state, guarded).Status, 401);
    state.Authorization = "Bearer s3cret2";
    EXPECT_EQ(PlanRequest(state, guarded).Status, 401);
    state.Authorization.clear();
    state.Target = "/api/state?token=s3cret";
    EXPECT_EQ(PlanRequest(state, guarded).Status, 401) << "the query token is for the page and the WebSocket";

    ApiRequest page = state;
    page.Target = "/?token=s3cret";
    EXPECT_EQ(PlanRequest(page, guarded).Act, ApiPlan::Action::Page);
    WebOptions special;
    special.token = "a+b/c=d&e%f";
    page.Target = "/?token=a%2Bb%2Fc%3Dd%26e%25f";
    EXPECT_EQ(PlanRequest(page, special).Act, ApiPlan::Action::Page) << "the query is percent-decoded";
    page.Target = "/?token=a+b/c=d%26e%25f%";
    EXPECT_EQ(PlanRequest(page, special).Status, 401) << "a broken escape matches nothing";

    ApiRequest rebound = state;  // a foreign name resolved to 127.0.0.1
    rebound.Target = "/api/state";
    rebound.Host = "attacker.example:8765";
    EXPECT_EQ(PlanRequest(rebound, open).Status, 403);

    ApiRequest ws = page;
    ws.Target = "/ws";
    ws.Upgrade = true;
    ws.Origin = "http://127.0.0.1:8765";
    EXPECT_EQ(PlanRequest(ws, open).Act, ApiPlan::Action::WebSocket);
    ws.Origin = "http://elsewhere.example";
    EXPECT_EQ(PlanRequest(ws, open).Status, 403);

    EXPECT_TRUE(TokensMatch("abc", "abc"));
    EXPECT_FALSE(TokensMatch("", "abc"));
    EXPECT_FALSE(TokensMatch("abcd", "abc"));
}

TEST(WebApi, BodiesBecomeCommandsOrA400) {
    EXPECT_EQ(PlanRequest(Post("/api/mode", R"({"mode":"PTT"})"), {}).Command, "SetMode PTT");
    EXPECT_EQ(PlanRequest(Post("/api/ptt", R"( {"down" : true} )"), {}).Command, "PTT Down");
    EXPECT_EQ(PlanRequest(Post("/api/level", R"({"percent":1e2,"mode":"auto"})"), {}).Command, "SetLevel Auto 100");
    for (const char* body : {"", "{", "{}", R"({"mode":"auto"} x)", R"({"mode":"auto","mode":"off"})",
                             R"({"mode":["auto"]})", R"({"mode":"a\u0000"})", R"({"mode":"auto\)", "\"auto\"",
                             R"({"mode":"auto" "x":1})", R"({"mode":01})"}) {
        const ApiPlan plan = PlanRequest(Post("/api/mode", body), {});
        EXPECT_EQ(plan.Status, 400) << body;
        EXPECT_EQ(plan.Body.rfind("{\"error\":", 0), 0u) << body;
    }
    for (const char* body : {R"({"mode":"auto","percent":100.5})", R"({"mode":"auto","percent":-1})",
                             R"({"mode":"off","percent":5})", R"({"mode":"auto","percent":"5"})",
                             R"({"mode":"auto","percent":1e400})"}) {
        EXPECT_EQ(PlanRequest(Post("/api/level", body), {}).Status, 400) << body;
    }
    EXPECT_EQ(PlanRequest(Post("/api/ptt", R"({"down":1})"), {}).Status, 400);
    EXPECT_EQ(PlanRequest(Post("/api/nothing", "{}"), {}).Status, 404);
}

TEST(WebApi, TheChangesOwnReplyDecidesTheStatus) {
    const LinkReply ok{LinkReply::Status::Reply, "OK", true};
    const LinkReply lost{LinkReply::Status::Failed, "no reply from the command server in time", true};
    const HttpAnswer applied = ChangeAnswer(ok, &lost);
    EXPECT_EQ(applied.Status, 200) << "a change that took effect is never a failure";
    EXPECT_EQ(applied.Body.rfind("{\"applied\":true,", 0), 0u) << applied.Body;
    const LinkReply state{LinkReply::Status::Reply, R"({"mode":"auto"})", true};
    EXPECT_EQ(ChangeAnswer(ok, &state).Body, state.Text);

    const HttpAnswer refused = ChangeAnswer({LinkReply::Status::Reply, "ERROR: no capture thread", true}, nullptr);
    EXPECT_EQ(refused.Status, 400);
    EXPECT_EQ(refused.Body, R"({"error":"no capture thread"})");
    const HttpAnswer unknown = ChangeAnswer(lost, nullptr);
    EXPECT_EQ(unknown.Status, 503);
    EXPECT_NE(unknown.Body.find("may have been applied"), std::string::npos) << unknown.Body;
}

TEST(BadTokenThrottle, FiveFailuresInTenSecondsCostTenSecondsOf429) {
    BadTokenThrottle throttle;
    for (int64_t t = 0; t < 4 * 3000; t += 3000) throttle.Failed("10.0.0.1", t);  // 4 within any 10 s
    EXPECT_EQ(throttle.WaitLeftMs("10.0.0.1", 12000), 0);
    throttle.Failed("10.0.0.1", 12000);
    EXPECT_EQ(throttle.WaitLeftMs("10.0.0.1", 12000), 0) << "the first of the five fell out of the window";
    throttle.Failed("10.0.0.1", 12500);  // five since 3000
    EXPECT_EQ(throttle.WaitLeftMs("10.0.0.1", 12500), 10000);
    EXPECT_EQ(throttle.WaitLeftMs("10.0.0.2", 12500), 0) << "one address at a time";
    EXPECT_EQ(throttle.WaitLeftMs("10.0.0.1", 22500), 0);
    throttle.Failed("10.0.0.1", 22500);
    EXPECT_EQ(throttle.WaitLeftMs("10.0.0.1", 22500), 0) << "the count starts afresh after the penalty";
}

}  // namespace
