// The immediate commands: the exact packet of every export that is one status exchange or one
// query, what each gives and reports when the card refuses, stays silent, answers too much or is
// missing, and the rules particular to a few of them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>

#include "api/report.h"
#include "common/process_state.h"
#include "link/card_table.h"
#include "list/list_buffer.h"
#include "list/vector_capture.h"
#include "support/card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;
using test::Hex;
using test::ShownReports;
using test::Strings;

double Bits(uint64_t image) {
    double value;
    std::memcpy(&value, &image, sizeof value);
    return value;
}

// -2, 1.0, 2.0, -0.5, 4.0, 100.0, 0.25, 8.0 and the head 0x01020304: the packed 3D block.
const std::string kBlockHex =
    "FE FF FF FF 00 00 00 00 00 00 F0 3F 00 00 00 00 00 00 00 40 00 00 00 00 00 00 E0 BF "
    "00 00 00 00 00 00 10 40 00 00 00 00 00 00 59 40 00 00 00 00 00 00 D0 3F "
    "00 00 00 00 00 00 20 40 04 03 02 01";

// An export that sends one packet and judges the card's one status byte. `refusal` is what it
// reports when the card answers 0 (0: it never reports), under the name before the "(".
struct StatusExport {
    std::string call;
    std::function<bool()> run;
    std::string wire;
    uint32_t refusal;
    std::string Name() const { return call.substr(0, call.find('(')); }
};
#define STATUS_EXPORT(call, wire, refusal) \
    { \
#call, [] { return call; }, wire, refusal \
    }
constexpr uint32_t kNotExecuted = TXORB_ERR_RTB_DID_NOT_EXECUTE;

const StatusExport kStatusExports[] = {
    STATUS_EXPORT(Set_Auto_Delay(0x1234), "36 02 00 34 12", kNotExecuted),
    STATUS_EXPORT(Set_Jump_Delay(100), "37 02 00 64 00", kNotExecuted),
    STATUS_EXPORT(Set_Mark_Delay(1), "38 02 00 01 00", kNotExecuted),
    STATUS_EXPORT(Set_Poly_Delay(2), "39 02 00 02 00", kNotExecuted),
    STATUS_EXPORT(Set_Laser_Off_Delay(3), "3A 02 00 03 00", kNotExecuted),
    STATUS_EXPORT(Set_Laser_On_Delay(65535), "3B 02 00 FF FF", kNotExecuted),
    STATUS_EXPORT(Set_T1(5), "3C 02 00 05 00", kNotExecuted),
    STATUS_EXPORT(Set_T2(6), "3D 02 00 06 00", kNotExecuted),
    STATUS_EXPORT(Set_T3(7), "3E 02 00 07 00", kNotExecuted),
    STATUS_EXPORT(Set_Manual_Delay(8), "3F 02 00 08 00", 0),
    STATUS_EXPORT(Set_Max_Counts(70000), "49 02 00 70 11", kNotExecuted),  // the low 16 bits
    STATUS_EXPORT(Set_Max_Counts(-2), "49 02 00 FE FF", kNotExecuted),
    STATUS_EXPORT(Set_Mode(0x0201), "4A 02 00 01 02", TXORB_ERR_CARD_NOT_CONFIGURED_FOR_FUNCTION),
    STATUS_EXPORT(Set_YAG_Parameter(9), "4D 02 00 09 00", kNotExecuted),
    STATUS_EXPORT(Set_Gain_X(1.0), "58 08 00 00 00 00 00 00 00 F0 3F", kNotExecuted),
    // A NaN payload travels untouched.
    STATUS_EXPORT(Set_Gain_X(Bits(0x7FF8000000000001)), "58 08 00 01 00 00 00 00 00 F8 7F",
                  kNotExecuted),
    STATUS_EXPORT(Set_Gain_Y(-2.0), "59 08 00 00 00 00 00 00 00 00 C0", kNotExecuted),
    STATUS_EXPORT(Set_Offset_X(-1), "5A 02 00 FF FF", kNotExecuted),
    STATUS_EXPORT(Set_Offset_Y(-32768), "5B 02 00 00 80", kNotExecuted),
    STATUS_EXPORT(Set_Jump_Speed(250.0), "5C 08 00 00 00 00 00 00 40 6F 40", kNotExecuted),
    STATUS_EXPORT(Set_Mark_Speed(0.5), "5D 08 00 00 00 00 00 00 00 E0 3F", kNotExecuted),
    STATUS_EXPORT(Set_Speed(250.0, 1.0), "23 10 00 00 00 00 00 00 40 6F 40 00 00 00 00 00 00 F0 3F",
                  kNotExecuted),
    STATUS_EXPORT(Set_Dig_Gain_Ex(2.0), "8A 08 00 00 00 00 00 00 00 00 40", kNotExecuted),
    STATUS_EXPORT(Set_Dig_Gain(0xABCD), "A4 02 00 CD AB", kNotExecuted),
    STATUS_EXPORT(Set_Rot_Grad(-0.0), "A5 08 00 00 00 00 00 00 00 00 80", kNotExecuted),
    STATUS_EXPORT(Set_Mark_Shift(10), "A7 02 00 0A 00", kNotExecuted),
    {"WriteDA", [] { return Write_DA(0x1234); }, "28 02 00 00 34", kNotExecuted},  // upper byte
    STATUS_EXPORT(Execute_List_1(), "41 02 00 00 00", kNotExecuted),
    STATUS_EXPORT(Execute_List_2(), "41 02 00 01 00", kNotExecuted),
    STATUS_EXPORT(Restart_List_1(), "41 02 00 00 00", kNotExecuted),
    STATUS_EXPORT(Restart_List_2(), "41 02 00 01 00", kNotExecuted),
    STATUS_EXPORT(Set_Start_List_1(), "43 02 00 00 00", kNotExecuted),
    STATUS_EXPORT(Set_Start_List_2(), "43 02 00 01 00", kNotExecuted),
    STATUS_EXPORT(Start_Loop(), "25 00 00", kNotExecuted),
    STATUS_EXPORT(Quit_Loop(), "26 00 00", 0),
    STATUS_EXPORT(Stop_Execution(), "24 00 00", kNotExecuted),
    STATUS_EXPORT(Stop_Execution_NoClear(), "2F 00 00", kNotExecuted),
    STATUS_EXPORT(Aut_Change(), "4E 00 00", kNotExecuted),
    STATUS_EXPORT(Enable_Laser(), "46 00 00", kNotExecuted),
    STATUS_EXPORT(Disable_Laser(), "4F 00 00", kNotExecuted),
    STATUS_EXPORT(Start_Manual_Operation(), "63 00 00", 0),
    STATUS_EXPORT(Stop_Manual_Operation(), "64 00 00", 0),
    STATUS_EXPORT(Start_Laser_Manually(), "65 00 00", 0),
    STATUS_EXPORT(Stop_Laser_Manually(), "66 00 00", 0),
    STATUS_EXPORT(Start_Manual_Move(), "67 00 00", 0),
    STATUS_EXPORT(Stop_Manual_Move(), "68 00 00", 0),
    STATUS_EXPORT(Set_DXDY_Manual(-1, 2), "5E 04 00 FF FF 02 00", 0),
    STATUS_EXPORT(Goto_XY(-1, 2), "29 04 00 FF FF 02 00", kNotExecuted),
    STATUS_EXPORT(Write_Port(2, 0x1234), "71 04 00 02 00 34 12", kNotExecuted),
    STATUS_EXPORT(Test_Write_Port(0xFFFF, 1), "35 04 00 FF FF 01 00", 0),
    STATUS_EXPORT(Set_DTR_Mirror_Selector(0x0102), "BB 02 00 02 01", kNotExecuted),
    STATUS_EXPORT(Set_DSR_Mirror_Selector(3), "CC 02 00 03 00", kNotExecuted),
    STATUS_EXPORT(Set_3DMode(), "DA 00 00", 0),
    STATUS_EXPORT(Reset_3DMode(), "DB 00 00", 0),
    STATUS_EXPORT(Set_3D_Parameters(-2, 1.0, 2.0, -0.5, 4.0, 100.0, 0.25, 8.0, 0x01020304),
                  "DC 40 00 " + kBlockHex, 0),
};

class ImmediateCommands : public test::CardTest {};

TEST_F(ImmediateCommands, EachStatusExportSendsItsPacketJudgesTheStatusAndReportsAsItSays) {
    for (const StatusExport& e : kStatusExports) {  // no card: nothing leaves
        test::ClearShownReports();
        EXPECT_FALSE(e.run()) << e.call;
        EXPECT_EQ(ShownReports(), e.refusal ? Strings{"26 " + e.Name()} : Strings{}) << e.call;
    }
    EXPECT_FALSE(rtb.WaitForPackets(1, 50));
    Install();
    for (const StatusExport& e : kStatusExports) {
        for (uint8_t status : {0xFF, 0}) {  // any status but 0 is a success
            rtb.Clear();
            test::ClearShownReports();
            rtb.SetResponder([status](const proto::Packet&) { return FakeRtb::Status(status); });
            EXPECT_EQ(e.run(), status != 0) << e.call;
            EXPECT_EQ(Wire(), e.wire) << e.call;
            const Strings shown = {std::to_string(e.refusal) + " " + e.Name()};
            EXPECT_EQ(ShownReports(), status == 0 && e.refusal ? shown : Strings{}) << e.call;
        }
    }
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_NO_CARD_ACTIVE);  // only the lookup writes it
}

// The card still gets the packet; the send fails with TXORB_ERR_FILE_SEND_FAILED, also for
// Set_Mode, whose other failures all read as TXORB_ERR_CARD_NOT_CONFIGURED_FOR_FUNCTION. A stop
// whose send fails gives TXORB_ERR_COULD_NOT_SEND_TO_RTB, whatever the link said.
TEST_F(ImmediateCommands, ACaptureThatCannotBeWrittenFailsEachStatusExportAfterThePacketLeft) {
    Install(200, "/dev/full");
    for (const StatusExport& e : kStatusExports) {
        rtb.Clear();
        test::ClearShownReports();
        EXPECT_FALSE(e.run()) << e.call;
        EXPECT_EQ(Wire(), e.wire) << e.call;
        const bool stop = e.Name().rfind("Stop_Execution", 0) == 0;
        const Strings shown = {(stop ? "38 " : "43 ") + e.Name()};
        EXPECT_EQ(ShownReports(), e.refusal ? shown : Strings{}) << e.call;
    }
}

// An export that asks the card for a value. `failed` is what the call gives when the exchange
// fails; `reports`: whether a failure is shown.
struct Query {
    const char* name;
    std::string request;
    std::function<double()> run;
    std::vector<uint8_t> reply;
    double value;
    double failed;
    bool reports;
};

// Marks a failed call whose output was still cleared to 0.
constexpr double kFailedWithZero = 0x10000;

double ModeMask() {
    uint16_t mode = 0xBEEF;
    return Get_Mode_Mask(&mode) == 0 ? mode : kFailedWithZero + mode;
}
double PortRead(bool (*read)(uint16_t, uint16_t*)) {
    uint16_t value = 0xAAAA;
    return read(5, &value) ? value : kFailedWithZero + value;
}

const Query kQueries[] = {
    {"Read_Status", "22 00 00", Read_Status, {0x34, 0x12}, 0x1234, 0, false},
    {"Get_Counts", "2A 00 00", Get_Counts, {0xFE, 0xFF, 0xFF, 0xFF}, -2, 0, false},
    {"Get_Head_Mask", "8F 00 00", Get_Head_Mask, {0x0F, 0x00}, 15, 0, false},
    {"Get_Version", "52 00 00", Get_Version, {0x01, 0x02}, 0x0201, 0, false},
    {"Get_KRT1_Version", "54 00 00", Get_KRT1_Version, {0x22, 0x00}, 0x22, 0, false},
    {"Get_Ident_Ex", "AD 00 00", Get_Ident_Ex, {0x78, 0x56, 0x34, 0x12}, 0x12345678, 0, false},
    {"Get_Mode_Mask", "B0 00 00", ModeMask, {0x00, 0x02}, 0x0200, kFailedWithZero, true},
    {"Read_Int_Start_Attempts", "BC 00 00", Read_Int_Start_Attempts, {3, 0}, 3, 0, true},
    {"Get_CPU_Type", "E0 00 00", Get_CPU_Type, {0x86, 0x00}, 0x86, 0xFFFF, true},
    {"Get_Manual_Move", "84 00 00", Get_Manual_Move, {0x07}, 7, 0, false},  // not judged
    {"Get_Jump_Speed", "76 00 00", Get_Jump_Speed, {0, 0, 0, 0, 0, 0x40, 0x6F, 0x40}, 250, 0, true},
    {"Get_Mark_Speed", "77 00 00", Get_Mark_Speed, {0, 0, 0, 0, 0, 0, 0xF0, 0xBF}, -1, 0, true},
    {"Read_Port",
     "72 02 00 05 00",
     [] { return PortRead(Read_Port); },
     {0x34, 0x12},
     0x1234,
     kFailedWithZero,
     true},
    {"Test_Read_Port",
     "50 02 00 05 00",
     [] { return PortRead(Test_Read_Port); },
     {0x34, 0x12},
     0x1234,
     kFailedWithZero,
     false},
};

TEST_F(ImmediateCommands, EachQueryDeliversTheCardsValueOrWhatItGivesOnFailure) {
    Install(100);
    for (const Query& q : kQueries) {
        const struct {
            test::Reply reply;
            bool active;
            uint32_t code;
        } outcomes[] = {
            {FakeRtb::Data(q.reply), true, TXORB_ERR_OK},
            {test::Reply{}, true, TXORB_ERR_RESPONSE_TIMEOUT},
            {FakeRtb::Data(std::vector<uint8_t>(q.reply.size() + 1, 0x55)), true,
             TXORB_ERR_WRONG_RESPONSE_LENGTH},
            {test::Reply{}, false, TXORB_ERR_NO_CARD_ACTIVE},
        };
        for (const auto& o : outcomes) {
            rtb.Clear();
            test::ClearShownReports();
            rtb.ReplyTo(static_cast<uint8_t>(std::stoi(q.request.substr(0, 2), nullptr, 16)),
                        o.reply);
            link::SetActiveCardIndex(o.active ? 1 : 0);
            EXPECT_EQ(q.run(), o.code == 0 ? q.value : q.failed) << q.name << " " << o.code;
            EXPECT_EQ(Hex(rtb.RawReceived()), o.active ? q.request : "") << q.name;
            const Strings shown = {std::to_string(o.code) + " " + q.name};
            EXPECT_EQ(ShownReports(), q.reports && o.code ? shown : Strings{}) << q.name;
        }
    }
}

TEST_F(ImmediateCommands, GetModeMaskReturnsTheCodeItselfAndCallsThatNeedNoCardSucceed) {
    Install();
    rtb.ReplyTo(0xB0, test::Reply{});
    uint16_t mode = 0;
    EXPECT_EQ(Get_Mode_Mask(&mode), TXORB_ERR_RESPONSE_TIMEOUT);
    EXPECT_EQ(Get_Mode_Mask(nullptr), TXORB_ERR_INVALID_POINTER);
    link::SetActiveCardIndex(0);
    EXPECT_EQ(Get_KRT1_Mode(), 1);
    EXPECT_TRUE(Set_Control_Mode(5));
    EXPECT_TRUE(Set_Delays_11_12(1, 2) && Field_Jump(-5, 7) && Home_Jump(0, 0));
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_OK);
    EXPECT_EQ(ShownReports(), (Strings{"45 Get_Mode_Mask", "19 Get_Mode_Mask"}));
    EXPECT_EQ(rtb.Packets().size(), 1u);
}

TEST_F(ImmediateCommands, ModeSwitchesTheCaptureFirstWhateverFollows) {
    EXPECT_FALSE(Set_Mode(0x0200));  // no card yet
    EXPECT_TRUE(list::TheVectorCapture().CaptureEnabled());
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

TEST_F(ImmediateCommands, SetGainStopsAtTheFirstRefusalAndReportsTwice) {
    Install();
    const std::string gains = "58 08 00 00 00 00 00 00 00 F0 3F 59 08 00 00 00 00 00 00 00 00 40";
    EXPECT_TRUE(Set_Gain(1.0, 2.0, -1, 3));
    EXPECT_EQ(Wire(4), gains + " 5A 02 00 FF FF 5B 02 00 03 00");
    rtb.Clear();
    rtb.ReplyTo(89, FakeRtb::Status(0));
    EXPECT_FALSE(Set_Gain(1.0, 2.0, -1, 3));
    EXPECT_FALSE(rtb.WaitForPackets(3, 150));
    EXPECT_EQ(Wire(2), gains);
    EXPECT_EQ(ShownReports(), (Strings{"40 Set_Gain_Y", "37 Set_Gain"}));
}

TEST_F(ImmediateCommands, StopSendsPendingRecordsFirstAndAlwaysLeavesTheBufferEmpty) {
    EXPECT_TRUE(Mark_Abs(1, 2));
    EXPECT_FALSE(Stop_Execution());  // no card
    EXPECT_EQ(list::TheListBuffer().HighWater(), 0u);
    Install();
    for (auto [stop, stopPacket] :
         {std::pair{&Stop_Execution, "24 00 00"}, std::pair{&Stop_Execution_NoClear, "2F 00 00"}}) {
        for (uint8_t listStatus : {1, 0}) {  // the card's answer to the pending records
            rtb.Clear();
            rtb.ReplyTo(0x9C, FakeRtb::Status(listStatus));
            ASSERT_TRUE(Mark_Abs(1, 2) && Laser_On(3));
            EXPECT_TRUE(stop()) << stopPacket;
            ASSERT_TRUE(rtb.WaitForPackets(2, 1000));
            EXPECT_EQ(Raw(0), "9C 0A 00 0A 01 00 02 00 0B 03 00 00 00");
            EXPECT_EQ(Raw(1), stopPacket);
            EXPECT_EQ(list::TheListBuffer().HighWater(), 0u);
        }
    }
}

// A stop whose send fails says so with TXORB_ERR_COULD_NOT_SEND_TO_RTB, and honours a message
// switch turned on since the first report, which other exports do not read again.
TEST_F(ImmediateCommands, AFailedStopSendGivesCouldNotSendAndRereadsTheMessageSwitch) {
    WriteRegistry("", false);
    Install();
    ASSERT_TRUE(Execute_List_1());  // the first report reads the switch: off
    WriteRegistry();
    rtb.SetResponder([](const proto::Packet&) { return FakeRtb::Status(0); });
    EXPECT_FALSE(Execute_List_1());
    test::FailSerialWrites() = true;
    EXPECT_FALSE(Stop_Execution_NoClear());
    EXPECT_TRUE(ShownReports().empty());
    EXPECT_FALSE(Stop_Execution());
    test::FailSerialWrites() = false;
    rtb.ReplyTo(0x24, test::Reply{});
    EXPECT_FALSE(Stop_Execution());  // a receive failure keeps its own code
    EXPECT_EQ(ShownReports(), (Strings{"38 Stop_Execution", "45 Stop_Execution"}));
}

TEST_F(ImmediateCommands, GotoXYExSendsWithoutWaitingAndTheManualVectorDropsLateInput) {
    Install();
    rtb.ReplyTo(0xA6, test::Reply{});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(Goto_XY_Ex(-1, 2));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_EQ(Wire(), "A6 04 00 FF FF 02 00");
    // Input purges: the send's own before it, and the manual vector's after its exchange,
    // whatever that gave.
    const struct {
        const char* what;
        bool (*call)(int16_t, int16_t);
        test::Reply reply;
        bool failWrite;
        bool result;
        int purges;
    } cases[] = {
        {"accepted", Set_DXDY_Manual, FakeRtb::Status(1), false, true, 2},
        {"status 0", Set_DXDY_Manual, FakeRtb::Status(0), false, false, 2},
        {"silence", Set_DXDY_Manual, test::Reply{}, false, false, 2},
        {"write refused", Set_DXDY_Manual, FakeRtb::Status(1), true, false, 2},
        {"Goto_XY accepted", Goto_XY, FakeRtb::Status(1), false, true, 1},
        {"Goto_XY_Ex write refused", Goto_XY_Ex, FakeRtb::Status(1), true, false, 1},
    };
    for (const auto& c : cases) {
        rtb.SetResponder([reply = c.reply](const proto::Packet&) { return reply; });
        test::FailSerialWrites() = c.failWrite;
        const int before = test::InputPurges();
        EXPECT_EQ(c.call(5, 6), c.result) << c.what;
        test::FailSerialWrites() = false;
        EXPECT_EQ(test::InputPurges() - before, c.purges) << c.what;
    }
    EXPECT_EQ(ShownReports(), Strings{"42 Goto_XY_Ex"});
}

TEST_F(ImmediateCommands, GetXYPosAsksYOnlyAfterXAndLeavesItsCodeAsTheLastError) {
    const struct {
        const char* what;
        test::Reply xReply;
        bool active;
        bool result;
        int16_t x, y;
        uint32_t lastError;
        const char* packets;
    } cases[] = {
        {"both answered", FakeRtb::Data({0xFF, 0xFF}), true, true, -1, 0x0201, 0,
         "78 00 00 81 00 00"},
        {"X silent", test::Reply{}, true, false, 0, 1234, TXORB_ERR_RESPONSE_TIMEOUT, "78 00 00"},
        {"X too long", FakeRtb::Data({1, 2, 3}), true, false, 0, 1234,
         TXORB_ERR_WRONG_RESPONSE_LENGTH, "78 00 00"},
        {"no card", test::Reply{}, false, false, 0, 1234, TXORB_ERR_NO_CARD_ACTIVE, ""},
    };
    Install();
    for (const auto& c : cases) {
        rtb.Clear();
        test::ClearShownReports();
        rtb.ReplyTo(0x78, c.xReply);
        rtb.ReplyTo(0x81, FakeRtb::Data({0x01, 0x02}));
        link::SetActiveCardIndex(c.active ? 1 : 0);
        StoreLastErrorCode(99);
        int16_t x = 1111, y = 1234;
        EXPECT_EQ(Get_XY_Pos(&x, &y), c.result) << c.what;
        EXPECT_EQ(x, c.x) << c.what;
        EXPECT_EQ(y, c.y) << c.what;
        EXPECT_EQ(Get_Last_Error_Code(), c.lastError) << c.what;
        EXPECT_EQ(Hex(rtb.RawReceived()), c.packets) << c.what;
        const Strings shown = {std::to_string(c.lastError) + " Get_XY_Pos"};
        EXPECT_EQ(ShownReports(), c.result ? Strings{} : shown) << c.what;
    }
}

TEST_F(ImmediateCommands, ManualPairReadsAskBothAndSucceedWithZerosForFailures) {
    Install();
    for (auto [call, first, second] :
         {std::tuple{&Get_XY_Manual, uint8_t{0x79}, uint8_t{0x82}},
          std::tuple{&Get_DXDY_Manual, uint8_t{0x80}, uint8_t{0x83}}}) {
        rtb.Clear();
        link::SetActiveCardIndex(1);
        rtb.ReplyTo(first, test::Reply{});
        rtb.ReplyTo(second, FakeRtb::Data({0xFE, 0xFF}));
        int16_t a = 5, b = 5;
        EXPECT_TRUE(call(&a, &b));
        EXPECT_EQ(a, 0);
        EXPECT_EQ(b, -2);
        EXPECT_EQ(Wire(2), Hex({first, 0, 0, second, 0, 0}));
        link::SetActiveCardIndex(0);
        a = b = 5;
        EXPECT_TRUE(call(&a, &b));
        EXPECT_EQ(a + b, 0);
    }
}

TEST_F(ImmediateCommands, Get3DParametersDeliversTheFirstSixtyBytesOfTheReplyOnly) {
    Install(100);
    std::vector<uint8_t> block;
    for (size_t i = 0; i + 1 < kBlockHex.size(); i += 3)
        block.push_back(static_cast<uint8_t>(std::stoi(kBlockHex.substr(i, 2), nullptr, 16)));
    const std::vector<double> untouched = {-9, -9, -9, -9, -9, -9, -9};
    const struct {
        test::Reply reply;
        bool ok;
        int32_t field;
        std::vector<double> d;
    } cases[] = {
        {FakeRtb::Data(block), true, -2, {1.0, 2.0, -0.5, 4.0, 100.0, 0.25, 8.0}},
        // A short reply: what it does not deliver reads as zero.
        {FakeRtb::Data({block.begin(), block.begin() + 12}), true, -2, {1.0, 0, 0, 0, 0, 0, 0}},
        // No reply, or one longer than the block: the outputs keep what they held.
        {test::Reply{}, false, 77, untouched},
        {FakeRtb::Data(std::vector<uint8_t>(65, 1)), false, 77, untouched},
    };
    for (const auto& c : cases) {
        rtb.Clear();
        rtb.ReplyTo(0xDD, c.reply);
        int32_t field = 77;
        std::vector<double> d = untouched;
        EXPECT_EQ(Get_3D_Parameters(&field, &d[0], &d[1], &d[2], &d[3], &d[4], &d[5], &d[6], 1),
                  c.ok);
        EXPECT_EQ(Wire(), "DD 04 00 01 00 00 00");
        EXPECT_EQ(field, c.field);
        EXPECT_EQ(d, c.d);
    }
    rtb.Clear();
    rtb.ReplyTo(0xDD, FakeRtb::Data(block));
    double focal = 0;  // null outputs are skipped
    EXPECT_TRUE(Get_3D_Parameters(nullptr, nullptr, nullptr, nullptr, nullptr, &focal, nullptr,
                                  nullptr, -1));
    EXPECT_EQ(Wire(), "DD 04 00 FF FF FF FF");
    EXPECT_EQ(focal, 100.0);
    EXPECT_TRUE(ShownReports().empty());
}

// A pty has no modem lines: DTR cannot be changed and DSR reads as off; neither sends a packet.
TEST_F(ImmediateCommands, SignalLinesActOnTheComPortItself) {
    uint16_t state = 0xAAAA;
    EXPECT_FALSE(Read_DSR_State(&state));  // no card
    EXPECT_EQ(state, 0xAAAA);
    EXPECT_FALSE(Set_DTR_State(1));
    for (const std::string& device : {rtb.Path(), dir.File("no-such-tty")}) {
        registry.Write(test::TempRegistry::ComPort(kComPort, device));
        Install();
        EXPECT_TRUE(Read_DSR_State(&state));
        EXPECT_EQ(state, 0);
        EXPECT_FALSE(Set_DTR_State(1));
        EXPECT_FALSE(Set_DTR_State(0));
    }
    EXPECT_EQ(ShownReports(),
              (Strings{"26 Read_DSR_State", "26 Set_DTR_State", "37 Set_DTR_State",
                       "37 Set_DTR_State", "37 Set_DTR_State", "37 Set_DTR_State"}));
    EXPECT_FALSE(rtb.WaitForPackets(1, 50));
}

TEST_F(ImmediateCommands, TraceLinesCarryTheArguments) {
    WriteRegistry("\"DisplayMessBox\"=dword:00000001");
    api::ReadTraceSwitch();
    Install();
    rtb.ReplyTo(118, FakeRtb::Data({0, 0, 0, 0, 0, 0x40, 0x6F, 0x40}));
    const std::string kLongText(10000, 'a');
    const struct {
        std::function<void()> call;
        std::string line;
    } cases[] = {
        {[] { Set_Mode(0x2AB); }, "usMode=0x2AB "},
        {[] { Set_Jump_Speed(250.0); }, "dJumpSpeed =250.000000"},
        {[] { Set_Max_Counts(-5); }, "iCounts=-5 "},
        {[] { Set_Offset_Y(-7); }, "ssOffsetY =-7"},
        {[] { Write_DA(300); }, "usValue=300 "},
        {[] { Get_Jump_Speed(); }, "dSpeed =250.000000"},
        {[] { Set_Speed(1.5, 2.0); }, "dJumpSpeed=1.500000 dMarkSpeed=2.000000"},
        // A line holds 255 characters at most, however long the text.
        {[&] { Load_Cor(kLongText.c_str()); }, "lpstrFileName=" + std::string(241, 'a')},
    };
    for (const auto& c : cases) {
        c.call();
        char line[1024];
        std::memset(line, 0x5A, sizeof line);
        api::CopyTraceLine(line, sizeof line);
        EXPECT_EQ(line, c.line);
    }
}

}  // namespace
}  // namespace txorb
