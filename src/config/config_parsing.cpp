#include "config/config_parsing.h"

#include <algorithm>

namespace txorb::config {
namespace {

// The C locale's white space; the configuration texts are never localised.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

uint32_t Le32At(const uint8_t* data, size_t size, size_t offset) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) {
        const uint32_t byte = offset + i < size ? data[offset + i] : 0;
        v |= byte << (8 * i);
    }
    return v;
}

}  // namespace

int32_t ParseDecimal(const char* text) {
    if (text == nullptr) return 0;
    const char* p = text;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    int64_t value = 0;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = std::min<int64_t>(value * 10 + (*p - '0'), limit);
    }
    return static_cast<int32_t>(negative ? -value : value);
}

bool ParseHexNumber(const char* text, uint32_t* value) {
    if (text == nullptr) return false;
    const char* p = text;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigit(p[2]) >= 0) p += 2;
    if (HexDigit(*p) < 0) return false;
    uint64_t v = 0;
    for (int d; (d = HexDigit(*p)) >= 0; ++p) {
        v = v * 16 + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFu) return false;
    }
    // A stream extraction into an unsigned number wraps a negative one, as strtoul does.
    const uint32_t magnitude = static_cast<uint32_t>(v);
    *value = negative ? 0u - magnitude : magnitude;
    return true;
}

void FirstWord(const char* text, char* out, size_t outSize) {
    if (out == nullptr || outSize == 0) return;
    size_t n = 0;
    if (text != nullptr) {
        const char* p = text;
        while (IsSpace(*p)) ++p;
        for (; *p != '\0' && !IsSpace(*p) && n + 1 < outSize; ++p) out[n++] = *p;
    }
    out[n] = '\0';
}

void ParseResourceListPorts(const uint8_t* data, size_t size, uint32_t* base, uint32_t* fifoBase) {
    if (data == nullptr) size = 0;
    const uint32_t a = Le32At(data, size, 40);
    const uint32_t b = Le32At(data, size, 56);
    const uint32_t c = Le32At(data, size, 72);
    // The smallest and the second smallest of the three, in the order the driver lists them.
    uint32_t lo = std::min(a, b);
    uint32_t next = std::min(b, c);
    if (lo == next) {
        next = std::min(a, c);
    } else if (lo > next) {
        lo = std::min(b, c);
        next = std::min(a, b);
    }
    *base = lo;
    *fifoBase = next;
}

void ParseBootConfigPorts(const uint8_t* data, size_t size, uint32_t* base, uint32_t* fifoBase) {
    if (data == nullptr) size = 0;
    *base = Le32At(data, size, 24);
    *fifoBase = Le32At(data, size, 40);
}

}  // namespace txorb::config
