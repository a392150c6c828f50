#include "remote_options.h"

#include <charconv>

namespace {

bool ParseCount(const std::string& text, uint32_t& value) {
    const char* end = text.data() + text.size();
    auto [at, failure] = std::from_chars(text.data(), end, value);
    return failure == std::errc() && at == end && !text.empty();
}

}  // namespace

bool ParseRemoteOptions(const std::vector<std::string>& arguments, RemoteOptions& options, std::string& error) {
    bool textsOnly = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (textsOnly || argument.empty() || argument[0] != '-' || argument == "-") {
            options.texts.push_back(argument);
            continue;
        }
        if (argument == "--") {
            textsOnly = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            options.help = true;
            continue;
        }
        if (argument == "--discover") {
            options.discover = true;
            continue;
        }
        if (argument == "--broadcast") {
            options.broadcast = true;
            continue;
        }
        if (argument == "--toggle-server") {
            options.toggleServer = true;
            continue;
        }
        const bool takesValue = argument == "--server" || argument == "--expect" || argument == "--quiet" ||
                                argument == "--timeout" || argument == "--protocol-timeout";
        if (!takesValue) {
            error = "unknown option " + argument;
            return false;
        }
        if (i + 1 >= arguments.size()) {
            error = argument + " needs a value";
            return false;
        }
        const std::string& value = arguments[++i];
        if (argument == "--server") {
            if (value.empty()) {
                error = "--server needs a non-empty name";
                return false;
            }
            options.serverName = value;
            continue;
        }
        uint32_t number = 0;
        if (!ParseCount(value, number)) {
            error = argument + " needs a whole number, not \"" + value + "\"";
            return false;
        }
        if (argument == "--expect") {
            if (number > 1000000) {
                error = "--expect is at most 1000000";
                return false;
            }
            options.expect = static_cast<int>(number);
        } else if (argument == "--quiet") {
            options.quietMs = number;
        } else if (argument == "--timeout") {
            options.timeoutMs = number;
        } else {
            options.protocolTimeoutMs = number;
        }
    }
    if (!options.help && !options.discover && !options.toggleServer && options.texts.empty() && options.expect <= 0) {
        error = "nothing to do: give one or more texts to send, --expect N, or --discover";
        return false;
    }
    return true;
}

const char* RemoteUsage() {
    return "Usage: tidewell-remote [options] TEXT...\n"
           "       tidewell-remote --discover [--quiet MS]\n"
           "\n"
           "Sends each TEXT to a Tidewell command server over the window-message link and\n"
           "prints every text the server sends back, each followed by a line feed, then\n"
           "disconnects.\n"
           "Commands the plug-in knows: EnableBypass, DisableBypass, RecThreadStats,\n"
           "MixInStats, Pause, Start, RamPTT.\n"
           "\n"
           "Options:\n"
           "  --server NAME           server to talk to (default QuorvexTidewell)\n"
           "  --broadcast             find the server by broadcast discovery instead of by\n"
           "                          its listening window's class\n"
           "  --discover              list the name of every running server and exit\n"
           "  --toggle-server         first switch the command server of the plug-in's control\n"
           "                          window (\"Quorvex Tidewell MixIn\") on, or off when it\n"
           "                          runs; with no TEXT that is all it does\n"
           "  --expect N              wait for N replies, then disconnect (default: wait\n"
           "                          until no reply came for the quiet period)\n"
           "  --quiet MS              quiet period in milliseconds (default 1000); also how\n"
           "                          long --discover and --broadcast listen\n"
           "  --timeout MS            give up after this many milliseconds (default 10000)\n"
           "  --protocol-timeout MS   time-out of each protocol step (default 2000)\n"
           "  --                      everything after this is a text, even if it starts with -\n"
           "  -h, --help              show this help\n"
           "\n"
           "Exit codes:\n"
           "  0  done: every text sent, the replies printed\n"
           "  1  bad command line\n"
           "  2  no such server is running\n"
           "  3  the server did not accept the connection\n"
           "  4  time-out: texts not sent, or fewer replies than --expect, within --timeout\n"
           "  5  a transfer failed (the protocol error is printed)\n"
           "  6  the server stopped or dropped the connection\n"
           "  7  the program could not set itself up\n";
}
