// comms_load: twenty clients at once, each sending fifty texts to an echoing server and
// checking the fifty echoes for content and order. Server and clients are two comms_peer
// processes. Exit code 0 when every echo arrived and the server read every text.
//
//   comms_load [--size BYTES] [--clients N] [--texts N] [--timeout MS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "win32/comms/child_process.h"
#include "win32/support/test_paths.h"

namespace {

int Option(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == name) return std::atoi(argv[i + 1]);
    }
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    const int size = Option(argc, argv, "--size", 1024);
    const int clients = Option(argc, argv, "--clients", 20);
    const int texts = Option(argc, argv, "--texts", 50);
    const int timeoutMs = Option(argc, argv, "--timeout", 200000);

    const std::string peer = "\"" + TestProgramFolder() + "\\comms_peer.exe\"";
    const std::string name = "Load" + std::to_string(GetCurrentProcessId());
    ChildProcess server;
    if (!server.Start(peer + " server " + name + " --echo --lifetime " + std::to_string(timeoutMs + 60000))) {
        std::printf("cannot start the server\n");
        return 1;
    }
    if (!PumpUntil([&] { return FindWindowOfProcess("WindowComs" + name, server.ProcessId()) != nullptr; }, 20000)) {
        std::printf("the server did not come up\n");
        return 1;
    }

    const ULONGLONG start = GetTickCount64();
    ChildProcess load;
    load.Start(peer + " clients " + name + " --clients " + std::to_string(clients) + " --texts " +
               std::to_string(texts) + " --size " + std::to_string(size) + " --timeout " + std::to_string(timeoutMs));
    const int loadResult = load.Wait(static_cast<DWORD>(timeoutMs) + 30000);
    const double seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;

    // The clients' disconnects are posted; let the server take them all before it stops.
    PumpUntil([&] { return FindWindowOfProcess("WindowComsServerClient" + name, server.ProcessId()) == nullptr; },
              20000);
    server.PostToMainThread(WM_QUIT);
    server.Wait(20000);
    const std::string summary = server.Output();
    const std::string expectedReads = "reads=" + std::to_string(clients * texts) + " ";
    const bool serverSawAll = summary.find(expectedReads) != std::string::npos &&
                              summary.find("errors=0 ") != std::string::npos &&
                              summary.find("disconnects=" + std::to_string(clients) + " ") != std::string::npos;

    std::printf("%d clients x %d texts of %d bytes, echoed: %.1f s, clients exit %d\n%s%s", clients, texts, size,
                seconds, loadResult, load.Output().c_str(), summary.c_str());
    if (loadResult != 0 || !serverSawAll) {
        std::printf("FAILED\n");
        return 1;
    }
    return 0;
}
