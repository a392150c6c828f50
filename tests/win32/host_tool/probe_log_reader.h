// Reads the log the hostfix_probe library writes beside the host's INI file: one entry per
// line, "kind|key=value|...".
#pragma once

#include <map>
#include <string>
#include <vector>

struct ProbeEntry {
    std::string Kind;  // init, block, quit, config, state
    std::map<std::string, std::string> Fields;
    std::vector<std::string> Flags;  // parts without '=' ("begin", "end")

    long long Number(const std::string& key) const { return std::stoll(Fields.at(key)); }
    double Time() const { return std::stod(Fields.at("t")); }
    bool Has(const std::string& flag) const;
};

std::vector<ProbeEntry> ReadProbeLog(const std::string& hostIniFile);
std::vector<ProbeEntry> EntriesOf(const std::vector<ProbeEntry>& log, const std::string& kind);
