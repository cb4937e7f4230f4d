// What the library tells about itself: its version number, the status word and the numbered
// status queries.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/process_state.h"
#include "fake_driver/fake_driver_session.h"
#include "info/version.h"
#include "link/card.h"
#include "link/card_table.h"
#include "support/fake_rtb.h"
#include "support/test_env.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::Hex;

// The query ids that programs pass to DLL_Status_Query.
constexpr int32_t kQueryParallelPorts = 232;
constexpr int32_t kQuerySerialPort = 233;
constexpr int32_t kQueryPciConfig = 237;
constexpr int32_t kQueryDescriptorTable = 239;
constexpr int32_t kQueryPingSerialPort = 242;

int32_t* AsNumber(intptr_t n) { return reinterpret_cast<int32_t*>(n); }

std::string Bytes(const uint8_t* p, size_t n) { return Hex(std::vector<uint8_t>(p, p + n)); }

const char kDefaultRecord[] = "FF FF 00 00 FF FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00";

TEST(ModuleInfo, VersionTextsGiveTheirNumber) {
    struct Case {
        const char* text;
        uint32_t major, minor, build, revision;
        uint16_t number;
    } cases[] = {
        {"11.2.49.0", 11, 2, 49, 0, 11249},     {"11, 2", 11, 2, 0, 0, 11200},
        {"v3-1-7 beta 9 10", 3, 1, 7, 9, 3107}, {nullptr, 0, 0, 0, 0, 0},
        {"70, 0, 0", 70, 0, 0, 0, 4464},  // 70000 cut to 16 bits
    };
    for (const Case& c : cases) {
        info::VersionRecord r;
        r.major = r.minor = r.build = r.revision = 77;
        info::ParseFileVersion(c.text, &r);
        r.ok = true;
        const char* name = c.text != nullptr ? c.text : "(null)";
        EXPECT_EQ(r.major, c.major) << name;
        EXPECT_EQ(r.minor, c.minor) << name;
        EXPECT_EQ(r.build, c.build) << name;
        EXPECT_EQ(r.revision, c.revision) << name;
        EXPECT_EQ(info::VersionNumber(r), c.number) << name;
        r.ok = false;
        EXPECT_EQ(info::VersionNumber(r), 0) << name;
    }
    // The file version 11, 2, 49, 0 that programs written for the card compare against; it is
    // not the project's release version.
    EXPECT_EQ(Get_DLL_Version(), 11249);
}

TEST(ModuleInfo, SystemStatusOverlapsPortAndParallelBits) {
    test::FakeDriverSession fake;
    ASSERT_TRUE(fake.Ok());
    ASSERT_TRUE(fake.Install());
    test::TempRegistry registry;  // every COM port absent: the word needs none to open
    registry.Write("");
    struct Case {
        int slot;
        uint32_t com;
        bool parallel;
        uint16_t status;
    } cases[] = {
        {3, 2, false, 135},
        {3, 2, true, 647},
        {1, 8, false, 515},  // bit 3 of COM 8 lands on the parallel bit
        {10, 20, true, 1 | 20 | 1280 | 512},
    };
    for (const Case& c : cases) {
        const link::LinkDescriptor d = c.parallel
                                           ? link::MakeDescriptor(0xE000, 0xE100, 1, c.com, 1, 1)
                                           : link::MakeDescriptor(0xFFFF, 0xFFFF, 0, c.com, 1, 1);
        delete link::ExchangeCardInSlot(c.slot, new link::Card(d, 100, nullptr));
        link::StoreDescriptor(c.slot, d);
        link::SetActiveCardIndex(static_cast<int16_t>(c.slot));
        EXPECT_EQ(Get_System_Status(), c.status) << c.slot << " COM" << c.com;
        test::RemoveInstalledCard(c.slot);
    }
    StoreLastErrorCode(0);
    EXPECT_EQ(Get_System_Status(), 1);
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_NO_CARD_ACTIVE);
}

TEST(ModuleInfo, QueriesOutsideTheTableAnswerZeroAndTouchNothing) {
    int32_t x = -5, z = -6;
    struct Case {
        int32_t query, iparam;
        int32_t result;
    } cases[] = {
        {229, 1, 0},  {243, 1, 0},  {234, 1, 0},  {235, 1, 0},     {236, 1, 0}, {238, 1, 0},
        {240, 1, 0},  {241, 1, 0},  {0, 1, 0},    {-1, 1, 0},      {230, 0, 1}, {231, 0, 1},
        {232, 11, 0}, {232, -1, 0}, {233, 11, 0}, {233, 32767, 0}, {242, 0, 0}, {242, -3, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DLL_Status_Query(c.query, c.iparam, 0, &x, &z), c.result) << c.query;
        EXPECT_EQ(x, -5) << c.query;
        EXPECT_EQ(z, -6) << c.query;
    }
    // Null outputs are skipped, never written through.
    EXPECT_EQ(DLL_Status_Query(kQueryParallelPorts, 0, 0, nullptr, nullptr), 1);
    EXPECT_EQ(DLL_Status_Query(kQuerySerialPort, 0, 0, nullptr, nullptr), 1);
    EXPECT_EQ(DLL_Status_Query(kQueryPciConfig, 0, 3, AsNumber(1), nullptr), 0);
}

TEST(ModuleInfo, DescriptorTableCopyIsClampedToItsSize) {
    link::StoreDescriptor(10, link::MakeDescriptor(0xBC00, 0xBC10, 1, 7, 1, 1));
    struct Case {
        intptr_t count;
        int32_t result;
        size_t copied;
    } cases[] = {{220, 1, 220}, {221, 1, 220}, {100000, 1, 220}, {7, 1, 7}, {0, 0, 0}, {-1, 0, 0}};
    for (const Case& c : cases) {
        uint8_t buffer[240];
        std::memset(buffer, 0xCC, sizeof buffer);
        EXPECT_EQ(DLL_Status_Query(kQueryDescriptorTable, 0, reinterpret_cast<intptr_t>(buffer),
                                   AsNumber(c.count), nullptr),
                  c.result)
            << c.count;
        EXPECT_EQ(std::memcmp(buffer, link::DescriptorTable(), c.copied), 0) << c.count;
        EXPECT_EQ(buffer[c.copied], 0xCC) << c.count;
    }
    EXPECT_EQ(
        Hex(std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(link::DescriptorTable() + 10),
                                 reinterpret_cast<const uint8_t*>(link::DescriptorTable() + 11))),
        "00 BC 00 00 10 BC 00 00 01 00 00 00 07 00 00 00 01 01 00 00");
    EXPECT_EQ(DLL_Status_Query(kQueryDescriptorTable, 0, 0, AsNumber(220), nullptr), 0);
}

TEST(ModuleInfo, PciAndSerialProbesGoThroughDriverAndPing) {
    test::FakeDriverSession fake;
    ASSERT_TRUE(fake.Ok());
    ASSERT_TRUE(fake.Install());
    const auto header = test::PciHeader(0x1415, 0x9513, 0xE001, 0xE101);
    fake.addPci(4, 35, header.data());
    uint8_t buffer[256] = {};
    EXPECT_EQ(
        DLL_Status_Query(kQueryPciConfig, 4, 3, AsNumber(1), reinterpret_cast<int32_t*>(buffer)),
        1);
    EXPECT_EQ(Bytes(buffer, 24),
              "15 14 13 95 00 00 00 00 00 00 00 00 00 00 00 00 01 E0 00 00 01 E1 00 00");
    EXPECT_EQ(
        DLL_Status_Query(kQueryPciConfig, 4, 3, AsNumber(0), reinterpret_cast<int32_t*>(buffer)),
        0);
    EXPECT_EQ(
        DLL_Status_Query(kQueryPciConfig, 4, 3, AsNumber(-1), reinterpret_cast<int32_t*>(buffer)),
        0);
    const auto pci = fake.Calls(FAKE_PCI);
    ASSERT_EQ(pci.size(), 2u);  // the negative function never reaches the driver
    EXPECT_EQ(pci[0].b, 35u);
    EXPECT_EQ(pci[1].b, 3u);

    test::FakeRtb rtb;
    test::TempRegistry registry;
    registry.Write(test::TempRegistry::ComPort(4, rtb.Path()) +
                   test::TempRegistry::ComPort(5, "/nonexistent/tty5"));
    EXPECT_EQ(DLL_Status_Query(kQueryPingSerialPort, 4, 0, nullptr, nullptr), 4);
    EXPECT_EQ(Hex(rtb.RawReceived()), "22 00 00");
    EXPECT_EQ(DLL_Status_Query(kQueryPingSerialPort, 5, 0, nullptr, nullptr), 0);
}

}  // namespace
}  // namespace txorb
