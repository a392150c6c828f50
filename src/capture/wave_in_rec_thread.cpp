// TWaveInRecThread's life and message loop: construction and destruction, the run
// function with its utility window, draining the queue while a device closes, posting to
// the thread's own window, and dispatching each message to its handler.
#include "capture/wave_in_rec_thread.h"

#include "capture/capture_locks.h"
#include "capture/rec_thread_messages.h"
#include "capture/thread_priority.h"

namespace {

// A drain nested inside another (a request dispatched by a drain that drains again) only
// takes the device's callbacks: the outer drain dispatches everything else, and nesting
// every queued request would make the stack as deep as the queue is long.
constexpr int kNestedDrainBudget = 1000;
// Without its end marker (the post failed) a drain stops after this many messages.
constexpr int kUnmarkedDrainBudget = 10000;
constexpr DWORD kIdleSpinMs = 1;
constexpr UINT_PTR kWatchdogTimerId = 1;

}  // namespace

TWaveInRecThread::TWaveInRecThread(WaveInApi& waveIn, LocalClock clock, TickClock tick)
    : waveIn_(waveIn), clock_(clock), tick_(tick) {
    if (Handle() != nullptr) SetThreadPriority(Handle(), PlatformPriorityLevel(kPriorityHigher));
}

TWaveInRecThread::~TWaveInRecThread() {
    if (!Resumed()) {
        // Never started: let the run function see the terminate flag and end at once.
        Terminate();
        Resume();
    }
    if (!Finished()) Quit();
    WaitFor();
    SetState(kStateGoAway);
    if (HWAVEIN device = device_) {
        // The device must no longer write into buffers that are about to be released.
        waveIn_.Reset(device);
        waveIn_.Close(device);
        device_ = nullptr;
    }
    Flush();
}

bool TWaveInRecThread::WaitUntilIdle(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (state_ != kStateIdle) {
        if (Finished() || GetTickCount() - start >= timeoutMs) return false;
        Sleep(kIdleSpinMs);
    }
    return true;
}

void TWaveInRecThread::Quit() {
    Terminate();
    if (GetCurrentThreadId() == ThreadId()) {
        PostQuitMessage(0);
    } else {
        PostThreadMessageA(ThreadId(), WM_QUIT, 0, 0);
    }
}

// ---- run function ----

DWORD TWaveInRecThread::Execute() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = kRecThreadWindowClass;
    ownWindow_ = CustAllocateHWnd(WindowMethod::Of<&TWaveInRecThread::HandleMessage>(this), &windowClass);
    if (ownWindow_ == nullptr) return 1;
    utilWindow_ = ownWindow_;
    SetTimer(ownWindow_, kWatchdogTimerId, kWatchdogPeriodMs, nullptr);
    RecordedLock();
    MarksLock();
    Post(WM_RECTHREAD_IDLE);

    DWORD result = 0;
    if (!Terminated()) {
        MSG msg;
        for (;;) {
            const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0) {
                result = static_cast<DWORD>(msg.wParam);
                break;
            }
            if (got == -1) break;
            DispatchMessageA(&msg);
        }
    }

    SetState(kStateGoAway);
    Drain();
    // From here on posts fail, and their senders release what they would have handed over;
    // what was posted meanwhile is still handled before the window goes.
    utilWindow_ = nullptr;
    Drain();
    KillTimer(ownWindow_, kWatchdogTimerId);
    CustDeallocateHWnd(ownWindow_);
    ownWindow_ = nullptr;
    return result;
}

void TWaveInRecThread::Drain() {
    if (ownWindow_ == nullptr) return;
    MSG msg;
    if (drainDepth_ > 0) {
        for (int budget = kNestedDrainBudget;
             budget > 0 && PeekMessageA(&msg, ownWindow_, MM_WIM_OPEN, MM_WIM_DATA, PM_REMOVE); --budget) {
            DispatchMessageA(&msg);
        }
        return;
    }
    ++drainDepth_;
    // Only what is queued now: the end marker goes behind it.
    const bool marked = PostMessageA(ownWindow_, WM_RECTHREAD_DRAIN_END, 0, 0) != 0;
    bool sawQuit = false;
    WPARAM quitCode = 0;
    for (int budget = kUnmarkedDrainBudget; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) {
        if (msg.message == WM_QUIT) {
            sawQuit = true;
            quitCode = msg.wParam;
            continue;
        }
        if (msg.hwnd == ownWindow_ && msg.message == WM_RECTHREAD_DRAIN_END) break;
        DispatchMessageA(&msg);
        if (!marked && --budget == 0) break;
    }
    --drainDepth_;
    if (sawQuit) {
        PostQuitMessage(static_cast<int>(quitCode));
        Terminate();
    }
}

bool TWaveInRecThread::Post(UINT msg, WPARAM wParam, LPARAM lParam) const {
    HWND window = utilWindow_;
    return window != nullptr && PostMessageA(window, msg, wParam, lParam) != 0;
}

void TWaveInRecThread::PostRecycle(HWAVEIN device, CaptureHeader* header) const {
    if (!Post(WM_RECTHREAD_RECYCLE, reinterpret_cast<WPARAM>(device), reinterpret_cast<LPARAM>(header))) {
        FreeCaptureHeader(header);  // nobody left to recycle it
    }
}

// ---- messages ----

void TWaveInRecThread::HandleMessage(WindowMessage& message) {
    try {
        Dispatch(message);
    } catch (...) {
        // Nothing may escape a window procedure; a failed step leaves the state as it is.
    }
}

void TWaveInRecThread::Dispatch(WindowMessage& message) {
    switch (message.Msg) {
        case WM_RECTHREAD_OPEN: Open(); break;
        case WM_RECTHREAD_CLOSE: Close(); break;
        case WM_RECTHREAD_IDLE: SetState(kStateIdle); break;
        case WM_RECTHREAD_RECYCLE: Recycle(reinterpret_cast<CaptureHeader*>(message.LParam)); break;
        case WM_RECTHREAD_TRIM: Trim(); break;
        case WM_RECTHREAD_STOP: Stop(); break;
        case WM_RECTHREAD_START: Start(); break;
        case WM_RECTHREAD_DISCARD: Discard(static_cast<int32_t>(message.WParam)); break;
        case WM_RECTHREAD_RESET: Reset(); break;
        case WM_RECTHREAD_SPARE: spareBlocks_.PushBack(reinterpret_cast<uint8_t*>(message.WParam)); break;
        case WM_RECTHREAD_SETPRIORITY: {
            const auto priority = static_cast<int32_t>(message.WParam);
            if (IsPriorityIndex(priority)) SetThreadPriority(GetCurrentThread(), PlatformPriorityLevel(priority));
            break;
        }
        case WM_RECTHREAD_GETPRIORITY:
            message.Result = PriorityIndexOf(GetThreadPriority(GetCurrentThread()));
            break;
        case WM_RECTHREAD_PAUSE: Pause(); break;
        case WM_RECTHREAD_DRAIN_END: break;  // a drain's marker that no drain waits for
        case WM_TIMER:
            if (message.WParam == kWatchdogTimerId) Watchdog();
            break;
        case MM_WIM_OPEN:
            if (device_ != nullptr && reinterpret_cast<HWAVEIN>(message.WParam) == device_) SetState(kStateOpen);
            break;
        case MM_WIM_CLOSE:
            if (device_ != nullptr && reinterpret_cast<HWAVEIN>(message.WParam) == device_) {
                device_ = nullptr;
                SetState(kStateClose);
            }
            break;
        case MM_WIM_DATA:
            BufferArrival(reinterpret_cast<HWAVEIN>(message.WParam), reinterpret_cast<WAVEHDR*>(message.LParam));
            break;
        case WM_DESTROY:
            Quit();
            DefaultWindowMessage(message);
            break;
        default: DefaultWindowMessage(message); break;
    }
}
