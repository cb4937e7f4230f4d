#include "cli/production/program_hash.h"

#include <cstdint>
#include <cstdio>

namespace txorb::cli {
namespace {

class Fnv1a {
public:
    template <typename T>
    void Add(T value) {
        const uint64_t bits = static_cast<uint64_t>(value);
        for (size_t i = 0; i < sizeof(T); ++i) {
            hash_ ^= (bits >> (8 * i)) & 0xFF;
            hash_ *= 0x100000001B3ull;
        }
    }
    uint64_t Value() const { return hash_; }

private:
    uint64_t hash_ = 0xCBF29CE484222325ull;
};

}  // namespace

std::string ListProgramHash(const drawing::ListProgram& program) {
    Fnv1a h;
    h.Add(static_cast<uint64_t>(program.commands.size()));
    for (const drawing::ListCommand& c : program.commands) {
        h.Add(static_cast<uint8_t>(c.op));
        h.Add(static_cast<uint32_t>(c.a));
        h.Add(static_cast<uint32_t>(c.b));
    }
    h.Add(static_cast<uint64_t>(program.bitmapLines.size()));
    for (const drawing::BitmapLine& line : program.bitmapLines) {
        h.Add(static_cast<uint32_t>(line.begin.x));
        h.Add(static_cast<uint32_t>(line.begin.y));
        h.Add(static_cast<uint32_t>(line.end.x));
        h.Add(static_cast<uint32_t>(line.end.y));
        h.Add(static_cast<uint64_t>(line.delays.size()));
        for (uint16_t d : line.delays) h.Add(d);
    }
    h.Add(static_cast<uint64_t>(program.delays.size()));
    for (const auto& set : program.delays) {
        for (uint16_t d : set) h.Add(d);
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h.Value()));
    return hex;
}

}  // namespace txorb::cli
