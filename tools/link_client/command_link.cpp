#include "command_link.h"

#include "window_coms_client.h"

namespace {
// A server just switched on opens its listening window on its own thread: wait this long.
constexpr DWORD kServerStartWaitMs = 3000;
constexpr DWORD kServerStartPollMs = 50;
// Never toggle twice within this time: a second toggle would switch a starting server off.
constexpr ULONGLONG kToggleQuietMs = 10000;
}  // namespace

HWND FindControlWindow() { return FindWindowA(nullptr, kControlWindowCaption); }

bool PostServerToggle() {
    HWND control = FindControlWindow();
    return control != nullptr && PostMessageA(control, kToggleServerMessage, 0, 0);
}

CommandLink::CommandLink(std::string serverName, uint32_t protocolTimeoutMs)
    : serverName_(std::move(serverName)), protocolTimeoutMs_(protocolTimeoutMs) {}

CommandLink::~CommandLink() = default;

bool CommandLink::Connected() const { return client_ != nullptr && client_->Connected(); }

void CommandLink::Forget() { client_.reset(); }  // the client tells the server it leaves

void CommandLink::Idle() {
    if (client_ == nullptr) return;
    client_->PumpUntil([] { return false; }, 0);  // everything waiting, then back at once
    if (client_->Dropped() || client_->ServerStopped()) Forget();
}

CommandLink::Answer CommandLink::Connect(DWORD timeoutMs) {
    Answer answer;
    if (Connected() && IsWindow(client_->Endpoint())) {
        answer.Result = Answer::Status::Reply;
        return answer;
    }
    Forget();
    HWND listening = WindowComsClient::FindServer(serverName_);
    if (listening == nullptr) {
        if (FindControlWindow() == nullptr) {
            answer.Result = Answer::Status::NoPlugin;
            answer.Text = "the plug-in is not running (no control window \"" + std::string(kControlWindowCaption) +
                          "\"); start playback with Tidewell MixIn selected";
            return answer;
        }
        const ULONGLONG now = GetTickCount64();
        if (lastToggle_ == 0 || now - lastToggle_ >= kToggleQuietMs) {
            lastToggle_ = now;
            PostServerToggle();
        }
        const DWORD wait = timeoutMs < kServerStartWaitMs ? timeoutMs : kServerStartWaitMs;
        for (const ULONGLONG until = GetTickCount64() + wait; listening == nullptr && GetTickCount64() < until;) {
            Sleep(kServerStartPollMs);
            listening = WindowComsClient::FindServer(serverName_);
        }
        if (listening == nullptr) {
            answer.Result = Answer::Status::NoPlugin;
            answer.Text = "the plug-in is running but its command server \"" + serverName_ + "\" did not start";
            return answer;
        }
    }
    client_ = std::make_unique<WindowComsClient>(protocolTimeoutMs_);
    if (!client_->Valid()) {
        Forget();
        answer.Text = "cannot create a message window (error " + std::to_string(GetLastError()) + ")";
        return answer;
    }
    if (!client_->Connect(listening, timeoutMs)) {
        Forget();
        answer.Result = Answer::Status::NoPlugin;
        answer.Text = "the command server \"" + serverName_ + "\" did not accept the connection";
        return answer;
    }
    answer.Result = Answer::Status::Reply;
    return answer;
}

CommandLink::Answer CommandLink::AskOnce(const std::string& text, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    Answer connected = Connect(timeoutMs);
    if (connected.Result != Answer::Status::Reply) return connected;
    WindowComsClient& client = *client_;
    while (client.Waiting() > 0) client.ReadString();  // a late reply to an earlier text
    const size_t sendErrors = client.SendErrors().size();
    const size_t receiveErrors = client.ReceiveErrors().size();
    Answer answer;
    if (client.SendString(text) != static_cast<int32_t>(text.size())) {
        Forget();
        answer.Text = "the text could not be queued";
        return answer;
    }
    answer.Sent = true;
    auto failed = [&] {
        return client.Dropped() || client.ServerStopped() || client.SendErrors().size() > sendErrors ||
               client.ReceiveErrors().size() > receiveErrors;
    };
    const ULONGLONG now = GetTickCount64();
    client.PumpUntil([&] { return client.Waiting() > 0 || failed(); },
                     now >= deadline ? 0 : static_cast<DWORD>(deadline - now));
    if (client.Waiting() > 0) {
        answer.Result = Answer::Status::Reply;
        answer.Text = client.ReadString();
        return answer;
    }
    answer.Text = client.ServerStopped() ? "the command server stopped"
                  : client.Dropped()     ? "the command server dropped the connection"
                  : failed()             ? "a transfer to the command server failed"
                                         : "no reply from the command server in time";
    Forget();
    return answer;
}

CommandLink::Answer CommandLink::Ask(const std::string& text, DWORD timeoutMs) {
    return AskWithOneRetry(
        text, timeoutMs, Connected(), [&](uint32_t left) { return AskOnce(text, left); },
        [] { return static_cast<uint64_t>(GetTickCount64()); });
}
