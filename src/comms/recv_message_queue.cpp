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
        items_.push_back(std::move(item));
    } catch (...) {
        // Out of memory for the list itself: the message is dropped rather than leaked.
    }
}

std::string TQXWindowComsRecvMessageQueue::ReadString() {
    Item item;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (items_.empty() || items_.front().kind != kComsKindText) return std::string();
        item = std::move(items_.front());
        items_.pop_front();
    }
    return std::string(reinterpret_cast<const char*>(item.buffer.get()), item.size);
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
