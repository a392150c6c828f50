// Reads a fuzzer's input as a stream of small choices; past its end every read is 0, so
// a short input still runs to a defined end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class InputReader {
public:
    InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint16_t Word() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    // Up to `count` bytes, fewer where the input ends.
    std::string Bytes(size_t count) {
        std::string bytes;
        while (count-- > 0 && !Empty()) bytes.push_back(static_cast<char>(Byte()));
        return bytes;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};
