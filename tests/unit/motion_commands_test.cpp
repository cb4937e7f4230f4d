// Timing and motion parameters: the packet of every setter, the reports of every failure, the
// mode word's capture switch, the composite gain setter and the two speed getters.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>

#include "common/process_state.h"
#include "list/vector_capture.h"
#include "support/command_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;
using test::ShownReports;
using Strings = std::vector<std::string>;

double Bits(uint64_t image) {
    double value;
    std::memcpy(&value, &image, sizeof value);
    return value;
}

struct Setter {
    std::function<bool()> call;
    std::string wire;
    const char* reportedAs;  // null: never reported
    uint32_t codeForStatus0;
};

const Setter kSetters[] = {
    {[] { return Set_Auto_Delay(0x1234); }, "36 02 00 34 12", "Set_Auto_Delay", 40},
    {[] { return Set_Jump_Delay(100); }, "37 02 00 64 00", "Set_Jump_Delay", 40},
    {[] { return Set_Mark_Delay(1); }, "38 02 00 01 00", "Set_Mark_Delay", 40},
    {[] { return Set_Poly_Delay(2); }, "39 02 00 02 00", "Set_Poly_Delay", 40},
    {[] { return Set_Laser_Off_Delay(3); }, "3A 02 00 03 00", "Set_Laser_Off_Delay", 40},
    {[] { return Set_Laser_On_Delay(65535); }, "3B 02 00 FF FF", "Set_Laser_On_Delay", 40},
    {[] { return Set_T1(5); }, "3C 02 00 05 00", "Set_T1", 40},
    {[] { return Set_T2(6); }, "3D 02 00 06 00", "Set_T2", 40},
    {[] { return Set_T3(7); }, "3E 02 00 07 00", "Set_T3", 40},
    {[] { return Set_Manual_Delay(8); }, "3F 02 00 08 00", nullptr, 40},
    {[] { return Set_Max_Counts(70000); }, "49 02 00 70 11", "Set_Max_Counts", 40},  // 4464
    {[] { return Set_Max_Counts(-2); }, "49 02 00 FE FF", "Set_Max_Counts", 40},
    {[] { return Set_Mode(0x0201); }, "4A 02 00 01 02", "Set_Mode", 28},
    {[] { return Set_YAG_Parameter(9); }, "4D 02 00 09 00", "Set_YAG_Parameter", 40},
    {[] { return Set_Gain_X(1.0); }, "58 08 00 00 00 00 00 00 00 F0 3F", "Set_Gain_X", 40},
    {[] { return Set_Gain_X(Bits(0x7FF8000000000001ull)); }, "58 08 00 01 00 00 00 00 00 F8 7F",
     "Set_Gain_X", 40},  // a NaN payload travels untouched
    {[] { return Set_Gain_Y(-2.0); }, "59 08 00 00 00 00 00 00 00 00 C0", "Set_Gain_Y", 40},
    {[] { return Set_Offset_X(-1); }, "5A 02 00 FF FF", "Set_Offset_X", 40},
    {[] { return Set_Offset_Y(-32768); }, "5B 02 00 00 80", "Set_Offset_Y", 40},
    {[] { return Set_Jump_Speed(250.0); }, "5C 08 00 00 00 00 00 00 40 6F 40", "Set_Jump_Speed",
     40},
    {[] { return Set_Mark_Speed(0.5); }, "5D 08 00 00 00 00 00 00 00 E0 3F", "Set_Mark_Speed", 40},
    {[] { return Set_Speed(250.0, 1.0); },
     "23 10 00 00 00 00 00 00 40 6F 40 00 00 00 00 00 00 F0 3F", "Set_Speed", 40},
    {[] { return Set_Dig_Gain_Ex(2.0); }, "8A 08 00 00 00 00 00 00 00 00 40", "Set_Dig_Gain_Ex",
     40},
    {[] { return Set_Dig_Gain(0xABCD); }, "A4 02 00 CD AB", "Set_Dig_Gain", 40},
    {[] { return Set_Rot_Grad(-0.0); }, "A5 08 00 00 00 00 00 00 00 00 80", "Set_Rot_Grad", 40},
    {[] { return Set_Mark_Shift(10); }, "A7 02 00 0A 00", "Set_Mark_Shift", 40},
    {[] { return Write_DA(0x1234); }, "28 02 00 00 34", "WriteDA", 40},
};

class MotionCommands : public test::CommandTest {};

TEST_F(MotionCommands, EverySetterSendsItsOpcodeAndPayloadAndSucceedsOnANonZeroStatus) {
    Install();
    rtb.SetResponder([](const proto::Packet&) { return FakeRtb::Status(7); });
    for (const auto& s : kSetters) {
        rtb.Clear();
        EXPECT_TRUE(s.call()) << s.wire;
        EXPECT_EQ(Wire(), s.wire);
    }
    EXPECT_TRUE(ShownReports().empty());
}

TEST_F(MotionCommands, StatusZeroIsReportedUnderTheExportsOwnName) {
    Install();
    rtb.SetResponder([](const proto::Packet&) { return FakeRtb::Status(0); });
    for (const auto& s : kSetters) {
        ShownReports().clear();
        EXPECT_FALSE(s.call()) << s.wire;
        const Strings expected =
            s.reportedAs == nullptr
                ? Strings{}
                : Strings{std::to_string(s.codeForStatus0) + " " + s.reportedAs};
        EXPECT_EQ(ShownReports(), expected) << s.wire;
    }
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_OK);  // the reporter never writes it
}

TEST_F(MotionCommands, NoCardGivesNoCardActiveAndSendsNothing) {
    // No card installed at all.
    EXPECT_FALSE(Set_Jump_Speed(250.0));
    EXPECT_FALSE(Set_Manual_Delay(1));
    EXPECT_FALSE(Write_DA(1));
    EXPECT_FALSE(Set_Rot_Grad(1.0));
    EXPECT_EQ(Get_Jump_Speed(), 0.0);
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_NO_CARD_ACTIVE);
    EXPECT_EQ(ShownReports(),
              (Strings{"26 Set_Jump_Speed", "26 WriteDA", "26 Set_Rot_Grad", "26 Get_Jump_Speed"}));
    EXPECT_FALSE(rtb.WaitForPackets(1, 100));
}

TEST_F(MotionCommands, ModeSwitchesTheCaptureFirstWhateverFollows) {
    EXPECT_FALSE(Set_Mode(0x0200));  // no card yet
    EXPECT_TRUE(list::TheVectorCapture().CaptureEnabled());
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_NO_CARD_ACTIVE);
    EXPECT_FALSE(Set_Mode(0x01FF));
    EXPECT_FALSE(list::TheVectorCapture().CaptureEnabled());

    Install(100);
    rtb.ReplyTo(74, test::Reply{});  // silent: no status can be received
    EXPECT_FALSE(Set_Mode(0xFFFF));
    EXPECT_TRUE(list::TheVectorCapture().CaptureEnabled());
    rtb.ReplyTo(74, test::Reply{{0x02, 0x00, 0x01, 0x01}});  // wrong length
    EXPECT_FALSE(Set_Mode(0x0200));
    rtb.ReplyTo(74, FakeRtb::Status(1));
    EXPECT_TRUE(Set_Mode(0));
    EXPECT_FALSE(list::TheVectorCapture().CaptureEnabled());
    EXPECT_EQ(ShownReports(),
              (Strings{"26 Set_Mode", "26 Set_Mode", "28 Set_Mode", "28 Set_Mode"}));
}

TEST_F(MotionCommands,
       ACaptureFileThatCannotBeWrittenGivesFileSendFailedButTheCardStillGetsThePacket) {
    Install(200, "/dev/full");
    EXPECT_FALSE(Set_Jump_Delay(100));
    EXPECT_EQ(Wire(), "37 02 00 64 00");
    EXPECT_FALSE(Set_Rot_Grad(0.0));
    EXPECT_FALSE(Set_Mode(0x200));  // a send failure keeps its own code, even here
    EXPECT_EQ(ShownReports(), (Strings{"43 Set_Jump_Delay", "43 Set_Rot_Grad", "43 Set_Mode"}));
}

TEST_F(MotionCommands, SetGainStopsAtTheFirstRefusalAndReportsTwice) {
    Install();
    EXPECT_TRUE(Set_Gain(1.0, 2.0, -1, 3));
    EXPECT_EQ(Wire(4),
              "58 08 00 00 00 00 00 00 00 F0 3F 59 08 00 00 00 00 00 00 00 00 40 "
              "5A 02 00 FF FF 5B 02 00 03 00");
    EXPECT_TRUE(ShownReports().empty());

    rtb.Clear();
    rtb.ReplyTo(89, FakeRtb::Status(0));
    EXPECT_FALSE(Set_Gain(1.0, 2.0, -1, 3));
    EXPECT_FALSE(rtb.WaitForPackets(3, 150));
    EXPECT_EQ(Wire(2), "58 08 00 00 00 00 00 00 00 F0 3F 59 08 00 00 00 00 00 00 00 00 40");
    EXPECT_EQ(ShownReports(), (Strings{"40 Set_Gain_Y", "37 Set_Gain"}));
}

TEST_F(MotionCommands, SpeedGettersReturnTheEightBytesOrZero) {
    Install(100);
    const struct {
        test::Reply reply;
        double expected;
        const char* report;  // null: success
    } cases[] = {
        {FakeRtb::Data({0, 0, 0, 0, 0, 0x40, 0x6F, 0x40}), 250.0, nullptr},
        {FakeRtb::Data({0, 0, 0, 0, 0, 0, 0xF0, 0xBF}), -1.0, nullptr},
        {FakeRtb::Data({0, 0, 0, 0}), 0.0, nullptr},  // short: the rest reads as zero
        {FakeRtb::Data(std::vector<uint8_t>(9, 0x40)), 0.0, "44"},
        {test::Reply{}, 0.0, "45"},
    };
    for (const auto& c : cases) {
        for (auto [opcode, get, name] :
             {std::tuple{uint8_t{118}, &Get_Jump_Speed, "Get_Jump_Speed"},
              std::tuple{uint8_t{119}, &Get_Mark_Speed, "Get_Mark_Speed"}}) {
            rtb.Clear();
            ShownReports().clear();
            rtb.ReplyTo(opcode, c.reply);
            EXPECT_EQ(get(), c.expected) << name;
            EXPECT_EQ(test::Hex(rtb.RawReceived()), opcode == 118 ? "76 00 00" : "77 00 00");
            const Strings expected =
                c.report == nullptr ? Strings{} : Strings{std::string(c.report) + " " + name};
            EXPECT_EQ(ShownReports(), expected);
        }
    }
}

TEST_F(MotionCommands, TraceLinesCarryTheArguments) {
    WriteRegistry("\"DisplayMessBox\"=dword:00000001");
    api::ReadTraceSwitch();
    Install();
    rtb.ReplyTo(118, FakeRtb::Data({0, 0, 0, 0, 0, 0x40, 0x6F, 0x40}));
    const struct {
        std::function<void()> call;
        const char* line;
    } cases[] = {
        {[] { Set_Mode(0x2AB); }, "usMode=0x2AB "},
        {[] { Set_Jump_Speed(250.0); }, "dJumpSpeed =250.000000"},
        {[] { Set_Max_Counts(-5); }, "iCounts=-5 "},
        {[] { Set_Offset_Y(-7); }, "ssOffsetY =-7"},
        {[] { Write_DA(300); }, "usValue=300 "},
        {[] { Get_Jump_Speed(); }, "dSpeed =250.000000"},
        {[] { Set_Speed(1.5, 2.0); }, "dJumpSpeed=1.500000 dMarkSpeed=2.000000"},
    };
    for (const auto& c : cases) {
        c.call();
        char line[256];
        api::CopyTraceLine(line, sizeof line);
        EXPECT_STREQ(line, c.line);
    }
}

}  // namespace
}  // namespace txorb
