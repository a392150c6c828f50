// WindowComsClient: the client side of a command server, as a program outside the plug-in
// uses it. It owns a hidden top-level window (so that it hears broadcasts, and as the peer of
// its endpoint), finds servers by their listening window's class or by broadcast discovery,
// connects, moves texts with the transfer protocol, and notes what the server tells it
// (accepted 11, dropped 12, server stopped 7).
//
// Threads: everything runs on the thread that built the client; that thread must pump its
// messages (PumpUntil) for anything to happen. Ownership: owns its window and transport.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comms/other_server_list.h"
#include "comms/recv_message_queue.h"
#include "comms/window_coms_codes.h"
#include "comms/window_coms_transport.h"
#include "host/cust_allocate_hwnd.h"

class WindowComsClient {
public:
    // A name character as it arrived: from which window, with which code (3, 4 or 5).
    struct NameCode {
        HWND from;
        BYTE code;
        char character;
    };

    explicit WindowComsClient(uint32_t timeOut = kDefaultComsTimeOutMs);
    ~WindowComsClient();
    WindowComsClient(const WindowComsClient&) = delete;
    WindowComsClient& operator=(const WindowComsClient&) = delete;

    bool Valid() const { return window_ != nullptr; }
    HWND Window() const { return window_; }

    // The listening window of server `name`, found by its class "WindowComs" + name, or null.
    static HWND FindServer(const std::string& name);
    // Broadcasts a name request (code 2) and collects for `waitMs` the names that every
    // running server sends back.
    std::vector<TQXWindowComsOtherServer> Discover(DWORD waitMs);
    const std::vector<NameCode>& NameLog() const { return nameLog_; }
    // Announcements heard (code 1 from listening windows, 9 from endpoints): code and LPARAM.
    struct Announcement {
        BYTE code;
        HWND window;
    };
    const std::vector<Announcement>& Announcements() const { return announcements_; }

    // Sends the connect request (10) to `listening`; true when it answered with an endpoint.
    bool Connect(HWND listening, DWORD timeoutMs);
    // Sends the connect request again without touching the current connection; the answer.
    HWND ConnectAgain(DWORD timeoutMs);
    // Posts the disconnect request (12) to the endpoint, or to the listening window.
    void Disconnect(bool viaListeningWindow = false);
    bool Connected() const { return transport_ != nullptr; }
    HWND Endpoint() const { return endpoint_; }
    HWND Listening() const { return listening_; }

    // Starts or queues a text to the endpoint; 0 when not connected.
    int32_t SendString(const std::string& text);
    // True when nothing is being sent or received and nothing waits to be sent.
    bool TransfersDone() const;

    // Texts received so far and not yet read, in order.
    size_t Waiting() const { return received_.Count(); }
    std::string ReadString() { return received_.ReadString(); }

    HWND AcceptedBy() const { return acceptedBy_; }   // LPARAM of code 11, or null
    bool Dropped() const { return dropped_; }         // code 12 from the endpoint
    bool ServerStopped() const { return serverStopped_; }  // code 7 from the listening window
    const std::vector<uint8_t>& SendErrors() const { return sendErrors_; }
    const std::vector<uint8_t>& ReceiveErrors() const { return receiveErrors_; }

    // Handles messages of this thread until `done()` holds or `timeoutMs` have passed.
    bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

    // Destroys the window without telling anyone, as a crashing client would.
    void Vanish();

private:
    void WindowProc(WindowMessage& message);
    void EndConnection();

    uint32_t timeOut_;
    UINT protocolMessage_;
    HWND window_ = nullptr;
    HWND listening_ = nullptr;
    HWND endpoint_ = nullptr;
    HWND acceptedBy_ = nullptr;
    std::unique_ptr<WindowComsTransport> transport_;
    TQXWindowComsRecvMessageQueue received_;
    OtherServerList servers_;
    std::vector<NameCode> nameLog_;
    std::vector<Announcement> announcements_;
    std::vector<uint8_t> sendErrors_;
    std::vector<uint8_t> receiveErrors_;
    bool dropped_ = false;
    bool serverStopped_ = false;
};
