// The parallel lookup's parsers on raw store bytes: resource lists of any length and the texts
// of the configuration values.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "config/config_parsing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace txorb::config;
    // Exactly size bytes on the heap: any read past the list is caught.
    const std::vector<uint8_t> list(data, data + size);
    uint32_t base = 0, fifo = 0;
    ParseResourceListPorts(list.data(), list.size(), &base, &fifo);
    ParseBootConfigPorts(list.data(), list.size(), &base, &fifo);

    std::vector<char> text(data, data + size);
    text.push_back('\0');
    ParseDecimal(text.data());
    uint32_t value = 0x5A5A5A5A;
    ParseHexNumber(text.data(), &value);
    char word[16];
    FirstWord(text.data(), word, sizeof word);
    if (std::memchr(word, 0, sizeof word) == nullptr) __builtin_trap();
    char one[1];
    FirstWord(text.data(), one, sizeof one);
    if (one[0] != '\0') __builtin_trap();
    return 0;
}
