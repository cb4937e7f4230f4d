// The port-driver wrappers: start and stop with the CommandLock, module loading, the width
// mapping of EnableIoRange, the PCI slot number and the built-in driver's refusals.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "fake_driver/fake_driver_session.h"
#include "link/command_lock.h"
#include "link/port_driver.h"
#include "platform/port_driver_module.h"

namespace txorb {
namespace {

using test::FakeDriverSession;

TEST(PortDriver, StartCallsOpenThenStartAndStopTiesTheLock) {
    struct Case {
        int32_t startResult;
        int32_t stopResult;
        bool started;
        bool stopped;
        size_t stopCalls;
    } cases[] = {
        {0, 0, true, true, 1},
        {0, 7, true, false, 1},
        {-1, 0, false, true, 0},  // never started: nothing to stop
    };
    for (const Case& c : cases) {
        FakeDriverSession fake;
        ASSERT_TRUE(fake.Ok());
        link::PortDriverStop();
        platform::SetPortDriverTable(platform::LoadPortDriverModule(TXORB_FAKE_DRIVER_PATH));
        fake.setResults(c.startResult, c.stopResult, 0);
        EXPECT_EQ(link::PortDriverStart(), c.started) << c.startResult;
        EXPECT_TRUE(link::CommandLockCreated());
        const auto calls = fake.Calls();
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0].op, FAKE_OPEN);
        EXPECT_EQ(calls[0].a, 0u);
        EXPECT_EQ(calls[1].op, FAKE_START);
        EXPECT_STRNE(fake.startKey(), "");
        // A started driver is not started twice.
        EXPECT_EQ(link::PortDriverStart(), c.started);
        EXPECT_EQ(fake.Calls(FAKE_START).size(), c.started ? 1u : 2u);
        EXPECT_EQ(link::PortDriverStop(), c.stopped);
        EXPECT_FALSE(link::CommandLockCreated());
        EXPECT_EQ(fake.Calls(FAKE_STOP).size(), c.stopCalls);
    }
}

TEST(PortDriver, AModuleThatCannotServeIsADriverThatDidNotStart) {
    FakeDriverSession fake;
    ASSERT_TRUE(fake.Ok());
    struct Case {
        const char* env;  // null: unset
        uint32_t abi;
        bool started;
    } cases[] = {
        {TXORB_FAKE_DRIVER_PATH, 1, true},
        {TXORB_FAKE_DRIVER_PATH, 2, false},
        {"/nonexistent/txorb-driver.so", 1, false},
        {"libm.so.6", 1, false},  // loads, but has no driver table
        {"", 1, false},
    };
    for (const Case& c : cases) {
        fake.reset();
        fake.setAbi(c.abi);
        ::setenv("TXORB_PORT_DRIVER", c.env, 1);
        link::PortDriverStop();
        platform::ResetPortDriverTable();
        EXPECT_EQ(link::PortDriverStart(), c.started) << c.env << " abi " << c.abi;
        EXPECT_EQ(platform::PortDriverTable() != nullptr, c.started) << c.env;
        // Without a driver nothing crashes: the wrappers only fail.
        EXPECT_EQ(link::EnableIoRange(0xE000, 8, 8), c.started);
        uint8_t header[256];
        EXPECT_FALSE(link::ReadPciConfig(0, 0, 1, header, sizeof header));
    }
    ::unsetenv("TXORB_PORT_DRIVER");
    link::PortDriverStop();
    platform::ResetPortDriverTable();
    EXPECT_EQ(platform::PortDriverTable(), platform::BuiltinPortDriver());
}

TEST(PortDriver, EnableIoRangeMapsTheWidthAndStartsTheDriverFirst) {
    FakeDriverSession fake;
    ASSERT_TRUE(fake.Ok());
    struct Case {
        uint32_t width;
        int32_t driverResult;
        bool result;
        bool called;
        uint32_t flag;
    } cases[] = {
        {8, 0, true, true, 0x10000},  {16, 0, true, true, 0x20000}, {32, 0, true, true, 0x40000},
        {8, 1, false, true, 0x10000}, {12, 0, false, false, 0},     {0, 0, false, false, 0},
        {64, 0, false, false, 0},
    };
    for (const Case& c : cases) {
        // The driver failed to start at load; the enable tries it again.
        link::PortDriverStop();
        fake.reset();
        platform::SetPortDriverTable(platform::LoadPortDriverModule(TXORB_FAKE_DRIVER_PATH));
        fake.setResults(1, 0, c.driverResult);
        ASSERT_FALSE(link::PortDriverStart());
        fake.setResults(0, 0, c.driverResult);
        EXPECT_EQ(link::EnableIoRange(0x1230, 3, c.width), c.result) << c.width;
        const auto calls = fake.Calls();
        ASSERT_GE(calls.size(), 4u);
        EXPECT_EQ(calls[2].op, FAKE_OPEN);
        EXPECT_EQ(calls[3].op, FAKE_START);
        const auto enables = fake.Calls(FAKE_ENABLE);
        ASSERT_EQ(enables.size(), c.called ? 1u : 0u) << c.width;
        if (c.called) {
            EXPECT_EQ(enables[0].a, 0x1230u);
            EXPECT_EQ(enables[0].b, 3u);
            EXPECT_EQ(enables[0].c, c.flag);
        }
    }
}

TEST(PortDriver, ReadPciConfigPassesTheSlotAndCopiesTheHeaderOnly) {
    FakeDriverSession fake;
    ASSERT_TRUE(fake.Ok());
    ASSERT_TRUE(fake.Install());
    const auto header = test::PciHeader(0x1415, 0x9513, 0xE001, 0xE101);
    fake.addPci(2, 35, header.data());
    struct Case {
        int32_t bus, device, function;
        size_t size;
        bool result;
        bool called;
        int32_t slot;
    } cases[] = {
        {2, 3, 1, 256, true, true, 35},   {2, 3, 0, 256, false, true, 3},
        {2, 3, 1, 300, true, true, 35},   {2, 3, 1, 255, false, false, 0},
        {2, -1, 1, 256, false, false, 0}, {2, 3, -1, 256, false, false, 0},
        {-2, 3, 1, 256, false, true, 35},  // the bus is the driver's to judge
    };
    for (const Case& c : cases) {
        fake.reset();
        fake.addPci(2, 35, header.data());
        uint8_t buffer[300];
        std::memset(buffer, 0xA5, sizeof buffer);
        EXPECT_EQ(link::ReadPciConfig(c.bus, c.device, c.function, buffer, c.size), c.result)
            << c.bus << "/" << c.device << "/" << c.function << " size " << c.size;
        const auto pci = fake.Calls(FAKE_PCI);
        ASSERT_EQ(pci.size(), c.called ? 1u : 0u);
        if (c.called) {
            EXPECT_EQ(static_cast<int32_t>(pci[0].a), c.bus);
            EXPECT_EQ(static_cast<int32_t>(pci[0].b), c.slot);
            EXPECT_EQ(pci[0].c, 5u);
        }
        if (c.result) {
            EXPECT_EQ(std::memcmp(buffer, header.data(), 256), 0);
            EXPECT_EQ(buffer[256], 0xA5);  // nothing of the scratch beyond the header
        } else {
            EXPECT_EQ(buffer[0], 0xA5);
        }
    }
}

TEST(BuiltinPortDriver, RefusesPortsItWasNotGrantedAndReservedRanges) {
    const platform::PortDriver* d = platform::BuiltinPortDriver();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->abi_version, 1u);
    EXPECT_EQ(d->start("any"), 0);
    struct Case {
        uint32_t port, count;
    } refused[] = {{0x60, 8},   {0xF8, 16},   {0xCF8, 8}, {0xCF0, 10},
                   {0xFFFF, 2}, {0x10000, 1}, {0x378, 0}};
    for (const Case& c : refused) {
        EXPECT_NE(d->enable_io_range(c.port, c.count, TXORB_IO_WIDTH_8), 0) << std::hex << c.port;
    }
    // Ports never granted are neither read nor written (touching them would fault).
    std::thread other([d] {
        EXPECT_EQ(d->read_port_byte(0x379), 0u);
        EXPECT_EQ(d->write_port_byte(0x37A, 1), 0u);
    });
    other.join();
}

TEST(BuiltinPortDriver, ReadsConfigurationHeadersFromSysfs) {
    const platform::PortDriver* d = platform::BuiltinPortDriver();
    uint8_t scratch[512];
    struct Case {
        int32_t bus, slot;
    } bad[] = {{-1, 0}, {256, 0}, {0, -1}, {0, 256}};
    for (const Case& c : bad) EXPECT_NE(d->read_pci_config(scratch, c.bus, c.slot, 5), 0);
    // Compare with the file for function 0 of device 0 on bus 0 when this host shows one.
    std::ifstream file("/sys/bus/pci/devices/0000:00:00.0/config", std::ios::binary);
    if (!file) GTEST_SKIP() << "no PCI device 00:00.0 here";
    char expected[64];
    ASSERT_TRUE(file.read(expected, sizeof expected));
    std::memset(scratch, 0x5A, sizeof scratch);
    ASSERT_EQ(d->read_pci_config(scratch, 0, 0, 5), 0);
    EXPECT_EQ(std::memcmp(scratch, expected, sizeof expected), 0);
    EXPECT_EQ(scratch[511], 0);
}

}  // namespace
}  // namespace txorb
