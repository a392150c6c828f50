#include "comms/server_window_coms_thread.h"

#include <algorithm>
#include <stdexcept>

#include "comms/protocol_message.h"
#include "comms/server_client_window_coms.h"
#include "comms/server_window_coms.h"
#include "comms/window_coms_codes.h"

namespace {

constexpr char kListeningClassPrefix[] = "WindowComs";
// How long the thread waits for a recipient of its name to take one character. A window
// that does not answer (its thread hung or blocked) ends the name transfer instead of
// holding the listening thread, and with it the server's stop, for ever.
constexpr UINT kNameCharacterTimeoutMs = 2000;
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

    Broadcast(kComsServerStarted);
    Broadcast(kComsNameRequest);
    PostMessageA(frontWindow_, kFrontListening, reinterpret_cast<WPARAM>(listening), 0);

    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);

    Broadcast(kComsServerStopped);
    PostMessageA(frontWindow_, kFrontStopped, reinterpret_cast<WPARAM>(listening), 0);
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
    if (message.Msg != protocolMessage_) return DefaultWindowMessage(message);
    try {
        HWND self = listeningWindow_;
        HWND from = ComsSenderWindow(message.LParam);
        const BYTE code = static_cast<BYTE>(message.WParam & 0xFF);
        const char character = static_cast<char>((message.WParam >> 8) & 0xFF);
        switch (code) {
        case kComsQuery:
            Broadcast(kComsServerAnnouncement);
            message.Result = reinterpret_cast<LRESULT>(self);
            break;
        case kComsNameRequest:
            // Our own start-up broadcast reaches us too; we need not learn our own name.
            if (from != self && IsWindow(from)) SendName(from);
            break;
        case kComsNameFirst:
        case kComsNameNext:
        case kComsNameLast:
            if (from != self) {
                std::lock_guard<std::mutex> hold(listsLock_);
                otherServers_.NameCharacter(reinterpret_cast<ComsWindow>(from), code, character);
            }
            break;
        case kComsServerStarted:
            if (from != self) {
                {
                    std::lock_guard<std::mutex> hold(listsLock_);
                    otherServers_.FindOrAdd(reinterpret_cast<ComsWindow>(from));
                }
                PostMessageA(from, protocolMessage_, ComsControlWParam(kComsNameRequest), ComsSender(self));
            }
            break;
        case kComsServerStopped:
            if (from != self) {
                std::lock_guard<std::mutex> hold(listsLock_);
                otherServers_.Remove(reinterpret_cast<ComsWindow>(from));
            }
            break;
        case kComsConnect:
            Connect(from, message);
            break;
        case kComsDisconnect:
            Disconnect(from);
            break;
        default:
            break;
        }
    } catch (...) {
        // Nothing may escape into the window manager.
    }
}

// One character per synchronous message: 3 for the first, 4 for the middle ones, 5 for the
// last (a one-character name is a lone 5). A recipient answering other than 0, or not
// answering at all, ends the transfer.
void TQXServerWindowComsThread::SendName(HWND requester) {
    const size_t length = serverName_.size();
    for (size_t i = 0; i < length; ++i) {
        const BYTE code = i + 1 == length ? kComsNameLast : i == 0 ? kComsNameFirst : kComsNameNext;
        DWORD_PTR answer = 0;
        const LRESULT delivered =
            SendMessageTimeoutA(requester, protocolMessage_, ComsControlWParam(code, static_cast<BYTE>(serverName_[i])),
                                ComsSender(listeningWindow_), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                kNameCharacterTimeoutMs, &answer);
        if (delivered == 0 || answer != 0) return;
    }
}

void TQXServerWindowComsThread::Connect(HWND clientWindow, WindowMessage& message) {
    message.Result = 0;
    if (FindByClientWindow(clientWindow)) return;  // one endpoint per client window
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
    HWND endpointWindow = endpoint->EndpointWindow();
    message.Result = reinterpret_cast<LRESULT>(endpointWindow);
    // The client has its answer before the component hears of the connection.
    if (InSendMessage()) ReplyMessage(message.Result);
    SendMessageA(frontWindow_, kFrontConnect, reinterpret_cast<WPARAM>(endpoint.get()), 0);
}

void TQXServerWindowComsThread::Disconnect(HWND clientWindow) {
    std::shared_ptr<TQXServerClientWindowComs> endpoint = FindByClientWindow(clientWindow);
    if (!endpoint || endpoint->disconnecting_) return;
    endpoint->disconnecting_ = true;
    if (InSendMessage()) ReplyMessage(0);
    SendMessageA(frontWindow_, kFrontDisconnect, reinterpret_cast<WPARAM>(endpoint.get()), 0);
    {
        std::lock_guard<std::mutex> hold(listsLock_);
        std::erase(clients_, endpoint);
    }
    endpoint->Release();
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

size_t TQXServerWindowComsThread::ClientCount() const {
    std::lock_guard<std::mutex> hold(listsLock_);
    return clients_.size();
}

std::vector<TQXWindowComsOtherServer> TQXServerWindowComsThread::OtherServers() const {
    std::lock_guard<std::mutex> hold(listsLock_);
    return otherServers_.Servers();
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
        servers = otherServers_.Servers();
        otherServers_.Clear();
    }
    for (const auto& server : servers) {
        PostMessageA(reinterpret_cast<HWND>(server.Window), protocolMessage_, ComsControlWParam(kComsServerStopped),
                     ComsSender(listeningWindow_));
    }
}
