// The port driver on Windows: krt_dd.dll is not loaded when the library attaches, is bound on
// first use, and its ordinals are called with the arguments the wrappers promise. The stand-in
// driver (fake_port_driver/) records the calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fake_port_driver.h"
#include "link/port_driver.h"

namespace txorb::link {
namespace {

std::string FakeDriverDirectory() {
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string dir(self, n);
    return dir.substr(0, dir.find_last_of('\\') + 1) + "fake_port_driver";
}

struct Call {
    uint32_t ordinal;
    std::vector<uintptr_t> args;
    bool operator==(const Call&) const = default;
};

void PrintTo(const Call& c, std::ostream* os) {
    *os << "ordinal " << c.ordinal << " (";
    for (uintptr_t a : c.args) *os << a << " ";
    *os << ")";
}

// The calls since the log was last read, each with as many arguments as its ordinal takes.
std::vector<Call> TakeCalls(fake_port_driver_log* log, uint32_t* seen) {
    std::vector<Call> calls;
    for (; *seen < log->count; ++*seen) {
        const fake_port_driver_call& c = log->calls[*seen];
        size_t arity = 0;
        switch (c.ordinal) {
            case 12:
            case 63: arity = 1; break;
            case 66: arity = 2; break;
            case 60:
            case 70: arity = 3; break;  // 70: bus, slot, mode (the buffer is ours)
            default: break;
        }
        calls.push_back({c.ordinal, std::vector<uintptr_t>(c.args, c.args + arity)});
    }
    return calls;
}

TEST(PortDriverDll, IsBoundOnFirstUseAndCalledByOrdinal) {
    // The library attached when the tests began; that must not have loaded the driver.
    EXPECT_EQ(GetModuleHandleA("krt_dd.dll"), nullptr);
    ASSERT_TRUE(SetDllDirectoryA(FakeDriverDirectory().c_str()));

    ASSERT_TRUE(EnableIoRange(0x378, 8, 8));
    HMODULE driver = GetModuleHandleA("krt_dd.dll");
    ASSERT_NE(driver, nullptr);
    auto logOf = reinterpret_cast<fake_port_driver_log_fn>(
        reinterpret_cast<void*>(GetProcAddress(driver, "fake_port_driver_log")));
    ASSERT_NE(logOf, nullptr);
    fake_port_driver_log* log = logOf();
    uint32_t seen = 0;
    // Start-up first (ordinal 13's string is the library's own choice), then the range, 8 bit.
    EXPECT_EQ(TakeCalls(log, &seen),
              (std::vector<Call>{{12, {0}}, {13, {}}, {60, {0x378, 8, 0x10000}}}));
    EXPECT_STRNE(log->start_key, "");

    struct Case {
        const char* what;
        void (*run)();
        std::vector<Call> calls;
    };
    const Case cases[] = {
        {"16-bit range",
         [] { EXPECT_TRUE(EnableIoRange(0xD000, 16, 16)); },
         {{60, {0xD000, 16, 0x20000}}}},
        {"unknown width", [] { EXPECT_FALSE(EnableIoRange(0xD000, 16, 12)); }, {}},
        {"port read",
         [] { EXPECT_EQ(ReadPortByte(0x379), FAKE_PORT_DRIVER_PORT_VALUE); },
         {{63, {0x379}}}},
        {"port write", [] { WritePortByte(0x37A, 1); }, {{66, {0x37A, 1}}}},
        // Function 1 of device 3 is slot 3 + 32 * 1; mode 5 always.
        {"PCI header",
         [] {
             uint8_t header[256] = {};
             ASSERT_TRUE(ReadPciConfig(2, 3, 1, header, sizeof header));
             EXPECT_EQ(header[0], 0 ^ FAKE_PORT_DRIVER_PCI_PATTERN);
             EXPECT_EQ(header[255], 255 ^ FAKE_PORT_DRIVER_PCI_PATTERN);
         },
         {{70, {2, 35, 5}}}},
        {"PCI header into a short buffer",
         [] {
             uint8_t header[255] = {};
             EXPECT_FALSE(ReadPciConfig(2, 3, 1, header, sizeof header));
         },
         {}},
        {"stop", [] { EXPECT_TRUE(PortDriverStop()); }, {{14, {}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.run();
        EXPECT_EQ(TakeCalls(log, &seen), c.calls);
    }
    SetDllDirectoryA(nullptr);
}

}  // namespace
}  // namespace txorb::link
