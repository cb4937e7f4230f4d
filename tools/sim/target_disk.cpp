#include "target_disk.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace txorb::sim {

TargetDisk::TargetDisk(std::string directory) : directory_(std::move(directory)) {
    if (!directory_.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(directory_, ec);
    }
}

bool TargetDisk::ValidName(const std::string& name) {
    if (name.empty() || name.size() > 12 || name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == '"') return false;
    }
    return true;
}

bool TargetDisk::Write(const std::string& name, const uint8_t* data, size_t count) {
    if (!ValidName(name)) return false;
    if (directory_.empty()) {
        memory_[name].assign(data, data + count);
        return true;
    }
    const std::string path = PathOf(name);
    const std::string temp = path + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(count));
        if (!out) return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    return !ec;
}

bool TargetDisk::Read(const std::string& name, std::vector<uint8_t>* out) const {
    out->clear();
    if (!ValidName(name)) return false;
    if (directory_.empty()) {
        auto it = memory_.find(name);
        if (it == memory_.end()) return false;
        *out = it->second;
        return true;
    }
    std::ifstream in(PathOf(name), std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool TargetDisk::Remove(const std::string& name) {
    if (!ValidName(name)) return false;
    if (directory_.empty()) return memory_.erase(name) > 0;
    std::error_code ec;
    return std::filesystem::remove(PathOf(name), ec);
}

bool TargetDisk::Exists(const std::string& name) const {
    if (!ValidName(name)) return false;
    if (directory_.empty()) return memory_.count(name) > 0;
    std::error_code ec;
    return std::filesystem::is_regular_file(PathOf(name), ec);
}

}  // namespace txorb::sim
