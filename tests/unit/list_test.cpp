// The list: the exact records of every list export, the pending-record buffer and when its bulk
// transfer leaves, what a failed transfer gives, and bitmap lines, which follow the pending
// records in a packet of their own.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/process_state.h"
#include "link/card_table.h"
#include "list/list_buffer.h"
#include "support/card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;
using test::Hex;
using test::ShownReports;
using test::Strings;

// A list record is 5 bytes; the pending records leave once 2,500 bytes are there.
constexpr int kRecordsPerTransfer = 500;

void AppendMarks(int first, int count) {
    for (int i = first; i < first + count; ++i) {
        ASSERT_TRUE(Mark_Abs(static_cast<int16_t>(i), static_cast<int16_t>(-i))) << i;
    }
}

TEST(ListBuffer, GrowsInWholeStepsKeepsContentsAndClearReleasesAll) {
    list::ListBuffer list;
    const struct {
        uint32_t append, size, capacity;
    } steps[] = {
        // The storage grows in steps of 2,048 bytes (ListBuffer::kGrowthStep).
        {0, 0, 0}, {5, 5, 2048}, {2043, 2048, 2048}, {1, 2049, 4096}, {2500, 4549, 6144},
    };
    std::vector<uint8_t> expected;
    for (const auto& s : steps) {
        std::vector<uint8_t> bytes(s.append);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>(expected.size() + i);
        list.Append(bytes.data(), s.append);
        expected.insert(expected.end(), bytes.begin(), bytes.end());
        EXPECT_EQ(list.Size(), s.size) << "after +" << s.append;
        EXPECT_EQ(list.Capacity(), s.capacity) << "after +" << s.append;
        EXPECT_EQ(list.HighWater(), s.size);
    }
    ASSERT_EQ(std::vector<uint8_t>(list.Data(), list.Data() + list.Size()), expected);
    list.Reserve(10000);  // 3,856 missing: two more steps
    EXPECT_EQ(list.Capacity(), 10240u);
    list.Clear();
    EXPECT_EQ(list.Size() + list.Capacity() + list.HighWater(), 0u);
    EXPECT_EQ(list.Data(), nullptr);
}

class ListTest : public test::CardTest {
protected:
    void SetUp() override {
        CardTest::SetUp();
        Install(150);
    }
};

struct ListExport {
    const char* call;
    std::function<bool()> run;
    const char* records;
};
#define LIST_EXPORT(call, records) \
    { \
#call, [] { return call; }, records \
    }

TEST_F(ListTest, EachExportAppendsItsExactRecords) {
    const ListExport exports[] = {
        LIST_EXPORT(Set_Delays_1_2(0x0102, 0x0304), "1A 02 01 04 03"),
        LIST_EXPORT(Set_Delays_3_4(5, 6), "20 05 00 06 00"),
        LIST_EXPORT(Set_Delays_5_6(7, 8), "1B 07 00 08 00"),
        LIST_EXPORT(Set_Delays_7_8(9, 10), "30 09 00 0A 00"),
        LIST_EXPORT(Set_Delays_9_10(11, 12), "1C 0B 00 0C 00"),
        LIST_EXPORT(Set_Delays(1, 2, 3, 4, 5, 6, 7, 8, 9),
                    "1A 01 00 02 00 20 03 00 04 00 1B 05 00 06 00 30 07 00 08 00 1C 09 00 00 00"),
        LIST_EXPORT(Set_JobControl_List(0xABCD), "B4 CD AB 00 00"),
        LIST_EXPORT(Set_Head_Mask(15), "96 0F 00 00 00"),
        LIST_EXPORT(Skip_Var_List(-2, 0x00FF), "B6 FE FF FF 00"),
        LIST_EXPORT(Skip_Var_List_Back(3, 4), "70 03 00 04 00"),
        LIST_EXPORT(Skip_Counter_List(-1, 2), "B7 FF FF 02 00"),
        LIST_EXPORT(Set_Counter_List(9), "BA 09 00 00 00"),
        LIST_EXPORT(JobControl_To_Var_List(), "B9 00 00 00 00"),
        LIST_EXPORT(Read_Port_To_Var_List(0x20), "B8 20 00 00 00"),
        LIST_EXPORT(Laser_On(100), "0B 64 00 00 00"),
        LIST_EXPORT(Laser_Off(200), "0C C8 00 00 00"),
        LIST_EXPORT(Long_Delay(0x1000), "0E 00 10 00 00"),
        LIST_EXPORT(Jump_Abs(-1, 2), "09 FF FF 02 00"),
        LIST_EXPORT(Jump_Rel(3, -4), "07 03 00 FC FF"),
        LIST_EXPORT(Mark_Abs(-32768, 32767), "0A 00 80 FF 7F"),
        LIST_EXPORT(Mark_Rel(1, -1), "08 01 00 FF FF"),
        LIST_EXPORT(PolA_Abs(1, 2), "02 01 00 02 00"),
        LIST_EXPORT(PolB_Abs(1, 2), "01 01 00 02 00"),
        LIST_EXPORT(PolC_Abs(1, 2), "03 01 00 02 00"),
        LIST_EXPORT(PolA_Rel(1, 2), "04 01 00 02 00"),
        LIST_EXPORT(PolB_Rel(1, 2), "05 01 00 02 00"),
        LIST_EXPORT(PolC_Rel(1, 2), "06 01 00 02 00"),
        LIST_EXPORT(Reset_Jump_List(-3, 4), "1E FD FF 04 00"),
        LIST_EXPORT(Reset_Jump_List_Rel(5, -6), "33 05 00 FA FF"),
        LIST_EXPORT(Set_Wobble_List(10, 20), "13 0A 00 14 00"),
        LIST_EXPORT(Write_DA_List(0x1234), "0F 00 34 00 00"),  // the value in the upper byte
        LIST_EXPORT(Loop_To_Start_List(1), "97 00 00 00 00"),  // list n travels as n - 1
        LIST_EXPORT(Jump_To_Start_List(3), "B5 02 00 00 00"),
        LIST_EXPORT(Set_Mark_Parameters_List(10, 20), "74 0A 00 14 00"),
        LIST_EXPORT(Set_Jump_Parameters_List(30, 0x0400), "91 1E 00 00 04"),
        LIST_EXPORT(Set_Dot_Parameters_List(5, 6), "C0 05 00 06 00"),
        LIST_EXPORT(Set_Dot_Params_List(7, 8), "C0 07 00 08 00"),
        LIST_EXPORT(Write_Port_List(40, 0x8000), "87 28 00 00 80"),
        LIST_EXPORT(Wait_For_External_Start(), "99 00 00 00 00"),
        LIST_EXPORT(Mark_Immediately(), "8D 00 00 00 00"),
        LIST_EXPORT(Wait_For_Counter_Value(-5), "8E FB FF 00 00"),
        LIST_EXPORT(Wait_For_Counter_Value_Ex(0x12345678), "8B 78 56 34 12"),
        LIST_EXPORT(Set_Auto_Jump_Delay_List(7, 8), "A3 07 00 08 00"),
        LIST_EXPORT(Mark_Abs_Dot(1, -2), "C4 01 00 FE FF"),
        LIST_EXPORT(PolA_Abs_Dot(1, -2), "C1 01 00 FE FF"),
        LIST_EXPORT(PolB_Abs_Dot(1, -2), "C2 01 00 FE FF"),
        LIST_EXPORT(PolC_Abs_Dot(1, -2), "C3 01 00 FE FF"),
        LIST_EXPORT(Jump_Abs_3D(1, 2, 3, -4), "D0 01 00 02 00 D1 03 00 FC FF"),
        LIST_EXPORT(Mark_Abs_3D(1, 2, 3, -4), "D2 01 00 02 00 D3 03 00 FC FF"),
        LIST_EXPORT(PolA_Abs_3D(1, 2, 3, -4), "D4 01 00 02 00 D5 03 00 FC FF"),
        LIST_EXPORT(PolB_Abs_3D(1, 2, 3, -4), "D6 01 00 02 00 D7 03 00 FC FF"),
        LIST_EXPORT(PolC_Abs_3D(1, 2, 3, -4), "D8 01 00 02 00 D9 03 00 FC FF"),
        LIST_EXPORT(Set_End_Of_List(), "10 00 00 00 00"),
    };
    for (const ListExport& e : exports) {
        rtb.Clear();
        ASSERT_TRUE(e.run()) << e.call;
        ASSERT_EQ(list::FlushListBuffer(), err::kOk) << e.call;
        ASSERT_TRUE(rtb.WaitForPackets(1, 1000)) << e.call;
        const auto packets = rtb.Packets();
        ASSERT_EQ(packets.size(), 1u) << e.call;
        EXPECT_EQ(packets[0].opcode, 0x9C) << e.call;
        EXPECT_EQ(Hex(packets[0].payload), e.records) << e.call;
    }
    EXPECT_TRUE(ShownReports().empty());
}

// A refused head mask or list number appends nothing, shows nothing, and leaves the last
// error store alone; only the thread's outcome tells.
TEST_F(ListTest, OutOfRangeHeadsAndListsAreRefusedSilently) {
    constexpr uint32_t kBadList = TXORB_ERR_INVALID_LIST_INDEX;
    constexpr uint32_t kBadHeads = TXORB_ERR_PARAMETER_OUT_OF_BOUNDS;
    const struct {
        std::function<bool()> call;
        uint32_t outcome;
    } cases[] = {
        {[] { return Set_Head_Mask(0); }, kBadHeads},
        {[] { return Set_Head_Mask(16); }, kBadHeads},
        {[] { return Set_Head_Mask(1); }, 0},
        {[] { return Set_Head_Mask(15); }, 0},
        {[] { return Loop_To_Start_List(0); }, kBadList},
        {[] { return Loop_To_Start_List(4); }, kBadList},
        {[] { return Loop_To_Start_List(-1); }, kBadList},
        {[] { return Loop_To_Start_List(3); }, 0},
        {[] { return Jump_To_Start_List(0); }, kBadList},
        {[] { return Jump_To_Start_List(4); }, kBadList},
        {[] { return Jump_To_Start_List(1); }, 0},
    };
    StoreLastErrorCode(TXORB_ERR_RTB_DID_NOT_EXECUTE);
    for (size_t i = 0; i < std::size(cases); ++i) {
        list::ClearListBuffer();
        EXPECT_EQ(cases[i].call(), cases[i].outcome == 0) << i;
        EXPECT_EQ(txorb_thread_last_failure(), cases[i].outcome) << i;
        EXPECT_EQ(list::TheListBuffer().HighWater(), cases[i].outcome == 0 ? 5u : 0u) << i;
    }
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_RTB_DID_NOT_EXECUTE);
    EXPECT_TRUE(ShownReports().empty());
    EXPECT_FALSE(rtb.WaitForPackets(1, 50));
}

// With no card active, the export whose record completes a transfer fails; what it hands to the
// reporter, which is also the thread's outcome, is its own rule (the jumps hide the cause behind
// TXORB_ERR_FUNCTION_CALL_FAILED); an export that does not report leaves the cause itself.
TEST_F(ListTest, AFailedTransferIsReportedAsEachExportSays) {
    link::SetActiveCardIndex(0);
    const struct {
        const char* name;
        std::function<bool()> call;
        int pending;  // records already waiting
        const char* shown;
    } cases[] = {
        {"Mark_Abs", [] { return Mark_Abs(1, 1); }, 499, "26 Mark_Abs"},
        {"PolB_Abs_Dot", [] { return PolB_Abs_Dot(1, 1); }, 499, "26 PolB_Abs_Dot"},
        {"Jump_Abs", [] { return Jump_Abs(1, 1); }, 499, "37 Jump_Abs"},
        {"Jump_Rel", [] { return Jump_Rel(1, 1); }, 499, "37 Jump_Rel"},
        {"Jump_Abs_3D", [] { return Jump_Abs_3D(1, 1, 1, 1); }, 498, "37 Jump_Abs_3D"},
        {"Mark_Abs_3D", [] { return Mark_Abs_3D(1, 1, 1, 1); }, 498, "26 Mark_Abs_3D"},
        {"Laser_On", [] { return Laser_On(1); }, 499, "26 Laser_On"},
        {"Write_DA_List", [] { return Write_DA_List(1); }, 499, "26 Write_DA_List"},
        {"Set_Dot_Params_List", [] { return Set_Dot_Params_List(1, 1); }, 499,
         "26 Set_Dot_Parameters_List"},
        // Set_Delays stops at its third record: the two after it are never appended.
        {"Set_Delays", [] { return Set_Delays(1, 2, 3, 4, 5, 6, 7, 8, 9); }, 497, "26 Set_Delays"},
        {"PolA_Rel", [] { return PolA_Rel(1, 1); }, 499, nullptr},
        {"Reset_Jump_List", [] { return Reset_Jump_List(1, 1); }, 499, nullptr},
        {"Set_Delays_1_2", [] { return Set_Delays_1_2(1, 1); }, 499, nullptr},
        {"Set_Head_Mask", [] { return Set_Head_Mask(1); }, 499, nullptr},
        {"Loop_To_Start_List", [] { return Loop_To_Start_List(1); }, 499, nullptr},
        {"Set_End_Of_List", [] { return Set_End_Of_List(); }, 0, nullptr},
    };
    for (const auto& c : cases) {
        test::ClearShownReports();
        list::ClearListBuffer();
        for (int i = 0; i < c.pending; ++i) ASSERT_EQ(list::AppendListRecord(0x0A, 0, 0), err::kOk);
        EXPECT_FALSE(c.call()) << c.name;
        EXPECT_EQ(list::TheListBuffer().HighWater(), 0u) << c.name;
        EXPECT_EQ(ShownReports(), c.shown ? Strings{c.shown} : Strings{}) << c.name;
        EXPECT_EQ(txorb_thread_last_failure(), c.shown ? std::stoul(c.shown) : 26u) << c.name;
    }
}

TEST_F(ListTest, TheRecordThatReachesTheThresholdSendsOnePacketAndEmptiesTheBuffer) {
    AppendMarks(0, kRecordsPerTransfer - 1);
    EXPECT_FALSE(rtb.WaitForPackets(1, 100));
    EXPECT_EQ(list::TheListBuffer().HighWater(), 2495u);
    AppendMarks(kRecordsPerTransfer - 1, 1);
    ASSERT_TRUE(rtb.WaitForPackets(1, 1000));
    std::vector<uint8_t> expected = {0x9C, 0xC4, 0x09};  // 2,500 bytes follow
    for (int i = 0; i < kRecordsPerTransfer; ++i) {
        const auto r = test::Record(0x0A, static_cast<uint16_t>(i), static_cast<uint16_t>(-i));
        expected.insert(expected.end(), r.begin(), r.end());
    }
    ASSERT_EQ(rtb.Packets().size(), 1u);
    EXPECT_EQ(rtb.Packets()[0].raw, expected);
    EXPECT_EQ(list::TheListBuffer().HighWater() + list::TheListBuffer().Capacity(), 0u);
}

TEST_F(ListTest, A3DPairTransfersOnlyWhenItReachesTheThreshold) {
    // 497 records and the 10-byte pair make 2,495 bytes and wait; one record more reaches the
    // threshold, two more go past it.
    const struct {
        int pendingRecords;
        size_t packetPayload;  // 0: nothing sent
    } cases[] = {{497, 0}, {498, 2500}, {499, 2505}};
    for (const auto& c : cases) {
        list::ClearListBuffer();
        rtb.Clear();
        AppendMarks(0, c.pendingRecords);
        ASSERT_TRUE(Mark_Abs_3D(1, -2, 3, -4));
        if (c.packetPayload == 0) {
            EXPECT_FALSE(rtb.WaitForPackets(1, 100));
            EXPECT_EQ(list::TheListBuffer().HighWater(), 497u * 5 + 10);
            continue;
        }
        ASSERT_TRUE(rtb.WaitForPackets(1, 1000)) << c.pendingRecords;
        const auto p = rtb.Packets()[0];
        ASSERT_EQ(p.payload.size(), c.packetPayload);
        EXPECT_EQ(Hex({p.payload.end() - 10, p.payload.end()}), "D2 01 00 FE FF D3 03 00 FC FF");
        EXPECT_EQ(list::TheListBuffer().HighWater(), 0u);
    }
}

TEST_F(ListTest, AFailedTransferGivesItsCodeAndDiscardsThePendingList) {
    const struct {
        const char* what;
        test::Reply reply;
        bool failWrite;
        ErrorCode code;
    } cases[] = {
        {"status 0", FakeRtb::Status(0), false, err::kNotExecuted},
        {"silence", test::Reply{}, false, err::kResponseTimeout},
        {"two-byte reply", test::Reply{{0x02, 0x00, 0x01, 0x01}}, false, err::kWrongResponseLength},
        {"write refused", FakeRtb::Status(1), true, err::kSerialSendFailed},
        {"accepted", FakeRtb::Status(1), false, err::kOk},
    };
    for (const auto& c : cases) {
        rtb.ReplyTo(0x9C, c.reply);
        test::FailSerialWrites() = c.failWrite;
        ASSERT_EQ(list::AppendListRecord(0x0A, 1, 2), err::kOk);
        EXPECT_EQ(list::AppendListRecord(0x10, 0, 0), c.code) << c.what;
        test::FailSerialWrites() = false;
        EXPECT_EQ(list::TheListBuffer().HighWater() + list::TheListBuffer().Capacity(), 0u);
    }
}

TEST_F(ListTest, AFlushSendsWhatIsPendingToTheCardActiveThenAndNothingWhenNothingIs) {
    link::SetActiveCardIndex(0);
    StoreLastErrorCode(0);
    EXPECT_EQ(list::FlushListBuffer(), err::kOk);
    EXPECT_EQ(LastErrorCode(), 0u);  // not even the card lookup ran
    test::FakeRtb second;
    registry.Write(test::TempRegistry::ComPort(kComPort, rtb.Path()) + "\"COM2\"=\"" +
                   second.Path() + "\"\n");
    test::InstallCard(2, 2, 150);
    EXPECT_EQ(list::FlushListBuffer(), err::kOk);
    ASSERT_TRUE(Mark_Abs(5, 6));
    link::SetActiveCardIndex(1);
    ASSERT_TRUE(Set_End_Of_List());  // however little is pending
    EXPECT_EQ(Wire(), "9C 0A 00 0A 05 00 06 00 10 00 00 00 00");
    EXPECT_TRUE(second.Packets().empty());
}

TEST_F(ListTest, BitmapLinePacketAndOpcodeByAlgorithm) {
    uint16_t delays[] = {10, 20, 30};
    EXPECT_TRUE(Put_Bitmapline_List(0, 0, 100, 0, delays, 3));
    EXPECT_EQ(Wire(), "AB 0E 00 00 00 00 00 64 00 00 00 0A 00 14 00 1E 00");
    const std::pair<uint16_t, const char*> cases[] = {{0, "AB"}, {1, "AC"}, {2, "E1"},
                                                      {3, "AB"}, {7, "AB"}, {0xFFFF, "AB"}};
    uint16_t one[] = {0xBEEF};
    for (const auto& [algorithm, opcode] : cases) {
        rtb.Clear();
        EXPECT_TRUE(Put_Bitmapline_List_Ex(-1, -32768, 32767, 1, one, 1, algorithm));
        EXPECT_EQ(Wire(), std::string(opcode) + " 0A 00 FF FF 00 80 FF 7F 01 00 EF BE");
    }
    EXPECT_TRUE(ShownReports().empty());
}

TEST_F(ListTest, OverlongAndEmptyBitmapLinesAreRefusedBeforeAnythingIsSent) {
    Install(1000);
    // Exactly as many values as the call is given: reading one more is caught by the sanitizer.
    std::vector<uint16_t> delays(32764);
    for (size_t i = 0; i < delays.size(); ++i) delays[i] = static_cast<uint16_t>(i * 3 + 1);
    ASSERT_EQ(list::AppendListRecord(5, 1, 2), err::kOk);  // stays pending: nothing flushes
    EXPECT_FALSE(Put_Bitmapline_List(0, 0, 0, 0, delays.data(), 32764));
    EXPECT_FALSE(Put_Bitmapline_List(0, 0, 0, 0, delays.data(), 0));
    EXPECT_FALSE(Put_Bitmapline_List(0, 0, 0, 0, nullptr, 3));
    EXPECT_EQ(ShownReports(), (Strings{"16 Put_Bitmapline_List", "10 Put_Bitmapline_List",
                                       "10 Put_Bitmapline_List"}));
    EXPECT_FALSE(rtb.WaitForPackets(1, 100));
    EXPECT_EQ(list::TheListBuffer().HighWater(), 5u);
    list::ClearListBuffer();
    // 32,762 delays still fit the short header; the 32,763rd takes the packet to 65,534 bytes,
    // which every packet of that size carries in the long form.
    EXPECT_TRUE(Put_Bitmapline_List(1, 2, 3, 4, delays.data(), 32762));
    ASSERT_TRUE(rtb.WaitForPackets(1, 3000));
    auto raw = rtb.RawReceived();
    ASSERT_EQ(raw.size(), 3u + 65532u);
    EXPECT_EQ(Hex({raw.begin(), raw.begin() + 11}), "AB FC FF 01 00 02 00 03 00 04 00");
    EXPECT_EQ(Hex({raw.end() - 2, raw.end()}), "EC 7F");  // (32761 * 3 + 1) mod 65536
    rtb.Clear();
    EXPECT_TRUE(Put_Bitmapline_List(1, 2, 3, 4, delays.data(), 32763));
    ASSERT_TRUE(rtb.WaitForPackets(1, 3000));
    raw = rtb.RawReceived();
    EXPECT_EQ(Hex({raw.begin(), raw.begin() + 7}), "AB 04 00 FE FF 00 00");
}

TEST_F(ListTest, PendingRecordsGoBeforeABitmapLineAndAFailedFlushStopsIt) {
    uint16_t delay[] = {1};
    ASSERT_EQ(list::AppendListRecord(5, 0x0201, 0x0403), err::kOk);
    EXPECT_TRUE(Put_Bitmapline_List_Ex(0, 0, 0, 0, delay, 1, 1));
    EXPECT_EQ(Wire(2), "9C 05 00 05 01 02 03 04 AC 0A 00 00 00 00 00 00 00 00 00 01 00");
    rtb.Clear();
    rtb.ReplyTo(0x9C, FakeRtb::Status(0));
    ASSERT_EQ(list::AppendListRecord(5, 1, 1), err::kOk);
    EXPECT_FALSE(Put_Bitmapline_List_Ex(0, 0, 0, 0, delay, 1, 2));
    EXPECT_FALSE(rtb.WaitForPackets(2, 150));
    EXPECT_EQ(Wire(), "9C 05 00 05 01 00 01 00");
    // A capture that cannot be written fails the line after it reached the card.
    Install(100, "/dev/full");
    rtb.Clear();
    EXPECT_FALSE(Put_Bitmapline_List_Ex(0, 0, 0, 0, delay, 1, 1));
    EXPECT_EQ(Wire(), "AC 0A 00 00 00 00 00 00 00 00 00 01 00");
    EXPECT_EQ(ShownReports(), (Strings{"40 Put_Bitmapline_List_Ex", "43 Put_Bitmapline_List_Ex"}));
}

TEST_F(ListTest, NoOtherCommandComesBetweenTheFlushAndTheBitmapLine) {
    Install(2000);
    std::atomic<bool> flushArrived{false};
    rtb.SetResponder([&](const proto::Packet& p) {
        if (p.opcode != 0x9C) return FakeRtb::Status(1);
        flushArrived = true;
        test::Reply slow = FakeRtb::Status(1);
        slow.delayMs = 150;  // time for the other thread to queue up on the lock
        return slow;
    });
    ASSERT_EQ(list::AppendListRecord(5, 0, 0), err::kOk);
    std::thread other([&] {
        while (!flushArrived) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        Set_Jump_Delay(9);
    });
    uint16_t delay[] = {1};
    EXPECT_TRUE(Put_Bitmapline_List(0, 0, 0, 0, delay, 1));
    other.join();
    ASSERT_TRUE(rtb.WaitForPackets(3, 3000));
    const auto packets = rtb.Packets();
    EXPECT_EQ(Hex({packets[0].opcode, packets[1].opcode, packets[2].opcode}), "9C AB 37");
}

// Other exports report a success, which reads the message switch; a bitmap line does not.
TEST_F(ListTest, ABitmapLineThatSucceedsLeavesTheMessageSwitchUnread) {
    uint16_t delay[] = {1};
    EXPECT_TRUE(Put_Bitmapline_List(0, 0, 0, 0, delay, 1));
    WriteRegistry("", false);
    rtb.ReplyTo(0x37, FakeRtb::Status(0));
    EXPECT_FALSE(Set_Jump_Delay(1));
    EXPECT_TRUE(ShownReports().empty());
}

}  // namespace
}  // namespace txorb
