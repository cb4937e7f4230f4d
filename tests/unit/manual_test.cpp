// Manual operation and positioning: packets, results, the input discard of the manual vector,
// and the position queries' rules for their outputs and the last error.
#include <gtest/gtest.h>

#include <chrono>

#include "common/process_state.h"
#include "link/card_table.h"
#include "list_card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using Manual = test::ListCardTest;

TEST_F(Manual, SwitchesAndMovesSendTheirPacketsAndReportAsTheySay) {
    CheckStatusCommands({
        {"Start_Manual_Operation", Start_Manual_Operation, "63 00 00", false},
        {"Stop_Manual_Operation", Stop_Manual_Operation, "64 00 00", false},
        {"Start_Laser_Manually", Start_Laser_Manually, "65 00 00", false},
        {"Stop_Laser_Manually", Stop_Laser_Manually, "66 00 00", false},
        {"Start_Manual_Move", Start_Manual_Move, "67 00 00", false},
        {"Stop_Manual_Move", Stop_Manual_Move, "68 00 00", false},
        {"Set_DXDY_Manual", [] { return Set_DXDY_Manual(-1, 2); }, "5E 04 00 FF FF 02 00", false},
        {"Goto_XY", [] { return Goto_XY(-1, 2); }, "29 04 00 FF FF 02 00", true},
    });
}

TEST_F(Manual, GotoXYExSendsAndReturnsWithoutWaitingForAReply) {
    ShowErrors();
    rtb.ReplyTo(0xA6, test::Reply{});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(Goto_XY_Ex(-1, 2));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kTimeoutMs));
    ASSERT_TRUE(rtb.WaitForPackets(1, 1000));
    EXPECT_EQ(test::Hex(Raw(0)), "A6 04 00 FF FF 02 00");

    test::FailSerialWrites() = true;
    const int purges = test::InputPurges();
    EXPECT_FALSE(Goto_XY_Ex(3, 4));
    test::FailSerialWrites() = false;
    EXPECT_EQ(Shown(), std::vector<std::string>{"42 Goto_XY_Ex"});
    EXPECT_EQ(test::InputPurges() - purges, 1);  // the send's own discard only
}

// The manual vector drops any unread input after its exchange, whatever the exchange gave;
// Goto_XY, an ordinary status exchange, discards only before its send.
TEST_F(Manual, SetDxDyManualDiscardsInputAfterEveryExchange) {
    const struct {
        const char* what;
        bool (*call)(int16_t, int16_t);
        test::Reply reply;
        bool failWrite;
        bool result;
        int purges;
    } cases[] = {
        {"accepted", Set_DXDY_Manual, test::FakeRtb::Status(1), false, true, 2},
        {"status 0", Set_DXDY_Manual, test::FakeRtb::Status(0), false, false, 2},
        {"silence", Set_DXDY_Manual, test::Reply{}, false, false, 2},
        {"write refused", Set_DXDY_Manual, test::FakeRtb::Status(1), true, false, 2},
        {"Goto_XY accepted", Goto_XY, test::FakeRtb::Status(1), false, true, 1},
    };
    for (const auto& c : cases) {
        rtb.SetResponder([reply = c.reply](const proto::Packet&) { return reply; });
        test::FailSerialWrites() = c.failWrite;
        const int before = test::InputPurges();
        EXPECT_EQ(c.call(5, 6), c.result) << c.what;
        test::FailSerialWrites() = false;
        EXPECT_EQ(test::InputPurges() - before, c.purges) << c.what;
    }
}

TEST_F(Manual, GetManualMoveReturnsTheReplyByteUnjudged) {
    const struct {
        test::Reply reply;
        uint8_t expected;
    } cases[] = {
        {test::FakeRtb::Data({0x00}), 0x00},
        {test::FakeRtb::Data({0x07}), 0x07},
        {test::FakeRtb::Data({0xFF}), 0xFF},
        {test::Reply{}, 0x00},
    };
    ShowErrors();
    for (const auto& c : cases) {
        rtb.Clear();
        rtb.ReplyTo(0x84, c.reply);
        EXPECT_EQ(Get_Manual_Move(), c.expected);
        ASSERT_TRUE(rtb.WaitForPackets(1, 1000));
        EXPECT_EQ(test::Hex(Raw(0)), "84 00 00");
    }
    EXPECT_TRUE(Shown().empty());
}

TEST_F(Manual, GetXYPosAsksYOnlyAfterXAndLeavesItsCodeAsTheLastError) {
    ShowErrors();
    const struct {
        const char* what;
        test::Reply xReply;
        bool active;
        bool result;
        int16_t x, y;
        ErrorCode lastError;
        const char* packets;
    } cases[] = {
        {"both answered", test::FakeRtb::Data({0xFF, 0xFF}), true, true, -1, 0x0201, 0, "78 81"},
        {"X silent", test::Reply{}, true, false, 0, 1234, err::kResponseTimeout, "78"},
        {"X too long", test::FakeRtb::Data({1, 2, 3}), true, false, 0, 1234,
         err::kWrongResponseLength, "78"},
        {"no card", test::Reply{}, false, false, 0, 1234, err::kNoCardActive, ""},
    };
    for (const auto& c : cases) {
        rtb.Clear();
        test::RecordedMessages().clear();
        rtb.ReplyTo(0x78, c.xReply);
        rtb.ReplyTo(0x81, test::FakeRtb::Data({0x01, 0x02}));
        link::SetActiveCardIndex(c.active ? 1 : 0);
        StoreLastErrorCode(99);
        int16_t x = 1111;
        int16_t y = 1234;
        EXPECT_EQ(Get_XY_Pos(&x, &y), c.result) << c.what;
        EXPECT_EQ(x, c.x) << c.what;
        EXPECT_EQ(y, c.y) << c.what;
        EXPECT_EQ(Get_Last_Error_Code(), c.lastError) << c.what;
        std::string opcodes;
        for (const auto& p : rtb.Packets())
            opcodes += (opcodes.empty() ? "" : " ") + test::Hex({p.opcode});
        EXPECT_EQ(opcodes, c.packets) << c.what;
        const auto expected =
            c.result ? std::vector<std::string>{}
                     : std::vector<std::string>{std::to_string(c.lastError) + " Get_XY_Pos"};
        EXPECT_EQ(Shown(), expected) << c.what;
    }
}

TEST_F(Manual, GetXYPosWithANullPointerGivesInvalidPointerAndSendsNothing) {
    ShowErrors();
    int16_t v = 7;
    EXPECT_FALSE(Get_XY_Pos(nullptr, &v));
    EXPECT_FALSE(Get_XY_Pos(&v, nullptr));
    EXPECT_EQ(v, 7);
    EXPECT_EQ(Get_Last_Error_Code(), err::kInvalidPointer);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"19 Get_XY_Pos", "19 Get_XY_Pos"}));
    EXPECT_FALSE(rtb.WaitForPackets(1, 50));
}

TEST_F(Manual, PairReadsAlwaysAskBothAndSucceedWithZerosForFailures) {
    const struct {
        const char* name;
        bool (*call)(int16_t*, int16_t*);
        uint8_t first, second;
    } cases[] = {
        {"Get_XY_Manual", Get_XY_Manual, 0x79, 0x82},
        {"Get_DXDY_Manual", Get_DXDY_Manual, 0x80, 0x83},
    };
    for (const auto& c : cases) {
        rtb.Clear();
        link::SetActiveCardIndex(1);
        rtb.ReplyTo(c.first, test::Reply{});
        rtb.ReplyTo(c.second, test::FakeRtb::Data({0xFE, 0xFF}));
        int16_t a = 5, b = 5;
        EXPECT_TRUE(c.call(&a, &b)) << c.name;
        EXPECT_EQ(a, 0) << c.name;
        EXPECT_EQ(b, -2) << c.name;
        ASSERT_TRUE(rtb.WaitForPackets(2, 1000)) << c.name;
        EXPECT_EQ(test::Hex(Raw(0)) + " " + test::Hex(Raw(1)),
                  test::Hex({c.first, 0, 0, c.second, 0, 0}))
            << c.name;

        link::SetActiveCardIndex(0);
        a = b = 5;
        EXPECT_TRUE(c.call(&a, &b)) << c.name;
        EXPECT_EQ(a, 0);
        EXPECT_EQ(b, 0);

        StoreLastErrorCode(0);
        EXPECT_FALSE(c.call(&a, nullptr)) << c.name;
        EXPECT_EQ(Get_Last_Error_Code(), err::kInvalidPointer) << c.name;
    }
}

}  // namespace
}  // namespace txorb
