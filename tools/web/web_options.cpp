#include "web_options.h"

#include <cctype>

namespace {

constexpr size_t kMostPortDigits = 5;
constexpr uint32_t kHighestPort = 65535;

bool ReadPort(const std::string& text, uint16_t& port) {
    if (text.empty() || text.size() > kMostPortDigits) return false;
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value == 0 || value > kHighestPort) return false;
    port = static_cast<uint16_t>(value);
    return true;
}

bool IsDottedLoopback(const std::string& host) {
    // 127.a.b.c with four decimal parts, each 0..255.
    int parts = 0;
    size_t at = 0;
    while (at <= host.size()) {
        size_t end = host.find('.', at);
        if (end == std::string::npos) end = host.size();
        const std::string part = host.substr(at, end - at);
        if (part.empty() || part.size() > 3) return false;
        int value = 0;
        for (char c : part) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
        }
        if (value > 255 || (parts == 0 && value != 127)) return false;
        ++parts;
        at = end + 1;
    }
    return parts == 4;
}

}  // namespace

std::string TokenProblem(const std::string& token) {
    constexpr unsigned char kFirstPrintable = 0x20;
    constexpr unsigned char kDelete = 0x7F;
    if (token.empty()) return "--token must not be empty";
    for (size_t i = 0; i < token.size(); ++i) {
        const auto c = static_cast<unsigned char>(token[i]);
        if (c < kFirstPrintable || c == kDelete) {
            return "--token holds a control character (code " + std::to_string(c) + " at position " +
                   std::to_string(i + 1) + "): a token is printable characters only";
        }
        if (c > kDelete) {
            return "--token holds a character beyond ASCII at position " + std::to_string(i + 1) +
                   ": a browser would send it in another encoding than this console's";
        }
    }
    if (token.front() == ' ' || token.back() == ' ') {
        return "--token begins or ends with a blank, which HTTP cuts off a header";
    }
    return std::string();
}

bool IsLoopbackHost(const std::string& host) {
    std::string lower;
    for (char c : host) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower == "localhost" || lower == "::1" || lower == "0:0:0:0:0:0:0:1" || IsDottedLoopback(lower);
}

bool SplitListenAddress(const std::string& text, std::string& host, uint16_t& port) {
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') return false;
        host = text.substr(1, close - 1);
        return !host.empty() && ReadPort(text.substr(close + 2), port);
    }
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    host = text.substr(0, colon);
    if (host.find(':') != std::string::npos) return false;  // IPv6 needs brackets
    return ReadPort(text.substr(colon + 1), port);
}

bool ParseWebOptions(const std::vector<std::string>& arguments, WebOptions& options, std::string& error) {
    OptionReader reader(arguments);
    while (reader.Next()) {
        const std::string& name = reader.Name();
        if (!reader.IsOption()) {
            error = "unexpected argument \"" + name + "\"";
            return false;
        }
        if (name == "--help" || name == "-h") {
            if (!reader.RefuseValue(error)) return false;
            options.help = true;
            continue;
        }
        if (name != "--listen" && name != "--token" && name != "--server") {
            error = "unknown option " + name;
            return false;
        }
        std::string value;
        if (!reader.TakeValue(value, error)) return false;
        if (name == "--listen") {
            if (!SplitListenAddress(value, options.host, options.port)) {
                error = "--listen wants ADDR:PORT (for example 127.0.0.1:8765 or [::1]:8765), not \"" + value + "\"";
                return false;
            }
        } else if (name == "--token") {
            error = TokenProblem(value);
            if (!error.empty()) return false;
            options.token = value;
        } else {
            if (value.empty()) {
                error = "--server needs a non-empty name";
                return false;
            }
            options.serverName = value;
        }
    }
    if (!options.help && options.token.empty() && !IsLoopbackHost(options.host)) {
        error = "listening on " + options.host +
                " lets other machines in: give --token T (every request then needs it)";
        return false;
    }
    return true;
}

const char* WebUsage() {
    return R"(Usage: tidewell-web [--listen ADDR:PORT] [--token T] [--server NAME]

A web panel and an HTTP/WebSocket API for the Tidewell MixIn plug-in: mode, push-to-talk and
levels from a phone, a button box or a script. It talks to the plug-in's command server over
the window-message link (like tidewell-remote), switching the server on when it is off, and
reconnects whenever the plug-in comes back.

Options ("--name value" or "--name=value"):
  --listen ADDR:PORT  where to listen (default 127.0.0.1:8765; IPv6 as [::1]:8765). Any
                      address other than loopback (127.x.x.x, ::1) needs --token.
  --token T           every request must carry "Authorization: Bearer T"; the page and the
                      WebSocket also take "?token=T" in the address (percent-encoded as
                      a browser does). T is printable ASCII: letters, digits, punctuation
                      (+ / = & % included) and blanks inside; no control characters, no
                      blank at either end, no characters beyond ASCII.
  --server NAME       the command server's name (default QuorvexTidewell).
  -h, --help          this text.

Endpoints:
  GET  /             the panel (open it in a browser: http://ADDR:PORT/?token=T)
  GET  /api/state    the plug-in's state as JSON (mode, ptt, levels, capture, input, format)
  POST /api/mode     {"mode":"auto"|"manual"|"ptt"|"off"}
  POST /api/ptt      {"down":true|false}
  POST /api/level    {"mode":"manual"|"auto"|"ptt","percent":0..100}
  GET  /ws           WebSocket: the state about ten times a second
Each POST sends its command once and answers the new state; a change the plug-in applied
is answered 200 even when the state cannot be read afterwards ({"applied":true,...}).
Errors come as {"error":"..."}:
  400  bad JSON or values, or the plug-in refused the value
  401  missing or wrong token
  403  a POST or WebSocket from another origin; a non-loopback host name without --token
  404  no such endpoint            405  wrong method            413  body over 4 KB
  429  5 wrong tokens from one address within 10 s: refused for 10 s (Retry-After)
  502  the plug-in answered something unexpected (an older version)
  503  the plug-in is not running or did not answer (a POST says whether the change may
       have been applied), or 32 connections or 8 WebSockets are open already

Example:
  curl -s -X POST -d '{"mode":"auto"}' http://127.0.0.1:8765/api/mode

Exit codes: 0 stopped, 2 bad command line, 3 cannot listen (another program holds the
port: pick another with --listen), 4 cannot set itself up.
)";
}
