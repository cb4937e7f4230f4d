// Card slots through the exports: link choice, the start-up handshake, removal and the active
// card, against scripted RTBs on ptys.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "link/card.h"
#include "link/card_slots.h"
#include "link/card_table.h"
#include "list/list_buffer.h"
#include "support/fake_rtb.h"
#include "support/test_env.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;
using test::Hex;

std::string CardKey(int slot) {
    return "[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card" + std::to_string(slot) + "]\n";
}

std::string DescriptorHex(int slot) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(link::DescriptorTable() + slot);
    return Hex(std::vector<uint8_t>(bytes, bytes + sizeof(link::LinkDescriptor)));
}

std::string DescriptorHex(const link::LinkDescriptor& d) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&d);
    return Hex(std::vector<uint8_t>(bytes, bytes + sizeof d));
}

std::vector<std::string> PacketHex(const FakeRtb& rtb) {
    std::vector<std::string> out;
    for (const auto& p : rtb.Packets()) out.push_back(Hex(p.raw));
    return out;
}

const std::string kEmptyDescriptor = "FF FF 00 00 FF FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
const std::vector<std::string> kHandshake = {"B1 00 00", "73 00 00"};
const std::vector<std::string> kStopSequence = {"24 00 00", "3E 02 00 00 00", "AF 00 00"};

class CardSlots : public ::testing::Test {
protected:
    void TearDown() override {
        for (int slot = link::kFirstSlot; slot <= link::kLastSlot; ++slot)
            test::RemoveInstalledCard(slot);
    }
    // Slot 1 on COM3 (rtb), slot 2 on COM4 (other).
    void Configure(const std::string& extra = "") {
        registry.Write(test::TempRegistry::ComPort(3, rtb.Path()) +
                       test::TempRegistry::ComPort(4, other.Path()) + "\n" + CardKey(1) +
                       "\"serial_port\"=\"3\"\n\"comm_timeout\"=\"300\"\n" + extra + "\n" +
                       CardKey(2) + "\"serial_port\"=\"44\"\n\"comm_timeout\"=\"300\"\n");
    }
    FakeRtb rtb;
    FakeRtb other;
    test::TempRegistry registry;
    test::TempDir dir;
};

TEST_F(CardSlots, InitialisationSendsTheHandshakeAndActivatesTheSlot) {
    Configure();
    EXPECT_EQ(Init_Scan_Card_Ex(1), TXORB_ERR_OK);
    EXPECT_EQ(PacketHex(rtb), kHandshake);
    EXPECT_EQ(Get_Active_Card(), 1);
    EXPECT_NE(link::CardInSlot(1), nullptr);
    EXPECT_EQ(DescriptorHex(1), "FF FF 00 00 FF FF 00 00 00 00 00 00 03 00 00 00 01 01 00 00");

    EXPECT_EQ(Init_Scan_Card_Ex(2), TXORB_ERR_OK);  // serial_port 44: COM4, not from a device map
    EXPECT_EQ(PacketHex(other), kHandshake);
    EXPECT_EQ(Get_Active_Card(), 2);
    EXPECT_EQ(DescriptorHex(2), "FF FF 00 00 FF FF 00 00 00 00 00 00 04 00 00 00 01 01 00 00");
    EXPECT_EQ(DescriptorHex(0), kEmptyDescriptor);
}

TEST_F(CardSlots, FailedHandshakeLeavesTheSlotAsItWas) {
    const struct {
        const char* what;
        test::Reply reset;  // the answer to the reset request must never count as the status
        test::Reply hello;
        uint32_t code;
    } cases[] = {
        {"status 0", FakeRtb::Status(1), FakeRtb::Status(0), 40},
        {"status 0, late reset answer", test::Reply{{1, 0, 1}, 20}, FakeRtb::Status(0), 40},
        {"status 0, reset unanswered", test::Reply{}, FakeRtb::Status(0), 40},
        {"silent", FakeRtb::Status(1), test::Reply{}, 45},
        {"two-byte reply", FakeRtb::Status(1), FakeRtb::Data({1, 1}), 44},
    };
    Configure();
    for (const auto& c : cases) {
        rtb.Clear();
        rtb.ReplyTo(0xB1, c.reset);
        rtb.ReplyTo(0x73, c.hello);
        EXPECT_EQ(Init_Scan_Card_Ex(1), c.code) << c.what;
        EXPECT_EQ(PacketHex(rtb), kHandshake) << c.what;
        EXPECT_EQ(link::CardInSlot(1), nullptr) << c.what;
        EXPECT_EQ(Get_Active_Card(), 0) << c.what;
        EXPECT_EQ(DescriptorHex(1), kEmptyDescriptor) << c.what;
    }
    EXPECT_FALSE(Init_Scan_Card());
    rtb.ReplyTo(0x73, FakeRtb::Status(1));
    EXPECT_TRUE(Init_Scan_Card());
}

// Pending list records belong to the card they were meant for: initialisation drops them once
// the slot number and the links are good, before the new card is built, even when its
// handshake then fails; a refusal before that point, or a slot already up, keeps them.
TEST_F(CardSlots, InitialisationDropsPendingListRecordsOnlyOnceTheLinksAreChosen) {
    constexpr uint32_t kOneRecord = 5;  // bytes of one list record
    const struct {
        const char* what;
        std::function<void()> arrange;
        uint16_t slot;
        uint32_t code;
        uint32_t pendingAfter;
    } cases[] = {
        {"slot number refused", [] {}, 11, TXORB_ERR_INVALID_CARD_NUMBER, kOneRecord},
        {"no serial port configured", [] {}, 3, TXORB_ERR_SERIAL_PORT_KEY_NOT_FOUND, kOneRecord},
        {"handshake refused", [this] { rtb.ReplyTo(0x73, FakeRtb::Status(0)); }, 1,
         TXORB_ERR_RTB_DID_NOT_EXECUTE, 0},
        {"card brought up", [this] { rtb.ReplyTo(0x73, FakeRtb::Status(1)); }, 1, TXORB_ERR_OK, 0},
        {"slot already up", [] {}, 1, TXORB_ERR_OK, kOneRecord},
    };
    Configure();
    for (const auto& c : cases) {
        list::ClearListBuffer();
        ASSERT_TRUE(Long_Delay(1));
        c.arrange();
        EXPECT_EQ(Init_Scan_Card_Ex(c.slot), c.code) << c.what;
        EXPECT_EQ(list::TheListBuffer().HighWater(), c.pendingAfter) << c.what;
    }
}

TEST_F(CardSlots, MissingComDeviceFailsTheFirstSendAtOnce) {
    registry.Write(test::TempRegistry::ComPort(7, dir.File("no-such-tty")) + CardKey(1) +
                   "\"serial_port\"=\"7\"\n");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Init_Scan_Card_Ex(1), TXORB_ERR_SERIAL_SEND_FAILED);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_EQ(link::CardInSlot(1), nullptr);
    EXPECT_EQ(DescriptorHex(1), kEmptyDescriptor);
}

TEST_F(CardSlots, SerialPortValuesOutsideTheTable) {
    const struct {
        std::string values;
        uint32_t code;
    } cases[] = {
        {"\"serial_port\"=\"20\"\n", 34},
        {"\"serial_port\"=\"40\"\n", 34},
        {"\"serial_port\"=\"60\"\n", 34},
        {"\"serial_port\"=\"24\"\n", 34},
        {"\"serial_port\"=\"26\"\n", 34},
        {"\"serial_port\"=\"-3\"\n", 34},
        {"\"serial_port\"=dword:00000003\n", 32},
        {"\"serial_port\"=\"\"\n", 32},
        {"\"parallel_port\"=\"378\"\n", 32},
        {"\"serial_port\"=\"0\"\n", 32},  // no serial device map
        {"\"serial_port\"=\"x\"\n", 32},  // no digits is 0: the map again
    };
    for (const auto& c : cases) {
        registry.Write(CardKey(1) + c.values);
        EXPECT_EQ(Init_Scan_Card_Ex(1), c.code) << c.values;
        EXPECT_EQ(link::CardInSlot(1), nullptr);
    }
    registry.Write(CardKey(1) + "\"serial_port\"=\"3\"\n");
    for (uint16_t slot : {0, 11, 65535})
        EXPECT_EQ(Init_Scan_Card_Ex(slot), TXORB_ERR_INVALID_CARD_NUMBER) << slot;
    EXPECT_EQ(rtb.Packets().size(), 0u);
}

TEST_F(CardSlots, LinkChoiceForEveryConfigurationBranch) {
    const std::string serialMap = "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n";
    // Descriptor 1..3 start addresses 0x3000, 0x1000, 0x2000 at bytes 40, 56, 72.
    std::string list = "hex:";
    for (int i = 0; i < 80; ++i) {
        const int byte = i == 41 ? 0x30 : i == 57 ? 0x10 : i == 73 ? 0x20 : 0;
        char buf[4];
        std::snprintf(buf, sizeof buf, "%s%02x", i ? "," : "", byte);
        list += buf;
    }
    const std::string resources =
        "[HKEY_LOCAL_MACHINE\\HARDWARE\\RESOURCEMAP\\LOADED PARALLEL DRIVER RESOURCES\\oxpar]\n"
        "\"\\\\Device\\\\ParallelPort0.Raw\"=" +
        list + "\n";
    const std::string ports = "\"parallel_port\"=\"378\"\n\"fifo_port\"=\"778\"\n";
    const struct {
        std::string text;
        uint32_t code;
        std::string descriptor;
    } cases[] = {
        {CardKey(1) + "\"serial_port\"=\"5\"\n" + ports, 0,
         "78 03 00 00 78 07 00 00 01 00 00 00 05 00 00 00 01 01 00 00"},
        {CardKey(1) + "\"serial_port\"=\"19\"\n\"fifo_port\"=\"778\"\n", 0,
         "FF FF 00 00 FF FF 00 00 00 00 00 00 13 00 00 00 01 01 00 00"},
        {CardKey(1) + "\"serial_port\"=\"1\"\n", 0,
         "FF FF 00 00 FF FF 00 00 00 00 00 00 01 00 00 00 01 01 00 00"},
        {CardKey(1) + "\"serial_port\"=\"45\"\n" + ports, 0,
         "FF FF 00 00 FF FF 00 00 00 00 00 00 05 00 00 00 01 01 00 00"},
        {CardKey(1) + "\"serial_port\"=\"59\"\n", 0,
         "FF FF 00 00 FF FF 00 00 00 00 00 00 13 00 00 00 01 01 00 00"},
        {CardKey(1) + "\"serial_port\"=\"0\"\n" + serialMap + "\"Oxser0\"=\"COM6\"\n", 0,
         "FF FF 00 00 FF FF 00 00 00 00 00 00 06 00 00 00 00 01 00 00"},
        {CardKey(1) + "\"serial_port\"=\"25\"\n" + ports + serialMap +
             "\"\\\\Device\\\\Oxser0\"=\"COM6\"\n",
         0, "78 03 00 00 78 07 00 00 01 00 00 00 06 00 00 00 00 01 00 00"},
        {CardKey(1) + "\"serial_port\"=\"0\"\n\"parallel_port\"=\"0\"\n\"fifo_port\"=\"778\"\n" +
             serialMap + "\"Oxser0\"=\"COM6\"\n" + resources,
         0, "00 10 00 00 00 20 00 00 01 00 00 00 06 00 00 00 00 01 00 00"},
        {CardKey(1) + "\"serial_port\"=\"25\"\n" + serialMap + "\"Oxser0\"=\"COM2\"\n" + resources,
         0, "00 10 00 00 00 20 00 00 01 00 00 00 02 00 00 00 00 01 00 00"},
        {CardKey(1) + "\"serial_port\"=\"25\"\n" + serialMap + "\"Oxser2\"=\"COM2\"\n", 32, ""},
        {"[HKEY_LOCAL_MACHINE\\Software\\Zazave]\n\"ping_allowed\"=\"YES\"\n" + CardKey(1) +
             "\"serial_port\"=\"3\"\n",
         31, ""},
    };
    for (const auto& c : cases) {
        registry.Write(c.text);
        link::LinkDescriptor d = link::MakeDescriptor(1, 2, 3, 4, 5, 6);
        const std::string before = DescriptorHex(d);
        EXPECT_EQ(link::ChooseCardLinks(1, &d), c.code) << c.text;
        EXPECT_EQ(DescriptorHex(d), c.code == 0 ? c.descriptor : before) << c.text;
    }
}

TEST_F(CardSlots, CaptureFileFromTheConfigurationHoldsEverySentPacket) {
    const std::string capture = dir.File("cmd.bin");
    Configure("\"CMD_dump_file\"=\"" + capture + "\"\n");
    ASSERT_EQ(Init_Scan_Card_Ex(1), TXORB_ERR_OK);
    EXPECT_EQ(Remove_Scan_Card_Ex(1), 0u);
    std::ifstream in(capture, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    EXPECT_EQ(Hex(bytes), "B1 00 00 73 00 00 24 00 00 3E 02 00 00 00 AF 00 00");
}

TEST_F(CardSlots, RemovalSendsTheStopSequenceAndEmptiesTheSlot) {
    const struct {
        const char* what;
        uint8_t silentOpcode;  // 0: every request answered with status 1
        uint8_t zeroOpcode;    // answered with status 0
        uint32_t code;
        std::vector<std::string> packets;
    } cases[] = {
        {"all answered", 0, 0, 0, kStopSequence},
        {"stop not answered", 0x24, 0, 0, kStopSequence},
        {"stop refused", 0, 0x24, 0, kStopSequence},
        {"T3 refused", 0, 0x3E, 40, {"24 00 00", "3E 02 00 00 00"}},
        {"T3 not answered", 0x3E, 0, 45, {"24 00 00", "3E 02 00 00 00"}},
    };
    Configure();
    for (const auto& c : cases) {
        rtb.ReplyTo(0x24, FakeRtb::Status(1));
        rtb.ReplyTo(0x3E, FakeRtb::Status(1));
        if (c.silentOpcode != 0) rtb.ReplyTo(c.silentOpcode, test::Reply{});
        if (c.zeroOpcode != 0) rtb.ReplyTo(c.zeroOpcode, FakeRtb::Status(0));
        ASSERT_EQ(Init_Scan_Card_Ex(1), TXORB_ERR_OK) << c.what;
        rtb.Clear();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(link::RemoveCard(1), c.code) << c.what;
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
        ASSERT_TRUE(rtb.WaitForPackets(c.packets.size(), 2000)) << c.what;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(PacketHex(rtb), c.packets) << c.what;
        EXPECT_EQ(link::CardInSlot(1), nullptr) << c.what;
        EXPECT_EQ(Get_Active_Card(), 0) << c.what;
        EXPECT_EQ(DescriptorHex(1), kEmptyDescriptor) << c.what;
    }
}

TEST_F(CardSlots, RemovalAlwaysLeavesNoActiveCard) {
    Configure();
    ASSERT_EQ(Init_Scan_Card_Ex(1), TXORB_ERR_OK);
    ASSERT_EQ(Init_Scan_Card_Ex(2), TXORB_ERR_OK);
    ASSERT_TRUE(Set_Active_Card(1));
    rtb.Clear();
    other.Clear();

    EXPECT_EQ(Remove_Scan_Card_Ex(2), 0u);  // not the active one
    EXPECT_EQ(Get_Active_Card(), 0);
    EXPECT_EQ(PacketHex(other), kStopSequence);
    EXPECT_EQ(PacketHex(rtb), std::vector<std::string>{});
    EXPECT_NE(link::CardInSlot(1), nullptr);

    ASSERT_TRUE(Set_Active_Card(1));
    EXPECT_EQ(Remove_Scan_Card_Ex(5), 0u);  // empty slot
    EXPECT_EQ(Get_Active_Card(), 0);

    ASSERT_TRUE(Set_Active_Card(1));
    for (uint16_t slot : {0, 11, 65535}) {
        EXPECT_EQ(Remove_Scan_Card_Ex(slot), 0u);
        EXPECT_EQ(Get_Active_Card(), 1) << slot;
    }
    EXPECT_TRUE(Remove_Scan_Card());
    EXPECT_EQ(Get_Active_Card(), 0);
    EXPECT_EQ(link::CardInSlot(1), nullptr);
    EXPECT_EQ(PacketHex(rtb), kStopSequence);
}

TEST_F(CardSlots, ReinitialisingAHoldingSlotOnlyActivatesIt) {
    Configure();
    ASSERT_EQ(Init_Scan_Card_Ex(1), TXORB_ERR_OK);
    ASSERT_EQ(Init_Scan_Card_Ex(2), TXORB_ERR_OK);
    link::Card* card = link::CardInSlot(1);
    rtb.Clear();
    registry.Write("");  // not read again
    EXPECT_TRUE(Init_Scan_Card());
    EXPECT_EQ(Get_Active_Card(), 1);
    EXPECT_EQ(link::CardInSlot(1), card);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(rtb.Packets().size(), 0u);
    EXPECT_EQ(Init_Scan_Card_Ex(2), TXORB_ERR_OK);
    EXPECT_EQ(Get_Active_Card(), 2);
}

TEST_F(CardSlots, SetActiveCardAcceptsOnlyHoldingSlots) {
    Configure();
    ASSERT_EQ(Init_Scan_Card_Ex(2), TXORB_ERR_OK);
    ASSERT_EQ(Get_Last_Error_Code(), TXORB_ERR_OK);
    const struct {
        uint16_t slot;
        bool ok;
        uint16_t active;
        uint32_t lastError;
    } cases[] = {
        {1, false, 2, 0}, {2, true, 2, 0}, {10, false, 2, 0}, {0, false, 2, 26}, {11, false, 2, 26},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Set_Active_Card(c.slot), c.ok) << c.slot;
        EXPECT_EQ(Get_Active_Card(), c.active) << c.slot;
        EXPECT_EQ(Get_Last_Error_Code(), c.lastError) << c.slot;
    }
}

// Only 0 (or an unreadable value) falls back to the 2,000 ms default; every other value is the
// link's unsigned timeout, so "-1" waits 0xFFFFFFFF ms for a card that answers late.
TEST_F(CardSlots, CommTimeoutOnlyZeroFallsBackToTwoSeconds) {
    constexpr int kLateMs = 2300;  // past the 2,000 ms default
    const struct {
        const char* value;
        uint32_t code;
    } cases[] = {{"0", 45}, {"-1", 0}};
    for (const auto& c : cases) {
        registry.Write(test::TempRegistry::ComPort(3, rtb.Path()) + CardKey(1) +
                       "\"serial_port\"=\"3\"\n\"comm_timeout\"=\"" + c.value + "\"\n");
        rtb.ReplyTo(0x73, test::Reply{proto::StatusReply(1), kLateMs});
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Init_Scan_Card_Ex(1), c.code) << c.value;
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_GE(waited, std::chrono::milliseconds(1900)) << c.value;
        EXPECT_LT(waited, std::chrono::milliseconds(4000)) << c.value;
        Remove_Scan_Card_Ex(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(kLateMs));  // let a late answer pass
        rtb.Clear();
    }
}

// A timeout of 0xFFFFFFFF ms still ends when the card goes away.
TEST_F(CardSlots, EndlessCommTimeoutEndsAtHangUp) {
    registry.Write(test::TempRegistry::ComPort(3, rtb.Path()) + CardKey(1) +
                   "\"serial_port\"=\"3\"\n\"comm_timeout\"=\"-1\"\n");
    rtb.ReplyTo(0x73, test::Reply{});
    std::thread hangUp([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        rtb.HangUp();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(Init_Scan_Card_Ex(1), TXORB_ERR_OK);
    hangUp.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
}

}  // namespace
}  // namespace txorb
