// A platform thread that is created suspended, resumed by its creator, runs one run
// function (Execute), can be asked to terminate and waited for. It is not freed when its
// run function ends: the owner waits for it and destroys the object.
//
// A derived class must make sure, in its own destructor, that the thread has ended (or was
// never resumed): the base destructor only closes the handle.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

class SuspendedThread {
public:
    SuspendedThread();
    virtual ~SuspendedThread();
    SuspendedThread(const SuspendedThread&) = delete;
    SuspendedThread& operator=(const SuspendedThread&) = delete;

    // Starts the run function; later calls do nothing.
    void Resume();
    bool Resumed() const { return resumed_; }
    // Raises the terminate flag; the run function decides when to look at it.
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    // Waits until the run function has ended; false on time-out or when never resumed.
    bool WaitFor(DWORD timeoutMs = INFINITE) const;
    bool Finished() const { return finished_; }
    DWORD ThreadId() const { return threadId_; }
    HANDLE Handle() const { return handle_; }
    // The run function's result once it has ended.
    DWORD ReturnValue() const { return returnValue_; }

protected:
    virtual DWORD Execute() = 0;

private:
    static unsigned __stdcall Start(void* self);

    HANDLE handle_ = nullptr;
    unsigned threadId_ = 0;
    std::atomic<bool> resumed_{false};
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    DWORD returnValue_ = 0;
};
