// A scripted wave-in device for Win32 tests: it answers the wave-in table like winmm does
// (posts MM_WIM_OPEN, MM_WIM_DATA with filled buffers, MM_WIM_CLOSE to the callback window,
// keeps the header flags, refuses what the real one refuses), records at a pace the test
// controls, and can be told to answer any result code from any call.
//
// Pace: manual by default (the test calls Deliver); SetPace(0) fills every queued buffer as
// soon as the device is started ("full speed"), SetPace(n) one buffer every n ms. Every
// delivered buffer carries a fresh sequence number in its first four bytes.
//
// Thread-safe: the capture thread calls the table, a feeder thread of its own delivers at
// the set pace, the test inspects and delivers. It must outlive the capture thread using it.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/wave_in_api.h"

enum class WaveInCall { GetNumDevs, GetDevCaps, Open, PrepareHeader, UnprepareHeader, AddBuffer, Start, Stop,
                        Reset, Close, Count };

const char* WaveInCallName(WaveInCall call);

class ScriptedWaveIn final : public WaveInApi {
public:
    struct Device {
        std::string ProductName;
        WORD Channels = 2;
        bool CapsFail = false;  // waveInGetDevCaps answers MMSYSERR_NODRIVER
    };

    static constexpr int kManual = -1;

    // One stereo device "Scripted Microphone" behind a stereo wave mapper.
    ScriptedWaveIn();
    ~ScriptedWaveIn() override;
    ScriptedWaveIn(const ScriptedWaveIn&) = delete;
    ScriptedWaveIn& operator=(const ScriptedWaveIn&) = delete;

    // ---- script ----
    void SetDevices(Device mapper, std::vector<Device> devices);
    void RefuseBitsPerSample(WORD bits);  // waveInOpen answers WAVERR_BADFORMAT for these
    // After `skip` calls of `call` that work, the next `times` calls answer `result` and do
    // nothing else; an injected MMSYSERR_INVALHANDLE also kills the handle (the device
    // forgets it and its buffers).
    void FailNext(WaveInCall call, MMRESULT result, int times = 1, int skip = 0);
    void SetPace(int intervalMs);
    // Bytes a buffer returned by waveInStop holds (the partly filled current buffer).
    void SetPartialBytesOnStop(DWORD bytes);
    // Manual pace: fills the oldest queued buffers of the started device and posts them.
    // Returns how many were delivered.
    int Deliver(int count = 1);

    // ---- inspection ----
    int Calls(WaveInCall call) const { return calls_[static_cast<size_t>(call)].load(); }
    int TotalCalls() const;
    int QueuedBuffers() const;  // buffers queued at the open devices now
    int OpenHandles() const;
    bool Started() const;
    UINT LastOpenedDeviceId() const;
    WAVEFORMATEX LastOpenedFormat() const;
    uint32_t BuffersDelivered() const { return sequence_.load(); }

    // ---- the wave-in table ----
    UINT GetNumDevs() override;
    MMRESULT GetDevCaps(UINT_PTR deviceId, WAVEINCAPSA* caps, UINT capsSize) override;
    MMRESULT Open(HWAVEIN* device, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                  DWORD_PTR instance, DWORD flags) override;
    MMRESULT PrepareHeader(HWAVEIN device, WAVEHDR* header, UINT headerSize) override;
    MMRESULT UnprepareHeader(HWAVEIN device, WAVEHDR* header, UINT headerSize) override;
    MMRESULT AddBuffer(HWAVEIN device, WAVEHDR* header, UINT headerSize) override;
    MMRESULT Start(HWAVEIN device) override;
    MMRESULT Stop(HWAVEIN device) override;
    MMRESULT Reset(HWAVEIN device) override;
    MMRESULT Close(HWAVEIN device) override;

private:
    struct OpenDevice {
        HWND Window = nullptr;
        std::deque<WAVEHDR*> Queue;
        bool Started = false;
    };

    // Counts the call and answers an injected result, if one is due (lock held).
    bool Injected(WaveInCall call, HWAVEIN device, MMRESULT& result);
    OpenDevice* Find(HWAVEIN device);
    void Return(HWAVEIN handle, OpenDevice& device, DWORD bytes, bool stamp);
    void Feed();

    mutable std::mutex lock_;
    std::condition_variable wake_;
    Device mapper_;
    std::vector<Device> devices_;
    std::vector<WORD> refusedBits_;
    struct Injection {
        int Skip;
        MMRESULT Result;
    };
    std::array<std::deque<Injection>, static_cast<size_t>(WaveInCall::Count)> injected_;
    std::array<std::atomic<int>, static_cast<size_t>(WaveInCall::Count)> calls_{};
    std::map<HWAVEIN, OpenDevice> open_;
    uintptr_t nextHandle_ = 0x5A000;
    UINT lastDeviceId_ = 0;
    WAVEFORMATEX lastFormat_{};
    DWORD partialBytes_ = 0;
    int pace_ = kManual;
    std::atomic<uint32_t> sequence_{0};
    bool stopping_ = false;
    std::thread feeder_;
};
