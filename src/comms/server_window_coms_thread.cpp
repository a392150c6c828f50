#include "comms/server_window_coms_thread.h"

#include <algorithm>
#include <stdexcept>

#include "comms/protocol_message.h"
#include "comms/server_client_window_coms.h"
#include "comms/server_window_coms.h"
#include "comms/window_coms_codes.h"

namespace {

constexpr char kListeningClassPrefix[] = "WindowComs";
// How long the thread may spend sending its name to one requester, all characters together.
// A window that answers slowly or not at all (its thread hung or blocked) ends the name
// transfer instead of holding the listening thread, and with it every connection.
constexpr ULONGLONG kNameTransferTimeoutMs = 2000;
// How often the listening thread looks for endpoints whose client window has gone.
constexpr UINT kReclaimTimerId = 1;
constexpr UINT kReclaimPeriodMs = 1000;
// Disconnect notices the component has not handled yet are kept for at most this many
// endpoints; a component thread that never answers cannot make the list grow for ever.
constexpr size_t kMaxDeparted = 1024;
// While the thread is starting, its message queue may not exist yet; the quit request is
// repeated at this interval until it can be posted or the thread has ended.
constexpr DWORD kQuitRetryMs = 5;

}  // namespace

TQXServerWindowComsThread::TQXServerWindowComsThread(TQXServerWindowComs* owner)
    : owner_(owner), protocolMessage_(0) {
    if (owner == nullptr) throw std::runtime_error("Cannot create orphaned Server listening thread");
    protocolMessage_ = WindowComsProtocolMessage();
    handle_ = CreateThread(nullptr, 0, &ThreadMain, this, CREATE_SUSPENDED, &threadId_);
    if (handle_ == nullptr) throw std::runtime_error("Cannot create Server listening thread");
}

TQXServerWindowComsThread::~TQXServerWindowComsThread() {
    if (handle_ != nullptr) {
        if (!started_) {
            // Never started: let it run into the quit request and end at once.
            terminated_ = true;
            ResumeThread(handle_);
        }
        RequestQuit();
        WaitFor();
        CloseHandle(handle_);
    }
    // Normally the work has released everything already.
    ReleaseClients();
    TellOtherServersStopped();
}

bool TQXServerWindowComsThread::SetServerName(const std::string& name) {
    if (running_ || started_) return false;
    serverName_ = name;
    return true;
}

bool TQXServerWindowComsThread::SetFrontWindow(HWND frontWindow) {
    if (running_ || started_) return false;
    frontWindow_ = frontWindow;
    return true;
}

bool TQXServerWindowComsThread::Start() {
    if (started_ || handle_ == nullptr) return false;
    started_ = true;
    return ResumeThread(handle_) != static_cast<DWORD>(-1);
}

void TQXServerWindowComsThread::RequestQuit() {
    terminated_ = true;
    if (GetCurrentThreadId() == threadId_) {
        PostQuitMessage(0);
        return;
    }
    while (!PostThreadMessageA(threadId_, WM_QUIT, 0, 0)) {
        if (WaitForSingleObject(handle_, kQuitRetryMs) != WAIT_TIMEOUT) return;  // ended
    }
}

void TQXServerWindowComsThread::WaitFor() {
    if (handle_ == nullptr || GetCurrentThreadId() == threadId_) return;
    for (;;) {
        // Answer what was sent to us already, then sleep until the thread ends or more comes.
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        const DWORD woken = MsgWaitForMultipleObjects(1, &handle_, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woken != WAIT_OBJECT_0 + 1) return;  // ended (or the wait itself failed)
    }
}

std::string TQXServerWindowComsThread::FailureMessage() const {
    std::lock_guard<std::mutex> hold(listsLock_);
    return failure_;
}

DWORD WINAPI TQXServerWindowComsThread::ThreadMain(void* self) {
    static_cast<TQXServerWindowComsThread*>(self)->Execute();
    return 0;
}

void TQXServerWindowComsThread::Execute() {
    try {
        Work();
    } catch (const std::exception& failure) {
        std::lock_guard<std::mutex> hold(listsLock_);
        failure_ = failure.what();
    } catch (...) {
        std::lock_guard<std::mutex> hold(listsLock_);
        failure_ = "Server listening thread failed";
    }
    running_ = false;
}

void TQXServerWindowComsThread::Work() {
    if (serverName_.empty()) throw std::runtime_error("Cannot create Server listening endpoint with empty name");
    if (frontWindow_ == nullptr) {
        throw std::runtime_error("Cannot create Server listening endpoint with empty front handle");
    }
    running_ = true;

    // Drop whatever is already waiting; this also gives the thread its message queue. A quit
    // request among the dropped messages is kept.
    MSG message;
    bool quit = false;
    WPARAM quitCode = 0;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            quitCode = message.wParam;
        }
    }
    if (quit) PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, quitCode, 0);

    const std::string className = kListeningClassPrefix + serverName_;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = className.c_str();
    HWND listening =
        CustAllocateHWnd(WindowMethod::Of<&TQXServerWindowComsThread::ListeningWindowProc>(this), &windowClass);
    if (listening == nullptr) {
        running_ = false;
        return;
    }
    listeningWindow_ = listening;
    {
        std::lock_guard<std::mutex> hold(listsLock_);
        control_ = std::make_unique<ListeningWindowControl>(reinterpret_cast<ComsWindow>(listening), &WindowExists,
                                                            this);
    }
    SetTimer(listening, kReclaimTimerId, kReclaimPeriodMs, nullptr);

    Broadcast(kComsServerStarted);
    Broadcast(kComsNameRequest);
    PostMessageA(frontWindow_, kFrontListening, reinterpret_cast<WPARAM>(listening), 0);

    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);

    Broadcast(kComsServerStopped);
    PostMessageA(frontWindow_, kFrontStopped, reinterpret_cast<WPARAM>(listening), 0);
    KillTimer(listening, kReclaimTimerId);
    CustDeallocateHWnd(listening);
    ReleaseClients();
    TellOtherServersStopped();
    listeningWindow_ = nullptr;
}

// Broadcasts are posted: a synchronous broadcast would wait for every top-level window on
// the desktop, including the component's own front window while its thread waits for us.
void TQXServerWindowComsThread::Broadcast(BYTE code) const {
    PostMessageA(HWND_BROADCAST, protocolMessage_, ComsControlWParam(code), ComsSender(listeningWindow_));
}

void TQXServerWindowComsThread::ListeningWindowProc(WindowMessage& message) {
    try {
        if (message.Msg == kReclaimRequestMessage ||
            (message.Msg == WM_TIMER && message.WParam == kReclaimTimerId)) {
            return ReclaimVanishedClients();
        }
        if (message.Msg != protocolMessage_) return DefaultWindowMessage(message);
        HWND self = listeningWindow_;
        HWND from = ComsSenderWindow(message.LParam);
        const BYTE code = static_cast<BYTE>(message.WParam & 0xFF);
        const BYTE byte = static_cast<BYTE>((message.WParam >> 8) & 0xFF);
        ListeningStep step;
        {
            std::lock_guard<std::mutex> hold(listsLock_);
            if (!control_) return;
            step = control_->Handle(code, byte, reinterpret_cast<ComsWindow>(from));
        }
        switch (step.kind) {
        case ListeningStep::Kind::Announce:
            Broadcast(kComsServerAnnouncement);
            message.Result = reinterpret_cast<LRESULT>(self);
            break;
        case ListeningStep::Kind::SendName:
            SendName(from);
            break;
        case ListeningStep::Kind::RequestName:
            PostMessageA(from, protocolMessage_, ComsControlWParam(kComsNameRequest), ComsSender(self));
            break;
        case ListeningStep::Kind::Connect:
            Connect(from, message);
            break;
        case ListeningStep::Kind::Disconnect:
            Disconnect(from);
            break;
        case ListeningStep::Kind::None:
            break;
        }
    } catch (...) {
        // Nothing may escape into the window manager.
    }
}

bool TQXServerWindowComsThread::WindowExists(void*, ComsWindow window) {
    return IsWindow(reinterpret_cast<HWND>(window)) != FALSE;
}

// One character per synchronous message: 3 for the first, 4 for the middle ones, 5 for the
// last (a one-character name is a lone 5). A recipient answering other than 0, or not in
// time, ends the transfer.
void TQXServerWindowComsThread::SendName(HWND requester) {
    const size_t length = serverName_.size();
    const ULONGLONG deadline = GetTickCount64() + kNameTransferTimeoutMs;
    for (size_t i = 0; i < length; ++i) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return;
        const BYTE code = i + 1 == length ? kComsNameLast : i == 0 ? kComsNameFirst : kComsNameNext;
        DWORD_PTR answer = 0;
        const LRESULT delivered =
            SendMessageTimeoutA(requester, protocolMessage_, ComsControlWParam(code, static_cast<BYTE>(serverName_[i])),
                                ComsSender(listeningWindow_), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                static_cast<UINT>(deadline - now), &answer);
        if (delivered == 0 || answer != 0) return;
    }
}

// The connect notice is posted: the component learns of the client when its thread gets to
// it, and the listening thread goes on serving everyone else meanwhile.
void TQXServerWindowComsThread::Connect(HWND clientWindow, WindowMessage& message) {
    message.Result = 0;
    if (FindByClientWindow(clientWindow)) return;  // one endpoint per client window
    if (ClientCount() >= kMaxEndpoints) {
        ReclaimVanishedClients();
        if (ClientCount() >= kMaxEndpoints) return;  // full: not accepted
    }
    std::shared_ptr<TQXServerClientWindowComs> endpoint;
    try {
        endpoint = std::make_shared<TQXServerClientWindowComs>(owner_, clientWindow, listeningWindow_.load(),
                                                               frontWindow_);
        std::lock_guard<std::mutex> hold(listsLock_);
        clients_.push_back(endpoint);
    } catch (...) {
        if (endpoint) endpoint->Release();
        return;  // not a window, or its endpoint could not be made: the answer is 0
    }
    message.Result = reinterpret_cast<LRESULT>(endpoint->EndpointWindow());
    PostMessageA(frontWindow_, kFrontConnect, reinterpret_cast<WPARAM>(endpoint.get()), 0);
}

void TQXServerWindowComsThread::Disconnect(HWND clientWindow) {
    if (std::shared_ptr<TQXServerClientWindowComs> endpoint = FindByClientWindow(clientWindow)) Disconnect(endpoint);
}

// The endpoint leaves the clients list for the departed list, where it stays alive until
// the component has handled its disconnect notice; it is released at once, on this thread
// that owns its window.
void TQXServerWindowComsThread::Disconnect(const std::shared_ptr<TQXServerClientWindowComs>& endpoint) {
    if (endpoint->disconnecting_) return;
    endpoint->disconnecting_ = true;
    {
        std::lock_guard<std::mutex> hold(listsLock_);
        std::erase(clients_, endpoint);
        if (departed_.size() >= kMaxDeparted) departed_.erase(departed_.begin());
        departed_.push_back(endpoint);
    }
    PostMessageA(frontWindow_, kFrontDisconnect, reinterpret_cast<WPARAM>(endpoint.get()), 0);
    endpoint->Release();
}

// Every endpoint whose client window no longer exists is disconnected as if its client had
// asked, so that its window, its queues and its place among kMaxEndpoints come back.
void TQXServerWindowComsThread::ReclaimVanishedClients() {
    std::vector<std::shared_ptr<TQXServerClientWindowComs>> clients;
    {
        std::lock_guard<std::mutex> hold(listsLock_);
        clients = clients_;
    }
    for (const auto& endpoint : clients) {
        if (!IsWindow(endpoint->ClientWindow())) Disconnect(endpoint);
    }
}

std::shared_ptr<TQXServerClientWindowComs> TQXServerWindowComsThread::FindByClientWindow(HWND clientWindow) const {
    std::lock_guard<std::mutex> hold(listsLock_);
    for (const auto& endpoint : clients_) {
        if (endpoint->ClientWindow() == clientWindow) return endpoint;
    }
    return nullptr;
}

std::shared_ptr<TQXServerClientWindowComs> TQXServerWindowComsThread::FindClient(
    const TQXServerClientWindowComs* endpoint) const {
    std::lock_guard<std::mutex> hold(listsLock_);
    for (const auto& client : clients_) {
        if (client.get() == endpoint) return client;
    }
    return nullptr;
}

std::shared_ptr<TQXServerClientWindowComs> TQXServerWindowComsThread::FindClientOrDeparted(
    const TQXServerClientWindowComs* endpoint) const {
    if (auto client = FindClient(endpoint)) return client;
    std::lock_guard<std::mutex> hold(listsLock_);
    for (const auto& client : departed_) {
        if (client.get() == endpoint) return client;
    }
    return nullptr;
}

std::shared_ptr<TQXServerClientWindowComs> TQXServerWindowComsThread::TakeDeparted(
    const TQXServerClientWindowComs* endpoint) {
    std::lock_guard<std::mutex> hold(listsLock_);
    for (auto at = departed_.begin(); at != departed_.end(); ++at) {
        if (at->get() != endpoint) continue;
        std::shared_ptr<TQXServerClientWindowComs> client = std::move(*at);
        departed_.erase(at);
        return client;
    }
    return nullptr;
}

size_t TQXServerWindowComsThread::ClientCount() const {
    std::lock_guard<std::mutex> hold(listsLock_);
    return clients_.size();
}

std::vector<TQXWindowComsOtherServer> TQXServerWindowComsThread::OtherServers() const {
    std::lock_guard<std::mutex> hold(listsLock_);
    if (!control_) return {};
    return control_->OtherServers().Servers();
}

// Oldest first; each endpoint tells its client with code 12.
void TQXServerWindowComsThread::ReleaseClients() {
    std::vector<std::shared_ptr<TQXServerClientWindowComs>> released;
    {
        std::lock_guard<std::mutex> hold(listsLock_);
        released.swap(clients_);
    }
    for (const auto& endpoint : released) endpoint->Release();
}

void TQXServerWindowComsThread::TellOtherServersStopped() {
    std::vector<TQXWindowComsOtherServer> servers;
    {
        std::lock_guard<std::mutex> hold(listsLock_);
        if (control_) {
            servers = control_->OtherServers().Servers();
            control_->OtherServers().Clear();
        }
    }
    for (const auto& server : servers) {
        PostMessageA(reinterpret_cast<HWND>(server.Window), protocolMessage_, ComsControlWParam(kComsServerStopped),
                     ComsSender(listeningWindow_));
    }
}
