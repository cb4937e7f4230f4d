// The library's own version: four numbers read from its file-version text, and the one-number
// form that Get_DLL_Version hands out.
#pragma once

#include <cstdint>

namespace txorb::info {

struct VersionRecord {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    uint32_t revision = 0;
    bool ok = false;
};

// Any character other than a digit or a space separates numbers, so "11, 2, 49, 0" and
// "11.2.49.0" read alike; numbers that are missing stay 0. A null text gives all zeros.
void ParseFileVersion(const char* text, VersionRecord* record);

// The record of the library's own module, from its file version (not ok when unreadable).
VersionRecord ReadVersionRecord();

// (major * 10 + minor) * 100 + build, cut to 16 bits; 0 when the record could not be read.
uint16_t VersionNumber(const VersionRecord& record);

// The project's release version ("1.0.0"): SONAME, packages and tools, not Get_DLL_Version.
const char* ReleaseVersion();

}  // namespace txorb::info
