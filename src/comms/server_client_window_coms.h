// TQXServerClientWindowComs: the server's end of one client connection. It owns a hidden
// window of class "WindowComsServerClient" + server name, which the client uses as its peer,
// a transport (data message handler) that runs the transfer protocol with the client's
// window, and the receive queue in which completed messages wait for the application.
//
// Threads: built, driven and released on the server's listening thread, which owns the
// endpoint's window. ReadString and SendString may be called from the component's thread
// (normally inside an event handler); the queue's lock and the transport's lock make them
// safe against the listening thread. The endpoint reaches the component only through
// messages posted to the front window carrying its address.
//
// Lifetime: the listening thread keeps it in its clients list from the client's connect
// request until its disconnect, the reclaiming of its vanished client window, or the
// server's stop, then calls Release(), which does the
// destruction of the connection (code 12 to the client, transfers aborted with code 7, the
// window gone). The object itself lives on while the component still has notices for it or
// an event handler holds it (shared ownership); after Release() SendString returns 0, and
// ReadString still returns the texts that had arrived, so that none is lost to the order in
// which the notices and the disconnect happen.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "comms/recv_message_queue.h"
#include "comms/window_coms_transport.h"
#include "host/cust_allocate_hwnd.h"

class TQXServerWindowComs;

class TQXServerClientWindowComs {
public:
    // On the listening thread. `listeningWindow` and `frontWindow` are the server's.
    // Throws std::runtime_error with the failure's text (server missing, client window not a
    // window, endpoint window not made).
    TQXServerClientWindowComs(TQXServerWindowComs* server, HWND clientWindow, HWND listeningWindow,
                              HWND frontWindow);
    ~TQXServerClientWindowComs();
    TQXServerClientWindowComs(const TQXServerClientWindowComs&) = delete;
    TQXServerClientWindowComs& operator=(const TQXServerClientWindowComs&) = delete;

    // The oldest waiting text, removed; the empty text when none waits. Binaries that arrived
    // in between do not hold texts up.
    std::string ReadString();
    // The oldest waiting binary message, removed; empty when none waits.
    std::string ReadBinary();
    // Hands the text to the handler: the number of bytes queued, 0 without a handler.
    int SendString(const std::string& text);

    // The destruction on the listening thread; safe to call twice.
    void Release();

    TQXServerWindowComs* Server() const { return server_; }
    HWND ClientWindow() const { return clientWindow_; }
    HWND EndpointWindow() const { return endpointWindow_; }
    uint32_t TimeOut() const { return timeOut_; }
    const std::string& ServerName() const { return serverName_; }
    UINT ProtocolMessage() const { return protocolMessage_; }

private:
    void InstallHandler();
    void EndpointWindowProc(WindowMessage& message);
    void Notify(UINT frontMessage, LPARAM lParam = 0);
    void TransferFailed(UINT frontMessage, WindowComsMessageDataErrorType code);

    std::unique_ptr<WindowComsTransport> handler_;
    uint32_t timeOut_;
    TQXServerWindowComs* server_;
    HWND clientWindow_;
    HWND endpointWindow_ = nullptr;
    HWND listeningWindow_;
    HWND frontWindow_;
    std::string serverName_;
    UINT protocolMessage_ = 0;
    std::unique_ptr<TQXWindowComsRecvMessageQueue> queue_;
    bool released_ = false;

    friend class TQXServerWindowComsThread;
    bool disconnecting_ = false;  // the listening thread is telling the component (1027)
};
