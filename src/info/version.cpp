#include "info/version.h"

#include <cstddef>

namespace txorb::info {
namespace {

#ifndef TXORB_VERSION_MAJOR
#error "the build system passes TXORB_VERSION_MAJOR, _MINOR and _PATCH"
#endif
#define TXORB_STRINGIFY_(x) #x
#define TXORB_STRINGIFY(x) TXORB_STRINGIFY_(x)

// The file-version text of this build, written as a version resource would hold it.
constexpr char kFileVersion[] = TXORB_STRINGIFY(TXORB_VERSION_MAJOR) ", " TXORB_STRINGIFY(
    TXORB_VERSION_MINOR) ", " TXORB_STRINGIFY(TXORB_VERSION_PATCH) ", 0";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void ParseFileVersion(const char* text, VersionRecord* record) {
    uint32_t* fields[4] = {&record->major, &record->minor, &record->build, &record->revision};
    for (uint32_t* f : fields) *f = 0;
    if (text == nullptr) return;
    size_t next = 0;
    const char* p = text;
    while (*p != '\0' && next < 4) {
        if (!IsDigit(*p)) {
            ++p;  // a space, or anything that counts as one
            continue;
        }
        uint32_t value = 0;
        while (IsDigit(*p)) {
            value = value * 10 + static_cast<uint32_t>(*p - '0');  // wraps like an unsigned read
            ++p;
        }
        *fields[next++] = value;
    }
}

VersionRecord ReadVersionRecord() {
    VersionRecord record;
    ParseFileVersion(kFileVersion, &record);
    record.ok = true;
    return record;
}

uint16_t VersionNumber(const VersionRecord& record) {
    if (!record.ok) return 0;
    return static_cast<uint16_t>((record.major * 10 + record.minor) * 100 + record.build);
}

}  // namespace txorb::info
