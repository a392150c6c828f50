#include "wav_file.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <limits>

#include "riff_file_procedure.h"

namespace {

constexpr DWORD kMaxChunkBytes = static_cast<DWORD>(std::numeric_limits<LONG>::max());

// Closes an mmio handle on every way out.
class MmioHandle {
public:
    explicit MmioHandle(HMMIO handle) : handle_(handle) {}
    ~MmioHandle() { Close(); }
    MmioHandle(const MmioHandle&) = delete;
    MmioHandle& operator=(const MmioHandle&) = delete;
    HMMIO Get() const { return handle_; }
    // Flushes and closes; false when the flush failed.
    bool Close() {
        const bool flushed = !handle_ || mmioClose(handle_, 0) == MMSYSERR_NOERROR;
        handle_ = nullptr;
        return flushed;
    }

private:
    HMMIO handle_;
};

}  // namespace

WavReadResult ReadWavStream(const std::string& path) {
    WavReadResult result;
    std::string openError;
    MmioHandle mmio(OpenRiffFile(path, MMIO_READ, openError));
    if (!mmio.Get()) {
        result.Error = "cannot open " + path + ": " + openError;
        return result;
    }
    const LONG fileBytes = mmioSeek(mmio.Get(), 0, SEEK_END);
    mmioSeek(mmio.Get(), 0, SEEK_SET);

    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioDescend(mmio.Get(), &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) {
        result.Error = path + " is not a RIFF WAVE file";
        return result;
    }
    const LONG firstChunk = static_cast<LONG>(riff.dwDataOffset + sizeof(FOURCC));

    MMCKINFO format{};
    format.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(mmio.Get(), &format, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) {
        result.Error = path + " has no 'fmt ' chunk";
        return result;
    }
    WavStream& stream = result.Stream;
    if (format.cksize > static_cast<DWORD>(std::max<LONG>(0, fileBytes))) {
        result.Error = path + " is truncated inside its 'fmt ' chunk";
        return result;
    }
    stream.FormatChunk.resize(format.cksize);
    if (format.cksize > 0 && mmioRead(mmio.Get(), reinterpret_cast<HPSTR>(stream.FormatChunk.data()),
                                      static_cast<LONG>(format.cksize)) != static_cast<LONG>(format.cksize)) {
        result.Error = path + " is truncated inside its 'fmt ' chunk";
        return result;
    }
    StreamFormatResult decoded = DecodeStreamFormat(stream.FormatChunk);
    if (!decoded.Error.empty()) {
        result.Error = path + ": " + decoded.Error;
        return result;
    }
    stream.Format = decoded.Format;

    // The data chunk may come before or after the format chunk: search from the first chunk.
    mmioSeek(mmio.Get(), firstChunk, SEEK_SET);
    MMCKINFO data{};
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(mmio.Get(), &data, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) {
        result.Error = path + " has no 'data' chunk";
        return result;
    }
    const DWORD available = fileBytes > static_cast<LONG>(data.dwDataOffset)
                                ? static_cast<DWORD>(fileBytes) - data.dwDataOffset
                                : 0;
    if (data.cksize > available) {
        result.Error = path + " is truncated: its 'data' chunk claims " + std::to_string(data.cksize) +
                       " bytes, the file holds " + std::to_string(available);
        return result;
    }
    const DWORD frameBytes = static_cast<DWORD>(stream.Format.BlockAlign);
    const DWORD wholeBytes = data.cksize / frameBytes * frameBytes;
    if (wholeBytes != data.cksize) {
        result.Warning = path + ": dropped a partial last frame of " + std::to_string(data.cksize - wholeBytes) +
                         " bytes";
    }
    stream.Data.resize(wholeBytes);
    if (wholeBytes > 0 && mmioRead(mmio.Get(), reinterpret_cast<HPSTR>(stream.Data.data()),
                                   static_cast<LONG>(wholeBytes)) != static_cast<LONG>(wholeBytes)) {
        result.Error = path + " is truncated inside its 'data' chunk";
        return result;
    }
    stream.Frames = static_cast<int64_t>(wholeBytes / frameBytes);
    return result;
}

std::string WriteWavFile(const std::string& path, const std::vector<uint8_t>& formatChunk, const uint8_t* data,
                         size_t dataBytes) {
    if (dataBytes > kMaxChunkBytes - formatChunk.size()) return "the output is too large for a WAV file";
    std::string openError;
    MmioHandle mmio(OpenRiffFile(path, MMIO_CREATE | MMIO_READWRITE, openError));
    if (!mmio.Get()) return "cannot create " + path + ": " + openError;

    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    MMCKINFO format{};
    format.ckid = mmioFOURCC('f', 'm', 't', ' ');
    MMCKINFO samples{};
    samples.ckid = mmioFOURCC('d', 'a', 't', 'a');
    const LONG formatBytes = static_cast<LONG>(formatChunk.size());
    const LONG sampleBytes = static_cast<LONG>(dataBytes);
    // mmioAscend fills in each chunk's size (and pads an odd one) as it leaves it.
    const bool written =
        mmioCreateChunk(mmio.Get(), &riff, MMIO_CREATERIFF) == MMSYSERR_NOERROR &&
        mmioCreateChunk(mmio.Get(), &format, 0) == MMSYSERR_NOERROR &&
        mmioWrite(mmio.Get(), reinterpret_cast<const char*>(formatChunk.data()), formatBytes) == formatBytes &&
        mmioAscend(mmio.Get(), &format, 0) == MMSYSERR_NOERROR &&
        mmioCreateChunk(mmio.Get(), &samples, 0) == MMSYSERR_NOERROR &&
        (sampleBytes == 0 || mmioWrite(mmio.Get(), reinterpret_cast<const char*>(data), sampleBytes) == sampleBytes) &&
        mmioAscend(mmio.Get(), &samples, 0) == MMSYSERR_NOERROR && mmioAscend(mmio.Get(), &riff, 0) == MMSYSERR_NOERROR;
    if (!written || !mmio.Close()) return "cannot write " + path + " (disk full or no access?)";
    return {};
}
