// TQXWindowComsRecvMessageQueue: the completed incoming messages of one endpoint, waiting
// until the application reads them.
//
// Nobody need ever read the binaries: only the newest kMaxWaitingBinaries of them are kept,
// so a peer sending binaries to a reader of texts cannot make the queue grow without end.
//
// Threads: the listening thread pushes (from the handler's data callbacks), the application's
// thread reads; every operation takes the queue's lock. Ownership: the queue owns each
// pushed buffer (allocated with new[]) from the moment it is pushed.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "comms/window_coms_codes.h"

class TQXWindowComsRecvMessageQueue {
public:
    static constexpr size_t kMaxWaitingBinaries = 4;

    TQXWindowComsRecvMessageQueue() = default;
    ~TQXWindowComsRecvMessageQueue();
    TQXWindowComsRecvMessageQueue(const TQXWindowComsRecvMessageQueue&) = delete;
    TQXWindowComsRecvMessageQueue& operator=(const TQXWindowComsRecvMessageQueue&) = delete;

    // Append an item that takes over `buffer`. Once the queue is closed nothing is appended
    // and the buffer is freed at once, so a late push cannot leak.
    void PushText(uint8_t* buffer, uint32_t size);
    void PushBinary(uint8_t* buffer, uint32_t size);

    // The oldest waiting text, removed; the empty text when no text waits. Binary items do
    // not hold texts up: texts come out in their order of arrival whatever binaries arrived
    // between them, and binaries stay for ReadBinary.
    std::string ReadString();
    // The oldest waiting binary, removed; the empty string when none waits.
    std::string ReadBinary();

    // Sets Closed and frees every waiting item; later pushes are dropped.
    void Close();

    bool Closed() const;
    size_t Count() const;

private:
    struct Item {
        std::unique_ptr<uint8_t[]> buffer;
        uint32_t size = 0;
        uint8_t kind = kComsKindNone;
    };

    void Push(uint8_t* buffer, uint32_t size, uint8_t kind);
    std::string Take(uint8_t kind);
    void DropOldBinaryBeyond(size_t keep);

    mutable std::mutex lock_;
    std::deque<Item> items_;
    bool closed_ = false;
};
