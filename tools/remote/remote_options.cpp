#include "remote_options.h"

#include <charconv>

namespace {

constexpr uint32_t kMostExpected = 1000000;

bool ParseCount(const std::string& text, uint32_t& value) {
    const char* end = text.data() + text.size();
    auto [at, failure] = std::from_chars(text.data(), end, value);
    return failure == std::errc() && at == end && !text.empty();
}

}  // namespace

bool ParseRemoteOptions(const std::vector<std::string>& arguments, RemoteOptions& options, std::string& error) {
    OptionReader reader(arguments);
    while (reader.Next()) {
        const std::string& name = reader.Name();
        if (!reader.IsOption()) {
            options.texts.push_back(name);
            continue;
        }
        bool* flag = name == "-h" || name == "--help" ? &options.help
                     : name == "--discover"           ? &options.discover
                     : name == "--broadcast"          ? &options.broadcast
                     : name == "--toggle-server"      ? &options.toggleServer
                     : name == "--server-on"          ? &options.serverOn
                                                      : nullptr;
        if (flag != nullptr) {
            if (!reader.RefuseValue(error)) return false;
            *flag = true;
            continue;
        }
        const bool takesValue = name == "--server" || name == "--expect" || name == "--quiet" ||
                                name == "--timeout" || name == "--protocol-timeout";
        if (!takesValue) {
            error = "unknown option " + name;
            return false;
        }
        std::string value;
        if (!reader.TakeValue(value, error)) return false;
        if (name == "--server") {
            if (value.empty()) {
                error = "--server needs a non-empty name";
                return false;
            }
            options.serverName = value;
            continue;
        }
        uint32_t number = 0;
        if (!ParseCount(value, number)) {
            error = name + " needs a whole number, not \"" + value + "\"";
            return false;
        }
        if (name == "--expect") {
            if (number > kMostExpected) {
                error = "--expect is at most " + std::to_string(kMostExpected);
                return false;
            }
            options.expect = static_cast<int>(number);
        } else if (name == "--quiet") {
            options.quietMs = number;
        } else if (name == "--timeout") {
            options.timeoutMs = number;
        } else {
            options.protocolTimeoutMs = number;
        }
    }
    if (options.toggleServer && options.serverOn) {
        error = "--toggle-server and --server-on exclude each other";
        return false;
    }
    const bool serverSwitch = options.toggleServer || options.serverOn;
    if (!options.help && !options.discover && !serverSwitch && options.texts.empty() && options.expect <= 0) {
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
           "disconnects. A text that has blanks is one argument: \"SetMode Auto\".\n"
           "\n"
           "Commands the plug-in knows (a text that begins with one of these words):\n"
           "  EnableBypass            bypass on (no reply)\n"
           "  DisableBypass           bypass off (no reply)\n"
           "  RecThreadStats          replies the capture thread's statistics\n"
           "  MixInStats              replies the mixer's statistics\n"
           "  Pause                   pauses the capture (no reply)\n"
           "  Start                   resumes the capture (no reply)\n"
           "  RamPTT                  push-to-talk stress: 90 alternating marks (no reply)\n"
           "  SetMode Auto|Manual|PTT|Off\n"
           "                          clicks a mode button; replies OK or ERROR: reason\n"
           "  PTT Down|Up             presses or releases the push-to-talk pad; OK or ERROR:\n"
           "  SetLevel Manual|Auto|PTT N\n"
           "                          moves that level slider to N (0..100); OK or ERROR:\n"
           "  GetState                replies the state as one line of JSON (mode, ptt,\n"
           "                          levels, capture, input level, stream format)\n"
           "\n"
           "Options (\"--name value\" or \"--name=value\"):\n"
           "  --server NAME           server to talk to (default QuorvexTidewell)\n"
           "  --broadcast             find the server by broadcast discovery instead of by\n"
           "                          its listening window's class\n"
           "  --discover              list the name of every running server and exit\n"
           "  --server-on             first switch the command server of the plug-in's\n"
           "                          control window (\"Quorvex Tidewell MixIn\") on, unless it\n"
           "                          runs already; safe to give every time\n"
           "  --toggle-server         first flip that command server: on when off, off when\n"
           "                          on (switches off a server that tidewell-web started)\n"
           "                          With no TEXT either of these is all it does.\n"
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
           "  1  no such server is running (or no control window for --server-on and\n"
           "     --toggle-server; no server answered --discover)\n"
           "  2  bad command line\n"
           "  3  the server did not accept the connection\n"
           "  4  time-out: texts not sent, or fewer replies than --expect, within --timeout\n"
           "  5  a transfer failed (the protocol error is printed)\n"
           "  6  the server stopped or dropped the connection\n"
           "  7  the program could not set itself up\n";
}
