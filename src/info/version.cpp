#include "info/version.h"

#include <cstddef>
#include <string>

#include "platform/module_version.h"
#include "txorb_build_version.h"

namespace txorb::info {
namespace {

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
    std::string text;
    if (!platform::ReadModuleFileVersion(&text)) return record;
    ParseFileVersion(text.c_str(), &record);
    record.ok = true;
    return record;
}

const char* ReleaseVersion() { return TXORB_RELEASE_VERSION; }

uint16_t VersionNumber(const VersionRecord& record) {
    if (!record.ok) return 0;
    return static_cast<uint16_t>((record.major * 10 + record.minor) * 100 + record.build);
}

}  // namespace txorb::info
