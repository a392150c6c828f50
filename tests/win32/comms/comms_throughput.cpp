// comms_throughput: measures, between this process and one comms_peer server process,
//   (a) a raw posted-message ping-pong (WM_APP to the peer's pong window, WM_APP + 1 back),
//   (b) the transfer protocol sending one text of --bytes bytes to the peer's endpoint,
// both in message pairs per second, alternating for --rounds rounds, and prints the medians
// and the ratio (b)/(a), of the medians and as the median of the rounds' ratios. A transfer of n bytes is 2n + 14 posted messages, n + 7 pairs.
//
//   comms_throughput [--pings N] [--bytes N] [--rounds N]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/cust_allocate_hwnd.h"
#include "win32/comms/child_process.h"
#include "win32/comms/comms_test_protocol.h"
#include "win32/support/test_paths.h"
#include "window_coms_client.h"

namespace {

int Option(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == name) return std::atoi(argv[i + 1]);
    }
    return fallback;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct PingWindow {
    HWND window = nullptr;
    HWND pong = nullptr;
    long remaining = 0;
    void Handle(WindowMessage& message) {
        if (message.Msg == kPongMessage) {
            if (--remaining > 0) PostMessageA(pong, kPingMessage, 0, reinterpret_cast<LPARAM>(window));
            return;
        }
        DefaultWindowMessage(message);
    }
};

double RawPairsPerSecond(PingWindow& ping, long pings) {
    ping.remaining = pings;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    PostMessageA(ping.pong, kPingMessage, 0, reinterpret_cast<LPARAM>(ping.window));
    PumpUntil([&] { return ping.remaining <= 0; }, 600000);
    QueryPerformanceCounter(&end);
    return static_cast<double>(pings) / Seconds(start, end);
}

double ProtocolPairsPerSecond(WindowComsClient& client, const std::string& text) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    client.SendString(text);
    client.PumpUntil([&] { return client.TransfersDone(); }, 600000);
    QueryPerformanceCounter(&end);
    return static_cast<double>(text.size() + 7) / Seconds(start, end);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const long pings = Option(argc, argv, "--pings", 20000);
    const int bytes = Option(argc, argv, "--bytes", 20000);
    const int rounds = std::max(1, Option(argc, argv, "--rounds", 3));

    const std::string name = "ThroughputPeer" + std::to_string(GetCurrentProcessId());
    ChildProcess peer;
    if (!peer.Start("\"" + TestProgramFolder() + "\\comms_peer.exe\" server " + name + " --pong --lifetime 600000")) {
        std::fprintf(stderr, "comms_throughput: cannot start comms_peer\n");
        return 1;
    }
    HWND listening = nullptr;
    PingWindow ping;
    PumpUntil(
        [&] {
            listening = FindWindowOfProcess("WindowComs" + name, peer.ProcessId());
            ping.pong = FindWindowOfProcess(kPongClassName, peer.ProcessId());
            return listening != nullptr && ping.pong != nullptr;
        },
        20000);
    if (listening == nullptr || ping.pong == nullptr) {
        std::fprintf(stderr, "comms_throughput: the peer's windows did not appear\n");
        return 1;
    }

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "TidewellCommsPing";
    ping.window = CustAllocateHWnd(WindowMethod::Of<&PingWindow::Handle>(&ping), &windowClass);

    WindowComsClient client;
    if (!client.Connect(listening, 5000)) {
        std::fprintf(stderr, "comms_throughput: cannot connect\n");
        return 1;
    }
    const std::string text(static_cast<size_t>(bytes), 'x');

    std::vector<double> raw, protocol, ratios;
    for (int round = 0; round < rounds; ++round) {
        raw.push_back(RawPairsPerSecond(ping, pings));
        protocol.push_back(ProtocolPairsPerSecond(client, text));
        ratios.push_back(protocol.back() / raw.back());
        std::printf("round %d: raw %.0f pairs/s, protocol %.0f pairs/s\n", round + 1, raw.back(), protocol.back());
    }
    const bool clean = client.SendErrors().empty();
    client.Disconnect();
    CustDeallocateHWnd(ping.window);
    peer.PostToMainThread(WM_QUIT);
    peer.Wait(10000);

    const double a = Median(raw);
    const double b = Median(protocol);
    std::printf("raw ping-pong:     %.0f message pairs/s (%.0f messages/s), %ld round trips\n", a, 2 * a, pings);
    std::printf("protocol transfer: %.0f message pairs/s (%.0f messages/s, %.0f payload bytes/s), %d bytes\n", b,
                2 * b, b * bytes / (bytes + 7), bytes);
    std::printf("ratio protocol/raw: %.2f of the medians, %.2f median of the rounds%s\n", b / a, Median(ratios),
                clean ? "" : " (transfer errors!)");
    return clean ? 0 : 1;
}
