// Little-endian payload writers for the immediate commands. The library converts nothing: a
// double travels as its own 8-byte image, an integer as its two's-complement bytes.
#pragma once

#include <cstdint>
#include <cstring>

namespace txorb::commands {

inline uint8_t* PutU16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    return p + 2;
}

inline uint8_t* PutS16(uint8_t* p, int16_t value) {
    return PutU16(p, static_cast<uint16_t>(value));
}

inline uint8_t* PutU32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
    return p + 4;
}

inline uint8_t* PutS32(uint8_t* p, int32_t value) {
    return PutU32(p, static_cast<uint32_t>(value));
}

inline uint8_t* PutF64(uint8_t* p, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    PutU32(p, static_cast<uint32_t>(bits));
    PutU32(p + 4, static_cast<uint32_t>(bits >> 32));
    return p + 8;
}

inline uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline int32_t GetS32(const uint8_t* p) { return static_cast<int32_t>(GetU32(p)); }

inline double GetF64(const uint8_t* p) {
    const uint64_t bits =
        static_cast<uint64_t>(GetU32(p)) | (static_cast<uint64_t>(GetU32(p + 4)) << 32);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace txorb::commands
