#include "config/private_profile_platform.h"

#include <windows.h>

#include "host/error_display.h"

namespace {

constexpr DWORD kFirstReadSize = 256;
// A value or key list longer than this is cut: no setting of ours comes near it, and a
// damaged file must not make the store allocate without bound.
constexpr DWORD kLargestRead = 16u * 1024u * 1024u;
// GetPrivateProfileString signals a cut text by returning the buffer size less one for a
// value and less two for a list of key names (which ends in two zeros).
constexpr DWORD kValueCutMargin = 1;
constexpr DWORD kListCutMargin = 2;
constexpr char kPointSeparator = '.';

// Reads with a growing buffer until the whole answer fits.
std::string ReadProfile(const char* section, const char* key, const char* fallback, const std::string& path,
                        DWORD cutMargin) {
    std::string buffer;
    for (DWORD size = kFirstReadSize;; size *= 2) {
        buffer.assign(size, '\0');
        const DWORD length = GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, path.c_str());
        if (length + cutMargin < size || size >= kLargestRead) {
            buffer.resize(length < size ? length : size);
            return buffer;
        }
    }
}

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

}  // namespace

std::string PrivateProfilePlatform::ReadString(const std::string& path, const std::string& section,
                                               const std::string& key, const std::string& fallback) {
    return ReadProfile(section.c_str(), key.c_str(), fallback.c_str(), path, kValueCutMargin);
}

std::vector<std::string> PrivateProfilePlatform::ReadKeyNames(const std::string& path, const std::string& section) {
    const std::string list = ReadProfile(section.c_str(), nullptr, "", path, kListCutMargin);
    std::vector<std::string> names;
    for (size_t begin = 0; begin < list.size();) {
        const size_t end = list.find('\0', begin);
        const size_t stop = end == std::string::npos ? list.size() : end;
        if (stop > begin) names.emplace_back(list, begin, stop - begin);
        begin = stop + 1;
    }
    return names;
}

bool PrivateProfilePlatform::WriteString(const std::string& path, const std::string& section,
                                         const std::string& key, const std::string& value) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != 0;
}

bool PrivateProfilePlatform::DirectoryExists(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void PrivateProfilePlatform::CreateDirectories(const std::string& path) {
    // Each prefix that ends before a separator is a parent; the drive ("C:") and an existing
    // folder simply fail to be created again.
    for (size_t at = path.find_first_of("\\/"); at != std::string::npos; at = path.find_first_of("\\/", at + 1)) {
        if (at > 0) CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    }
    CreateDirectoryA(path.c_str(), nullptr);
}

bool PrivateProfilePlatform::FileExists(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void PrivateProfilePlatform::RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

char PrivateProfilePlatform::DecimalSeparator() {
    char separator[4] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) == 0) return kPointSeparator;
    return separator[0] != '\0' ? separator[0] : kPointSeparator;
}

void PrivateProfilePlatform::ShowError(const std::string& message) { ShowErrorMessage(message); }
