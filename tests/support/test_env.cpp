#include "support/test_env.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace txorb::test {

TempDir::TempDir() {
    char templ[] = "/tmp/txorb-test-XXXXXX";
    const char* made = ::mkdtemp(templ);
    path_ = made != nullptr ? made : "/tmp";
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

TempRegistry::TempRegistry() : path_(dir_.File("registry.reg")) {
    ::setenv("TXORB_REGISTRY", path_.c_str(), 1);
}

TempRegistry::~TempRegistry() { ::unsetenv("TXORB_REGISTRY"); }

void TempRegistry::Write(const std::string& text) const {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    if (text.rfind("Windows Registry Editor", 0) != 0 && text.rfind("REGEDIT4", 0) != 0) {
        out << "Windows Registry Editor Version 5.00\n\n";
    }
    out << text;
}

std::string TempRegistry::ComPort(uint32_t n, const std::string& devicePath) {
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts]\n\"COM" + std::to_string(n) +
           "\"=\"" + devicePath + "\"\n";
}

std::string TempRegistry::HexWords(size_t size,
                                   const std::vector<std::pair<size_t, uint32_t>>& words) {
    std::vector<uint8_t> bytes(size, 0);
    for (const auto& [offset, value] : words) {
        for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    std::string out = "hex:";
    char byte[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(byte, sizeof byte, "%s%02x", i > 0 ? "," : "", bytes[i]);
        out += byte;
    }
    return out;
}

std::string TempRegistry::Card(int n, uint32_t com, uint32_t timeoutMs, const std::string& extra) {
    return "\n[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card" + std::to_string(n) +
           "]\n\"serial_port\"=\"" + std::to_string(com) + "\"\n" +
           (timeoutMs != 0 ? "\"comm_timeout\"=\"" + std::to_string(timeoutMs) + "\"\n" : "") +
           extra;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string FileHex(const std::string& path) {
    const std::string bytes = ReadFile(path);
    return Hex(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
        if (i > 0) out.push_back(' ');
        out.append(buf);
    }
    return out;
}

std::string PublicHeaderText() { return ReadFile(TXORB_SOURCE_DIR "/include/txorb/txorb.h"); }

}  // namespace txorb::test
