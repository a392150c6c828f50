// The saved form of the module stack: "ModuleCount=N", then for each position i the lines
// "Module<i>Lib=" (the library's file name as listed), "Module<i>Mod=" (the module's
// description) and "Module<i>Act=" ("true" or "false"). A module is identified only by
// its library's file name and its description.
#include <charconv>
#include <string>
#include <vector>

#include "core/split_first.h"
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
};

// The three lines of position k; a key repeated before all three are seen overwrites the
// earlier value. False when one of them is missing.
bool FindRecord(const std::vector<std::string>& lines, int k, SavedRecord& record) {
    const std::string libKey = Key(k, kLibSuffix);
    const std::string modKey = Key(k, kModSuffix);
    const std::string actKey = Key(k, kActSuffix);
    bool hasLib = false, hasMod = false, hasAct = false;
    for (const std::string& line : lines) {
        std::string value = line;
        const std::string name = SplitFirst(value, "=");
        if (name == libKey) {
            record.lib = value;
            hasLib = true;
        } else if (name == modKey) {
            record.mod = value;
            hasMod = true;
        } else if (name == actKey) {
            record.act = value;
            hasAct = true;
        }
        if (hasLib && hasMod && hasAct) return true;
    }
    return false;
}

}  // namespace

void TDSPPluginModulesStack::LoadOrder(const std::vector<std::string>& lines) {
    const int saved = SavedCount(lines);
    int target = 0;
    for (int k = 0; k < saved; ++k) {
        SavedRecord record;
        if (!FindRecord(lines, k, record)) continue;

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
