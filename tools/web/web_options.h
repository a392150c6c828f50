// The command line of tidewell-web, parsed without any platform call so that it can be
// tested natively.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "option_reader.h"

enum WebExitCode : int {
    kWebExitOk = 0,
    kWebExitUsage = kUsageExitCode,  // bad command line, or a non-loopback address without --token
    kWebExitListen = 3,  // the address cannot be listened on
    kWebExitSystem = 4,  // the program could not set itself up
};

inline constexpr const char* kDefaultListen = "127.0.0.1:8765";

struct WebOptions {
    std::string host = "127.0.0.1";  // as given, without brackets
    uint16_t port = 8765;
    std::string token;  // empty: none
    std::string serverName = "QuorvexTidewell";
    bool help = false;
};

// Fills `options` from the arguments after the program name. On a mistake returns false
// and puts a one-line explanation in `error`; refuses any address but loopback without a
// token.
bool ParseWebOptions(const std::vector<std::string>& arguments, WebOptions& options, std::string& error);

// "ADDR:PORT", "[V6ADDR]:PORT" into host and port.
bool SplitListenAddress(const std::string& text, std::string& host, uint16_t& port);

// Why `token` cannot serve as a token, or empty when it can. A token is printable ASCII
// (letters, digits, punctuation, blanks inside): a blank at either end would be cut off the
// header, a control character cannot travel in one, and a non-ASCII byte is spelled in the
// console's code page here but in UTF-8 by a browser.
std::string TokenProblem(const std::string& token);

// 127.0.0.0/8, ::1 and "localhost": only this machine can reach them.
bool IsLoopbackHost(const std::string& host);

// The --help text.
const char* WebUsage();
