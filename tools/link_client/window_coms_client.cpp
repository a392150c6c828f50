#include "window_coms_client.h"

#include "comms/protocol_message.h"
#include "host/message_pump.h"

namespace {

constexpr char kClientClassName[] = "WindowComsClientTidewellRemote";
constexpr char kListeningClassPrefix[] = "WindowComs";
// The longest single wait inside PumpUntil, so that `done` is looked at regularly.
constexpr DWORD kPumpSliceMs = 20;

}  // namespace

WindowComsClient::WindowComsClient(uint32_t timeOut)
    : timeOut_(timeOut), protocolMessage_(WindowComsProtocolMessage()) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = kClientClassName;
    window_ = CustAllocateHWnd(WindowMethod::Of<&WindowComsClient::WindowProc>(this), &windowClass);
}

WindowComsClient::~WindowComsClient() {
    if (Connected()) Disconnect();
    if (window_ != nullptr) CustDeallocateHWnd(window_);
}

HWND WindowComsClient::FindServer(const std::string& name) {
    return FindWindowA((kListeningClassPrefix + name).c_str(), nullptr);
}

std::vector<TQXWindowComsOtherServer> WindowComsClient::Discover(DWORD waitMs) {
    servers_.Clear();
    PostMessageA(HWND_BROADCAST, protocolMessage_, ComsControlWParam(kComsNameRequest), ComsSender(window_));
    PumpUntil([] { return false; }, waitMs);
    std::vector<TQXWindowComsOtherServer> complete;
    for (const auto& server : servers_.Servers()) {
        if (server.NameComplete) complete.push_back(server);
    }
    return complete;
}

bool WindowComsClient::Connect(HWND listening, DWORD timeoutMs) {
    if (Connected() || listening == nullptr) return false;
    HWND endpoint = nullptr;
    listening_ = listening;
    endpoint = ConnectAgain(timeoutMs);
    if (endpoint == nullptr || !IsWindow(endpoint)) return false;
    endpoint_ = endpoint;
    dropped_ = false;
    serverStopped_ = false;
    transport_ = std::make_unique<WindowComsTransport>(window_, endpoint_, timeOut_);
    TQXWindowComsDataMessageHandler& h = transport_->Handler();
    h.OnTextData = {[](void* self, uint8_t* buffer, uint32_t size, bool&) {
                        static_cast<WindowComsClient*>(self)->received_.PushText(buffer, size);
                    },
                    this};
    h.OnReceiveError = {[](void* self, uint8_t code) {
                            static_cast<WindowComsClient*>(self)->receiveErrors_.push_back(code);
                        },
                        this};
    h.OnSendError = {[](void* self, uint8_t code) { static_cast<WindowComsClient*>(self)->sendErrors_.push_back(code); },
                     this};
    return true;
}

HWND WindowComsClient::ConnectAgain(DWORD timeoutMs) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(listening_, protocolMessage_, ComsControlWParam(kComsConnect), ComsSender(window_),
                             SMTO_NORMAL | SMTO_ABORTIFHUNG, timeoutMs, &answer)) {
        return nullptr;
    }
    return reinterpret_cast<HWND>(answer);
}

void WindowComsClient::Disconnect(bool viaListeningWindow) {
    if (!Connected()) return;
    HWND to = viaListeningWindow ? listening_ : endpoint_;
    PostMessageA(to, protocolMessage_, ComsControlWParam(kComsDisconnect), ComsSender(window_));
    EndConnection();
}

void WindowComsClient::EndConnection() {
    if (transport_) transport_->Shutdown();
    transport_.reset();
}

int32_t WindowComsClient::SendString(const std::string& text) {
    return transport_ ? transport_->SendString(text) : 0;
}

bool WindowComsClient::TransfersDone() const { return !transport_ || transport_->Idle(); }

bool WindowComsClient::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        switch (PumpWaitingMessages(done)) {
            case PumpEnd::Quit: return done();
            case PumpEnd::Stopped: return true;
            case PumpEnd::Drained: break;
        }
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        const DWORD left = static_cast<DWORD>(deadline - now);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left < kPumpSliceMs ? left : kPumpSliceMs, QS_ALLINPUT);
    }
}

void WindowComsClient::Vanish() {
    transport_.reset();
    if (window_ != nullptr) {
        // The transport is gone first, so nothing is posted on the way out.
        CustDeallocateHWnd(window_);
        window_ = nullptr;
    }
}

void WindowComsClient::WindowProc(WindowMessage& message) {
    if (transport_ && transport_->HandleWindowMessage(message)) return;
    if (message.Msg != protocolMessage_) return DefaultWindowMessage(message);

    const BYTE code = static_cast<BYTE>(message.WParam & 0xFF);
    const char character = static_cast<char>((message.WParam >> 8) & 0xFF);
    HWND from = ComsSenderWindow(message.LParam);
    message.Result = 0;
    switch (code) {
    case kComsNameFirst:
    case kComsNameNext:
    case kComsNameLast:
        nameLog_.push_back({from, code, character});
        servers_.NameCharacter(reinterpret_cast<ComsWindow>(from), code, character);
        break;
    case kComsServerAnnouncement:
    case kComsEndpointAnnouncement:
        announcements_.push_back({code, from});
        break;
    case kComsAccepted:
        acceptedBy_ = from;
        break;
    case kComsDisconnect:
        if (from == endpoint_ && endpoint_ != nullptr) {
            dropped_ = true;
            EndConnection();
        }
        break;
    case kComsServerStopped:
        if (from == listening_ && listening_ != nullptr) {
            serverStopped_ = true;
            EndConnection();
        }
        break;
    default:
        break;
    }
}
