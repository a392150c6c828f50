// TQXServerWindowComsThread: the listening thread of a command server. It owns the hidden
// listening window, of class "WindowComs" + server name, through which clients find the
// server (by class name or broadcast discovery) and connect; it owns one endpoint per
// connected client, runs every endpoint's protocol handling and timers, and keeps the names
// of the other servers on the desktop. It tells the component what happens by messages to
// the component's front window (1024 to 1033).
//
// Nothing that arrives from outside can stall or swamp it: it never waits on the component's
// thread (the connect and disconnect notices are posted, and the endpoint is kept alive until
// its disconnect notice has been handled), it keeps at most kMaxEndpoints endpoints, and it
// reclaims the endpoint of a client window that has gone without a word: on a timer, when a
// transfer with it times out, and before refusing a connect for want of room.
//
// Threads: built, started, stopped and destroyed on the component's thread; its work runs on
// its own thread. The clients list and the other-servers list are read from the component's
// thread under a lock (FindClient, TakeDeparted, OtherServers).
//
// Ownership: owned by the component (not freed when its work ends); owns the endpoints.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "comms/listening_window_control.h"
#include "host/cust_allocate_hwnd.h"

class TQXServerWindowComs;
class TQXServerClientWindowComs;

class TQXServerWindowComsThread {
public:
    // Throws std::runtime_error "Cannot create orphaned Server listening thread" without an
    // owner. The thread is created suspended; Start() lets it run.
    explicit TQXServerWindowComsThread(TQXServerWindowComs* owner);
    ~TQXServerWindowComsThread();
    TQXServerWindowComsThread(const TQXServerWindowComsThread&) = delete;
    TQXServerWindowComsThread& operator=(const TQXServerWindowComsThread&) = delete;

    // Accepted only while the thread is not running.
    bool SetServerName(const std::string& name);
    bool SetFrontWindow(HWND frontWindow);

    bool Start();
    // Marks the thread terminated and posts the quit message to its queue (to itself when
    // called on the thread), waiting until the queue exists if the thread is just starting.
    void RequestQuit();
    // Waits until the thread's work has ended, answering messages that other threads send
    // to the calling thread meanwhile (the listening thread may be sending one).
    void WaitFor();

    bool Running() const { return running_; }
    bool Terminated() const { return terminated_; }
    DWORD ThreadId() const { return threadId_; }
    HWND ListeningWindow() const { return listeningWindow_; }
    // The failure text that ended the work early ("" when none).
    std::string FailureMessage() const;

    // The endpoint at `endpoint` while it is in the clients list, held for the caller.
    std::shared_ptr<TQXServerClientWindowComs> FindClient(const TQXServerClientWindowComs* endpoint) const;
    // The same, also looking among the endpoints whose disconnect notice is still on its way
    // (for the notices of a client that has left already).
    std::shared_ptr<TQXServerClientWindowComs> FindClientOrDeparted(const TQXServerClientWindowComs* endpoint) const;
    // The departed endpoint at `endpoint`, removed from the departed list (disconnect notice).
    std::shared_ptr<TQXServerClientWindowComs> TakeDeparted(const TQXServerClientWindowComs* endpoint);
    size_t ClientCount() const;
    std::vector<TQXWindowComsOtherServer> OtherServers() const;

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Execute();
    void Work();
    void ListeningWindowProc(WindowMessage& message);
    void SendName(HWND requester);
    void Connect(HWND clientWindow, WindowMessage& message);
    void Disconnect(HWND clientWindow);
    void Disconnect(const std::shared_ptr<TQXServerClientWindowComs>& endpoint);
    void ReclaimVanishedClients();
    static bool WindowExists(void* self, ComsWindow window);
    std::shared_ptr<TQXServerClientWindowComs> FindByClientWindow(HWND clientWindow) const;
    void ReleaseClients();
    void TellOtherServersStopped();
    void Broadcast(BYTE code) const;

    TQXServerWindowComs* owner_;
    std::string serverName_;
    std::atomic<HWND> listeningWindow_{nullptr};
    HWND frontWindow_ = nullptr;
    UINT protocolMessage_;
    HANDLE handle_ = nullptr;
    DWORD threadId_ = 0;
    std::atomic<bool> running_{false};
    std::atomic<bool> terminated_{false};
    std::atomic<bool> started_{false};

    mutable std::mutex listsLock_;  // guards clients_, departed_, the control's records and failure_
    std::vector<std::shared_ptr<TQXServerClientWindowComs>> clients_;
    // Released endpoints whose disconnect notice the component has not handled yet.
    std::vector<std::shared_ptr<TQXServerClientWindowComs>> departed_;
    std::unique_ptr<ListeningWindowControl> control_;
    std::string failure_;
};
