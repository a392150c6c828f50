#include "probe_log_reader.h"

#include <algorithm>
#include <fstream>
#include <sstream>

bool ProbeEntry::Has(const std::string& flag) const {
    return std::find(Flags.begin(), Flags.end(), flag) != Flags.end();
}

std::vector<ProbeEntry> ReadProbeLog(const std::string& hostIniFile) {
    std::vector<ProbeEntry> entries;
    std::ifstream file(hostIniFile + ".probe.log");
    std::string line;
    while (std::getline(file, line)) {
        std::stringstream parts(line);
        std::string part;
        ProbeEntry entry;
        std::getline(parts, entry.Kind, '|');
        while (std::getline(parts, part, '|')) {
            const auto equals = part.find('=');
            if (equals == std::string::npos) {
                entry.Flags.push_back(part);
            } else {
                entry.Fields[part.substr(0, equals)] = part.substr(equals + 1);
            }
        }
        entries.push_back(entry);
    }
    return entries;
}

std::vector<ProbeEntry> EntriesOf(const std::vector<ProbeEntry>& log, const std::string& kind) {
    std::vector<ProbeEntry> matching;
    std::copy_if(log.begin(), log.end(), std::back_inserter(matching),
                 [&kind](const ProbeEntry& e) { return e.Kind == kind; });
    return matching;
}
