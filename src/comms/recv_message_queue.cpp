#include "comms/recv_message_queue.h"

TQXWindowComsRecvMessageQueue::~TQXWindowComsRecvMessageQueue() { Close(); }

void TQXWindowComsRecvMessageQueue::PushText(uint8_t* buffer, uint32_t size) {
    Push(buffer, size, kComsKindText);
}

void TQXWindowComsRecvMessageQueue::PushBinary(uint8_t* buffer, uint32_t size) {
    Push(buffer, size, kComsKindBinary);
}

void TQXWindowComsRecvMessageQueue::Push(uint8_t* buffer, uint32_t size, uint8_t kind) {
    Item item{std::unique_ptr<uint8_t[]>(buffer), size, kind};
    std::lock_guard<std::mutex> guard(lock_);
    if (closed_) return;  // the item frees the buffer
    try {
        if (kind == kComsKindBinary) DropOldBinaryBeyond(kMaxWaitingBinaries - 1);
        items_.push_back(std::move(item));
    } catch (...) {
        // Out of memory for the list itself: the message is dropped rather than leaked.
    }
}

std::string TQXWindowComsRecvMessageQueue::ReadString() { return Take(kComsKindText); }

std::string TQXWindowComsRecvMessageQueue::ReadBinary() { return Take(kComsKindBinary); }

// The oldest item of `kind`, removed; the bytes are copied out after the lock is released.
std::string TQXWindowComsRecvMessageQueue::Take(uint8_t kind) {
    Item item;
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (auto at = items_.begin(); at != items_.end(); ++at) {
            if (at->kind != kind) continue;
            item = std::move(*at);
            items_.erase(at);
            break;
        }
    }
    if (!item.buffer) return std::string();
    return std::string(reinterpret_cast<const char*>(item.buffer.get()), item.size);
}

// Under the lock: drops the oldest binaries until at most `keep` wait.
void TQXWindowComsRecvMessageQueue::DropOldBinaryBeyond(size_t keep) {
    size_t binaries = 0;
    for (const Item& item : items_) binaries += item.kind == kComsKindBinary ? 1 : 0;
    for (auto at = items_.begin(); binaries > keep && at != items_.end();) {
        if (at->kind == kComsKindBinary) {
            at = items_.erase(at);
            --binaries;
        } else {
            ++at;
        }
    }
}

void TQXWindowComsRecvMessageQueue::Close() {
    std::deque<Item> dropped;
    std::lock_guard<std::mutex> guard(lock_);
    closed_ = true;
    dropped.swap(items_);
}

bool TQXWindowComsRecvMessageQueue::Closed() const {
    std::lock_guard<std::mutex> guard(lock_);
    return closed_;
}

size_t TQXWindowComsRecvMessageQueue::Count() const {
    std::lock_guard<std::mutex> guard(lock_);
    return items_.size();
}
