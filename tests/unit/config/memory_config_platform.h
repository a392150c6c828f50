// An in-memory disk for the configuration store's native tests: INI files as ordered sections
// of ordered keys (names compared without regard to case, as the private-profile functions
// do), a set of folders, a write log, and switches that make writes fail.
#pragma once

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "config/config_platform.h"

struct MemoryDisk {
    struct Section {
        std::string Name;
        std::vector<std::pair<std::string, std::string>> Keys;
    };
    using File = std::vector<Section>;

    struct Write {
        std::string Path;
        std::string Section;
        std::string Key;
        std::string Value;
    };

    std::map<std::string, File> Files;
    std::set<std::string> Folders;
    std::set<std::string> ReadOnlyPaths;  // writes to these fail
    std::vector<Write> Writes;            // every successful write, in order
    int FailedWrites = 0;
    std::vector<std::string> Errors;      // what the standard error display showed
    char Separator = '.';

    static bool SameName(const std::string& a, const std::string& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
               });
    }

    Section* FindSection(const std::string& path, const std::string& section) {
        auto file = Files.find(path);
        if (file == Files.end()) return nullptr;
        for (Section& s : file->second) {
            if (SameName(s.Name, section)) return &s;
        }
        return nullptr;
    }

    // The value of a key, or nullptr when it is missing.
    const std::string* Value(const std::string& path, const std::string& section, const std::string& key) {
        Section* s = FindSection(path, section);
        if (s == nullptr) return nullptr;
        for (auto& [name, value] : s->Keys) {
            if (SameName(name, key)) return &value;
        }
        return nullptr;
    }

    void Put(const std::string& path, const std::string& section, const std::string& key, const std::string& value) {
        Section* s = FindSection(path, section);
        if (s == nullptr) {
            Files[path].push_back({section, {}});
            s = &Files[path].back();
        }
        for (auto& [name, old] : s->Keys) {
            if (SameName(name, key)) {
                old = value;
                return;
            }
        }
        s->Keys.emplace_back(key, value);
    }

    std::vector<Write> WritesTo(const std::string& section) const {
        std::vector<Write> found;
        for (const Write& w : Writes) {
            if (w.Section == section) found.push_back(w);
        }
        return found;
    }
};

class MemoryConfigPlatform : public ConfigPlatform {
public:
    explicit MemoryConfigPlatform(MemoryDisk& disk) : disk_(disk) {}

    std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                           const std::string& fallback) override {
        const std::string* value = disk_.Value(path, section, key);
        return value != nullptr ? *value : fallback;
    }
    std::vector<std::string> ReadKeyNames(const std::string& path, const std::string& section) override {
        std::vector<std::string> names;
        if (MemoryDisk::Section* s = disk_.FindSection(path, section)) {
            for (auto& entry : s->Keys) names.push_back(entry.first);
        }
        return names;
    }
    bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                     const std::string& value) override {
        if (disk_.ReadOnlyPaths.count(path) != 0) {
            ++disk_.FailedWrites;
            return false;
        }
        disk_.Put(path, section, key, value);
        disk_.Writes.push_back({path, section, key, value});
        return true;
    }
    bool DirectoryExists(const std::string& path) override { return disk_.Folders.count(path) != 0; }
    void CreateDirectories(const std::string& path) override { disk_.Folders.insert(path); }
    bool FileExists(const std::string& path) override { return disk_.Files.count(path) != 0; }
    void RemoveFile(const std::string& path) override {
        if (disk_.ReadOnlyPaths.count(path) == 0) disk_.Files.erase(path);
    }
    char DecimalSeparator() override { return disk_.Separator; }
    void ShowError(const std::string& message) override { disk_.Errors.push_back(message); }

private:
    MemoryDisk& disk_;
};
