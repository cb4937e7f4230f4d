// List execution control: the packets, the results and reports, and the stop's handling of
// records still pending.
#include <gtest/gtest.h>

#include <functional>

#include "common/process_state.h"
#include "link/card_table.h"
#include "list_card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using Execution = test::ListCardTest;

const test::StatusCommand kCommands[] = {
    {"Execute_List_1", Execute_List_1, "41 02 00 00 00", true},
    {"Execute_List_2", Execute_List_2, "41 02 00 01 00", true},
    {"Restart_List_1", Restart_List_1, "41 02 00 00 00", true},
    {"Restart_List_2", Restart_List_2, "41 02 00 01 00", true},
    {"Set_Start_List_1", Set_Start_List_1, "43 02 00 00 00", true},
    {"Set_Start_List_2", Set_Start_List_2, "43 02 00 01 00", true},
    {"Start_Loop", Start_Loop, "25 00 00", true},
    {"Quit_Loop", Quit_Loop, "26 00 00", false},
    {"Stop_Execution", Stop_Execution, "24 00 00", true},
    {"Stop_Execution_NoClear", Stop_Execution_NoClear, "2F 00 00", true},
    {"Aut_Change", Aut_Change, "4E 00 00", true},
    {"Enable_Laser", Enable_Laser, "46 00 00", true},
    {"Disable_Laser", Disable_Laser, "4F 00 00", true},
};

TEST_F(Execution, EachCommandSendsItsPacketAndJudgesTheStatus) {
    CheckStatusCommands({std::begin(kCommands), std::end(kCommands)});
}

TEST_F(Execution, WithoutACardNothingIsSentAndNoCardActiveIsLeft) {
    link::SetActiveCardIndex(0);
    for (const auto& c : kCommands) {
        StoreLastErrorCode(0);
        EXPECT_FALSE(c.call()) << c.name;
        EXPECT_EQ(Get_Last_Error_Code(), err::kNoCardActive) << c.name;
    }
    EXPECT_FALSE(rtb.WaitForPackets(1, 50));
}

TEST_F(Execution, StopSendsPendingRecordsFirstAndLeavesTheBufferEmpty) {
    const struct {
        const char* name;
        bool (*stop)();
        uint8_t listStatus;  // the card's answer to the pending records
        const char* stopPacket;
    } cases[] = {
        {"Stop_Execution", Stop_Execution, 1, "24 00 00"},
        {"Stop_Execution, flush refused", Stop_Execution, 0, "24 00 00"},
        {"Stop_Execution_NoClear", Stop_Execution_NoClear, 1, "2F 00 00"},
        {"Stop_Execution_NoClear, flush refused", Stop_Execution_NoClear, 0, "2F 00 00"},
    };
    for (const auto& c : cases) {
        rtb.Clear();
        rtb.ReplyTo(0x9C, test::FakeRtb::Status(c.listStatus));
        ASSERT_TRUE(Mark_Abs(1, 2));
        ASSERT_TRUE(Laser_On(3));
        EXPECT_TRUE(c.stop()) << c.name;
        ASSERT_TRUE(rtb.WaitForPackets(2, 1000)) << c.name;
        EXPECT_EQ(test::Hex(Raw(0)), "9C 0A 00 0A 01 00 02 00 0B 03 00 00 00") << c.name;
        EXPECT_EQ(test::Hex(Raw(1)), c.stopPacket) << c.name;
        EXPECT_EQ(list::TheListBuffer().HighWater(), 0u) << c.name;
    }
}

TEST_F(Execution, StopWithoutACardStillEmptiesTheBuffer) {
    link::SetActiveCardIndex(0);
    ASSERT_TRUE(Mark_Abs(1, 2));
    EXPECT_FALSE(Stop_Execution());
    EXPECT_EQ(Get_Last_Error_Code(), err::kNoCardActive);
    EXPECT_EQ(list::TheListBuffer().HighWater(), 0u);
}

// A stop whose send fails says so with 38, and honours a message-box switch turned on since
// the first report.
TEST_F(Execution, AFailedStopSendGivesCouldNotSendAndRereadsTheMessageSwitch) {
    ASSERT_TRUE(Execute_List_1());  // the first report reads the switch: off
    ShowErrors();
    rtb.SetResponder([](const proto::Packet&) { return test::FakeRtb::Status(0); });
    EXPECT_FALSE(Execute_List_1());
    EXPECT_TRUE(Shown().empty());  // the switch is not read again here
    test::FailSerialWrites() = true;
    EXPECT_FALSE(Stop_Execution_NoClear());
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(Stop_Execution());
    test::FailSerialWrites() = false;
    EXPECT_EQ(Shown(), std::vector<std::string>{"38 Stop_Execution"});
}

TEST_F(Execution, ReceiveFailuresOfTheStopKeepTheirOwnCodes) {
    ShowErrors();
    rtb.ReplyTo(0x24, test::Reply{});
    EXPECT_FALSE(Stop_Execution());
    EXPECT_EQ(Shown(), std::vector<std::string>{"45 Stop_Execution"});
}

}  // namespace
}  // namespace txorb
