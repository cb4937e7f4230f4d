// Finding a card from its PCI interface function and the COM port on which it answers a status
// request sent over its parallel port.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fake_driver/fake_driver_session.h"
#include "link/card.h"
#include "link/card_search.h"
#include "link/card_table.h"
#include "support/fake_rtb.h"
#include "support/test_env.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeDriverSession;
using test::FakeRtb;

constexpr uint16_t kVendor = 0x1415;
constexpr uint16_t kDevice = 0x9513;

// Card A: bus 0, device 2; card B: bus 1, device 5 (function 1 each).
constexpr int32_t kBusA = 0, kSlotA = 2 + 32;
constexpr int32_t kBusB = 1, kSlotB = 5 + 32;
constexpr uint32_t kDataA = 0xE000, kFifoA = 0xE100, kDataB = 0xD000, kFifoB = 0xD100;

// Bytes taken by a peripheral reach the RTB behind it; after a whole status request (3 bytes)
// the RTB answers on its COM port, at once or late.
struct Wiring {
    std::map<uint32_t, FakeRtb*> rtbByBase;
    std::map<uint32_t, size_t> seen;
    int delayMs = 0;
    std::vector<std::thread> late;
    ~Wiring() {
        for (auto& t : late) t.join();
    }
    static void Sink(uint32_t base, uint8_t, void* context) {
        auto* self = static_cast<Wiring*>(context);
        if (++self->seen[base] % 3 != 0) return;
        auto it = self->rtbByBase.find(base);
        if (it == self->rtbByBase.end()) return;
        FakeRtb* rtb = it->second;
        if (self->delayMs == 0) {
            rtb->SendRaw({0x01, 0x00, 0x01});
        } else {
            const int delay = self->delayMs;
            self->late.emplace_back([rtb, delay] {
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
                rtb->SendRaw({0x01, 0x00, 0x01});
            });
        }
    }
};

class CardSearch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fake.Ok());
        ASSERT_TRUE(fake.Install());
        fake.reset();
        // COM 2 and 3 are the two RTBs; every other port is absent.
        std::string text = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts]\n";
        for (int n = 1; n <= 20; ++n) {
            const std::string path = n == 2   ? rtbA.Path()
                                     : n == 3 ? rtbB.Path()
                                              : "/nonexistent/tty" + std::to_string(n);
            text += "\"COM" + std::to_string(n) + "\"=\"" + path + "\"\n";
        }
        registry.Write(text);
        wiring.rtbByBase = {{kDataA, &rtbA}, {kDataB, &rtbB}};
        fake.setByteSink(&Wiring::Sink, &wiring);
    }
    void TearDown() override {
        fake.setByteSink(nullptr, nullptr);
        for (int slot = link::kFirstSlot; slot <= link::kLastSlot; ++slot)
            test::RemoveInstalledCard(slot);
    }
    void AddCard(int32_t bus, int32_t slot, uint32_t bar0, uint32_t bar1, uint32_t data,
                 uint16_t vendor = kVendor, uint16_t device = kDevice) {
        const auto header = test::PciHeader(vendor, device, bar0, bar1);
        fake.addPci(bus, slot, header.data());
        fake.addPeripheral(data, 1, 1);
    }
    // The driver forgets everything; then card A, its interface function as given, and card B.
    void TwoCards(uint32_t bar0A = kDataA | 1, uint32_t bar1A = kFifoA | 1,
                  uint16_t vendorA = kVendor, uint16_t deviceA = kDevice) {
        fake.reset();
        fake.setByteSink(&Wiring::Sink, &wiring);
        AddCard(kBusA, kSlotA, bar0A, bar1A, kDataA, vendorA, deviceA);
        AddCard(kBusB, kSlotB, kDataB | 1, kFifoB | 1, kDataB);
    }
    bool Enabled(uint32_t port) const {
        for (const auto& c : fake.Calls(FAKE_ENABLE)) {
            if (c.a == port) return true;
        }
        return false;
    }

    test::TempRegistry registry;
    FakeRtb rtbA, rtbB;
    FakeDriverSession fake;
    Wiring wiring;
};

TEST_F(CardSearch, TheInitialisedCardsPortsAreSkippedSoTheNextCardIsFound) {
    struct Case {
        bool firstInitialised;
        uint32_t data, fifo, com;
    } cases[] = {
        {false, kDataA, kFifoA, 2},
        {true, kDataB, kFifoB, 3},
    };
    for (const Case& c : cases) {
        TwoCards();
        if (c.firstInitialised) {
            const link::LinkDescriptor d = link::MakeDescriptor(kDataA, kFifoA, 0, 2, 0, 1);
            delete link::ExchangeCardInSlot(1, new link::Card(d, 300, nullptr));
            link::StoreDescriptor(1, d);
            TwoCards();  // forget the card's own traffic
        }
        uint32_t data = 1, fifo = 1, com = 99;
        EXPECT_EQ(link::DiscoverCard(&data, &fifo, &com), err::kOk);
        EXPECT_EQ(data, c.data);
        EXPECT_EQ(fifo, c.fifo);
        EXPECT_EQ(com, c.com);
        // Buses then devices, function 1 each: the first look is at bus 0, slot 32.
        const auto pci = fake.Calls(FAKE_PCI);
        ASSERT_FALSE(pci.empty());
        EXPECT_EQ(pci[0].a, 0u);
        EXPECT_EQ(pci[0].b, 32u);
        EXPECT_EQ(pci.back().b, static_cast<uint32_t>(c.com == 2 ? kSlotA : kSlotB));
        EXPECT_EQ(test::Hex(fake.Received(c.data)), "22 00 00");
        EXPECT_EQ(Enabled(kDataA), !c.firstInitialised);
        test::RemoveInstalledCard(1);
    }
}

TEST_F(CardSearch, FunctionsThatAreNotTheCardsInterfaceArePassedOver) {
    struct Case {
        const char* name;
        uint32_t bar0, bar1;
        uint16_t vendor, device;
    } cases[] = {
        {"memory BAR0", kDataA, kFifoA | 1, kVendor, kDevice},
        {"memory BAR1", kDataA | 1, kFifoA, kVendor, kDevice},
        {"other vendor", kDataA | 1, kFifoA | 1, 0x1416, kDevice},
        {"other device", kDataA | 1, kFifoA | 1, kVendor, 0x9501},
    };
    for (const Case& c : cases) {
        TwoCards(c.bar0, c.bar1, c.vendor, c.device);
        uint32_t data = 0, fifo = 0, com = 0;
        EXPECT_EQ(link::DiscoverCard(&data, &fifo, &com), err::kOk) << c.name;
        EXPECT_EQ(data, kDataB) << c.name;
        EXPECT_EQ(fifo, kFifoB) << c.name;
        EXPECT_EQ(com, 3u) << c.name;
        EXPECT_FALSE(Enabled(kDataA)) << c.name;
        EXPECT_TRUE(fake.Received(kDataA).empty()) << c.name;
    }
}

TEST_F(CardSearch, AnAnswerAfterTheWindowIsMissedAndNothingIsFound) {
    AddCard(kBusA, kSlotA, kDataA | 1, kFifoA | 1, kDataA);
    wiring.delayMs = 400;
    uint32_t data = 0, fifo = 0, com = 7;
    EXPECT_EQ(link::DiscoverCard(&data, &fifo, &com), err::kCouldNotPing);
    EXPECT_EQ(data, 0xFFFFu);
    EXPECT_EQ(fifo, 0xFFFFu);
    EXPECT_EQ(com, 0u);
    // The request went out once per answering-capable port: COM 2 and COM 3 (the rest are absent).
    EXPECT_EQ(test::Hex(fake.Received(kDataA)), "22 00 00 22 00 00");
    EXPECT_EQ(fake.Calls(FAKE_PCI).size(), 256u);
}

TEST_F(CardSearch, PortsAndComNumbersInUseFollowTheSlotDescriptors) {
    link::StoreDescriptor(4, link::MakeDescriptor(0x378, 0x778, 1, 5, 1, 1));
    link::StoreDescriptor(10, link::MakeDescriptor(0xBC00, 0xFFFF, 0, 12, 0, 1));
    struct Case {
        uint32_t data, fifo;
        bool free;
    } ports[] = {{0x378, 0x800, false},
                 {0x900, 0x778, false},
                 {0xBC00, 0x1, false},
                 {0x778, 0x378, true},
                 {0xE000, 0xE100, true}};
    for (const Case& c : ports) {
        EXPECT_EQ(link::PortsNotInUse(c.data, c.fifo), c.free)
            << std::hex << c.data << " " << c.fifo;
    }
    struct ComCase {
        uint32_t com;
        bool free;
    } coms[] = {{5, false}, {12, false}, {1, true}, {20, true}};
    for (const ComCase& c : coms) EXPECT_EQ(link::ComPortNotInUse(c.com), c.free) << c.com;
    link::ResetDescriptor(4);
    EXPECT_TRUE(link::ComPortNotInUse(5));
}

}  // namespace
}  // namespace txorb
