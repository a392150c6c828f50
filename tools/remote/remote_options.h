// The command line of tidewell-remote, parsed without any platform call so that it can be
// tested natively.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "option_reader.h"

// Exit codes a script can rely on.
enum RemoteExitCode : int {
    kExitOk = 0,
    kExitNoServer = 1,        // no server of that name (or none at all for --discover)
    kExitUsage = kUsageExitCode,  // bad command line
    kExitRefused = 3,         // the server did not accept the connection
    kExitTimeOut = 4,         // --timeout passed before the texts were sent or the replies came
    kExitProtocolError = 5,   // a transfer failed (the error code is printed)
    kExitConnectionLost = 6,  // the server stopped or dropped the connection
    kExitSystem = 7,          // the program could not set itself up (no window)
};

struct RemoteOptions {
    std::string serverName = "QuorvexTidewell";
    std::vector<std::string> texts;
    bool discover = false;
    bool broadcast = false;      // find the server by broadcast discovery, not by its class
    bool toggleServer = false;   // first switch the control window's command server on or off
    bool serverOn = false;       // first switch it on, only when it is off
    bool help = false;
    int expect = -1;             // replies to wait for; -1: until a quiet period
    uint32_t quietMs = 1000;
    uint32_t timeoutMs = 10000;
    uint32_t protocolTimeoutMs = 2000;
};

// Fills `options` from the arguments after the program name. On a mistake returns false
// and puts a one-line explanation in `error`.
bool ParseRemoteOptions(const std::vector<std::string>& arguments, RemoteOptions& options, std::string& error);

// The --help text.
const char* RemoteUsage();
