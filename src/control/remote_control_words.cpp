#include "control/remote_control_words.h"

#include <cctype>

#include "control/mode_names.h"
#include "core/mix_state.h"
#include "base/same_letters.h"

namespace {

constexpr std::string_view kSetModeWord = "SetMode";
constexpr std::string_view kPttWord = "PTT";
constexpr std::string_view kSetLevelWord = "SetLevel";
constexpr int kMostLevelDigits = 3;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The blank-separated words after the command word; false when the command word runs on
// into other letters ("SetModeAuto") or more than `most` words follow.
bool Arguments(std::string_view text, std::string_view word, std::string_view* out, int most, int& count) {
    text.remove_prefix(word.size());
    count = 0;
    if (!text.empty() && !IsBlank(text.front())) return false;
    while (!text.empty()) {
        while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
        if (text.empty()) break;
        size_t end = 0;
        while (end < text.size() && !IsBlank(text[end])) ++end;
        if (count == most) return false;
        out[count++] = text.substr(0, end);
        text.remove_prefix(end);
    }
    return true;
}

std::string Quoted(std::string_view text) {
    constexpr size_t kShownLimit = 40;  // a reply line stays short whatever was sent
    std::string shown(text.substr(0, kShownLimit));
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '"') c = '?';
    }
    return "\"" + shown + (text.size() > kShownLimit ? "...\"" : "\"");
}

RemoteControlRequest Invalid(std::string reason) {
    RemoteControlRequest request;
    request.Error = std::move(reason);
    return request;
}

RemoteControlRequest ReadSetMode(std::string_view text) {
    std::string_view args[1];
    int count = 0;
    if (!Arguments(text, kSetModeWord, args, 1, count) || count != 1) {
        return Invalid("usage: SetMode Auto|Manual|PTT|Off");
    }
    const int mode = ModeNamed(args[0]);
    if (mode < 0) return Invalid("unknown mode " + Quoted(args[0]) + " (Auto, Manual, PTT or Off)");
    RemoteControlRequest request;
    request.Act = RemoteControlRequest::Action::SetMode;
    request.Mode = static_cast<int8_t>(mode);
    return request;
}

RemoteControlRequest ReadPtt(std::string_view text) {
    std::string_view args[1];
    int count = 0;
    if (!Arguments(text, kPttWord, args, 1, count) || count != 1) return Invalid("usage: PTT Down|Up");
    RemoteControlRequest request;
    if (SameLetters(args[0], "Down")) {
        request.Act = RemoteControlRequest::Action::PttDown;
    } else if (SameLetters(args[0], "Up")) {
        request.Act = RemoteControlRequest::Action::PttUp;
    } else {
        return Invalid("unknown push-to-talk action " + Quoted(args[0]) + " (Down or Up)");
    }
    return request;
}

RemoteControlRequest ReadSetLevel(std::string_view text) {
    std::string_view args[2];
    int count = 0;
    if (!Arguments(text, kSetLevelWord, args, 2, count) || count != 2) {
        return Invalid("usage: SetLevel Manual|Auto|PTT N (N from 0 to 100)");
    }
    const int mode = ModeNamed(args[0], false);
    if (mode < 0) {
        return Invalid("unknown level " + Quoted(args[0]) + " (Manual, Auto or PTT)");
    }
    // Whole percent only; leading zeros are fine, anything longer is out of range anyway.
    std::string_view digits = args[1];
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    bool number = !digits.empty();
    int percent = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') number = false;
    }
    if (!number) return Invalid("level " + Quoted(args[1]) + " is not a whole number from 0 to 100");
    if (digits.size() > kMostLevelDigits) return Invalid("level " + Quoted(args[1]) + " out of range 0..100");
    for (char c : digits) percent = percent * 10 + (c - '0');
    if (percent < kControlLevelMin || percent > kControlLevelMax) {
        return Invalid("level " + Quoted(args[1]) + " out of range 0..100");
    }
    RemoteControlRequest request;
    request.Act = RemoteControlRequest::Action::SetLevel;
    request.Mode = static_cast<int8_t>(mode);
    request.Percent = percent;
    return request;
}

}  // namespace

RemoteControlRequest ReadRemoteControl(RemoteCommand word, std::string_view text) {
    switch (word) {
        case RemoteCommand::SetMode: return ReadSetMode(text);
        case RemoteCommand::PushToTalk: return ReadPtt(text);
        case RemoteCommand::SetLevel: return ReadSetLevel(text);
        case RemoteCommand::GetState: {
            RemoteControlRequest request;
            request.Act = RemoteControlRequest::Action::GetState;
            return request;
        }
        default: return Invalid("not a control word");
    }
}

std::string ControlErrorReply(std::string_view reason) { return kControlErrorPrefix + std::string(reason); }
