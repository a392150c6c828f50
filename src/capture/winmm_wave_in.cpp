// The wave-in seam's real table: each call goes straight to winmm.
#include "capture/wave_in_api.h"

namespace {

class WinmmWaveInApi final : public WaveInApi {
public:
    UINT GetNumDevs() override { return waveInGetNumDevs(); }
    MMRESULT GetDevCaps(UINT_PTR deviceId, WAVEINCAPSA* caps, UINT capsSize) override {
        return waveInGetDevCapsA(deviceId, caps, capsSize);
    }
    MMRESULT Open(HWAVEIN* device, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                  DWORD_PTR instance, DWORD flags) override {
        return waveInOpen(device, deviceId, format, callback, instance, flags);
    }
    MMRESULT PrepareHeader(HWAVEIN device, WAVEHDR* header, UINT headerSize) override {
        return waveInPrepareHeader(device, header, headerSize);
    }
    MMRESULT UnprepareHeader(HWAVEIN device, WAVEHDR* header, UINT headerSize) override {
        return waveInUnprepareHeader(device, header, headerSize);
    }
    MMRESULT AddBuffer(HWAVEIN device, WAVEHDR* header, UINT headerSize) override {
        return waveInAddBuffer(device, header, headerSize);
    }
    MMRESULT Start(HWAVEIN device) override { return waveInStart(device); }
    MMRESULT Stop(HWAVEIN device) override { return waveInStop(device); }
    MMRESULT Reset(HWAVEIN device) override { return waveInReset(device); }
    MMRESULT Close(HWAVEIN device) override { return waveInClose(device); }
};

}  // namespace

WaveInApi& WinmmWaveIn() {
    static WinmmWaveInApi api;
    return api;
}
