// I/O ports, mirror selectors and the DTR/DSR lines.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "support/command_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;
using test::ShownReports;
using Strings = std::vector<std::string>;

class IoPorts : public test::CommandTest {};

TEST_F(IoPorts, WritesAndSelectorsSendTheirPayloads) {
    Install();
    const struct {
        std::function<bool()> call;
        const char* wire;
        const char* reportedAs;  // for status 0; null: not reported
    } cases[] = {
        {[] { return Write_Port(2, 0x1234); }, "71 04 00 02 00 34 12", "Write_Port"},
        {[] { return Test_Write_Port(0xFFFF, 1); }, "35 04 00 FF FF 01 00", nullptr},
        {[] { return Set_DTR_Mirror_Selector(0x0102); }, "BB 02 00 02 01",
         "Set_DTR_Mirror_Selector"},
        {[] { return Set_DSR_Mirror_Selector(3); }, "CC 02 00 03 00", "Set_DSR_Mirror_Selector"},
    };
    for (const auto& c : cases) {
        rtb.Clear();
        rtb.SetResponder([](const proto::Packet&) { return FakeRtb::Status(1); });
        EXPECT_TRUE(c.call());
        EXPECT_EQ(Wire(), c.wire);
        ShownReports().clear();
        rtb.SetResponder([](const proto::Packet&) { return FakeRtb::Status(0); });
        EXPECT_FALSE(c.call());
        const Strings expected =
            c.reportedAs ? Strings{std::string("40 ") + c.reportedAs} : Strings{};
        EXPECT_EQ(ShownReports(), expected) << c.wire;
    }
}

TEST_F(IoPorts, ReadsDeliverTheTwoReplyBytesOrZero) {
    Install(100);
    const struct {
        test::Reply reply;
        bool ok;
        uint16_t value;
        const char* code;
    } cases[] = {
        {FakeRtb::Data({0x34, 0x12}), true, 0x1234, nullptr},
        {FakeRtb::Data({0x7F}), true, 0x007F, nullptr},  // a short reply: the rest reads as 0
        {FakeRtb::Data({1, 2, 3}), false, 0, "44"},
        {test::Reply{}, false, 0, "45"},
    };
    for (const auto& c : cases) {
        for (auto [opcode, read, name] :
             {std::tuple{uint8_t{0x72}, &Read_Port, "Read_Port"},
              std::tuple{uint8_t{0x50}, &Test_Read_Port, static_cast<const char*>(nullptr)}}) {
            rtb.Clear();
            ShownReports().clear();
            rtb.ReplyTo(opcode, c.reply);
            uint16_t value = 0xAAAA;
            EXPECT_EQ(read(5, &value), c.ok);
            EXPECT_EQ(value, c.value);
            EXPECT_EQ(Wire(), test::Hex({opcode}) + " 02 00 05 00");
            const Strings expected =
                c.code && name ? Strings{std::string(c.code) + " " + name} : Strings{};
            EXPECT_EQ(ShownReports(), expected);
        }
    }
}

TEST_F(IoPorts, NoCardGivesNoCardActiveAndTouchesNothing) {
    uint16_t value = 0xAAAA, state = 0xAAAA;
    EXPECT_FALSE(Read_Port(1, &value));
    EXPECT_EQ(value, 0);  // cleared before the card is looked up
    EXPECT_FALSE(Write_Port(1, 1));
    EXPECT_FALSE(Read_DSR_State(&state));
    EXPECT_EQ(state, 0xAAAA);
    EXPECT_FALSE(Set_DTR_State(1));
    EXPECT_FALSE(Test_Write_Port(1, 1));
    EXPECT_EQ(ShownReports(),
              (Strings{"26 Read_Port", "26 Write_Port", "26 Read_DSR_State", "26 Set_DTR_State"}));
    EXPECT_FALSE(rtb.WaitForPackets(1, 50));
}

TEST_F(IoPorts, ACaptureFileThatCannotBeWrittenFailsTheWriteButTheCardGetsIt) {
    Install(100, "/dev/full");
    EXPECT_FALSE(Write_Port(2, 0x1234));
    EXPECT_EQ(Wire(), "71 04 00 02 00 34 12");
    EXPECT_EQ(ShownReports(), Strings{"43 Write_Port"});
}

// A pty has no modem lines: DTR cannot be changed and DSR reads as off.
TEST_F(IoPorts, SignalLinesOnAPty) {
    Install();
    uint16_t state = 0xAAAA;
    EXPECT_TRUE(Read_DSR_State(&state));
    EXPECT_EQ(state, 0);
    EXPECT_FALSE(Set_DTR_State(1));
    EXPECT_FALSE(Set_DTR_State(0));
    EXPECT_EQ(ShownReports(), (Strings{"37 Set_DTR_State", "37 Set_DTR_State"}));
    EXPECT_FALSE(rtb.WaitForPackets(1, 50));  // no packet for either line
}

TEST_F(IoPorts, SignalLinesOnAPortThatIsNotOpen) {
    registry.Write("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB]\n\"DisplayErrors\"=dword:1\n" +
                   test::TempRegistry::ComPort(kComPort, dir.File("no-such-tty")));
    Install();
    uint16_t state = 0xAAAA;
    EXPECT_TRUE(Read_DSR_State(&state));
    EXPECT_EQ(state, 0);
    EXPECT_FALSE(Set_DTR_State(1));
    EXPECT_EQ(ShownReports(), Strings{"37 Set_DTR_State"});
}

}  // namespace
}  // namespace txorb
