#include "control/remote_commands.h"

#include <cstdio>

RemoteCommand MatchRemoteCommand(std::string_view text) {
    static constexpr std::pair<std::string_view, RemoteCommand> words[] = {
        {"EnableBypass", RemoteCommand::EnableBypass},   {"DisableBypass", RemoteCommand::DisableBypass},
        {"RecThreadStats", RemoteCommand::RecThreadStats}, {"MixInStats", RemoteCommand::MixInStats},
        {"Pause", RemoteCommand::Pause},                 {"Start", RemoteCommand::Start},
        {"RamPTT", RemoteCommand::RamPTT},
        {"SetMode", RemoteCommand::SetMode},             {"PTT", RemoteCommand::PushToTalk},
        {"SetLevel", RemoteCommand::SetLevel},           {"GetState", RemoteCommand::GetState},
    };
    for (const auto& [word, command] : words) {
        if (text.substr(0, word.size()) == word) return command;
    }
    return RemoteCommand::None;
}

bool RemoteCommandChangesNothing(RemoteCommand command) {
    switch (command) {
        case RemoteCommand::None:
        case RemoteCommand::RecThreadStats:
        case RemoteCommand::MixInStats:
        case RemoteCommand::GetState:
            return true;
        default:
            return false;
    }
}

std::string RecThreadStatsReply(const RecThreadStatsFacts& facts) {
    char handle[9];
    std::snprintf(handle, sizeof handle, "%08X", facts.UtilWindow);
    std::string reply = "WaveInRecThread Stats:\r\n\t" + facts.StatusLine + "\r\n";
    reply += "\tHWND: 0x" + std::string(handle) + "\r\n";
    reply += "\tBuffSize: " + std::to_string(facts.BuffSize) + "\r\n";
    reply += "\tDevice Name: " + facts.DeviceName + "\r\n";
    reply += "\tInQueueBuffersCount: " + std::to_string(facts.InQueueBuffersCount) + "\r\n";
    reply += "\tUsedSamplesCount: " + std::to_string(facts.UsedSamplesCount) + "\r\n";
    reply += "\tReadyBuffersCount: " + std::to_string(facts.ReadyBuffersCount) + "\r\n";
    reply += "FRMSStatus: " + std::to_string(facts.FRMSStatus) + "\r\n";
    for (int i = 0; i < kPeakHistorySlots; ++i) {
        reply += "RMSP[" + std::to_string(i) + "]: " + std::to_string(facts.RMSP[i]) + "\r\n";
    }
    return reply;
}
