// The saved form of the module stack: "ModuleCount=N", then for each position i the lines
// "Module<i>Lib=" (the library's file name as listed), "Module<i>Mod=" (the module's
// description) and "Module<i>Act=" ("true" or "false"). A module is identified only by
// its library's file name and its description.
#include <charconv>
#include <map>
#include <string_view>
#include <string>
#include <vector>

#include "base/split_first.h"
#include "stacker/dsp_plugin.h"
#include "stacker/dsp_plugin_module.h"
#include "stacker/dsp_plugin_modules_stack.h"

namespace {

constexpr const char* kKeyPrefix = "Module";
constexpr const char* kLibSuffix = "Lib";
constexpr const char* kModSuffix = "Mod";
constexpr const char* kActSuffix = "Act";
constexpr const char* kActiveText = "true";
constexpr const char* kInactiveText = "false";

std::string Key(int position, const char* suffix) {
    return kKeyPrefix + std::to_string(position) + suffix;
}

// A decimal integer and nothing else; anything else counts as 0.
int ParseCount(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return (error == std::errc() && stop == end) ? value : 0;
}

int SavedCount(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::string value = line;
        if (SplitFirst(value, "=") == kModuleCountKey) return ParseCount(value);
    }
    return 0;
}

struct SavedRecord {
    std::string lib, mod, act;
    bool hasLib = false, hasMod = false, hasAct = false;
    bool Complete() const { return hasLib && hasMod && hasAct; }
};

// The position and field a key names: "Module" + position (decimal, no leading zeros) +
// "Lib", "Mod" or "Act". False for any other name.
bool ParseRecordKey(std::string_view name, int& position, std::string_view& suffix) {
    const std::string_view prefix = kKeyPrefix;
    constexpr size_t kSuffixLength = 3;
    if (!name.starts_with(prefix) || name.size() < prefix.size() + 1 + kSuffixLength) return false;
    const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - kSuffixLength);
    if (digits.size() > 1 && digits.front() == '0') return false;
    const auto [stop, error] = std::from_chars(digits.data(), digits.data() + digits.size(), position);
    if (error != std::errc() || stop != digits.data() + digits.size() || position < 0) return false;
    suffix = name.substr(name.size() - kSuffixLength);
    return true;
}

// The records of positions below `count`, in position order, read in one pass over the
// lines, so the work is bounded by the lines that exist whatever count the file claims.
// Lines are read from the first; a key repeated before its record is complete overwrites
// the earlier value, later lines of a complete record are ignored.
std::map<int, SavedRecord> ReadRecords(const std::vector<std::string>& lines, int count) {
    std::map<int, SavedRecord> records;
    for (const std::string& line : lines) {
        std::string value = line;
        const std::string name = SplitFirst(value, "=");
        int position = 0;
        std::string_view suffix;
        if (!ParseRecordKey(name, position, suffix) || position >= count) continue;
        SavedRecord& record = records[position];
        if (record.Complete()) continue;
        if (suffix == kLibSuffix) {
            record.lib = std::move(value);
            record.hasLib = true;
        } else if (suffix == kModSuffix) {
            record.mod = std::move(value);
            record.hasMod = true;
        } else if (suffix == kActSuffix) {
            record.act = std::move(value);
            record.hasAct = true;
        }
    }
    return records;
}

}  // namespace

void TDSPPluginModulesStack::LoadOrder(const std::vector<std::string>& lines) {
    int target = 0;
    for (const auto& saved : ReadRecords(lines, SavedCount(lines))) {
        const SavedRecord& record = saved.second;
        // An incomplete record is skipped and leaves no gap.
        if (!record.Complete()) continue;

        // Only entries not yet placed by an earlier record are candidates, so two modules
        // of one library with the same description each keep their own saved place.
        TDSPPluginModule* entry = nullptr;
        int at = target;
        for (; at < Count(); ++at) {
            TDSPPluginModule* candidate = Get(at);
            if (candidate->Plugin->FileName == record.lib && candidate->Description == record.mod) {
                entry = candidate;
                break;
            }
        }
        if (entry == nullptr) continue;

        // An entry found already standing at its saved place counts as placed too: the
        // default placement must not move it away from where it was saved.
        if (at != target) Move(at, target);
        entry->Placed = true;
        if (record.act != kInactiveText) entry->SetActive(true);
        ++target;
    }
}

void TDSPPluginModulesStack::SaveOrder(std::vector<std::string>& lines) const {
    lines.clear();
    lines.push_back(std::string(kModuleCountKey) + "=" + std::to_string(Count()));
    for (int i = 0; i < Count(); ++i) {
        const TDSPPluginModule* entry = Get(i);
        if (entry == nullptr) continue;
        lines.push_back(Key(i, kLibSuffix) + "=" + entry->Plugin->FileName);
        lines.push_back(Key(i, kModSuffix) + "=" + entry->Description);
        lines.push_back(Key(i, kActSuffix) + "=" + (entry->Active ? kActiveText : kInactiveText));
    }
}
