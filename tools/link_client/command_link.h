// CommandLink: one command at a time to the plug-in's command server, for a program that
// keeps talking to it for a long time (tidewell-web). It finds the server, switches it on
// when the plug-in is running with its server off, connects, sends a text, waits for the one
// reply. On a dropped connection, a stopped server or a failed transfer it connects afresh
// and tries once more when that cannot carry out a change twice (link_reply.h), so that it
// carries on when the plug-in comes back.
//
// Threads: built, used and destroyed on one thread, which must not otherwise pump its
// messages while Ask runs (Ask pumps them); between calls the owner calls Idle to handle
// what the server posts in the meantime. Ownership: owns its WindowComsClient.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "link_reply.h"

class WindowComsClient;

// The plug-in's control window and the message that switches its command server on and off
// (nothing inside the plug-in sends it).
inline constexpr const char* kControlWindowCaption = "Quorvex Tidewell MixIn";
inline constexpr UINT kToggleServerMessage = WM_USER + 2;
inline constexpr const char* kCommandServerName = "QuorvexTidewell";

// The control window, or null when the plug-in is not running.
HWND FindControlWindow();
// Posts the toggle message to the control window; false when there is none.
bool PostServerToggle();

class CommandLink {
public:
    using Answer = LinkReply;

    explicit CommandLink(std::string serverName = kCommandServerName, uint32_t protocolTimeoutMs = 2000);
    ~CommandLink();
    CommandLink(const CommandLink&) = delete;
    CommandLink& operator=(const CommandLink&) = delete;

    // Sends `text` and waits up to `timeoutMs` for its reply.
    Answer Ask(const std::string& text, DWORD timeoutMs);
    // Handles the messages that arrived since the last call, without waiting.
    void Idle();
    bool Connected() const;

private:
    // Connects when not connected; an empty text on success, else the reason.
    Answer Connect(DWORD timeoutMs);
    Answer AskOnce(const std::string& text, DWORD timeoutMs);
    void Forget();

    std::string serverName_;
    uint32_t protocolTimeoutMs_;
    std::unique_ptr<WindowComsClient> client_;
    ULONGLONG lastToggle_ = 0;
};
