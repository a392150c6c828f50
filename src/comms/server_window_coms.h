// TQXServerWindowComs: makes a program a named server of the window-message protocol. While
// active it runs a listening thread (TQXServerWindowComsThread) with a hidden listening
// window of class "WindowComs" + ServerName that clients find and connect to; every client
// gets an endpoint (TQXServerClientWindowComs) that carries the transfers. What happens on
// the thread reaches the component's own hidden front window (class "QXWindowComs" +
// ServerName) as messages 1024 to 1033 and is raised as events on the component's thread.
//
// Threads: every member is called on the component's thread (normally the application's
// window thread), and every event is raised there. All notices are posted, so the listening
// thread never waits for this thread. The endpoint object stays alive through its connect
// and disconnect events; by the time OnClientDisconnect runs it has been released (its
// window is gone, ReadString answers the empty text and SendString 0). A read or error
// notice whose endpoint is gone by the time it arrives raises nothing. Close may be called
// from inside any event handler.
//
// Ownership: owns the front window and the thread; the thread owns the endpoints. Events get
// the endpoint as Client; it must not be kept beyond the event.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "comms/window_coms_codes.h"
#include "host/cust_allocate_hwnd.h"

class TQXServerClientWindowComs;
class TQXServerWindowComsThread;

class TQXServerWindowComs {
public:
    using NotifyEvent = std::function<void(TQXServerWindowComs* sender)>;
    using ClientEvent = std::function<void(TQXServerWindowComs* sender, TQXServerClientWindowComs* client)>;
    using ClientErrorEvent = std::function<void(TQXServerWindowComs* sender, TQXServerClientWindowComs* client,
                                                WindowComsMessageDataErrorType errorType)>;

    explicit TQXServerWindowComs(void* owner = nullptr);
    virtual ~TQXServerWindowComs();
    TQXServerWindowComs(const TQXServerWindowComs&) = delete;
    TQXServerWindowComs& operator=(const TQXServerWindowComs&) = delete;

    bool Active() const { return active_; }
    // true opens, false closes; while the owner is loading only the value is stored.
    void SetActive(bool active);
    const std::string& ServerName() const { return serverName_; }
    // Ignored while active.
    void SetServerName(const std::string& name);
    uint32_t TimeOut() const { return timeOut_; }
    // Ignored while active. 0 disables the protocol timers of every new endpoint.
    void SetTimeOut(uint32_t milliseconds);

    // The owner's stored properties: between BeginLoad and Loaded, SetActive only stores the
    // value; Loaded opens the server if it was stored active.
    void BeginLoad() { loading_ = true; }
    void Loaded();

    void Open();
    void Close();

    void* Owner() const { return owner_; }
    HWND FrontWindow() const { return frontWindow_; }
    // The listening thread while one exists (for inspection), else null.
    TQXServerWindowComsThread* Thread() const { return thread_.get(); }

    NotifyEvent OnActivate;
    NotifyEvent OnDeactivate;
    ClientEvent OnClientConnect;
    ClientEvent OnClientDisconnect;
    ClientEvent OnClientReadString;
    ClientEvent OnClientReadBinary;
    ClientEvent OnClientWriteString;  // never raised: no transfer outcome reports a completed send
    ClientEvent OnClientWriteBinary;  // never raised
    ClientErrorEvent OnClientError;

private:
    void FrontWindowProc(WindowMessage& message);
    void RaiseClientEvent(UINT notice, WPARAM wParam, LPARAM lParam);
    void JoinEndedThread();

    void* owner_;
    bool active_ = false;
    std::string serverName_;
    uint32_t timeOut_ = kDefaultComsTimeOutMs;
    HWND frontWindow_ = nullptr;
    std::unique_ptr<TQXServerWindowComsThread> thread_;
    bool loading_ = false;
    bool destroying_ = false;
    bool closing_ = false;
};
