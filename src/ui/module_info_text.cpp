#include "ui/module_info_text.h"

#include <cstdio>

namespace {

std::string LeftOutSection(const std::vector<std::string>& leftOut) {
    if (leftOut.empty()) return std::string();
    std::string text = "\r\nLibraries left out\r\n";
    for (const std::string& line : leftOut) text += "\t" + line + "\r\n";
    return text;
}

std::string VersionSection(const FileVersionInfo* info) {
    if (info == nullptr || !info->StringInfoRead) return "No version information available\r\n";
    std::string text;
    const std::pair<const char*, const std::string*> lines[] = {
        {"File Description:  ", &info->FileDescription}, {"File Version:  ", &info->FileVersion},
        {"Company Name:  ", &info->CompanyName},         {"Infernal Name:  ", &info->InternalName},
        {"Copyright:  ", &info->LegalCopyright},         {"Original FileName:  ", &info->OriginalFileName},
        {"Product Name:  ", &info->ProductName},         {"Product Version:  ", &info->ProductVersion},
        {"Language:  ", &info->LanguageName},            {"Code Page:  ", &info->CodePageName},
    };
    for (const auto& [label, value] : lines) text += label + *value + "\r\n\t";

    text += "BuildFlags:";
    if (info->IsDebug) text += "  Debug";
    if (info->IsPatched) text += "  Patched";
    if (info->IsPreRelease) text += "  PreRelease";
    if (info->IsPrivateBuild) text += "  Private Build";
    if (info->IsSpecialBuild) text += "  Special Build";
    return text + "\r\n";
}

}  // namespace

std::string ModuleInfoText(const ModuleInfoFacts& facts) {
    char header[16];
    std::snprintf(header, sizeof header, "%08X", static_cast<uint32_t>(facts.HeaderVersion));

    std::string text = "Module " + std::to_string(facts.IndexInPlugin + 1) + " of " +
                       std::to_string(facts.EntryCount) + "\r\n\r\n";
    text += "Module Description\r\n\t" + facts.ModuleDescription;
    text += "\r\n\r\nPlugin Description\r\n\t" + facts.PluginDescription;
    text += "\r\n\r\nPlugin Header\r\n\tHDRVER: 0x" + std::string(header);
    text += "\r\n\r\nPlugin Filename\r\n\t" + facts.FileName;
    text += "\r\n\r\nDLL Version Information\r\n\t";

    return text + VersionSection(facts.VersionInfo) + LeftOutSection(facts.LeftOut);
}
