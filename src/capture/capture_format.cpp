#include "capture/capture_format.h"

PcmFormat MakePcmFormat(int32_t sampleRate, int32_t bitsPerSample, int32_t channels) {
    PcmFormat format;
    format.wFormatTag = kWaveFormatPcm;
    format.nChannels = static_cast<uint16_t>(channels);
    format.nSamplesPerSec = static_cast<uint32_t>(sampleRate);
    format.nBlockAlign = static_cast<uint16_t>((bitsPerSample / kBitsPerByte) * channels);
    format.nAvgBytesPerSec = static_cast<uint32_t>(sampleRate) * format.nBlockAlign;
    format.wBitsPerSample = static_cast<uint16_t>(bitsPerSample);
    return format;
}

int32_t CaptureBufferSize(int32_t sampleRate, int32_t bitsPerSample, int32_t channels) {
    // Computed in 64 bits so that an absurd request cannot overflow into a negative size.
    const int64_t bytesPerSecond = int64_t{bitsPerSample} * channels * sampleRate / kBitsPerByte;
    const int64_t size = bytesPerSecond / kBufferPartsPerSecond;
    return size < 0 || size > INT32_MAX ? 0 : static_cast<int32_t>(size);
}

int32_t RecordedSampleCount(uint32_t bytesRecorded, int32_t bitsPerSample) {
    const int32_t bytesPerSample = bitsPerSample / kBitsPerByte;
    if (bytesPerSample <= 0) return 0;
    return static_cast<int32_t>(bytesRecorded / static_cast<uint32_t>(bytesPerSample));
}
