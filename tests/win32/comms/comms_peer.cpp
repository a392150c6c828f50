// comms_peer: the other process of the cross-process comms tests and of the throughput
// measurement.
//
//   comms_peer server NAME [--echo] [--check] [--pong] [--close-on-connect] [--lifetime MS]
//       Runs a command server named NAME on the main thread until WM_QUIT is posted to that
//       thread (or MS milliseconds pass, 60000 by default). --echo sends every text back;
//       --check reads every text as a load text ("client C text I ...") and counts the texts
//       of each client that are not the next one expected (lost, repeated or out of order),
//       and measures how long the window thread was kept from its messages: the longest
//       single dispatch, and the longest answer to a message sent every 10 ms from another
//       thread; it adds "texts=N order_faults=N longest_dispatch_ms=N longest_answer_ms=N
//       per_client=C:N,..." to the summary line;
//       --pong adds a window of class "TidewellCommsPong" that answers each posted ping
//       (WM_APP) with a posted pong (WM_APP + 1) to the window in LPARAM; --close-on-connect
//       closes the server from inside OnClientConnect. Thread messages: WM_APP stops the
//       server, WM_APP + 1 starts it again. On exit it prints one line:
//       "connects=N disconnects=N reads=N errors=N clients=N others=NAME,NAME".
//
//   comms_peer clients NAME --clients C --texts T --size S [--first ID] [--no-echo] [--timeout MS]
//       C clients at once (one thread, a window and connection each), each connecting to
//       NAME, sending T texts of S bytes and expecting T echoes, complete and in order. Exit
//       code 0 when every client got all its echoes; otherwise prints what went wrong and
//       exits 1. --no-echo expects no echoes: each client only sees all its texts delivered.
//       Clients are numbered from ID (0) in their texts.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "comms/server_client_window_coms.h"
#include "comms/server_window_coms.h"
#include "comms/server_window_coms_thread.h"
#include "host/cust_allocate_hwnd.h"
#include "win32/comms/comms_test_protocol.h"
#include "window_coms_client.h"

namespace {

std::string Option(int argc, char** argv, const char* name, const char* fallback) {
    for (int i = 2; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == name) return argv[i + 1];
    }
    return fallback;
}

bool Flag(int argc, char** argv, const char* name) {
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i]) == name) return true;
    }
    return false;
}

struct PongWindow {
    void Handle(WindowMessage& message) {
        if (message.Msg == kPingMessage) {
            PostMessageA(reinterpret_cast<HWND>(message.LParam), kPongMessage, message.WParam, 0);
            return;
        }
        DefaultWindowMessage(message);
    }
};

// The load run's view of the server: every text in order per client, and the window thread
// never kept from its messages for long.
struct LoadCheck {
    std::map<const void*, std::pair<int, int>> next;  // endpoint -> (client, next index)
    std::map<int, int> perClient;
    int texts = 0, orderFaults = 0;
    double longestDispatchMs = 0;
    std::atomic<long> longestAnswerMs{0};

    void Text(const void* endpoint, const std::string& text) {
        ++texts;
        int client = -1, index = -1;
        if (std::sscanf(text.c_str(), "client %d text %d ", &client, &index) != 2) {
            ++orderFaults;
            return;
        }
        auto [at, added] = next.try_emplace(endpoint, client, 0);
        if (at->second.first != client || at->second.second != index) ++orderFaults;
        at->second = {client, index + 1};
        ++perClient[client];
    }
    std::string Summary() const {
        std::string line = " texts=" + std::to_string(texts) + " order_faults=" + std::to_string(orderFaults) +
                           " longest_dispatch_ms=" + std::to_string(static_cast<long>(longestDispatchMs)) +
                           " longest_answer_ms=" + std::to_string(longestAnswerMs.load()) + " per_client=";
        for (const auto& [client, count] : perClient) line += std::to_string(client) + ":" + std::to_string(count) + ",";
        return line;
    }
};

double NowMs() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int RunServer(int argc, char** argv) {
    const std::string name = argv[2];
    const bool echo = Flag(argc, argv, "--echo");
    const bool check = Flag(argc, argv, "--check");
    LoadCheck load;
    const bool closeOnConnect = Flag(argc, argv, "--close-on-connect");
    const DWORD lifetime = static_cast<DWORD>(std::atoi(Option(argc, argv, "--lifetime", "60000").c_str()));

    int connects = 0, disconnects = 0, reads = 0, errors = 0;
    size_t clientsAtStop = 0;
    std::string others;

    TQXServerWindowComs server;
    server.SetServerName(name);
    server.OnClientConnect = [&](TQXServerWindowComs* sender, TQXServerClientWindowComs*) {
        ++connects;
        if (closeOnConnect) sender->SetActive(false);
    };
    server.OnClientDisconnect = [&](TQXServerWindowComs*, TQXServerClientWindowComs*) { ++disconnects; };
    server.OnClientReadString = [&](TQXServerWindowComs*, TQXServerClientWindowComs* client) {
        ++reads;
        const std::string text = client->ReadString();
        if (check) load.Text(client, text);
        if (echo) client->SendString(text);
    };
    server.OnClientError = [&](TQXServerWindowComs*, TQXServerClientWindowComs*, uint8_t) { ++errors; };
    // What the server knew just before it stopped.
    auto snapshot = [&] {
        if (server.Thread() == nullptr) return;
        clientsAtStop = server.Thread()->ClientCount();
        others.clear();
        for (const auto& other : server.Thread()->OtherServers()) {
            if (!others.empty()) others += ",";
            others += other.Name;
        }
    };
    server.SetActive(true);

    PongWindow pong;
    HWND pongWindow = nullptr;
    if (Flag(argc, argv, "--pong")) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = kPongClassName;
        pongWindow = CustAllocateHWnd(WindowMethod::Of<&PongWindow::Handle>(&pong), &windowClass);
    }

    // A probe thread sends a message to a window of this thread every 10 ms and notes the
    // longest wait for the answer.
    std::atomic<bool> probing{check};
    HWND probeWindow = nullptr;
    std::thread probe;
    if (check) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "TidewellCommsProbe";
        probeWindow = CustAllocateHWnd(WindowMethod{}, &windowClass);
        probe = std::thread([&] {
            while (probing) {
                const double start = NowMs();
                DWORD_PTR ignored = 0;
                SendMessageTimeoutA(probeWindow, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
                const long waited = static_cast<long>(NowMs() - start);
                if (waited > load.longestAnswerMs) load.longestAnswerMs = waited;
                Sleep(10);
            }
        });
    }

    SetTimer(nullptr, 0, lifetime, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == WM_TIMER) break;  // lifetime over
        if (message.hwnd == nullptr && message.message == kStopServerMessage) {
            snapshot();
            server.SetActive(false);
            continue;
        }
        if (message.hwnd == nullptr && message.message == kStartServerMessage) {
            server.SetActive(true);
            continue;
        }
        const double start = check ? NowMs() : 0;
        DispatchMessageA(&message);
        if (check) load.longestDispatchMs = std::max(load.longestDispatchMs, NowMs() - start);
    }
    if (check) {
        probing = false;
        // Answer the probe's last message while it finishes.
        while (MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_SENDMESSAGE) != WAIT_TIMEOUT) {
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
        }
        probe.join();
        CustDeallocateHWnd(probeWindow);
    }
    if (server.Active()) snapshot();
    server.SetActive(false);
    if (pongWindow != nullptr) CustDeallocateHWnd(pongWindow);
    std::printf("connects=%d disconnects=%d reads=%d errors=%d clients=%u others=%s%s\n", connects, disconnects,
                reads, errors, static_cast<unsigned>(clientsAtStop), others.c_str(),
                check ? load.Summary().c_str() : "");
    std::fflush(stdout);
    return 0;
}

// The load run: every text carries its client and index, so an echo in the wrong place or
// order is caught.
std::string LoadText(int client, int index, size_t size) {
    std::string text = "client " + std::to_string(client) + " text " + std::to_string(index) + " ";
    while (text.size() < size) text.push_back(static_cast<char>('a' + (text.size() * 7 + index) % 26));
    text.resize(size);
    return text;
}

// All clients live on this one thread, each with its own window and connection, so the
// server serves them all at once; the thread's message loop drives every transfer.
int RunClients(int argc, char** argv) {
    const std::string name = argv[2];
    const int count = std::atoi(Option(argc, argv, "--clients", "1").c_str());
    const int texts = std::atoi(Option(argc, argv, "--texts", "1").c_str());
    const size_t size = static_cast<size_t>(std::atoi(Option(argc, argv, "--size", "16").c_str()));
    const DWORD timeoutMs = static_cast<DWORD>(std::atoi(Option(argc, argv, "--timeout", "60000").c_str()));
    const int first = std::atoi(Option(argc, argv, "--first", "0").c_str());
    const bool echoes = !Flag(argc, argv, "--no-echo");

    HWND listening = WindowComsClient::FindServer(name);
    std::vector<std::unique_ptr<WindowComsClient>> clients;
    std::vector<int> received(static_cast<size_t>(count), 0);
    std::vector<std::string> failures;
    for (int id = 0; id < count; ++id) {
        clients.push_back(std::make_unique<WindowComsClient>());
        if (listening == nullptr || !clients.back()->Connect(listening, timeoutMs)) {
            std::printf("client %d could not connect\n", id);
            return 1;
        }
    }
    for (int i = 0; i < texts; ++i) {
        for (int id = 0; id < count; ++id) clients[static_cast<size_t>(id)]->SendString(LoadText(first + id, i, size));
    }

    auto collect = [&] {
        bool all = true;
        for (int id = 0; id < count; ++id) {
            WindowComsClient& client = *clients[static_cast<size_t>(id)];
            int& got = received[static_cast<size_t>(id)];
            while (client.Waiting() > 0) {
                if (client.ReadString() != LoadText(first + id, got, size)) {
                    failures.push_back("client " + std::to_string(id) + " echo " + std::to_string(got) + " differs");
                }
                ++got;
            }
            if (client.Dropped() || client.ServerStopped()) return true;
            all = all && (echoes ? got >= texts : client.TransfersDone());
        }
        return all;
    };
    clients.front()->PumpUntil(collect, timeoutMs);

    for (int id = 0; id < count; ++id) {
        WindowComsClient& client = *clients[static_cast<size_t>(id)];
        if (echoes && received[static_cast<size_t>(id)] != texts) {
            failures.push_back("client " + std::to_string(id) + " got " + std::to_string(received[static_cast<size_t>(id)]) +
                               " of " + std::to_string(texts) + " echoes");
        }
        if (!client.SendErrors().empty() || !client.ReceiveErrors().empty()) {
            failures.push_back("client " + std::to_string(id) + " saw protocol errors");
        }
    }
    clients.front()->PumpUntil(
        [&] {
            for (const auto& client : clients) {
                if (!client->TransfersDone()) return false;
            }
            return true;
        },
        2000);
    for (auto& client : clients) client->Disconnect();
    for (const auto& failure : failures) std::printf("%s\n", failure.c_str());
    std::fflush(stdout);
    return failures.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "server") return RunServer(argc, argv);
    if (argc >= 3 && std::string(argv[1]) == "clients") return RunClients(argc, argv);
    std::fprintf(stderr, "usage: comms_peer server NAME [options] | comms_peer clients NAME [options]\n");
    return 2;
}
