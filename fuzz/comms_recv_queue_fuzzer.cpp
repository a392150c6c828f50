// libFuzzer target: the receive queue of an endpoint, driven by a random sequence of pushes
// (texts and binaries of up to the 1 MiB transfer cap), reads and a close, checked against a
// model: texts come out once each, in order of arrival, whatever binaries arrived between
// them; binaries likewise, of which only the newest kMaxWaitingBinaries wait; after Close
// nothing is taken and nothing comes out; the sanitizers see every buffer freed once.
//
// Input: operations, each one byte followed by its arguments.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "comms/recv_message_queue.h"
#include "comms/window_coms_codes.h"

namespace {

// Enough for several buffers at the cap, well below the fuzzer's memory limit.
constexpr size_t kMaxBytesPerRun = 16u * kMaxTransferSize;

struct ModelItem {
    uint8_t kind;
    uint32_t id;
    uint32_t size;
};

// A buffer whose bytes say which push it came from, so that a mix-up is seen.
uint8_t* MakeBuffer(uint32_t id, uint32_t size) {
    auto* buffer = new uint8_t[size];
    for (uint32_t i = 0; i < size; ++i) buffer[i] = static_cast<uint8_t>((id * 131u + i) | 1u);
    return buffer;
}

bool Matches(const std::string& read, const ModelItem& item) {
    if (read.size() != item.size) return false;
    for (uint32_t i = 0; i < item.size; ++i) {
        if (static_cast<uint8_t>(read[i]) != static_cast<uint8_t>((item.id * 131u + i) | 1u)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TQXWindowComsRecvMessageQueue queue;
    std::deque<ModelItem> model;
    bool closed = false;
    size_t bytes = 0;
    uint32_t nextId = 1;
    size_t at = 0;
    auto byte = [&]() -> uint8_t { return at < size ? data[at++] : 0; };

    while (at < size) {
        const uint8_t op = byte();
        switch (op % 5) {
        case 0:
        case 1: {  // push a text or a binary
            const uint8_t kind = op % 5 == 0 ? kComsKindText : kComsKindBinary;
            uint32_t length = byte();
            if (op & 0x80) length = (length << 16 | byte() << 8 | byte()) % (kMaxTransferSize + 1);
            if (bytes + length > kMaxBytesPerRun) length = 0;
            bytes += length;
            const uint32_t id = nextId++;
            uint8_t* buffer = MakeBuffer(id, length);
            if (kind == kComsKindText) {
                queue.PushText(buffer, length);
            } else {
                queue.PushBinary(buffer, length);
            }
            if (closed) break;
            if (kind == kComsKindBinary) {
                size_t binaries = 0;
                for (const auto& item : model) binaries += item.kind == kComsKindBinary;
                if (binaries >= TQXWindowComsRecvMessageQueue::kMaxWaitingBinaries) {
                    for (auto it = model.begin(); it != model.end(); ++it) {
                        if (it->kind == kComsKindBinary) {
                            model.erase(it);
                            break;
                        }
                    }
                }
            }
            model.push_back({kind, id, length});
            break;
        }
        case 2:
        case 3: {  // read a text or a binary
            const uint8_t kind = op % 5 == 2 ? kComsKindText : kComsKindBinary;
            const std::string read = kind == kComsKindText ? queue.ReadString() : queue.ReadBinary();
            auto it = model.begin();
            while (it != model.end() && it->kind != kind) ++it;
            if (it == model.end()) {
                if (!read.empty()) std::abort();
            } else {
                if (!Matches(read, *it)) std::abort();
                model.erase(it);
            }
            break;
        }
        default:  // close
            queue.Close();
            closed = true;
            model.clear();
            break;
        }
        if (queue.Count() != model.size()) std::abort();
        if (queue.Closed() != closed) std::abort();
    }
    return 0;
}
