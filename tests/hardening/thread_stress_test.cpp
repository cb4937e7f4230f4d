// Eight application threads on one card: immediate commands of every shape at once, list
// records appended from every thread into the one list, the active card fixed. Every call must
// succeed with its own reply, every packet must reach the card whole, and each thread's records
// must arrive in its own order. Run under ThreadSanitizer by scripts/tsan.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include "support/card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;

constexpr int kThreads = 8;
// Each thread appends this many records in a tight loop, with a call of the next shape after
// every 50 of them: 8,000 records in all make many transfers while the others append and call.
constexpr int kRecords = 1000;
constexpr int kRecordsPerCall = 50;
constexpr int kRounds = kRecords / kRecordsPerCall;

class ThreadStress : public test::CardTest {};

TEST_F(ThreadStress, EightThreadsMixImmediateCommandsAndListRecordsOnOneCard) {
    Install(2000);
    rtb.ReplyTo(120, FakeRtb::Data({0x34, 0x12}));  // x position
    rtb.ReplyTo(129, FakeRtb::Data({0xCE, 0xFF}));  // y position
    rtb.ReplyTo(176, FakeRtb::Data({0x01, 0x02}));  // mode mask
    rtb.ReplyTo(114, FakeRtb::Data({0x0F, 0x00}));  // port read
    std::atomic<int> failures{0};
    std::map<int, size_t> expected;  // packets of each opcode but the list transfers
    for (int id = 0; id < kThreads; ++id) {
        for (int round = 0; round < kRounds; ++round) {
            const int shape = (id + round) % 5;
            if (shape == 0) ++expected[120], ++expected[129];
            if (shape == 1) ++expected[176];
            if (shape == 2) ++expected[114];
            if (shape == 3) ++expected[93], ++expected[55];
        }
    }
    auto worker = [&](int id) {
        int16_t next = 0;
        for (int round = 0; round < kRounds; ++round) {
            for (int i = 0; i < kRecordsPerCall; ++i) {
                failures += !Mark_Abs(static_cast<int16_t>(id), next++);
            }
            int16_t x = 0, y = 0;
            uint16_t value = 0;
            switch ((id + round) % 5) {
                case 0: failures += !Get_XY_Pos(&x, &y) || x != 0x1234 || y != -50; break;
                case 1: failures += Get_Mode_Mask(&value) != 0 || value != 0x0201; break;
                case 2:
                    failures += !Read_Port(static_cast<uint16_t>(id), &value) || value != 15;
                    break;
                case 3:
                    failures += !Set_Mark_Speed(100.0 + id);
                    failures += !Set_Jump_Delay(static_cast<uint16_t>(id));
                    break;
                default:
                    failures += Get_Active_Card() != 1 || Get_Last_Error_Code() != 0;
                    failures += std::string(Get_Error_Message(45)).empty();
                    break;
            }
        }
    };
    std::vector<std::thread> threads;
    for (int id = 0; id < kThreads; ++id) threads.emplace_back(worker, id);
    for (auto& t : threads) t.join();
    ASSERT_TRUE(Set_End_Of_List());
    EXPECT_EQ(failures.load(), 0);

    std::map<int, size_t> seen;
    std::vector<int> next(kThreads, 0);
    bool ended = false;
    for (const auto& p : rtb.Packets()) {
        if (p.opcode != 156) {
            seen[p.opcode]++;
            continue;
        }
        // Each transfer holds whole records, at most the 2,500 pending bytes and one more.
        ASSERT_FALSE(ended) << "records after the end of list";
        ASSERT_EQ(p.payload.size() % 5, 0u);
        ASSERT_LE(p.payload.size(), 2505u);
        for (size_t off = 0; off < p.payload.size(); off += 5) {
            const uint8_t* r = p.payload.data() + off;
            ended = r[0] == 0x10;
            if (ended) continue;
            const int t = r[1] | (r[2] << 8);
            ASSERT_LT(t, kThreads);
            ASSERT_EQ(r[3] | (r[4] << 8), next[t]++) << "thread " << t;
        }
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(next, std::vector<int>(kThreads, kRecords));
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(test::ShownReports().empty());
}

TEST_F(ThreadStress, FailingExchangesOnManyThreadsEachGetTheirOwnCode) {
    Install(100);
    rtb.ReplyTo(93, FakeRtb::Status(0));         // Set_Mark_Speed: not executed
    rtb.ReplyTo(55, test::Reply{});              // Set_Jump_Delay: silence
    rtb.ReplyTo(114, FakeRtb::Data({1, 2, 3}));  // Read_Port: one byte too many
    std::atomic<int> wrong{0};
    auto worker = [&](int id) {
        for (int round = 0; round < 6; ++round) {
            if ((id + round) % 2 == 0) {
                if (Set_Mark_Speed(1.0)) ++wrong;
            } else {
                if (Set_Jump_Delay(1)) ++wrong;
            }
            uint16_t value = 0;
            if (Read_Port(1, &value) || value != 0) ++wrong;
        }
    };
    std::vector<std::thread> threads;
    for (int id = 0; id < kThreads; ++id) threads.emplace_back(worker, id);
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    // Every failure was reported under its own export's name with its own code.
    std::map<std::string, int> shown;
    for (const std::string& s : test::ShownReports()) shown[s]++;
    EXPECT_EQ(shown["40 Set_Mark_Speed"], 24);
    EXPECT_EQ(shown["45 Set_Jump_Delay"], 24);
    EXPECT_EQ(shown["44 Read_Port"], 48);
}

}  // namespace
}  // namespace txorb
