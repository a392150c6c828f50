#include "tool_paths.h"

namespace {

constexpr std::string_view kSeparators = "\\/";

bool IsDriveRoot(std::string_view folder) { return folder.size() == 3 && folder[1] == ':'; }

std::string_view WithoutTrailingSeparators(std::string_view path) {
    while (path.size() > 1 && kSeparators.find(path.back()) != std::string_view::npos &&
           !IsDriveRoot(path)) {
        path.remove_suffix(1);
    }
    return path;
}

}  // namespace

std::string FolderOf(std::string_view path) {
    const auto last = path.find_last_of(kSeparators);
    if (last == std::string_view::npos) return {};
    std::string_view folder = path.substr(0, last + 1);
    if (folder.size() == 3 && folder[1] == ':') return std::string(folder);  // "C:\"
    if (folder.size() > 1) folder.remove_suffix(1);
    return std::string(folder);
}

std::string DefaultIniFile(std::string_view pluginFolder) {
    const std::string_view trimmed = WithoutTrailingSeparators(pluginFolder);
    std::string parent = FolderOf(trimmed);
    if (parent.empty()) parent = std::string(trimmed);
    if (!parent.empty() && kSeparators.find(parent.back()) == std::string::npos) parent += '\\';
    return parent + kHostIniFileName;
}
