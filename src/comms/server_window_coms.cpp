#include "comms/server_window_coms.h"

#include <stdexcept>

#include "comms/server_client_window_coms.h"
#include "comms/server_window_coms_thread.h"

namespace {

constexpr char kFrontClassPrefix[] = "QXWindowComs";

}  // namespace

TQXServerWindowComs::TQXServerWindowComs(void* owner) : owner_(owner) {}

TQXServerWindowComs::~TQXServerWindowComs() {
    destroying_ = true;
    Close();
    // Closing from inside the thread's own work leaves the thread to end by itself.
    JoinEndedThread();
    if (frontWindow_ != nullptr) CustDeallocateHWnd(frontWindow_);
}

void TQXServerWindowComs::SetActive(bool active) {
    if (active == active_) return;
    if (loading_) {
        active_ = active;
        return;
    }
    if (active) {
        Open();
    } else {
        Close();
    }
}

void TQXServerWindowComs::SetServerName(const std::string& name) {
    if (!active_) serverName_ = name;
}

void TQXServerWindowComs::SetTimeOut(uint32_t milliseconds) {
    if (!active_) timeOut_ = milliseconds;
}

void TQXServerWindowComs::Loaded() {
    loading_ = false;
    if (active_) {
        active_ = false;
        Open();
    }
}

void TQXServerWindowComs::Open() {
    if (loading_ || destroying_ || active_ || thread_) return;

    const std::string className = kFrontClassPrefix + serverName_;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = className.c_str();
    frontWindow_ = CustAllocateHWnd(WindowMethod::Of<&TQXServerWindowComs::FrontWindowProc>(this), &windowClass);
    if (frontWindow_ == nullptr) return;

    try {
        thread_ = std::make_unique<TQXServerWindowComsThread>(this);
        thread_->SetServerName(serverName_);
        thread_->SetFrontWindow(frontWindow_);
        if (!thread_->Start()) throw std::runtime_error("Cannot start Server listening thread");
    } catch (...) {
        thread_.reset();
        CustDeallocateHWnd(frontWindow_);
        frontWindow_ = nullptr;
        return;
    }
    active_ = true;
}

void TQXServerWindowComs::Close() {
    if (thread_) {
        if (GetCurrentThreadId() == thread_->ThreadId()) {
            thread_->RequestQuit();  // cannot wait for ourselves; the thread ends after this message
            return;
        }
        closing_ = true;
        thread_->RequestQuit();
        // Inside a connect or disconnect notice the listening thread waits for our answer:
        // release it now, or it and we would wait for each other.
        if (InSendMessage()) ReplyMessage(0);
        thread_->WaitFor();
        thread_.reset();
        closing_ = false;
    }
    if (active_ && frontWindow_ != nullptr) {
        CustDeallocateHWnd(frontWindow_);
        frontWindow_ = nullptr;
        active_ = false;
    }
}

// A thread whose work has ended by itself (a quit message from elsewhere) is joined and
// freed, so that the server can be opened again.
void TQXServerWindowComs::JoinEndedThread() {
    if (!thread_ || closing_) return;
    if (GetCurrentThreadId() == thread_->ThreadId()) return;
    thread_->WaitFor();
    thread_.reset();
}

void TQXServerWindowComs::FrontWindowProc(WindowMessage& message) {
    try {
        switch (message.Msg) {
        case kFrontListening:
            active_ = true;
            if (OnActivate) OnActivate(this);
            return;
        case kFrontStopped: {
            active_ = false;
            if (OnDeactivate && !destroying_) OnDeactivate(this);
            HWND front = frontWindow_;
            frontWindow_ = nullptr;
            JoinEndedThread();
            if (front != nullptr) CustDeallocateHWnd(front);  // last: this very window
            return;
        }
        case kFrontConnect:
        case kFrontDisconnect:
        case kFrontReadBinary:
        case kFrontReadString:
        case kFrontSendError:
        case kFrontReceiveError:
            RaiseClientEvent(message.Msg, message.WParam, message.LParam);
            return;
        default:
            DefaultWindowMessage(message);
            return;
        }
    } catch (...) {
        // An event handler's failure must not unwind into the window manager.
    }
}

void TQXServerWindowComs::RaiseClientEvent(UINT notice, WPARAM wParam, LPARAM lParam) {
    if (destroying_ || closing_ || !thread_) return;
    // The notice carries only the endpoint's address: it counts only while the endpoint is
    // still in the thread's list, and the reference keeps it alive through the event. The
    // thread keeps a departed endpoint until its disconnect notice, posted after all its other
    // notices, is handled here: a client that left before its notices came still raises its
    // events, in order, and its last texts can still be read.
    const auto* endpoint = reinterpret_cast<TQXServerClientWindowComs*>(wParam);
    std::shared_ptr<TQXServerClientWindowComs> client =
        notice == kFrontDisconnect ? thread_->TakeDeparted(endpoint) : thread_->FindClientOrDeparted(endpoint);
    if (!client) return;
    switch (notice) {
    case kFrontConnect:
        if (OnClientConnect) OnClientConnect(this, client.get());
        break;
    case kFrontDisconnect:
        if (OnClientDisconnect) OnClientDisconnect(this, client.get());
        break;
    case kFrontReadBinary:
        if (OnClientReadBinary) OnClientReadBinary(this, client.get());
        break;
    case kFrontReadString:
        if (OnClientReadString) OnClientReadString(this, client.get());
        break;
    case kFrontSendError:
    case kFrontReceiveError:
        if (OnClientError) OnClientError(this, client.get(), static_cast<WindowComsMessageDataErrorType>(lParam & 0xFF));
        break;
    default:
        break;
    }
}
