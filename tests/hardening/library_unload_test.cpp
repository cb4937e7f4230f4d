// Unloading the library stops every card it still holds: at each of a hundred dlclose calls,
// without a descriptor left behind, and at plain process exit. The library is loaded in a child
// process so that its load and unload hooks run for real; the scripted RTBs stay in this process
// and record what arrives. Memory is checked by LeakSanitizer when the suite runs in the
// address-sanitizer build (CI). The removal's settling pause makes a cycle last about half a
// second.
#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "link/card_slots.h"
#include "link/library_lifecycle.h"
#include "support/card_fixture.h"

namespace txorb {
namespace {

using test::FakeRtb;

constexpr int kCycles = 100;

int OpenDescriptors() {
    int n = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    while (dirent* entry = readdir(dir)) n += entry->d_name[0] != '.';
    closedir(dir);
    return n - 1;  // the directory stream's own descriptor
}

// Child: load the library and bring card 1 up, kCycles times unloading it with dlclose, then
// once more leaving it loaded, so that its unload hook runs during exit. Card 2 comes up too in
// the first and the last cycle. The exit code tells the parent how far it got: 0 all well,
// 10 + n a failed step.
[[noreturn]] void RunChild() {
    const int descriptors = OpenDescriptors();
    for (int cycle = 0; cycle <= kCycles; ++cycle) {
        const bool both = cycle == 0 || cycle == kCycles;
        void* lib = dlopen(TXORB_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr) _exit(10);
        auto init = reinterpret_cast<uint32_t (*)(uint16_t)>(dlsym(lib, "Init_Scan_Card_Ex"));
        auto active = reinterpret_cast<uint16_t (*)()>(dlsym(lib, "Get_Active_Card"));
        if (init == nullptr || active == nullptr) _exit(11);
        if (init(1) != 0 || (both && init(2) != 0)) _exit(12);
        if (active() != (both ? 2 : 1)) _exit(13);
        if (cycle == kCycles) std::exit(0);
        if (dlclose(lib) != 0) _exit(14);
        if (OpenDescriptors() != descriptors) _exit(15);
    }
    _exit(16);
}

class LibraryUnload : public ::testing::Test {
protected:
    void SetUp() override {
        registry.Write(test::TempRegistry::ComPort(3, first.Path()) +
                       test::TempRegistry::ComPort(4, second.Path()) +
                       test::TempRegistry::Card(1, 3, 500) + test::TempRegistry::Card(2, 4, 500));
    }
    FakeRtb first;
    FakeRtb second;
    test::TempRegistry registry;
};

TEST_F(LibraryUnload, EveryDlcloseAndTheProcessExitStopEveryCardAndLeakNoDescriptor) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) RunChild();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    ASSERT_EQ(WEXITSTATUS(status), 0);

    const std::vector<std::string> session = {"B1 00 00", "73 00 00", "24 00 00", "3E 02 00 00 00",
                                              "AF 00 00"};
    std::vector<std::string> once, twice;
    for (int cycle = 0; cycle <= kCycles; ++cycle) {
        once.insert(once.end(), session.begin(), session.end());
        if (cycle < 2) twice.insert(twice.end(), session.begin(), session.end());
    }
    ASSERT_TRUE(first.WaitForPackets(once.size(), 2000));
    ASSERT_TRUE(second.WaitForPackets(twice.size(), 2000));
    EXPECT_EQ(first.PacketsHex(), once);
    EXPECT_EQ(second.PacketsHex(), twice);
}

// In this process: a detach for a process that is going away sends the same stop sequence to
// every card but does not wait for them to settle.
TEST_F(LibraryUnload, DetachSkipsTheSettlingWaitOnlyWhenTheProcessTerminates) {
    const struct {
        bool processTerminating;
        bool waits;
    } cases[] = {{true, false}, {false, true}};
    const std::vector<std::string> stopSequence = {"24 00 00", "3E 02 00 00 00", "AF 00 00"};
    for (const auto& c : cases) {
        first.Clear();
        second.Clear();
        ASSERT_NE(test::InstallCard(1, 3), nullptr);
        ASSERT_NE(test::InstallCard(2, 4), nullptr);
        const auto start = std::chrono::steady_clock::now();
        link::DetachLibrary(c.processTerminating);
        const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - start)
                                   .count();
        link::AttachLibrary();  // the port driver again, for what runs after
        // Two cards: two settling waits, or none.
        if (c.waits) {
            EXPECT_GE(elapsedMs, 2 * static_cast<long long>(link::kRemovalSettleMs));
        } else {
            EXPECT_LT(elapsedMs, static_cast<long long>(link::kRemovalSettleMs));
        }
        ASSERT_TRUE(first.WaitForPackets(stopSequence.size(), 2000));
        ASSERT_TRUE(second.WaitForPackets(stopSequence.size(), 2000));
        EXPECT_EQ(first.PacketsHex(), stopSequence) << c.processTerminating;
        EXPECT_EQ(second.PacketsHex(), stopSequence) << c.processTerminating;
    }
}

}  // namespace
}  // namespace txorb
