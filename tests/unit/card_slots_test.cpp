// Card slots through the exports: link choice, the start-up handshake, removal and the active
// card, against scripted RTBs on ptys.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "link/card_slots.h"
#include "link/card_table.h"
#include "list/list_buffer.h"
#include "support/card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;
using test::Hex;
using test::Strings;
using Clock = std::chrono::steady_clock;

std::string CardKey(int slot) {
    return "[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card" + std::to_string(slot) + "]\n";
}

std::string DescriptorHex(const link::LinkDescriptor& d) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&d);
    return Hex(std::vector<uint8_t>(bytes, bytes + sizeof d));
}
std::string SlotHex(int slot) { return DescriptorHex(link::DescriptorTable()[slot]); }

const std::string kEmptySlot = "FF FF 00 00 FF FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
// Reset, then the request whose status decides.
const Strings kHandshake = {"B1 00 00", "73 00 00"};
// Stop, T3 = 0, release.
const Strings kStopSequence = {"24 00 00", "3E 02 00 00 00", "AF 00 00"};

class CardSlots : public test::CardTest {
protected:
    // Slot 1 on COM3 (rtb), slot 2 on COM4 (other; "44" is COM 4 without a parallel link).
    void Configure(const std::string& extra = "") {
        registry.Write(test::TempRegistry::ComPort(3, rtb.Path()) +
                       test::TempRegistry::ComPort(4, other.Path()) +
                       test::TempRegistry::Card(1, 3, 300, extra) +
                       test::TempRegistry::Card(2, 44, 300));
    }
    FakeRtb other;
};

TEST_F(CardSlots, InitialisationSendsTheHandshakeRecordsTheLinksAndActivatesTheSlot) {
    Configure();
    EXPECT_EQ(Init_Scan_Card_Ex(1), TXORB_ERR_OK);
    EXPECT_EQ(rtb.PacketsHex(), kHandshake);
    EXPECT_EQ(Get_Active_Card(), 1);
    EXPECT_EQ(SlotHex(1), "FF FF 00 00 FF FF 00 00 00 00 00 00 03 00 00 00 01 01 00 00");
    EXPECT_EQ(Init_Scan_Card_Ex(2), TXORB_ERR_OK);
    EXPECT_EQ(other.PacketsHex(), kHandshake);
    EXPECT_EQ(Get_Active_Card(), 2);
    EXPECT_EQ(SlotHex(2), "FF FF 00 00 FF FF 00 00 00 00 00 00 04 00 00 00 01 01 00 00");
    EXPECT_EQ(SlotHex(0), kEmptySlot);
    // A slot that holds a card is only made active again: nothing is sent or read.
    link::Card* card = link::CardInSlot(1);
    rtb.Clear();
    registry.Write("");
    EXPECT_TRUE(Init_Scan_Card());
    EXPECT_EQ(Get_Active_Card(), 1);
    EXPECT_EQ(link::CardInSlot(1), card);
    EXPECT_FALSE(rtb.WaitForPackets(1, 100));
}

TEST_F(CardSlots, FailedHandshakeLeavesTheSlotAsItWas) {
    const struct {
        const char* what;
        test::Reply reset;  // the answer to the reset must never count as the status
        test::Reply hello;
        uint32_t code;
    } cases[] = {
        {"status 0", FakeRtb::Status(1), FakeRtb::Status(0), TXORB_ERR_RTB_DID_NOT_EXECUTE},
        {"late reset answer", test::Reply{{1, 0, 1}, 20}, FakeRtb::Status(0),
         TXORB_ERR_RTB_DID_NOT_EXECUTE},
        {"silent", test::Reply{}, test::Reply{}, TXORB_ERR_RESPONSE_TIMEOUT},
        {"two-byte reply", FakeRtb::Status(1), FakeRtb::Data({1, 1}),
         TXORB_ERR_WRONG_RESPONSE_LENGTH},
    };
    Configure();
    for (const auto& c : cases) {
        rtb.Clear();
        rtb.ReplyTo(0xB1, c.reset);
        rtb.ReplyTo(0x73, c.hello);
        EXPECT_EQ(Init_Scan_Card_Ex(1), c.code) << c.what;
        EXPECT_EQ(rtb.PacketsHex(), kHandshake) << c.what;
        EXPECT_EQ(link::CardInSlot(1), nullptr) << c.what;
        EXPECT_EQ(Get_Active_Card(), 0) << c.what;
        EXPECT_EQ(SlotHex(1), kEmptySlot) << c.what;
    }
    EXPECT_FALSE(Init_Scan_Card());
    rtb.ReplyTo(0x73, FakeRtb::Status(1));
    EXPECT_TRUE(Init_Scan_Card());
}

// Pending list records belong to the card they were meant for: initialisation drops them once
// the slot number and the links are good, before the new card is built, even when its
// handshake then fails; a refusal before that point, or a slot already up, keeps them.
TEST_F(CardSlots, InitialisationDropsPendingListRecordsOnlyOnceTheLinksAreChosen) {
    constexpr uint32_t kOneRecord = 5;  // bytes
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

TEST_F(CardSlots, SerialPortValuesOutsideTheTableAndAMissingDeviceAreRefusedAtOnce) {
    const std::pair<std::string, uint32_t> cases[] = {
        {"\"serial_port\"=\"20\"\n", TXORB_ERR_INVALID_SERIAL_PORT_NUMBER},
        {"\"serial_port\"=\"40\"\n", TXORB_ERR_INVALID_SERIAL_PORT_NUMBER},
        {"\"serial_port\"=\"60\"\n", TXORB_ERR_INVALID_SERIAL_PORT_NUMBER},
        {"\"serial_port\"=\"24\"\n", TXORB_ERR_INVALID_SERIAL_PORT_NUMBER},
        {"\"serial_port\"=\"-3\"\n", TXORB_ERR_INVALID_SERIAL_PORT_NUMBER},
        {"\"serial_port\"=dword:00000003\n", TXORB_ERR_SERIAL_PORT_KEY_NOT_FOUND},
        {"\"serial_port\"=\"x\"\n", TXORB_ERR_SERIAL_PORT_KEY_NOT_FOUND},  // 0: no device map
        {"\"serial_port\"=\"7\"\n", TXORB_ERR_SERIAL_SEND_FAILED},         // COM7 does not exist
    };
    for (const auto& [values, code] : cases) {
        registry.Write(test::TempRegistry::ComPort(7, dir.File("no-such-tty")) + CardKey(1) +
                       values);
        const auto start = Clock::now();
        EXPECT_EQ(Init_Scan_Card_Ex(1), code) << values;
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
        EXPECT_EQ(SlotHex(1), kEmptySlot) << values;
    }
    EXPECT_EQ(Init_Scan_Card_Ex(0), TXORB_ERR_INVALID_CARD_NUMBER);
    EXPECT_FALSE(rtb.WaitForPackets(1, 50));
}

TEST_F(CardSlots, LinkChoiceForEveryConfigurationBranch) {
    const std::string serialMap = "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n";
    // Resource descriptors 1..3 start at 0x3000, 0x1000, 0x2000 (bytes 40, 56, 72 of the list).
    const std::string list =
        test::TempRegistry::HexWords(80, {{40, 0x3000}, {56, 0x1000}, {72, 0x2000}});
    const std::string resources =
        "[HKEY_LOCAL_MACHINE\\HARDWARE\\RESOURCEMAP\\LOADED PARALLEL DRIVER RESOURCES\\oxpar]\n"
        "\"\\\\Device\\\\ParallelPort0.Raw\"=" +
        list + "\n";
    const std::string ports = "\"parallel_port\"=\"378\"\n\"fifo_port\"=\"778\"\n";
    const std::string noParallel = "FF FF 00 00 FF FF 00 00 00 00 00 00 ";
    const struct {
        std::string text;
        uint32_t code;
        std::string descriptor;
    } cases[] = {
        {"\"serial_port\"=\"5\"\n" + ports, 0,
         "78 03 00 00 78 07 00 00 01 00 00 00 05 00 00 00 01 01 00 00"},
        {"\"serial_port\"=\"19\"\n\"fifo_port\"=\"778\"\n", 0,
         noParallel + "13 00 00 00 01 01 00 00"},
        {"\"serial_port\"=\"45\"\n" + ports, 0, noParallel + "05 00 00 00 01 01 00 00"},
        {"\"serial_port\"=\"59\"\n", 0, noParallel + "13 00 00 00 01 01 00 00"},
        {"\"serial_port\"=\"0\"\n" + serialMap + "\"Oxser0\"=\"COM6\"\n", 0,
         noParallel + "06 00 00 00 00 01 00 00"},
        {"\"serial_port\"=\"25\"\n" + ports + serialMap + "\"\\\\Device\\\\Oxser0\"=\"COM6\"\n", 0,
         "78 03 00 00 78 07 00 00 01 00 00 00 06 00 00 00 00 01 00 00"},
        {"\"serial_port\"=\"0\"\n\"parallel_port\"=\"0\"\n\"fifo_port\"=\"778\"\n" + serialMap +
             "\"Oxser0\"=\"COM6\"\n" + resources,
         0, "00 10 00 00 00 20 00 00 01 00 00 00 06 00 00 00 00 01 00 00"},
        {"\"serial_port\"=\"25\"\n" + serialMap + "\"Oxser2\"=\"COM2\"\n",  // card 2's entry
         TXORB_ERR_SERIAL_PORT_KEY_NOT_FOUND, ""},
        {"\"serial_port\"=\"3\"\n[HKEY_LOCAL_MACHINE\\Software\\Zazave]\n\"ping_allowed\"="
         "\"YES\"\n",
         TXORB_ERR_COULD_NOT_PING_SERIAL_PORT, ""},
    };
    for (const auto& c : cases) {
        registry.Write(CardKey(1) + c.text);
        link::LinkDescriptor d = link::MakeDescriptor(1, 2, 3, 4, 5, 6);
        const std::string before = DescriptorHex(d);
        EXPECT_EQ(link::ChooseCardLinks(1, &d), c.code) << c.text;
        EXPECT_EQ(DescriptorHex(d), c.code == 0 ? c.descriptor : before) << c.text;
    }
}

TEST_F(CardSlots, RemovalSendsTheStopSequenceWaitsAndAlwaysEmptiesTheSlot) {
    const struct {
        const char* what;
        uint8_t opcode;     // 0: every request answered with status 1
        test::Reply reply;  // the answer to that opcode
        uint32_t code;
        Strings packets;
    } cases[] = {
        {"all answered", 0, {}, TXORB_ERR_OK, kStopSequence},
        {"stop not answered", 0x24, test::Reply{}, TXORB_ERR_OK, kStopSequence},
        {"stop refused", 0x24, FakeRtb::Status(0), TXORB_ERR_OK, kStopSequence},
        {"T3 refused",
         0x3E,
         FakeRtb::Status(0),
         TXORB_ERR_RTB_DID_NOT_EXECUTE,
         {"24 00 00", "3E 02 00 00 00"}},
    };
    Configure();
    for (const auto& c : cases) {
        rtb.SetResponder([](const proto::Packet&) { return FakeRtb::Status(1); });
        if (c.opcode != 0) rtb.ReplyTo(c.opcode, c.reply);
        ASSERT_EQ(Init_Scan_Card_Ex(1), TXORB_ERR_OK) << c.what;
        rtb.Clear();
        const auto start = Clock::now();
        EXPECT_EQ(link::RemoveCard(1), c.code) << c.what;
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(link::kRemovalSettleMs));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(rtb.PacketsHex(), c.packets) << c.what;
        EXPECT_EQ(link::CardInSlot(1), nullptr) << c.what;
        EXPECT_EQ(Get_Active_Card(), 0) << c.what;
        EXPECT_EQ(SlotHex(1), kEmptySlot) << c.what;
        rtb.ReplyTo(0x24, FakeRtb::Status(1));
        rtb.ReplyTo(0x3E, FakeRtb::Status(1));
    }
}

TEST_F(CardSlots, RemovalLeavesNoActiveCardAndOnlyHoldingSlotsCanBeMadeActive) {
    Configure();
    ASSERT_EQ(Init_Scan_Card_Ex(2), TXORB_ERR_OK);
    const struct {
        uint16_t slot;
        bool ok;
        uint32_t lastError;
    } cases[] = {{1, false, 0}, {2, true, 0}, {10, false, 0}, {0, false, 26}, {11, false, 26}};
    for (const auto& c : cases) {
        EXPECT_EQ(Set_Active_Card(c.slot), c.ok) << c.slot;
        EXPECT_EQ(Get_Active_Card(), 2) << c.slot;
        EXPECT_EQ(Get_Last_Error_Code(), c.lastError) << c.slot;
    }
    ASSERT_EQ(Init_Scan_Card_Ex(1), TXORB_ERR_OK);
    ASSERT_TRUE(Set_Active_Card(1));
    rtb.Clear();
    other.Clear();
    EXPECT_EQ(Remove_Scan_Card_Ex(2), 0u);  // not the active one
    EXPECT_EQ(Get_Active_Card(), 0);
    EXPECT_EQ(other.PacketsHex(), kStopSequence);
    EXPECT_EQ(rtb.PacketsHex(), Strings{});
    ASSERT_TRUE(Set_Active_Card(1));
    EXPECT_EQ(Remove_Scan_Card_Ex(5), 0u);  // an empty slot
    EXPECT_EQ(Get_Active_Card(), 0);
    ASSERT_TRUE(Set_Active_Card(1));
    EXPECT_EQ(Remove_Scan_Card_Ex(11), 0u);  // no slot at all: nothing changes
    EXPECT_EQ(Get_Active_Card(), 1);
    EXPECT_TRUE(Remove_Scan_Card());
    EXPECT_EQ(Get_Active_Card(), 0);
    EXPECT_EQ(rtb.PacketsHex(), kStopSequence);
}

// Only 0 (or an unreadable value) falls back to the 2,000 ms default; every other value is the
// link's unsigned timeout, so "-1" waits 0xFFFFFFFF ms for a card that answers late, and still
// ends when the card goes away.
TEST_F(CardSlots, CommTimeoutOnlyZeroFallsBackToTwoSecondsAndAnEndlessOneEndsAtHangUp) {
    constexpr int kLateMs = 2300;  // past the 2,000 ms default
    for (const auto& [value, code] :
         {std::pair{"0", TXORB_ERR_RESPONSE_TIMEOUT}, std::pair{"-1", TXORB_ERR_OK}}) {
        registry.Write(test::TempRegistry::ComPort(3, rtb.Path()) + CardKey(1) +
                       "\"serial_port\"=\"3\"\n\"comm_timeout\"=\"" + value + "\"\n");
        rtb.ReplyTo(0x73, test::Reply{proto::StatusReply(1), kLateMs});
        const auto start = Clock::now();
        EXPECT_EQ(Init_Scan_Card_Ex(1), static_cast<uint32_t>(code)) << value;
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1900)) << value;
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(4000)) << value;
        Remove_Scan_Card_Ex(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(kLateMs));  // a late answer passes
    }
    rtb.ReplyTo(0x73, test::Reply{});
    std::thread hangUp([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        rtb.HangUp();
    });
    const auto start = Clock::now();
    EXPECT_NE(Init_Scan_Card_Ex(1), TXORB_ERR_OK);
    hangUp.join();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3000));
}

}  // namespace
}  // namespace txorb
