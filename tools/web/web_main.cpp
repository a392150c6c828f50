// tidewell-web: the HTTP and WebSocket bridge to the plug-in's command server. Options and
// exit codes: web_options.h / --help.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "http_server.h"
#include "web_options.h"

namespace {
constexpr char kProgram[] = "tidewell-web";

int Run(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    WebOptions options;
    std::string error;
    if (!ParseWebOptions(arguments, options, error)) return ReportUsageError(kProgram, error);
    if (options.help) {
        std::fputs(WebUsage(), stdout);
        return kWebExitOk;
    }
    return RunHttpServer(options);
}
}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s: %s\n", kProgram, failure.what());
    } catch (...) {
        std::fprintf(stderr, "%s: unexpected failure\n", kProgram);
    }
    return kWebExitSystem;
}
