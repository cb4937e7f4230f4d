// Text and binary conversions used by the per-card configuration readers. They take raw bytes
// straight from the store, so they accept any input without reading past it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace txorb::config {

// Signed decimal as the configuration texts hold it: leading white space, an optional sign,
// then digits up to the first other character. No digits gives 0; values beyond 32 bits clamp.
int32_t ParseDecimal(const char* text);

// One unsigned hexadecimal number ("378", "0x378", " 3bc"), as a hex stream extraction reads
// it. False, with *value untouched, when the text holds no such number or it needs more than
// 32 bits.
bool ParseHexNumber(const char* text, uint32_t* value);

// The first white-space-delimited word of text, copied NUL-terminated into out (cut to fit).
void FirstWord(const char* text, char* out, size_t outSize);

// Port bases from a parallel driver's loaded resource list: the start addresses of partial
// descriptors 1..3 (bytes 40, 56, 72); base gets the smallest and fifoBase the second smallest.
// Bytes beyond size read as zero.
void ParseResourceListPorts(const uint8_t* data, size_t size, uint32_t* base, uint32_t* fifoBase);

// Port bases from a device's boot configuration: partial descriptors 0 and 1 (bytes 24, 40).
void ParseBootConfigPorts(const uint8_t* data, size_t size, uint32_t* base, uint32_t* fifoBase);

}  // namespace txorb::config
