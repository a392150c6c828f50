#include "host/host_paths.h"

std::string IniDirectoryOf(std::string_view iniFilePath) {
    const auto last = iniFilePath.find_last_of("\\:");
    std::string folder(last == std::string_view::npos ? std::string_view() : iniFilePath.substr(0, last + 1));
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}
