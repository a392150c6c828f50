// Shared set-up of the substitute host's tests: a fresh folder per test, the probe library,
// the paths of the input, output and the host INI file (beside which the probe logs).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_tool_run.h"
#include "probe_log_reader.h"
#include "test_streams.h"
#include "win32/support/test_paths.h"

// hostfix_probe's modules.
enum ProbeModule {
    kHalfVolume = 0,
    kStretch = 1,
    kOverrun = 2,
    kGreedy = 3,
    kFaultingQuit = 4,
    kRaisingQuit = 5,
    kFaultingBlock = 6,
    kConfigBox = 7,
    kFailingInit = 8,
    kProbeModuleCount = 9
};

class HostTool : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = TestFolder(std::string(info->test_suite_name()) + "." + info->name());
        input = folder + "\\in.wav";
        output = folder + "\\out.wav";
        ini = folder + "\\winamp.ini";
    }

    static std::string Probe() { return FixturePath("hostfix_probe.dll"); }

    // The probe library on `input` into `output` with the test's INI file, plus `extra`.
    HostRun RunProbe(int module, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {Probe(), input, output, "--module", std::to_string(module), "--ini", ini};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunHost(args, folder);
    }

    std::vector<ProbeEntry> Log() const { return ReadProbeLog(ini); }

    std::string folder, input, output, ini;
};

// Prints what the tool said when an expectation about a run fails.
inline std::string Said(const HostRun& run) {
    return "exit " + std::to_string(run.ExitCode) + "\n--- stdout\n" + run.Out + "--- stderr\n" + run.Err;
}
