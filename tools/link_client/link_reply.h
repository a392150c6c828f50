// One command's answer over the link, and the rule for asking again after a failure. Portable:
// the rule is tested natively; CommandLink (Win32) does the asking.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct LinkReply {
    enum class Status { Reply, NoPlugin, Failed };
    Status Result = Status::Failed;
    std::string Text;   // the reply, or what went wrong in words for a person
    bool Sent = false;  // the text left for the plug-in: it may have been carried out
};

// Asks through `askOnce(millisecondsLeft)`. A failure on a connection that was up before
// (the plug-in may have restarted meanwhile) gets one more try within `timeoutMs`, but only
// when asking twice cannot do a thing twice: the text changes nothing (GetState, the
// statistics), or it never left. `now` is a millisecond clock.
LinkReply AskWithOneRetry(const std::string& text, uint32_t timeoutMs, bool wasConnected,
                          const std::function<LinkReply(uint32_t)>& askOnce, const std::function<uint64_t()>& now);
