#include "comms/server_client_window_coms.h"

#include <stdexcept>

#include "comms/protocol_message.h"
#include "comms/server_window_coms.h"
#include "comms/window_coms_codes.h"

namespace {

constexpr char kEndpointClassPrefix[] = "WindowComsServerClient";

}  // namespace

TQXServerClientWindowComs::TQXServerClientWindowComs(TQXServerWindowComs* server, HWND clientWindow,
                                                     HWND listeningWindow, HWND frontWindow)
    : timeOut_(0), server_(server), clientWindow_(clientWindow), listeningWindow_(listeningWindow),
      frontWindow_(frontWindow) {
    if (server == nullptr) {
        throw std::runtime_error("Cannot create an orphaned instance of TQXServerClientWindowComs");
    }
    if (clientWindow == nullptr || !IsWindow(clientWindow)) {
        throw std::runtime_error(
            "Cannot create an instance of TQXServerClientWindowComs without a valid Client Window");
    }
    protocolMessage_ = WindowComsProtocolMessage();
    queue_ = std::make_unique<TQXWindowComsRecvMessageQueue>();
    serverName_ = server->ServerName();
    timeOut_ = server->TimeOut();

    const std::string className = kEndpointClassPrefix + serverName_;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = className.c_str();
    endpointWindow_ = CustAllocateHWnd(
        WindowMethod::Of<&TQXServerClientWindowComs::EndpointWindowProc>(this), &windowClass);
    if (endpointWindow_ == nullptr) {
        throw std::runtime_error("Fatal Windows error while creating TQXServerClientWindowComs endpoint ");
    }

    try {
        InstallHandler();
    } catch (...) {
        CustDeallocateHWnd(endpointWindow_);
        throw;
    }

    PostMessageA(clientWindow_, protocolMessage_, ComsControlWParam(kComsAccepted), ComsSender(endpointWindow_));
}

// The handler runs the protocol with the client's window; completed messages go into the
// receive queue and are announced to the front window.
void TQXServerClientWindowComs::InstallHandler() {
    handler_ = std::make_unique<WindowComsTransport>(endpointWindow_, clientWindow_, timeOut_);
    TQXWindowComsDataMessageHandler& h = handler_->Handler();
    h.OnTextData = {[](void* self, uint8_t* buffer, uint32_t size, bool&) {
                        auto* endpoint = static_cast<TQXServerClientWindowComs*>(self);
                        endpoint->queue_->PushText(buffer, size);
                        endpoint->Notify(kFrontReadString);
                    },
                    this};
    h.OnBinaryData = {[](void* self, uint8_t* buffer, uint32_t size, bool&) {
                          auto* endpoint = static_cast<TQXServerClientWindowComs*>(self);
                          endpoint->queue_->PushBinary(buffer, size);
                          endpoint->Notify(kFrontReadBinary);
                      },
                      this};
    // Only used when no data callback took the buffer.
    h.OnTextReady = {[](void* self, const uint8_t*, uint32_t) {
                         static_cast<TQXServerClientWindowComs*>(self)->Notify(kFrontReadString);
                     },
                     this};
    h.OnBinaryReady = {[](void* self, const uint8_t*, uint32_t) {
                           static_cast<TQXServerClientWindowComs*>(self)->Notify(kFrontReadBinary);
                       },
                       this};
    h.OnReceiveError = {[](void* self, WindowComsMessageDataErrorType code) {
                            static_cast<TQXServerClientWindowComs*>(self)->TransferFailed(kFrontReceiveError, code);
                        },
                        this};
    h.OnSendError = {[](void* self, WindowComsMessageDataErrorType code) {
                         static_cast<TQXServerClientWindowComs*>(self)->TransferFailed(kFrontSendError, code);
                     },
                     this};
    h.OnTextSent = {[](void* self) { static_cast<TQXServerClientWindowComs*>(self)->Notify(kFrontWroteString); },
                    this};
    h.OnBinarySent = {[](void* self) { static_cast<TQXServerClientWindowComs*>(self)->Notify(kFrontWroteBinary); },
                      this};
}

TQXServerClientWindowComs::~TQXServerClientWindowComs() { Release(); }

void TQXServerClientWindowComs::Release() {
    if (released_) return;
    released_ = true;
    if (clientWindow_ != nullptr) {
        PostMessageA(clientWindow_, protocolMessage_, ComsControlWParam(kComsDisconnect),
                     ComsSender(endpointWindow_));
    }
    if (handler_) handler_->Shutdown();
    // The texts that arrived before the end stay readable: their notices may still be on
    // their way to the component, ahead of the disconnect notice. The queue goes with the
    // object.
    if (endpointWindow_ != nullptr) CustDeallocateHWnd(endpointWindow_);
}

std::string TQXServerClientWindowComs::ReadString() { return queue_ ? queue_->ReadString() : std::string(); }

std::string TQXServerClientWindowComs::ReadBinary() { return queue_ ? queue_->ReadBinary() : std::string(); }

int TQXServerClientWindowComs::SendString(const std::string& text) {
    return handler_ ? handler_->SendString(text) : 0;
}

// The component hears of every failure. A time-out may mean that the client has gone
// without a word: the listening thread then checks, and reclaims this endpoint if so.
void TQXServerClientWindowComs::TransferFailed(UINT frontMessage, WindowComsMessageDataErrorType code) {
    Notify(frontMessage, code);
    if (code == kComsTimeOut) PostMessageA(listeningWindow_, kReclaimRequestMessage, 0, 0);
}

void TQXServerClientWindowComs::Notify(UINT frontMessage, LPARAM lParam) {
    PostMessageA(frontWindow_, frontMessage, reinterpret_cast<WPARAM>(this), lParam);
}

void TQXServerClientWindowComs::EndpointWindowProc(WindowMessage& message) {
    try {
        // Data codes, the protocol timers and the transport's own wake-up.
        if (handler_ && handler_->HandleWindowMessage(message)) return;
        if (message.Msg != protocolMessage_) return DefaultWindowMessage(message);
        const BYTE code = static_cast<BYTE>(message.WParam & 0xFF);
        if (code == kComsQuery) {
            PostMessageA(HWND_BROADCAST, protocolMessage_, ComsControlWParam(kComsEndpointAnnouncement),
                         ComsSender(listeningWindow_));
            message.Result = reinterpret_cast<LRESULT>(listeningWindow_);
        } else if (code == kComsDisconnect && ComsSenderWindow(message.LParam) == clientWindow_) {
            // The listening thread does the disconnect, with its notice to the component.
            PostMessageA(listeningWindow_, protocolMessage_, ComsControlWParam(kComsDisconnect),
                         ComsSender(clientWindow_));
        }
    } catch (...) {
        // Nothing may escape into the window manager; the message is simply dropped.
    }
}
