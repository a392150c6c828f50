// Runs tidewell-host.exe as a separate process the way a script does, and gives back its
// exit code, its standard output and error, and how long it ran. Each test works in a
// folder of its own under the test program's folder.
#pragma once

#include <string>
#include <vector>

struct HostRun {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
    double Seconds = 0;
};

std::string HostToolPath();

// A fresh, empty folder for the current test ("<test program folder>\host_tool_work\<name>").
std::string TestFolder(const std::string& name);

HostRun RunHost(const std::vector<std::string>& args, const std::string& folder);

// The number after "key=" on the first line starting with `linePrefix` ("summary: ... cycles=20");
// -1 when there is none.
double LineNumber(const std::string& output, const std::string& linePrefix, const std::string& key);
bool Contains(const std::string& text, const std::string& part);
