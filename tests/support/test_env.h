// Test fixtures: a registry store in a temporary file, and a card installed in a slot without
// the start-up handshake.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "link/link_descriptor.h"

namespace txorb::link {
class Card;
}

namespace txorb::test {

// A temporary directory removed (with its files) at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Points TXORB_REGISTRY at a file of its own for the life of the object.
class TempRegistry {
public:
    TempRegistry();
    ~TempRegistry();
    const std::string& Path() const { return path_; }
    // Replaces the store with this text (a header line is added when it has none).
    void Write(const std::string& text) const;
    // "[HKEY_LOCAL_MACHINE\SOFTWARE\Zazave\TX-ORB\ComPorts]" with "COM<n>"=devicePath.
    static std::string ComPort(uint32_t n, const std::string& devicePath);
    // A "hex:" value of size bytes, 32-bit little-endian words placed at the given offsets.
    static std::string HexWords(size_t size, const std::vector<std::pair<size_t, uint32_t>>& words);
    // The key of card n: its serial_port, its comm_timeout unless 0, then the extra lines.
    static std::string Card(int n, uint32_t com, uint32_t timeoutMs = 0,
                            const std::string& extra = "");

private:
    TempDir dir_;
    std::string path_;
};

// Builds a Card for COM portNumber (whose device the registry must name), puts it in the slot
// and makes the slot active. The card is owned by the slot table until RemoveInstalledCard.
link::Card* InstallCard(int slot, uint32_t portNumber, uint32_t timeoutMs = 300,
                        const char* captureFile = nullptr);
void RemoveInstalledCard(int slot);

std::string Hex(const std::vector<uint8_t>& bytes);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// The file's bytes as Hex gives them.
std::string FileHex(const std::string& path);

// The text of include/txorb/txorb.h in the source tree the tests were built from.
std::string PublicHeaderText();

}  // namespace txorb::test
