// comms_soak: the command link under load and faults. One comms_peer server (--check) and,
// at once: C clients in one comms_peer process sending T texts of S bytes each, K more
// clients in processes of their own that are killed in the middle of their transfers, and a
// stranger window in this process posting forged data codes to every endpoint and name
// characters to the listening window throughout. Afterwards it checks that every text of
// every live client was read once and in order, that the killed clients' texts that arrived
// came in order, that no endpoint is left, and that the server's window thread was never
// kept from its messages for more than --max-blocked milliseconds.
//
//   comms_soak [--clients C] [--killed K] [--texts T] [--size S] [--timeout MS] [--max-blocked MS]
//
// Defaults: 58 live and 6 killed clients (64, one in ten killed), 100 texts of 1024 bytes.
// Prints the figures and exits 0 when every check holds.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "comms/protocol_message.h"
#include "comms/window_coms_codes.h"
#include "comms/window_coms_wire.h"
#include "host/cust_allocate_hwnd.h"
#include "win32/comms/child_process.h"
#include "win32/support/test_paths.h"

namespace {

int Option(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == name) return std::atoi(argv[i + 1]);
    }
    return fallback;
}

long Field(const std::string& summary, const std::string& key) {
    const size_t at = summary.find(" " + key + "=");
    return at == std::string::npos ? -1 : std::atol(summary.c_str() + at + key.size() + 2);
}

struct WindowsOfClass {
    std::string className;
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowsOfClass*>(context);
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && search->className == name) search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> WindowsOf(const std::string& className, DWORD processId) {
    WindowsOfClass search{className, processId, {}};
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A window of its own, on its own thread, posting forged data codes to the server's
// endpoints and name characters to its listening window until told to stop.
class Stranger {
public:
    Stranger(const std::string& name, DWORD serverProcess) {
        thread_ = std::thread([this, name, serverProcess] { Run(name, serverProcess); });
    }
    ~Stranger() {
        stop_ = true;
        thread_.join();
    }
    long Posted() const { return posted_; }

private:
    void Run(const std::string& name, DWORD serverProcess) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "TidewellCommsStranger";
        HWND self = CustAllocateHWnd(WindowMethod{}, &windowClass);
        const UINT protocol = WindowComsProtocolMessage();
        std::mt19937 random(12345);
        std::vector<HWND> endpoints;
        HWND listening = nullptr;
        for (int round = 0; !stop_; ++round) {
            if (round % 50 == 0) {
                endpoints = WindowsOf("WindowComsServerClient" + name, serverProcess);
                listening = FindWindowOfProcess("WindowComs" + name, serverProcess);
            }
            // Four forged data codes every 20 ms, each to an endpoint picked at random.
            for (int i = 0; i < 4 && !endpoints.empty(); ++i) {
                HWND endpoint = endpoints[random() % endpoints.size()];
                const ComsWireMessage forged{static_cast<uint8_t>(kFirstDataCode + random() % 64),
                                             static_cast<uint8_t>(random()), static_cast<uint16_t>(random())};
                if (PostMessageA(endpoint, protocol, PackComsWParam(forged), ComsSender(self))) ++posted_;
            }
            if (listening != nullptr) {
                const BYTE code = static_cast<BYTE>(kComsNameFirst + random() % 3);
                PostMessageA(listening, protocol, ComsControlWParam(code, static_cast<BYTE>(random())), ComsSender(self));
                ++posted_;
            }
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
            Sleep(20);
        }
        CustDeallocateHWnd(self);
    }

    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<long> posted_{0};
};

}  // namespace

int main(int argc, char** argv) {
    const int live = Option(argc, argv, "--clients", 58);
    const int killed = Option(argc, argv, "--killed", 6);
    const int texts = Option(argc, argv, "--texts", 100);
    const int size = Option(argc, argv, "--size", 1024);
    const int timeoutMs = Option(argc, argv, "--timeout", 3600000);
    const long maxBlockedMs = Option(argc, argv, "--max-blocked", 100);

    const std::string peer = "\"" + TestProgramFolder() + "\\comms_peer.exe\"";
    const std::string name = "Soak" + std::to_string(GetCurrentProcessId());
    ChildProcess server;
    if (!server.Start(peer + " server " + name + " --check --lifetime " + std::to_string(timeoutMs + 120000))) {
        std::printf("cannot start the server\n");
        return 1;
    }
    if (!PumpUntil([&] { return FindWindowOfProcess("WindowComs" + name, server.ProcessId()) != nullptr; }, 30000)) {
        std::printf("the server did not come up\n");
        return 1;
    }

    const ULONGLONG start = GetTickCount64();
    auto stranger = std::make_unique<Stranger>(name, server.ProcessId());
    const std::string load = " --texts " + std::to_string(texts) + " --size " + std::to_string(size) +
                             " --no-echo --timeout " + std::to_string(timeoutMs);
    // The killed clients are numbered after the live ones; each runs alone and is killed a
    // few seconds into its transfers, one after the other.
    std::vector<std::unique_ptr<ChildProcess>> doomed;
    for (int k = 0; k < killed; ++k) {
        doomed.push_back(std::make_unique<ChildProcess>());
        doomed.back()->Start(peer + " clients " + name + " --clients 1 --first " + std::to_string(live + k) + load);
    }
    ChildProcess clients;
    clients.Start(peer + " clients " + name + " --clients " + std::to_string(live) + load);
    for (int k = 0; k < killed; ++k) {
        PumpUntil([] { return false; }, k == 0 ? 5000 : 3000);
        doomed[static_cast<size_t>(k)]->Kill();
    }
    const int clientsResult = clients.Wait(static_cast<DWORD>(timeoutMs));
    const double seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;

    // Every endpoint must go: the live clients' by their disconnects, the killed ones' by
    // reclaiming.
    const bool endpointsGone = PumpUntil(
        [&] { return WindowsOf("WindowComsServerClient" + name, server.ProcessId()).empty(); }, 30000);
    const double endpointsGoneAfter = static_cast<double>(GetTickCount64() - start) / 1000.0 - seconds;
    const long forged = stranger->Posted();
    stranger.reset();
    server.PostToMainThread(WM_QUIT);
    server.Wait(30000);
    const std::string summary = server.Output();

    // Every live client's texts all read, once and in order; the killed ones' in order.
    std::map<int, long> perClient;
    const size_t listAt = summary.find("per_client=");
    for (size_t at = listAt == std::string::npos ? summary.size() : listAt + 11; at < summary.size();) {
        int client = 0;
        long count = 0;
        if (std::sscanf(summary.c_str() + at, "%d:%ld", &client, &count) != 2) break;
        perClient[client] = count;
        at = summary.find(',', at);
        if (at == std::string::npos) break;
        ++at;
    }
    bool allLiveTexts = true;
    long killedTexts = 0;
    for (int c = 0; c < live; ++c) allLiveTexts = allLiveTexts && perClient[c] == texts;
    for (int c = live; c < live + killed; ++c) killedTexts += perClient[c];
    const long orderFaults = Field(summary, "order_faults");
    const long longestDispatch = Field(summary, "longest_dispatch_ms");
    const long longestAnswer = Field(summary, "longest_answer_ms");
    const double pairs = static_cast<double>(live) * texts * (size + 7);

    std::printf("%d live clients x %d texts of %d bytes, %d clients killed mid-transfer, %ld forged messages\n",
                live, texts, size, killed, forged);
    std::printf("time %.1f s, %.0f message pairs/s of live traffic; endpoints gone %.1f s after the last client\n",
                seconds, pairs / seconds, endpointsGoneAfter);
    std::printf("live texts all read once and in order: %s; texts of killed clients read: %ld; order faults: %ld\n",
                allLiveTexts ? "yes" : "NO", killedTexts, orderFaults);
    std::printf("window thread: longest dispatch %ld ms, longest answer to a probe %ld ms\n", longestDispatch,
                longestAnswer);
    std::printf("server: %s", summary.c_str());
    const bool passed = clientsResult == 0 && endpointsGone && allLiveTexts && orderFaults == 0 &&
                        longestDispatch >= 0 && longestDispatch <= maxBlockedMs;
    if (!passed) std::printf("FAILED (clients exit %d)\n%s", clientsResult, clients.Output().c_str());
    return passed ? 0 : 1;
}
