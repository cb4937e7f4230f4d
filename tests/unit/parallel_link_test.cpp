// The parallel link's byte handshake against a scripted peripheral, and a card that sends on
// it while its replies come back on the serial line.
#include <gtest/gtest.h>

#include <vector>

#include "fake_driver/fake_driver_session.h"
#include "link/card.h"
#include "link/card_table.h"
#include "link/exchange.h"
#include "link/parallel_link.h"
#include "support/fake_rtb.h"
#include "support/test_env.h"

namespace txorb {
namespace {

using test::FakeDriverSession;

constexpr uint32_t kData = 0xE000;
constexpr uint32_t kFifo = 0xE100;

struct Step {
    int32_t op;
    uint32_t port;
    uint32_t value;
};

std::vector<Step> Steps(const std::vector<fake_driver_call>& calls) {
    std::vector<Step> steps;
    for (const auto& c : calls) {
        if (c.op == FAKE_READ || c.op == FAKE_WRITE) steps.push_back({c.op, c.a, c.b});
        if (c.op == FAKE_ENABLE) steps.push_back({c.op, c.a, c.c});
    }
    return steps;
}

void ExpectSteps(const std::vector<Step>& got, const std::vector<Step>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].op, want[i].op) << "step " << i;
        EXPECT_EQ(got[i].port, want[i].port) << "step " << i;
        EXPECT_EQ(got[i].value, want[i].value) << "step " << i;
    }
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
    ExpectSteps(Steps(fake.Calls()), {
                                         {FAKE_ENABLE, kData, 0x10000},
                                         {FAKE_ENABLE, kFifo, 0x10000},
                                         {FAKE_WRITE, kFifo + 2, 0},
                                         {FAKE_WRITE, kData, 0x5D},
                                         {FAKE_READ, kData + 1, 0x80},
                                         {FAKE_WRITE, kData + 2, 1},
                                         {FAKE_READ, kData + 1, 0x00},
                                         {FAKE_WRITE, kData + 2, 0},
                                     });
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
