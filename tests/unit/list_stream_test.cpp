// The pending-record buffer and its bulk transfer: when packets leave, what they carry, and
// that the buffer is always empty afterwards.
#include <gtest/gtest.h>

#include <thread>

#include "common/process_state.h"
#include "link/card_table.h"
#include "list_card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::Record;

std::vector<uint8_t> MarkRecords(int first, int count) {
    std::vector<uint8_t> out;
    for (int i = first; i < first + count; ++i) {
        const auto r = Record(0x0A, static_cast<uint16_t>(i), static_cast<uint16_t>(-i));
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

void AppendMarks(int first, int count) {
    for (int i = first; i < first + count; ++i) {
        ASSERT_TRUE(Mark_Abs(static_cast<int16_t>(i), static_cast<int16_t>(-i))) << i;
    }
}

TEST(ListBuffer, GrowsInWholeStepsKeepsContentsAndClearReleasesAll) {
    list::ListBuffer list;
    const struct {
        uint32_t append;
        uint32_t size;
        uint32_t capacity;
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
    EXPECT_EQ(list.Size(), 0u);
    EXPECT_EQ(list.Capacity(), 0u);
    EXPECT_EQ(list.HighWater(), 0u);
    EXPECT_EQ(list.Data(), nullptr);
}

using ListStream = test::ListCardTest;

TEST_F(ListStream, TheRecordThatReachesTheThresholdSendsOnePacketAndEmptiesTheBuffer) {
    AppendMarks(0, 499);
    EXPECT_FALSE(rtb.WaitForPackets(1, 100));
    EXPECT_EQ(list::TheListBuffer().HighWater(), 2495u);
    AppendMarks(499, 1);
    ASSERT_TRUE(rtb.WaitForPackets(1, 1000));
    const auto packets = rtb.Packets();
    ASSERT_EQ(packets.size(), 1u);
    std::vector<uint8_t> expected = {0x9C, 0xC4, 0x09};
    const auto records = MarkRecords(0, 500);
    expected.insert(expected.end(), records.begin(), records.end());
    EXPECT_EQ(packets[0].raw, expected);
    EXPECT_EQ(list::TheListBuffer().HighWater(), 0u);
    EXPECT_EQ(list::TheListBuffer().Capacity(), 0u);
}

TEST_F(ListStream, A3DPairTransfersOnlyWhenItReachesTheThreshold) {
    const struct {
        int pendingRecords;
        size_t packetPayload;  // 0: nothing sent
    } cases[] = {
        // 5-byte records and a 10-byte pair against the 2,500-byte threshold: 497 records and
        // the pair make 2,495 bytes and wait; one record more reaches the threshold.
        {497, 0},
        {498, 2500},
        {499, 2505}};
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
        EXPECT_EQ(p.opcode, 0x9C);
        ASSERT_EQ(p.payload.size(), c.packetPayload);
        EXPECT_EQ(test::Hex({p.payload.end() - 10, p.payload.end()}),
                  "D2 01 00 FE FF D3 03 00 FC FF");
        EXPECT_EQ(list::TheListBuffer().HighWater(), 0u);
    }
}

TEST_F(ListStream, EndOfListSendsWhateverIsPendingHoweverLittle) {
    ASSERT_TRUE(Mark_Abs(1, 2));
    ASSERT_TRUE(Set_End_Of_List());
    ASSERT_TRUE(rtb.WaitForPackets(1, 1000));
    EXPECT_EQ(test::Hex(Raw(0)), "9C 0A 00 0A 01 00 02 00 10 00 00 00 00");
}

TEST_F(ListStream, AFailedTransferGivesItsCodeAndDiscardsThePendingList) {
    const struct {
        const char* what;
        test::Reply reply;
        bool failWrite;
        ErrorCode code;
    } cases[] = {
        {"status 0", test::FakeRtb::Status(0), false, err::kNotExecuted},
        {"silence", test::Reply{}, false, err::kResponseTimeout},
        {"two-byte reply", test::Reply{{0x02, 0x00, 0x01, 0x01}}, false, err::kWrongResponseLength},
        {"write refused", test::FakeRtb::Status(1), true, err::kSerialSendFailed},
        {"accepted", test::FakeRtb::Status(1), false, err::kOk},
    };
    for (const auto& c : cases) {
        rtb.ReplyTo(0x9C, c.reply);
        test::FailSerialWrites() = c.failWrite;
        ASSERT_EQ(list::AppendListRecord(0x0A, 1, 2), err::kOk);
        EXPECT_EQ(list::AppendListRecord(0x10, 0, 0), c.code) << c.what;
        test::FailSerialWrites() = false;
        EXPECT_EQ(list::TheListBuffer().HighWater(), 0u) << c.what;
        EXPECT_EQ(list::TheListBuffer().Capacity(), 0u) << c.what;
    }
}

TEST_F(ListStream, FlushOfAnEmptyBufferTouchesNoCard) {
    link::SetActiveCardIndex(0);
    StoreLastErrorCode(0);
    EXPECT_EQ(list::FlushListBuffer(), err::kOk);
    EXPECT_EQ(LastErrorCode(), 0u);  // not even the card lookup ran
    link::SetActiveCardIndex(1);
    EXPECT_EQ(list::FlushListBuffer(), err::kOk);
    EXPECT_FALSE(rtb.WaitForPackets(1, 100));
    ASSERT_EQ(list::AppendListRecord(0x0B, 7, 0), err::kOk);
    EXPECT_EQ(list::FlushListBuffer(), err::kOk);
    ASSERT_TRUE(rtb.WaitForPackets(1, 1000));
    EXPECT_EQ(test::Hex(Raw(0)), "9C 05 00 0B 07 00 00 00");
}

TEST_F(ListStream, PendingRecordsGoToTheCardActiveAtTheTransfer) {
    test::FakeRtb second;
    registry.Write(test::TempRegistry::ComPort(1, rtb.Path()) + "\"COM2\"=\"" + second.Path() +
                   "\"\n");
    test::InstallCard(2, 2, kTimeoutMs);
    ASSERT_TRUE(Mark_Abs(5, 6));
    link::SetActiveCardIndex(1);
    ASSERT_TRUE(Set_End_Of_List());
    ASSERT_TRUE(rtb.WaitForPackets(1, 1000));
    EXPECT_EQ(test::Hex(Raw(0)), "9C 0A 00 0A 05 00 06 00 10 00 00 00 00");
    EXPECT_TRUE(second.Packets().empty());
    test::RemoveInstalledCard(2);
}

TEST(ListStreamNoCard, AppendsSucceedUntilTheTransferWhichFailsWithNoCardActiveAndEmpties) {
    link::SetActiveCardIndex(0);
    StoreLastErrorCode(0);
    AppendMarks(0, 499);
    EXPECT_EQ(LastErrorCode(), 0u);
    EXPECT_FALSE(Mark_Abs(1, 1));
    EXPECT_EQ(LastErrorCode(), err::kNoCardActive);
    EXPECT_EQ(list::TheListBuffer().HighWater(), 0u);
    EXPECT_TRUE(Mark_Abs(2, 2));  // a fresh list
    EXPECT_EQ(list::TheListBuffer().HighWater(), 5u);
    EXPECT_FALSE(Set_End_Of_List());
    EXPECT_EQ(list::TheListBuffer().HighWater(), 0u);
}

// Eight threads build into the one list while also exchanging immediate commands; every
// packet must arrive whole, and each thread's records in its own order.
TEST_F(ListStream, EightThreadsAppendingAndExchangingKeepEveryPacketIntact) {
    constexpr int kThreads = 8;
    constexpr int kRecords = 1000;
    rtb.ReplyTo(82, test::FakeRtb::Data({0x34, 0x12}));
    std::atomic<int> badVersions{0};
    std::atomic<int> failedAppends{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRecords; ++i) {
                if (!Mark_Abs(static_cast<int16_t>(t), static_cast<int16_t>(i))) ++failedAppends;
                if (i % 50 == 0 && Get_Version() != 0x1234) ++badVersions;
            }
        });
    }
    for (auto& th : threads) th.join();
    ASSERT_TRUE(Set_End_Of_List());
    EXPECT_EQ(failedAppends, 0);
    EXPECT_EQ(badVersions, 0);

    std::vector<int> next(kThreads, 0);
    int versions = 0;
    bool ended = false;
    for (const auto& p : rtb.Packets()) {
        if (p.opcode == 82) {
            EXPECT_TRUE(p.payload.empty());
            ++versions;
            continue;
        }
        ASSERT_EQ(p.opcode, 0x9C);
        ASSERT_FALSE(ended) << "records after the end of list";
        ASSERT_EQ(p.payload.size() % 5, 0u);
        ASSERT_LE(p.payload.size(), 2505u);
        for (size_t off = 0; off < p.payload.size(); off += 5) {
            const uint8_t* r = p.payload.data() + off;
            if (r[0] == 0x10) {
                ended = true;
                continue;
            }
            ASSERT_EQ(r[0], 0x0A);
            const int t = r[1] | (r[2] << 8);
            const int i = r[3] | (r[4] << 8);
            ASSERT_LT(t, kThreads);
            ASSERT_EQ(i, next[t]) << "thread " << t;
            ++next[t];
        }
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(versions, kThreads * (kRecords / 50));
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kRecords) << "thread " << t;
}

}  // namespace
}  // namespace txorb
