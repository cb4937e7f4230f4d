// Eight application threads on one card: immediate commands of every shape at once, list
// building serialised by the application, the active card fixed. Every call must succeed with
// its own reply, and every packet must reach the card whole. Run under ThreadSanitizer by
// scripts/tsan.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "support/card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;

constexpr int kThreads = 8;
constexpr int kRounds = 40;

class ThreadStress : public test::CardTest {};

TEST_F(ThreadStress, EightThreadsMixImmediateCommandsAndSerialisedListsOnOneCard) {
    Install(2000);
    rtb.ReplyTo(120, FakeRtb::Data({0x34, 0x12}));  // x position
    rtb.ReplyTo(129, FakeRtb::Data({0xCE, 0xFF}));  // y position
    rtb.ReplyTo(176, FakeRtb::Data({0x01, 0x02}));  // mode mask
    rtb.ReplyTo(114, FakeRtb::Data({0x0F, 0x00}));  // port read
    std::mutex listBuilding;  // the application's own: list building is one thread at a time
    std::atomic<int> failures{0};
    std::atomic<int> listsSent{0};

    auto worker = [&](int id) {
        for (int round = 0; round < kRounds; ++round) {
            switch ((id + round) % 6) {
                case 0: {
                    int16_t x = 0, y = 0;
                    if (!Get_XY_Pos(&x, &y) || x != 0x1234 || y != -50) ++failures;
                    break;
                }
                case 1: {
                    uint16_t mode = 0;
                    if (Get_Mode_Mask(&mode) != 0 || mode != 0x0201) ++failures;
                    break;
                }
                case 2: {
                    uint16_t value = 0;
                    if (!Read_Port(static_cast<uint16_t>(id), &value) || value != 15) ++failures;
                    break;
                }
                case 3:
                    if (!Set_Mark_Speed(100.0 + id) || !Set_Jump_Delay(static_cast<uint16_t>(id))) {
                        ++failures;
                    }
                    break;
                case 4: {
                    std::lock_guard<std::mutex> app(listBuilding);
                    bool ok = Jump_Abs(static_cast<int16_t>(id), 0);
                    ok = Mark_Abs(static_cast<int16_t>(id), static_cast<int16_t>(round)) && ok;
                    ok = Set_End_Of_List() && ok;
                    if (!ok) ++failures;
                    ++listsSent;
                    break;
                }
                default:
                    if (Get_Active_Card() != 1 || Get_Last_Error_Code() != 0) ++failures;
                    if (std::string(Get_Error_Message(45)).empty()) ++failures;
                    break;
            }
        }
    };
    std::vector<std::thread> threads;
    for (int id = 0; id < kThreads; ++id) threads.emplace_back(worker, id);
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);

    // What each shape puts on the wire, counted over all threads and rounds.
    std::map<int, size_t> expected;
    for (int id = 0; id < kThreads; ++id) {
        for (int round = 0; round < kRounds; ++round) {
            switch ((id + round) % 6) {
                case 0:
                    expected[120]++;
                    expected[129]++;
                    break;
                case 1: expected[176]++; break;
                case 2: expected[114]++; break;
                case 3:
                    expected[93]++;
                    expected[55]++;
                    break;
                case 4: expected[156]++; break;
                default: break;
            }
        }
    }
    size_t total = 0;
    for (const auto& [opcode, n] : expected) total += n;
    ASSERT_TRUE(rtb.WaitForPackets(total, 10000));
    std::map<int, size_t> seen;
    for (const auto& p : rtb.Packets()) {
        seen[p.opcode]++;
        // Each list is one bulk packet of three whole records: nothing interleaved.
        if (p.opcode == 156) {
            EXPECT_EQ(p.payload.size(), 15u) << test::Hex(p.raw);
        }
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(listsSent.load(), static_cast<int>(expected[156]));
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
