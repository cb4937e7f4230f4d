// The port-driver wrappers (start and stop with the CommandLock, module loading, the width
// mapping of EnableIoRange, the PCI slot number, the built-in driver's refusals), and the
// parallel link's byte handshake on them, against the scripted peripherals of the fake driver.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "fake_driver/fake_driver_session.h"
#include "link/card.h"
#include "link/card_table.h"
#include "link/command_lock.h"
#include "link/exchange.h"
#include "link/parallel_link.h"
#include "link/port_driver.h"
#include "platform/port_driver_module.h"
#include "support/fake_rtb.h"
#include "support/test_env.h"

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

constexpr uint32_t kData = 0xE000;
constexpr uint32_t kFifo = 0xE100;

// The port calls, "E port flag" for an enable, "W port value" and "R port value", in order.
std::string Steps(const std::vector<fake_driver_call>& calls) {
    std::string out;
    char step[32];
    for (const auto& c : calls) {
        const char kind = c.op == FAKE_ENABLE ? 'E' : c.op == FAKE_WRITE ? 'W' : 'R';
        std::snprintf(step, sizeof step, "%s%c %X %X", out.empty() ? "" : ", ", kind, c.a,
                      c.op == FAKE_ENABLE ? c.c : c.b);
        if (c.op == FAKE_ENABLE || c.op == FAKE_WRITE || c.op == FAKE_READ) out += step;
    }
    return out;
}

class ParallelLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fake.Ok());
        ASSERT_TRUE(fake.Install());
        fake.reset();
    }
    FakeDriverSession fake;
};

TEST_F(ParallelLinkTest, ConstructionEnablesBothBlocksAndEachByteIsHandedOver) {
    fake.addPeripheral(kData, 1, 1);
    link::ParallelLink link(kData, kFifo);
    const uint8_t byte = 0x5D;
    EXPECT_EQ(link.Write(&byte, 1), 1);
    // Both blocks enabled, the FIFO's control cleared; then the byte latched, the status read
    // until it is ready, the strobe raised, the status read until the byte is taken, the strobe
    // lowered.
    EXPECT_EQ(Steps(fake.Calls()),
              "E E000 10000, E E100 10000, W E102 0, W E000 5D, R E001 80, W E002 1, R E001 0, "
              "W E002 0");
    EXPECT_EQ(test::Hex(fake.Received(kData)), "5D");
}

TEST_F(ParallelLinkTest, EachHandshakeWaitEndsAfterItsReadBound) {
    struct Case {
        const char* name;
        uint32_t setAfter, clearAfter;  // 0 = never
        int32_t result;
        size_t statusReads;
        std::vector<uint32_t> controlWrites;
    } cases[] = {
        {"ready at once", 1, 1, 2, 4, {1, 0, 1, 0}},
        {"never ready", 0, 1, 0, 10000, {}},
        {"never takes the byte", 1, 0, 0, 10001, {1, 0}},
        {"ready on the last read", 10000, 1, 2, 20002, {1, 0, 1, 0}},
        {"ready one read too late", 10001, 1, 0, 10000, {}},
        {"takes it on the last read", 1, 10000, 2, 20002, {1, 0, 1, 0}},
        {"takes it one read too late", 1, 10001, 0, 10001, {1, 0}},
    };
    for (const Case& c : cases) {
        fake.reset();
        fake.addPeripheral(kData, c.setAfter, c.clearAfter);
        link::ParallelLink link(kData, kFifo);
        const uint8_t bytes[2] = {0x22, 0x00};
        EXPECT_EQ(link.Write(bytes, 2), c.result) << c.name;
        size_t statusReads = 0;
        std::vector<uint32_t> controlWrites;
        for (const auto& call : fake.Calls()) {
            if (call.op == FAKE_READ && call.a == kData + 1) ++statusReads;
            if (call.op == FAKE_WRITE && call.a == kData + 2) controlWrites.push_back(call.b);
        }
        EXPECT_EQ(statusReads, c.statusReads) << c.name;
        EXPECT_EQ(controlWrites, c.controlWrites) << c.name;
    }
}

TEST_F(ParallelLinkTest, PacketsAndEmptyWrites) {
    fake.addPeripheral(kData, 1, 1);
    link::ParallelLink link(kData, kFifo);
    const uint8_t payload[3] = {0x10, 0x27, 0xFF};
    struct Case {
        uint8_t opcode;
        const uint8_t* payload;
        uint16_t length;
        const char* bytes;
    } cases[] = {
        {34, nullptr, 0, "22 00 00"},
        {34, nullptr, 5, "22 00 00"},  // no payload means length 0, whatever was given
        {93, payload, 3, "5D 03 00 10 27 FF"},
    };
    size_t before = 0;
    for (const Case& c : cases) {
        EXPECT_TRUE(link.SendPacket(c.opcode, c.payload, c.length));
        const auto all = fake.Received(kData);
        EXPECT_EQ(test::Hex({all.begin() + static_cast<long>(before), all.end()}), c.bytes);
        before = all.size();
    }
    const size_t calls = fake.callCount();
    EXPECT_EQ(link.Write(payload, 0), 0);
    EXPECT_EQ(link.Write(payload, -1), 0);
    EXPECT_EQ(fake.callCount(), calls);
}

// The peripheral's bytes arrive at the RTB; once a whole packet is there it answers on the
// serial line, as a card with both links does.
struct SerialAnswer {
    test::FakeRtb* rtb;
    size_t packetBytes;
    size_t seen = 0;
    static void Sink(uint32_t, uint8_t, void* context) {
        auto* self = static_cast<SerialAnswer*>(context);
        if (++self->seen == self->packetBytes) self->rtb->SendRaw({0x01, 0x00, 0x01});
    }
};

TEST_F(ParallelLinkTest, CardSendsOnParallelAndReceivesOnSerial) {
    test::TempRegistry registry;
    test::FakeRtb rtb;
    registry.Write(test::TempRegistry::ComPort(2, rtb.Path()));
    struct Case {
        uint32_t setAfter;
        ErrorCode code;
        const char* parallelBytes;
    } cases[] = {
        {1, err::kOk, "5D 08 00 00 00 00 00 00 00 59 40"},
        {0, err::kParallelSendFailed, ""},
    };
    for (const Case& c : cases) {
        fake.reset();
        rtb.Clear();
        fake.addPeripheral(kData, c.setAfter, 1);
        SerialAnswer answer{&rtb, 11};
        fake.setByteSink(&SerialAnswer::Sink, &answer);
        const link::LinkDescriptor d = link::MakeDescriptor(kData, kFifo, 1, 2, 1, 1);
        delete link::ExchangeCardInSlot(1, new link::Card(d, 500, nullptr));
        link::StoreDescriptor(1, d);
        link::SetActiveCardIndex(1);
        const double speed = 100.0;
        EXPECT_EQ(link::ExecuteStatusCommand(93, &speed, sizeof speed), c.code);
        EXPECT_EQ(test::Hex(fake.Received(kData)), c.parallelBytes);
        EXPECT_TRUE(rtb.RawReceived().empty()) << test::Hex(rtb.RawReceived());
        fake.setByteSink(nullptr, nullptr);
        test::RemoveInstalledCard(1);
    }
}

}  // namespace
}  // namespace txorb
