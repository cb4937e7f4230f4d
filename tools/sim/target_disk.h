// The card's own disk: a host directory when one is given, else files kept in memory.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace txorb::sim {

class TargetDisk {
public:
    explicit TargetDisk(std::string directory);  // empty: in memory

    // Names are 8.3-style base names: no path separators, no control characters, not "." or
    // "..", 1 to 12 characters. Anything else is refused.
    bool Write(const std::string& name, const uint8_t* data, size_t count);
    bool Read(const std::string& name, std::vector<uint8_t>* out) const;
    bool Remove(const std::string& name);
    bool Exists(const std::string& name) const;

private:
    static bool ValidName(const std::string& name);
    std::string PathOf(const std::string& name) const { return directory_ + "/" + name; }

    std::string directory_;
    std::map<std::string, std::vector<uint8_t>> memory_;
};

}  // namespace txorb::sim
