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

struct Command {
    const char* name;
    bool (*call)();
    const char* packet;
    const char* reportedAs;  // null: reports nothing
};

const Command kCommands[] = {
    {"Execute_List_1", Execute_List_1, "41 02 00 00 00", "Execute_List_1"},
    {"Execute_List_2", Execute_List_2, "41 02 00 01 00", "Execute_List_2"},
    {"Restart_List_1", Restart_List_1, "41 02 00 00 00", "Restart_List_1"},
    {"Restart_List_2", Restart_List_2, "41 02 00 01 00", "Restart_List_2"},
    {"Set_Start_List_1", Set_Start_List_1, "43 02 00 00 00", "Set_Start_List_1"},
    {"Set_Start_List_2", Set_Start_List_2, "43 02 00 01 00", "Set_Start_List_2"},
    {"Start_Loop", Start_Loop, "25 00 00", "Start_Loop"},
    {"Quit_Loop", Quit_Loop, "26 00 00", nullptr},
    {"Stop_Execution", Stop_Execution, "24 00 00", "Stop_Execution"},
    {"Stop_Execution_NoClear", Stop_Execution_NoClear, "2F 00 00", "Stop_Execution_NoClear"},
    {"Aut_Change", Aut_Change, "4E 00 00", "Aut_Change"},
    {"Enable_Laser", Enable_Laser, "46 00 00", "Enable_Laser"},
    {"Disable_Laser", Disable_Laser, "4F 00 00", "Disable_Laser"},
};

TEST_F(Execution, EachCommandSendsItsPacketAndJudgesTheStatus) {
    ShowErrors();
    for (const auto& c : kCommands) {
        for (uint8_t status : {1, 0}) {
            rtb.Clear();
            test::RecordedMessages().clear();
            rtb.SetResponder([status](const proto::Packet&) { return test::FakeRtb::Status(status); });
            EXPECT_EQ(c.call(), status != 0) << c.name;
            ASSERT_TRUE(rtb.WaitForPackets(1, 1000)) << c.name;
            EXPECT_EQ(test::Hex(Raw(0)), c.packet) << c.name;
            std::vector<std::string> expected;
            if (status == 0 && c.reportedAs != nullptr) expected.push_back(std::string("40 ") + c.reportedAs);
            EXPECT_EQ(Shown(), expected) << c.name << " status " << int(status);
        }
    }
}

TEST_F(Execution, WithoutACardNothingIsSentAnd26IsLeft) {
    SetActiveCardIndex(0);
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
        EXPECT_EQ(TheListBuffer().HighWater(), 0u) << c.name;
    }
}

TEST_F(Execution, StopWithoutACardStillEmptiesTheBuffer) {
    SetActiveCardIndex(0);
    ASSERT_TRUE(Mark_Abs(1, 2));
    EXPECT_FALSE(Stop_Execution());
    EXPECT_EQ(Get_Last_Error_Code(), err::kNoCardActive);
    EXPECT_EQ(TheListBuffer().HighWater(), 0u);
}

// A stop whose send fails says so with 38, and honours a message-box switch turned on since
// the first report.
TEST_F(Execution, AFailedStopSendGives38AndRereadsTheMessageSwitch) {
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

TEST_F(Execution, ReceiveFailuresOfTheStopAreNotTurnedInto38) {
    ShowErrors();
    rtb.ReplyTo(0x24, test::Reply{});
    EXPECT_FALSE(Stop_Execution());
    EXPECT_EQ(Shown(), std::vector<std::string>{"45 Stop_Execution"});
}

}  // namespace
}  // namespace txorb
