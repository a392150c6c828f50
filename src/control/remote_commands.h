// The remote command vocabulary of the control window's command server, and the texts of
// its replies. A command word matches when the received text begins with it, letter for
// letter (case-sensitive); whatever follows is ignored by the first seven words and read as
// the argument by the control words (remote_control_words.h). No word begins another, so at
// most one matches.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "control/peak_history.h"

enum class RemoteCommand {
    None,
    EnableBypass,
    DisableBypass,
    RecThreadStats,
    MixInStats,
    Pause,
    Start,
    RamPTT,
    // The control words: what a user does in the window, each answered "OK", "ERROR: ..."
    // or (GetState) one line of JSON.
    SetMode,
    PushToTalk,
    SetLevel,
    GetState,
};

RemoteCommand MatchRemoteCommand(std::string_view text);

// True for a text that only asks (the statistics, GetState) or that the server ignores:
// sending it twice does nothing twice.
bool RemoteCommandChangesNothing(RemoteCommand command);

inline constexpr const char* kNoCaptureThreadReply = "WaveInRecThread==NULL;";
inline constexpr const char* kMixInStatsHeading = "MixIn Stats:\r\n";
inline constexpr int kRamPttMarks = 90;          // alternating on/off marks, the last off
inline constexpr int kRamPttIdlePosts = 200;     // WM_NULL posts between two marks

// What the "RecThreadStats" reply reports.
struct RecThreadStatsFacts {
    std::string StatusLine;      // the control window's status line as shown
    uint32_t UtilWindow = 0;     // the capture thread's utility window handle
    int32_t BuffSize = 0;
    std::string DeviceName;
    int32_t InQueueBuffersCount = 0;
    int32_t UsedSamplesCount = 0;
    int32_t ReadyBuffersCount = 0;
    int32_t FRMSStatus = 0;
    int32_t RMSP[kPeakHistorySlots] = {};
};

// The 24-line reply, every line ended by "\r\n".
std::string RecThreadStatsReply(const RecThreadStatsFacts& facts);
