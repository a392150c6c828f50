#include "win32/support/scripted_wave_in.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

constexpr DWORD kPrepared = WHDR_PREPARED;
constexpr DWORD kInQueue = WHDR_INQUEUE;
constexpr DWORD kDone = WHDR_DONE;
constexpr uintptr_t kHandleStep = 0x10;

void CopyName(const std::string& name, char (&target)[MAXPNAMELEN]) {
    std::memset(target, 0, sizeof target);
    std::memcpy(target, name.data(), std::min(name.size(), sizeof target - 1));
}

}  // namespace

const char* WaveInCallName(WaveInCall call) {
    static const char* const names[] = {"waveInGetNumDevs", "waveInGetDevCaps",     "waveInOpen",
                                        "waveInPrepareHeader", "waveInUnprepareHeader", "waveInAddBuffer",
                                        "waveInStart",      "waveInStop",           "waveInReset",
                                        "waveInClose"};
    return names[static_cast<size_t>(call)];
}

ScriptedWaveIn::ScriptedWaveIn() : mapper_{"Scripted Mapper", 2, false}, devices_{{"Scripted Microphone", 2, false}} {
    feeder_ = std::thread([this] { Feed(); });
}

ScriptedWaveIn::~ScriptedWaveIn() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    feeder_.join();
}

void ScriptedWaveIn::SetDevices(Device mapper, std::vector<Device> devices) {
    std::lock_guard<std::mutex> hold(lock_);
    mapper_ = std::move(mapper);
    devices_ = std::move(devices);
}

void ScriptedWaveIn::RefuseBitsPerSample(WORD bits) {
    std::lock_guard<std::mutex> hold(lock_);
    refusedBits_.push_back(bits);
}

void ScriptedWaveIn::FailNext(WaveInCall call, MMRESULT result, int times, int skip) {
    std::lock_guard<std::mutex> hold(lock_);
    for (int i = 0; i < times; ++i) injected_[static_cast<size_t>(call)].push_back({i == 0 ? skip : 0, result});
}

void ScriptedWaveIn::SetPace(int intervalMs) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        pace_ = intervalMs;
    }
    wake_.notify_all();
}

void ScriptedWaveIn::SetPartialBytesOnStop(DWORD bytes) {
    std::lock_guard<std::mutex> hold(lock_);
    partialBytes_ = bytes;
}

int ScriptedWaveIn::Deliver(int count) {
    std::lock_guard<std::mutex> hold(lock_);
    int delivered = 0;
    for (auto& [handle, device] : open_) {
        while (delivered < count && device.Started && !device.Queue.empty()) {
            Return(handle, device, device.Queue.front()->dwBufferLength, true);
            ++delivered;
        }
    }
    return delivered;
}

int ScriptedWaveIn::TotalCalls() const {
    int total = 0;
    for (const auto& count : calls_) total += count.load();
    return total;
}

int ScriptedWaveIn::QueuedBuffers() const {
    std::lock_guard<std::mutex> hold(lock_);
    int queued = 0;
    for (const auto& entry : open_) queued += static_cast<int>(entry.second.Queue.size());
    return queued;
}

int ScriptedWaveIn::OpenHandles() const {
    std::lock_guard<std::mutex> hold(lock_);
    return static_cast<int>(open_.size());
}

bool ScriptedWaveIn::Started() const {
    std::lock_guard<std::mutex> hold(lock_);
    return std::any_of(open_.begin(), open_.end(), [](const auto& entry) { return entry.second.Started; });
}

UINT ScriptedWaveIn::LastOpenedDeviceId() const {
    std::lock_guard<std::mutex> hold(lock_);
    return lastDeviceId_;
}

WAVEFORMATEX ScriptedWaveIn::LastOpenedFormat() const {
    std::lock_guard<std::mutex> hold(lock_);
    return lastFormat_;
}

bool ScriptedWaveIn::Injected(WaveInCall call, HWAVEIN device, MMRESULT& result) {
    ++calls_[static_cast<size_t>(call)];
    auto& due = injected_[static_cast<size_t>(call)];
    if (due.empty()) return false;
    if (due.front().Skip > 0) {
        --due.front().Skip;
        return false;
    }
    result = due.front().Result;
    due.pop_front();
    if (result == MMSYSERR_INVALHANDLE && device != nullptr) open_.erase(device);  // dead: forgets its buffers
    return true;
}

ScriptedWaveIn::OpenDevice* ScriptedWaveIn::Find(HWAVEIN device) {
    auto found = open_.find(device);
    return found == open_.end() ? nullptr : &found->second;
}

// Hands the oldest queued buffer back to the application, as the driver does.
void ScriptedWaveIn::Return(HWAVEIN handle, OpenDevice& device, DWORD bytes, bool stamp) {
    WAVEHDR* header = device.Queue.front();
    device.Queue.pop_front();
    const uint32_t sequence = ++sequence_;
    if (stamp && header->dwBufferLength >= sizeof sequence) std::memcpy(header->lpData, &sequence, sizeof sequence);
    header->dwBytesRecorded = std::min(bytes, header->dwBufferLength);
    header->dwFlags = (header->dwFlags & ~kInQueue) | kDone;
    PostMessageA(device.Window, MM_WIM_DATA, reinterpret_cast<WPARAM>(handle), reinterpret_cast<LPARAM>(header));
}

void ScriptedWaveIn::Feed() {
    std::unique_lock<std::mutex> hold(lock_);
    while (!stopping_) {
        OpenDevice* ready = nullptr;
        HWAVEIN handle = nullptr;
        if (pace_ >= 0) {
            for (auto& [h, device] : open_) {
                if (device.Started && !device.Queue.empty()) {
                    ready = &device;
                    handle = h;
                    break;
                }
            }
        }
        if (ready == nullptr) {
            wake_.wait_for(hold, std::chrono::milliseconds(5));
            continue;
        }
        Return(handle, *ready, ready->Queue.front()->dwBufferLength, true);
        if (pace_ > 0) wake_.wait_for(hold, std::chrono::milliseconds(pace_));
    }
}

UINT ScriptedWaveIn::GetNumDevs() {
    std::lock_guard<std::mutex> hold(lock_);
    ++calls_[static_cast<size_t>(WaveInCall::GetNumDevs)];
    return static_cast<UINT>(devices_.size());
}

MMRESULT ScriptedWaveIn::GetDevCaps(UINT_PTR deviceId, WAVEINCAPSA* caps, UINT capsSize) {
    std::lock_guard<std::mutex> hold(lock_);
    MMRESULT result;
    if (Injected(WaveInCall::GetDevCaps, nullptr, result)) return result;
    if (caps == nullptr || capsSize < sizeof(WAVEINCAPSA)) return MMSYSERR_INVALPARAM;
    const Device* device = nullptr;
    if (deviceId == static_cast<UINT_PTR>(WAVE_MAPPER)) {
        device = &mapper_;
    } else if (deviceId < devices_.size()) {
        device = &devices_[deviceId];
    }
    if (device == nullptr) return MMSYSERR_BADDEVICEID;
    if (device->CapsFail) return MMSYSERR_NODRIVER;
    *caps = WAVEINCAPSA{};
    CopyName(device->ProductName, caps->szPname);
    caps->wChannels = device->Channels;
    caps->dwFormats = WAVE_FORMAT_4S16;
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveIn::Open(HWAVEIN* handle, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                              DWORD_PTR, DWORD flags) {
    std::lock_guard<std::mutex> hold(lock_);
    MMRESULT result;
    if (Injected(WaveInCall::Open, nullptr, result)) return result;
    if (handle == nullptr || format == nullptr) return MMSYSERR_INVALPARAM;
    const Device* device = deviceId == WAVE_MAPPER ? &mapper_ : deviceId < devices_.size() ? &devices_[deviceId] : nullptr;
    if (device == nullptr) return MMSYSERR_BADDEVICEID;
    if ((flags & CALLBACK_TYPEMASK) != CALLBACK_WINDOW || !IsWindow(reinterpret_cast<HWND>(callback))) {
        return MMSYSERR_INVALPARAM;
    }
    const bool refused = std::find(refusedBits_.begin(), refusedBits_.end(), format->wBitsPerSample) != refusedBits_.end();
    if (format->wFormatTag != WAVE_FORMAT_PCM || refused || format->nChannels > device->Channels ||
        format->nChannels == 0 || format->wBitsPerSample % 8 != 0 || format->wBitsPerSample == 0) {
        return WAVERR_BADFORMAT;
    }
    nextHandle_ += kHandleStep;
    const auto opened = reinterpret_cast<HWAVEIN>(nextHandle_);
    open_[opened].Window = reinterpret_cast<HWND>(callback);
    lastDeviceId_ = deviceId;
    lastFormat_ = *format;
    lastFormat_.cbSize = 0;
    *handle = opened;
    PostMessageA(reinterpret_cast<HWND>(callback), MM_WIM_OPEN, reinterpret_cast<WPARAM>(opened), 0);
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveIn::PrepareHeader(HWAVEIN handle, WAVEHDR* header, UINT headerSize) {
    std::lock_guard<std::mutex> hold(lock_);
    MMRESULT result;
    if (Injected(WaveInCall::PrepareHeader, handle, result)) return result;
    if (Find(handle) == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || headerSize < sizeof(WAVEHDR) || header->lpData == nullptr) return MMSYSERR_INVALPARAM;
    header->dwFlags |= kPrepared;
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveIn::UnprepareHeader(HWAVEIN handle, WAVEHDR* header, UINT headerSize) {
    std::lock_guard<std::mutex> hold(lock_);
    MMRESULT result;
    if (Injected(WaveInCall::UnprepareHeader, handle, result)) return result;
    if (Find(handle) == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || headerSize < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    if (header->dwFlags & kInQueue) return WAVERR_STILLPLAYING;
    header->dwFlags &= ~kPrepared;
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveIn::AddBuffer(HWAVEIN handle, WAVEHDR* header, UINT headerSize) {
    std::unique_lock<std::mutex> hold(lock_);
    MMRESULT result;
    if (Injected(WaveInCall::AddBuffer, handle, result)) return result;
    OpenDevice* device = Find(handle);
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || headerSize < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    if (!(header->dwFlags & kPrepared)) return WAVERR_UNPREPARED;
    if (header->dwFlags & kInQueue) return WAVERR_STILLPLAYING;
    header->dwFlags = (header->dwFlags & ~kDone) | kInQueue;
    header->dwBytesRecorded = 0;
    device->Queue.push_back(header);
    hold.unlock();
    wake_.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveIn::Start(HWAVEIN handle) {
    std::unique_lock<std::mutex> hold(lock_);
    MMRESULT result;
    if (Injected(WaveInCall::Start, handle, result)) return result;
    OpenDevice* device = Find(handle);
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    device->Started = true;
    hold.unlock();
    wake_.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveIn::Stop(HWAVEIN handle) {
    std::lock_guard<std::mutex> hold(lock_);
    MMRESULT result;
    if (Injected(WaveInCall::Stop, handle, result)) return result;
    OpenDevice* device = Find(handle);
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    // The partly filled current buffer comes back; the empty ones stay queued.
    if (device->Started && !device->Queue.empty() && partialBytes_ > 0) Return(handle, *device, partialBytes_, true);
    device->Started = false;
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveIn::Reset(HWAVEIN handle) {
    std::lock_guard<std::mutex> hold(lock_);
    MMRESULT result;
    if (Injected(WaveInCall::Reset, handle, result)) return result;
    OpenDevice* device = Find(handle);
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    device->Started = false;
    while (!device->Queue.empty()) Return(handle, *device, 0, false);
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveIn::Close(HWAVEIN handle) {
    std::lock_guard<std::mutex> hold(lock_);
    MMRESULT result;
    if (Injected(WaveInCall::Close, handle, result)) return result;
    OpenDevice* device = Find(handle);
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (!device->Queue.empty()) return WAVERR_STILLPLAYING;
    const HWND window = device->Window;
    open_.erase(handle);
    PostMessageA(window, MM_WIM_CLOSE, reinterpret_cast<WPARAM>(handle), 0);
    return MMSYSERR_NOERROR;
}
