#include "remote_options.h"

#include <gtest/gtest.h>

namespace {

struct Parsed {
    bool ok;
    RemoteOptions options;
    std::string error;
};

Parsed Parse(std::vector<std::string> arguments) {
    Parsed parsed;
    parsed.ok = ParseRemoteOptions(arguments, parsed.options, parsed.error);
    return parsed;
}

TEST(RemoteOptions, TextsGoToTheDefaultServer) {
    const Parsed p = Parse({"MixInStats", "RecThreadStats"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.serverName, "QuorvexTidewell");
    EXPECT_EQ(p.options.texts, (std::vector<std::string>{"MixInStats", "RecThreadStats"}));
    EXPECT_EQ(p.options.expect, -1);
}

TEST(RemoteOptions, ValuesAreTakenFromTheNextArgument) {
    const Parsed p = Parse({"--server", "Other", "--expect", "2", "--timeout", "500", "--quiet", "50",
                            "--protocol-timeout", "0", "--broadcast", "Pause"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.serverName, "Other");
    EXPECT_EQ(p.options.expect, 2);
    EXPECT_EQ(p.options.timeoutMs, 500u);
    EXPECT_EQ(p.options.quietMs, 50u);
    EXPECT_EQ(p.options.protocolTimeoutMs, 0u);
    EXPECT_TRUE(p.options.broadcast);
}

TEST(RemoteOptions, DoubleDashMakesTheRestTexts) {
    const Parsed p = Parse({"--", "--help", "-x"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_FALSE(p.options.help);
    EXPECT_EQ(p.options.texts, (std::vector<std::string>{"--help", "-x"}));
}

TEST(RemoteOptions, MistakesAreExplained) {
    EXPECT_EQ(Parse({"--bogus", "x"}).error, "unknown option --bogus");
    EXPECT_EQ(Parse({"x", "--expect"}).error, "--expect needs a value");
    EXPECT_EQ(Parse({"--timeout", "10s", "x"}).error, "--timeout needs a whole number, not \"10s\"");
    EXPECT_EQ(Parse({"--timeout", "-1", "x"}).error, "--timeout needs a whole number, not \"-1\"");
    EXPECT_FALSE(Parse({"--server", "", "x"}).ok);
    EXPECT_FALSE(Parse({}).ok);
}

TEST(RemoteOptions, ValuesMayFollowAnEqualsSignAndFlagsTakeNone) {
    const Parsed p = Parse({"--server=Other", "--expect=2", "--server-on", "Pause"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.serverName, "Other");
    EXPECT_EQ(p.options.expect, 2);
    EXPECT_TRUE(p.options.serverOn);
    EXPECT_EQ(Parse({"--discover=yes"}).error, "--discover takes no value");
    EXPECT_EQ(kExitUsage, 2) << "every tool's bad command line";
}

TEST(RemoteOptions, HelpAndDiscoverNeedNoText) {
    EXPECT_TRUE(Parse({"--help"}).options.help);
    EXPECT_TRUE(Parse({"--discover"}).ok);
    EXPECT_TRUE(Parse({"--expect", "1"}).ok) << "waiting for an unsolicited reply is something to do";
}

}  // namespace
