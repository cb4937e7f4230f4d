// An output value with guard bytes on both sides, to catch a write past the value itself.
#pragma once

#include <cstdint>
#include <cstring>

namespace txorb::test {

inline constexpr uint8_t kGuardByte = 0xA5;

template <typename T>
struct Guarded {
    uint8_t before[16];
    T value;
    uint8_t after[16];

    Guarded() {
        std::memset(before, kGuardByte, sizeof before);
        std::memset(static_cast<void*>(&value), kGuardByte, sizeof value);
        std::memset(after, kGuardByte, sizeof after);
    }
    bool GuardsIntact() const {
        for (uint8_t b : before) {
            if (b != kGuardByte) return false;
        }
        for (uint8_t b : after) {
            if (b != kGuardByte) return false;
        }
        return true;
    }
    bool ValueUntouched() const {
        const auto* p = reinterpret_cast<const uint8_t*>(&value);
        for (size_t i = 0; i < sizeof value; ++i) {
            if (p[i] != kGuardByte) return false;
        }
        return true;
    }
};

}  // namespace txorb::test
