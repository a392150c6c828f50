// tidewell-host: a substitute for the media player, for running a DSP library without it.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "exit_codes.h"
#include "host_options.h"
#include "host_session.h"
#include "option_reader.h"

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        HostOptionsResult parsed = ParseHostOptions(args);
        if (parsed.Options.Help) {
            std::fputs(HostUsageText(), stdout);
            return kExitSuccess;
        }
        if (!parsed.Error.empty()) return ReportUsageError("tidewell-host", parsed.Error);
        HostSession session(std::move(parsed.Options));
        return session.Run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tidewell-host: internal error: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "tidewell-host: internal error\n");
    }
    return kExitInternalError;
}
