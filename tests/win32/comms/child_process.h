// A program started by a test: its standard output collected by a reader thread, its main
// thread's id for thread messages, waiting for it while the test thread keeps handling its
// own window messages (an in-process server raises its events there).
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { Kill(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::string& commandLine) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16)) return false;
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        std::string line = commandLine;
        const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                            &startup, &info_);
        CloseHandle(writeEnd);
        if (!started) {
            CloseHandle(readEnd);
            return false;
        }
        // The reader polls rather than blocking in ReadFile, so that it also ends when the
        // program has ended but something else still holds the pipe's other end.
        reader_ = std::thread([this, readEnd] {
            char buffer[4096];
            for (;;) {
                DWORD available = 0;
                if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr)) break;  // writer gone
                if (available == 0) {
                    if (ended_) break;
                    Sleep(kReaderPollMs);
                    continue;
                }
                DWORD got = 0;
                if (!ReadFile(readEnd, buffer, available < sizeof buffer ? available : sizeof buffer, &got, nullptr)) break;
                std::lock_guard<std::mutex> hold(outputLock_);
                output_.append(buffer, got);
            }
            CloseHandle(readEnd);
        });
        return true;
    }

    DWORD ProcessId() const { return info_.dwProcessId; }
    DWORD MainThreadId() const { return info_.dwThreadId; }
    bool PostToMainThread(UINT message) const { return PostThreadMessageA(info_.dwThreadId, message, 0, 0) != 0; }

    // Waits up to `timeoutMs` for the program to end, handling this thread's messages
    // meanwhile. Returns its exit code, or -1 when it is still running.
    int Wait(DWORD timeoutMs) {
        if (info_.hProcess == nullptr) return exitCode_;
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        for (;;) {
            const ULONGLONG now = GetTickCount64();
            const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
            const DWORD woken = MsgWaitForMultipleObjects(1, &info_.hProcess, FALSE, left, QS_ALLINPUT);
            if (woken == WAIT_OBJECT_0) break;
            if (woken != WAIT_OBJECT_0 + 1) return -1;
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        }
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        exitCode_ = static_cast<int>(code);
        Close();
        return exitCode_;
    }

    // Ends the program at once, as a crash would.
    void Kill() {
        if (info_.hProcess == nullptr) return;
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
        exitCode_ = 99;
        Close();
    }

    std::string Output() {
        if (reader_.joinable() && info_.hProcess == nullptr) reader_.join();
        std::lock_guard<std::mutex> hold(outputLock_);
        return output_;
    }

private:
    void Close() {
        ended_ = true;
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
        info_.hProcess = nullptr;
        info_.hThread = nullptr;
        if (reader_.joinable()) reader_.join();
    }

    static constexpr DWORD kReaderPollMs = 5;

    PROCESS_INFORMATION info_{};
    std::atomic<bool> ended_{false};
    std::thread reader_;
    std::mutex outputLock_;
    std::string output_;
    int exitCode_ = -1;
};

// Handles this thread's messages until `done()` holds or `timeoutMs` pass.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        const DWORD left = static_cast<DWORD>(deadline - now);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 20 ? left : 20, QS_ALLINPUT);
    }
}

struct WindowSearch {
    const std::string& className;
    DWORD processId;
    HWND found;
};

inline BOOL CALLBACK MatchWindowOfProcess(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && search->className == name) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The top-level window of class `className` that belongs to process `processId`, or null.
inline HWND FindWindowOfProcess(const std::string& className, DWORD processId) {
    WindowSearch search{className, processId, nullptr};
    EnumWindows(&MatchWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
