// An mmio I/O procedure over plain Win32 file handles. winmm's own file procedure opens
// files through OpenFile, which refuses paths longer than 128 characters; with this one the
// RIFF functions (mmioDescend, mmioAscend, mmioCreateChunk, buffered mmioRead/mmioWrite)
// work on any path CreateFileA accepts.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <string>

// Opens `path` through the procedure. `flags` are mmioOpen's (MMIO_READ, or MMIO_CREATE |
// MMIO_READWRITE); buffered I/O is added. Returns null on failure and sets `error` to the
// reason.
HMMIO OpenRiffFile(const std::string& path, DWORD flags, std::string& error);
