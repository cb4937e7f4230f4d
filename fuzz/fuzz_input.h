// A cursor over a fuzz input: small fixed-size values first, the rest as a byte block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace txorb::fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    size_t Remaining() const { return size_ - pos_; }

    // Missing bytes read as zero, so every input is a complete script.
    template <typename T>
    T Take() {
        T value{};
        uint8_t raw[sizeof(T)] = {};
        const size_t n = Remaining() < sizeof(T) ? Remaining() : sizeof(T);
        if (n > 0) std::memcpy(raw, data_ + pos_, n);
        pos_ += n;
        std::memcpy(&value, raw, sizeof(T));
        return value;
    }

    // Up to count bytes, as a pointer into the input.
    const uint8_t* TakeBlock(size_t count, size_t* got) {
        *got = Remaining() < count ? Remaining() : count;
        const uint8_t* p = data_ + pos_;
        pos_ += *got;
        return p;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace txorb::fuzz
