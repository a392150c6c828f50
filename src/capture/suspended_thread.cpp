#include "capture/suspended_thread.h"

#include <process.h>

SuspendedThread::SuspendedThread() {
    // _beginthreadex rather than CreateThread: the C runtime sets up its per-thread data.
    handle_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &SuspendedThread::Start, this,
                                                      CREATE_SUSPENDED, &threadId_));
}

SuspendedThread::~SuspendedThread() {
    if (handle_ != nullptr) CloseHandle(handle_);
}

void SuspendedThread::Resume() {
    if (handle_ == nullptr || resumed_.exchange(true)) return;
    ResumeThread(handle_);
}

bool SuspendedThread::WaitFor(DWORD timeoutMs) const {
    if (handle_ == nullptr || !resumed_) return false;
    return WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0;
}

unsigned __stdcall SuspendedThread::Start(void* self) {
    auto* thread = static_cast<SuspendedThread*>(self);
    DWORD result = 0;
    try {
        result = thread->Execute();
    } catch (...) {
        // Nothing may escape a thread's start routine.
    }
    thread->returnValue_ = result;
    thread->finished_ = true;
    return result;
}
