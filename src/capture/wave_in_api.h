// The wave-in seam: the capture thread reaches the platform's wave-in device only through
// this table of functions. The real one is winmm (WinmmWaveIn); tests plug in a scripted
// device that answers like the real one and can be told to answer any result code.
//
// Every call is made on the capture thread, except that the thread's destruction (on its
// owner's thread, after the thread has ended) may still reset and close a device.
#pragma once

#include <windows.h>
#include <mmsystem.h>

class WaveInApi {
public:
    virtual ~WaveInApi() = default;

    virtual UINT GetNumDevs() = 0;
    virtual MMRESULT GetDevCaps(UINT_PTR deviceId, WAVEINCAPSA* caps, UINT capsSize) = 0;
    virtual MMRESULT Open(HWAVEIN* device, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                          DWORD_PTR instance, DWORD flags) = 0;
    virtual MMRESULT PrepareHeader(HWAVEIN device, WAVEHDR* header, UINT headerSize) = 0;
    virtual MMRESULT UnprepareHeader(HWAVEIN device, WAVEHDR* header, UINT headerSize) = 0;
    virtual MMRESULT AddBuffer(HWAVEIN device, WAVEHDR* header, UINT headerSize) = 0;
    virtual MMRESULT Start(HWAVEIN device) = 0;
    virtual MMRESULT Stop(HWAVEIN device) = 0;
    virtual MMRESULT Reset(HWAVEIN device) = 0;
    virtual MMRESULT Close(HWAVEIN device) = 0;
};

// The platform's own wave-in functions (one process-wide instance).
WaveInApi& WinmmWaveIn();
