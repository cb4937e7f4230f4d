// Load and unload cycles of the shared object with a card initialised each time: the card must
// be stopped at every unload, and nothing may pile up. File descriptors are counted here;
// memory is checked by LeakSanitizer when the suite runs in the address-sanitizer build (CI).
// The removal's settling pause makes a cycle last about half a second.
#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/fake_rtb.h"
#include "support/test_env.h"

namespace txorb {
namespace {

using test::FakeRtb;

constexpr int kCycles = 100;

int OpenDescriptors() {
    int n = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') ++n;
    }
    closedir(dir);
    return n - 1;  // the directory stream's own descriptor
}

TEST(UnloadCycles, HundredLoadsWithACardEachStopTheCardEveryTimeAndLeakNoDescriptor) {
    FakeRtb rtb;
    rtb.ReplyTo(0xB1, test::Reply{});  // the reset before the greeting is never answered
    test::TempRegistry registry;
    registry.Write(test::TempRegistry::ComPort(3, rtb.Path()) +
                   test::TempRegistry::Card(1, 3, 500));
    const std::vector<std::string> expected = {"B1 00 00", "73 00 00", "24 00 00", "3E 02 00 00 00",
                                               "AF 00 00"};
    const int descriptorsBefore = OpenDescriptors();
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        rtb.Clear();
        void* lib = dlopen(TXORB_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(lib, nullptr) << dlerror();
        auto init = reinterpret_cast<uint32_t (*)(uint16_t)>(dlsym(lib, "Init_Scan_Card_Ex"));
        ASSERT_NE(init, nullptr);
        ASSERT_EQ(init(1), 0u) << "cycle " << cycle;
        ASSERT_EQ(dlclose(lib), 0);
        ASSERT_TRUE(rtb.WaitForPackets(expected.size(), 3000)) << "cycle " << cycle;
        ASSERT_EQ(rtb.PacketsHex(), expected) << "cycle " << cycle;
        ASSERT_EQ(OpenDescriptors(), descriptorsBefore) << "cycle " << cycle;
    }
}

}  // namespace
}  // namespace txorb
