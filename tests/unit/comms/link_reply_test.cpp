// The link client asks again after a failure only where that cannot carry out a change twice.
#include "link_reply.h"

#include <gtest/gtest.h>

namespace {

// Fails the first ask (having sent the text or not), answers the second.
struct ScriptedLink {
    bool firstSent = true;
    int asks = 0;
    LinkReply operator()(uint32_t) {
        LinkReply reply;
        if (++asks == 1) {
            reply.Text = "the command server dropped the connection";
            reply.Sent = firstSent;
        } else {
            reply.Result = LinkReply::Status::Reply;
            reply.Text = "OK";
            reply.Sent = true;
        }
        return reply;
    }
};

int AsksFor(const std::string& text, bool firstSent, LinkReply& answer) {
    ScriptedLink link;
    link.firstSent = firstSent;
    answer = AskWithOneRetry(text, 5000, true, std::ref(link), [] { return uint64_t{0}; });
    return link.asks;
}

TEST(LinkRetry, AChangeThatMayHaveArrivedIsNeverSentTwice) {
    LinkReply answer;
    for (const char* change : {"SetMode Auto", "PTT Down", "SetLevel Auto 40", "EnableBypass", "RamPTT"}) {
        EXPECT_EQ(AsksFor(change, true, answer), 1) << change;
        EXPECT_EQ(answer.Result, LinkReply::Status::Failed) << change;
        EXPECT_TRUE(answer.Sent) << "the caller must not call it a failure that changed nothing";
    }
    EXPECT_EQ(AsksFor("PTT Down", false, answer), 2) << "it never left: asking again is safe";
    EXPECT_EQ(answer.Result, LinkReply::Status::Reply);
    for (const char* question : {"GetState", "MixInStats", "RecThreadStats"}) {
        EXPECT_EQ(AsksFor(question, true, answer), 2) << question;
    }
}

}  // namespace
