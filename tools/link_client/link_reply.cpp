#include "link_reply.h"

#include "control/remote_commands.h"

LinkReply AskWithOneRetry(const std::string& text, uint32_t timeoutMs, bool wasConnected,
                          const std::function<LinkReply(uint32_t)>& askOnce, const std::function<uint64_t()>& now) {
    const uint64_t start = now();
    LinkReply answer = askOnce(timeoutMs);
    const bool safeToRepeat = !answer.Sent || RemoteCommandChangesNothing(MatchRemoteCommand(text));
    if (answer.Result != LinkReply::Status::Failed || !wasConnected || !safeToRepeat) return answer;
    const uint64_t spent = now() - start;
    if (spent >= timeoutMs) return answer;
    const bool sentBefore = answer.Sent;
    answer = askOnce(static_cast<uint32_t>(timeoutMs - spent));
    answer.Sent = answer.Sent || sentBefore;
    return answer;
}
