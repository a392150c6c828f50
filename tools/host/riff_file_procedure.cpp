#include "riff_file_procedure.h"

#include <vector>

#include "system_error_text.h"

namespace {

constexpr int kHandleSlot = 0;   // MMIOINFO::adwInfo slot that holds the file handle
constexpr LRESULT kIoFailed = -1;

// The reason the last open on this thread failed; mmioOpen reports only MMIOERR_CANNOTOPEN.
thread_local DWORD lastOpenError = ERROR_SUCCESS;

HANDLE FileOf(const MMIOINFO* info) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(info->adwInfo[kHandleSlot])); }

LRESULT OpenFileHandle(MMIOINFO* info, const char* path) {
    const bool writing = (info->dwFlags & (MMIO_WRITE | MMIO_READWRITE)) != 0;
    const bool creating = (info->dwFlags & MMIO_CREATE) != 0;
    HANDLE file = CreateFileA(path, writing ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                              writing ? 0 : FILE_SHARE_READ, nullptr, creating ? CREATE_ALWAYS : OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        lastOpenError = GetLastError();
        return MMIOERR_CANNOTOPEN;
    }
    info->adwInfo[kHandleSlot] = static_cast<DWORD>(reinterpret_cast<uintptr_t>(file));
    info->lDiskOffset = 0;
    return MMSYSERR_NOERROR;
}

LRESULT CALLBACK FileProcedure(LPSTR infoText, UINT message, LPARAM first, LPARAM second) {
    auto* info = reinterpret_cast<MMIOINFO*>(infoText);
    DWORD moved = 0;
    switch (message) {
        case MMIOM_OPEN: return OpenFileHandle(info, reinterpret_cast<const char*>(first));
        case MMIOM_CLOSE: CloseHandle(FileOf(info)); return MMSYSERR_NOERROR;
        case MMIOM_READ:
            if (!ReadFile(FileOf(info), reinterpret_cast<void*>(first), static_cast<DWORD>(second), &moved, nullptr)) {
                return kIoFailed;
            }
            info->lDiskOffset += static_cast<LONG>(moved);
            return static_cast<LRESULT>(moved);
        case MMIOM_WRITE:
        case MMIOM_WRITEFLUSH:
            if (!WriteFile(FileOf(info), reinterpret_cast<const void*>(first), static_cast<DWORD>(second), &moved,
                           nullptr)) {
                return kIoFailed;
            }
            info->lDiskOffset += static_cast<LONG>(moved);
            return static_cast<LRESULT>(moved);
        case MMIOM_SEEK: {
            // SEEK_SET/SEEK_CUR/SEEK_END have the values of FILE_BEGIN/FILE_CURRENT/FILE_END.
            const DWORD position =
                SetFilePointer(FileOf(info), static_cast<LONG>(first), nullptr, static_cast<DWORD>(second));
            if (position == INVALID_SET_FILE_POINTER) return kIoFailed;
            info->lDiskOffset = static_cast<LONG>(position);
            return static_cast<LRESULT>(position);
        }
        default: return kIoFailed;
    }
}

}  // namespace

HMMIO OpenRiffFile(const std::string& path, DWORD flags, std::string& error) {
    MMIOINFO info{};
    info.pIOProc = &FileProcedure;
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    lastOpenError = ERROR_SUCCESS;
    HMMIO handle = mmioOpenA(name.data(), &info, flags | MMIO_ALLOCBUF);
    if (!handle) {
        error = lastOpenError != ERROR_SUCCESS ? SystemErrorText(lastOpenError)
                                               : "mmio error " + std::to_string(info.wErrorRet);
    }
    return handle;
}
