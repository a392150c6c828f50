// tidewell-remote: command-line client of the plug-in's command server. Finds the server
// by name, connects, sends each text given, prints every text received, disconnects.
// Exit codes and options: remote_options.h / --help.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "comms/error_meaning.h"
#include "command_link.h"
#include "remote_options.h"
#include "window_coms_client.h"

namespace {

constexpr char kProgram[] = "tidewell-remote";

void Complain(const std::string& text) { std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str()); }

// Prints what has arrived and the protocol errors not reported yet.
class ReplyPrinter {
public:
    explicit ReplyPrinter(WindowComsClient& client) : client_(client) {}

    void Drain() {
        while (client_.Waiting() > 0) {
            const std::string text = client_.ReadString();
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
            ++replies_;
            lastReply_ = GetTickCount64();
        }
        Report(client_.SendErrors(), sendErrorsShown_, "sending a text failed");
        Report(client_.ReceiveErrors(), receiveErrorsShown_, "receiving a reply failed");
    }

    int Replies() const { return replies_; }
    bool AnyError() const { return sendErrorsShown_ + receiveErrorsShown_ > 0; }
    ULONGLONG LastReply() const { return lastReply_; }
    void QuietFrom(ULONGLONG when) { lastReply_ = when; }

private:
    static void Report(const std::vector<uint8_t>& errors, size_t& shown, const char* what) {
        for (; shown < errors.size(); ++shown) {
            Complain(std::string(what) + ": protocol error " + std::to_string(errors[shown]) + " (" +
                     ComsErrorMeaning(errors[shown]) + ")");
        }
    }

    WindowComsClient& client_;
    int replies_ = 0;
    size_t sendErrorsShown_ = 0;
    size_t receiveErrorsShown_ = 0;
    ULONGLONG lastReply_ = 0;
};

int Discover(WindowComsClient& client, const RemoteOptions& options) {
    const auto servers = client.Discover(options.quietMs);
    for (const auto& server : servers) std::printf("%s\n", server.Name.c_str());
    std::fflush(stdout);
    if (servers.empty()) {
        Complain("no server answered the discovery broadcast");
        return kExitNoServer;
    }
    return kExitOk;
}

HWND FindListeningWindow(WindowComsClient& client, const RemoteOptions& options) {
    if (!options.broadcast) return WindowComsClient::FindServer(options.serverName);
    for (const auto& server : client.Discover(options.quietMs)) {
        if (server.Name == options.serverName) return reinterpret_cast<HWND>(server.Window);
    }
    return nullptr;
}

constexpr DWORD kServerStartPollMs = 50;

// The plug-in's control window switches its command server on and off. --server-on flips
// it only while no server of that name listens, so it never switches off a running one.
int SwitchServer(const RemoteOptions& options) {
    if (options.serverOn && WindowComsClient::FindServer(options.serverName) != nullptr) return kExitOk;
    if (!PostServerToggle()) {
        Complain(std::string("no control window \"") + kControlWindowCaption + "\" is open (is the plug-in running?)");
        return kExitNoServer;
    }
    return kExitOk;
}

int Talk(WindowComsClient& client, const RemoteOptions& options) {
    HWND listening = FindListeningWindow(client, options);
    // A server just switched on needs a moment to open its listening window.
    for (ULONGLONG until = GetTickCount64() + options.timeoutMs;
         listening == nullptr && (options.toggleServer || options.serverOn) && GetTickCount64() < until;) {
        Sleep(kServerStartPollMs);
        listening = FindListeningWindow(client, options);
    }
    if (listening == nullptr) {
        Complain("no server named \"" + options.serverName + "\" is running");
        return kExitNoServer;
    }
    const ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
    auto left = [&]() -> DWORD {
        const ULONGLONG now = GetTickCount64();
        return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    };
    if (!client.Connect(listening, left())) {
        Complain("server \"" + options.serverName + "\" did not accept the connection");
        return kExitRefused;
    }

    ReplyPrinter printer(client);
    for (const auto& text : options.texts) {
        if (client.SendString(text) != static_cast<int32_t>(text.size())) {
            Complain("cannot queue the text \"" + text + "\"");
            return kExitSystem;
        }
    }
    auto lost = [&] { return client.Dropped() || client.ServerStopped(); };

    // Every text out (or failed), the replies printed as they come.
    const bool sent = client.PumpUntil(
        [&] {
            printer.Drain();
            return lost() || client.TransfersDone();
        },
        left());

    bool waited = sent && !lost();
    if (waited) {
        printer.QuietFrom(GetTickCount64());
        waited = client.PumpUntil(
            [&] {
                printer.Drain();
                if (lost()) return true;
                if (options.expect >= 0) return printer.Replies() >= options.expect;
                return client.TransfersDone() && GetTickCount64() - printer.LastReply() >= options.quietMs;
            },
            left());
    }
    printer.Drain();

    if (lost()) {
        Complain(client.ServerStopped() ? "the server stopped" : "the server dropped the connection");
        return kExitConnectionLost;
    }
    client.PumpUntil([&] { return client.TransfersDone(); }, left());
    client.Disconnect();
    if (!waited) {
        Complain(!sent ? "time-out: the texts were not all sent within " + std::to_string(options.timeoutMs) + " ms"
                       : "time-out: " + std::to_string(printer.Replies()) + " of " + std::to_string(options.expect) +
                             " replies arrived within " + std::to_string(options.timeoutMs) + " ms");
        return kExitTimeOut;
    }
    return printer.AnyError() ? kExitProtocolError : kExitOk;
}

int Run(int argc, char** argv) {
    // Replies go out byte for byte, each followed by a line feed: a reply's own line breaks
    // must not be doubled by text-mode translation.
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    RemoteOptions options;
    std::string error;
    if (!ParseRemoteOptions(arguments, options, error)) return ReportUsageError(kProgram, error);
    if (options.help) {
        std::fputs(RemoteUsage(), stdout);
        return kExitOk;
    }
    WindowComsClient client(options.protocolTimeoutMs);
    if (!client.Valid()) {
        Complain("cannot create its message window (error " + std::to_string(GetLastError()) + ")");
        return kExitSystem;
    }
    if (options.toggleServer || options.serverOn) {
        const int switched = SwitchServer(options);
        if (switched != kExitOk || (options.texts.empty() && options.expect <= 0)) return switched;
    }
    return options.discover ? Discover(client, options) : Talk(client, options);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& failure) {
        Complain(failure.what());
    } catch (...) {
        Complain("unexpected failure");
    }
    return kExitSystem;
}
