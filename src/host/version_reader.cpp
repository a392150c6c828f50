#include "host/version_reader.h"

#include <windows.h>

#include <memory>
#include <vector>

FileVersionInfo* TVersionReader::Read(const std::string& fileName, FileVersionInfo* record) const {
    std::unique_ptr<FileVersionInfo> created;
    if (record == nullptr) {
        created = std::make_unique<FileVersionInfo>();
        record = created.get();
    }
    record->Reset();

    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &handle);
    if (size == 0 || handle != 0) return created ? created.release() : record;

    std::vector<char> block(size);
    LPVOID value = nullptr;
    UINT length = 0;
    if (GetFileVersionInfoA(fileName.c_str(), 0, size, block.data()) &&
        VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length) &&
        length >= 4) {
        const WORD* translation = static_cast<const WORD*>(value);
        record->LanguageId = translation[0];
        record->CodePage = translation[1];

        const DWORD nameLength = VerLanguageNameA(record->LanguageId, nullptr, 0);
        std::vector<char> name(nameLength + 3, '\0');
        VerLanguageNameA(record->LanguageId, name.data(), static_cast<DWORD>(name.size()));
        record->LanguageName = name.data();

        const std::string path = StringFileInfoPath(record->LanguageId, record->CodePage);
        int found = 0;
        for (; found < 8; ++found) {
            const std::string query = path + "\\" + kVersionTextNames[found];
            if (!VerQueryValueA(block.data(), query.c_str(), &value, &length)) break;
            VersionText(*record, found) = static_cast<const char*>(value);
        }

        if (found == 8) {
            record->StringInfoRead = true;
            VS_FIXEDFILEINFO* fixed = nullptr;
            if (ReadFixedPart &&
                VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length) &&
                fixed != nullptr && length >= sizeof(VS_FIXEDFILEINFO)) {
                record->FileVersionMS = fixed->dwFileVersionMS;
                record->FileVersionLS = fixed->dwFileVersionLS;
                record->ProductVersionMS = fixed->dwProductVersionMS;
                record->ProductVersionLS = fixed->dwProductVersionLS;
                record->FileFlagsMask = fixed->dwFileFlagsMask;
                record->FileFlags = fixed->dwFileFlags;
                record->FileOS = fixed->dwFileOS;
                record->FileType = fixed->dwFileType;
                record->FileSubtype = fixed->dwFileSubtype;
                record->FileDateMS = fixed->dwFileDateMS;
                record->FileDateLS = fixed->dwFileDateLS;
                record->DeriveBuildFlags();
                record->FixedInfoRead = true;
            }
        }
    }
    return created ? created.release() : record;
}
