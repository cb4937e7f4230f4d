// The fault rules, the reply shapes they produce, the list-record decoding and the paced
// output, driven directly.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "fault_plan.h"
#include "output_queue.h"
#include "proto/list_records.h"
#include "proto/opcodes.h"
#include "proto/packet.h"

namespace txorb::sim {
namespace {

TEST(FaultRules, ParseKindsValuesOpcodesAndCounts) {
    struct Row {
        const char* ruleText;
        FaultKind kind;
        uint32_t value;
        bool any;
        std::vector<uint8_t> opcodes;
        int64_t remaining;
    };
    const Row rows[] = {
        {"status0@65", FaultKind::kStatus0, 0, false, {65}, -1},
        {"delay=300@93,0x5D#2", FaultKind::kDelay, 300, false, {93, 93}, 2},
        {"garbage", FaultKind::kGarbage, 8, true, {}, -1},
        {"garbage=3@*", FaultKind::kGarbage, 3, true, {}, -1},
        {"trickle=50#1", FaultKind::kTrickle, 50, true, {}, 1},
        {"length=0@34", FaultKind::kLength, 0, false, {34}, -1},
        {"hangup=5", FaultKind::kHangup, 5, true, {}, -1},
        {"silent@255", FaultKind::kSilent, 0, false, {255}, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.ruleText);
        FaultRule rule;
        std::string error;
        ASSERT_TRUE(FaultPlan::Parse(row.ruleText, &rule, &error)) << error;
        EXPECT_EQ(rule.kind, row.kind);
        EXPECT_EQ(rule.value, row.value);
        EXPECT_EQ(rule.anyOpcode, row.any);
        EXPECT_EQ(rule.opcodes, row.opcodes);
        EXPECT_EQ(rule.remaining, row.remaining);
    }
    const std::pair<const char*, const char*> bad[] = {
        {"", "unknown fault kind ''"},
        {"delay", "delay needs =VALUE"},
        {"delay=-1", "bad value '-1'"},
        {"silent@", "bad opcode list ''"},
        {"silent@1,,2", "bad opcode list '1,,2'"},
        {"silent#0", "bad count '0'"},
        {"status0@256", "bad opcode list '256'"},
    };
    for (const auto& [ruleText, message] : bad) {
        FaultRule rule;
        std::string error;
        EXPECT_FALSE(FaultPlan::Parse(ruleText, &rule, &error)) << ruleText;
        EXPECT_EQ(error, message);
    }
}

TEST(FaultRules, WildcardSparesTheStatusPollAndCountsRunOut) {
    FaultPlan plan;
    std::string error;
    ASSERT_TRUE(plan.Add("silent@*#2", &error));
    ASSERT_TRUE(plan.Add("delay=7@34", &error));
    ASSERT_TRUE(plan.Add("hangup=3", &error));
    struct Step {
        uint8_t opcode;
        bool silent;
        uint32_t delay;
        bool hangUp;
    };
    const Step steps[] = {
        {34, false, 7, false}, {93, true, 0, false},  {34, false, 7, false},
        {65, true, 0, true},   {65, false, 0, false},
    };
    for (const Step& s : steps) {
        const FaultDecision d = plan.Decide(s.opcode);
        EXPECT_EQ(d.silent, s.silent);
        EXPECT_EQ(d.delayMs, s.delay);
        EXPECT_EQ(d.hangUp, s.hangUp);
    }
    EXPECT_EQ(plan.Describe(), "delay=7@34");
}

TEST(FaultRules, EachDecisionShapesTheReplyBytes) {
    const std::vector<uint8_t> status{1};
    const std::vector<uint8_t> word{0x34, 0x12};
    struct Row {
        std::vector<uint8_t> data;
        FaultDecision decision;
        std::vector<uint8_t> bytes;
    };
    FaultDecision plain, silent, len0, len2, len3, junk3;
    silent.silent = true;
    len0.length = 0;
    len2.length = 2;
    len3.length = 3;
    junk3.garbage = 3;
    const Row rows[] = {
        {status, plain, {1, 0, 1}},
        {word, plain, {2, 0, 0x34, 0x12}},
        {status, silent, {}},
        {{}, plain, {}},
        {status, len0, {0, 0}},
        {status, len2, {2, 0, 1, 0}},
        {word, len3, {3, 0, 0x34, 0x12, 0}},
        {status, junk3, {0xA5, 0x74, 0x7F}},
    };
    for (const Row& row : rows) EXPECT_EQ(ShapeReply(row.data, row.decision), row.bytes);
}

TEST(ListRecords, DecodeAndFormat) {
    const uint8_t payload[] = {0x09, 0xFF, 0xFF, 0x02, 0x00, 0x0F, 0x00, 0x34, 0x00, 0x00, 0x8B,
                               0x78, 0x56, 0x34, 0x12, 0x10, 0,    0,    0,    0,    0xD0, 1,
                               0,    2,    0,    0xD1, 3,    0,    0xFD, 0xFF, 0xFE, 0x01, 0x02};
    std::vector<proto::ListRecord> records;
    EXPECT_EQ(proto::DecodeListRecords(payload, sizeof payload, &records), 3u);
    std::vector<std::string> lines;
    for (const auto& r : records) lines.push_back(proto::FormatListRecord(r));
    const std::vector<std::string> expected = {
        "Jump_Abs -1 2",   "Write_DA_List 13312 0", "Wait_For_Counter_Value_Ex 305419896",
        "Set_End_Of_List", "Jump_Abs_3D 1 2",       "Jump_Abs_3D.zn 3 -3",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(proto::FormatListRecord({0xFE, 5, 6}), "list_op_254 5 6");
    EXPECT_EQ(proto::CommandName(proto::op::kSetMarkSpeed), "Set_Mark_Speed");
    EXPECT_EQ(proto::CommandName(2), "op_2");  // below the card's first opcode
}

TEST(PacketFrames, RequestsAndRepliesAreFramedByteForByteAndParsedBack) {
    struct Row {
        uint8_t opcode;
        std::vector<uint8_t> payload;
        std::vector<uint8_t> head;  // the frame's first bytes
    };
    // Payloads of 65,533 bytes or more take the long form: the length field 4, then 32 bits.
    constexpr size_t kLongForm = 65533;
    const Row rows[] = {
        {proto::op::kReadStatus, {}, {34, 0, 0}},
        {proto::op::kSetJumpDelay, {0x34, 0x12}, {55, 2, 0, 0x34, 0x12}},
        {proto::op::kCopyFileToTargetDisk,
         std::vector<uint8_t>(kLongForm - 1, 7),
         {144, 0xFC, 0xFF, 7}},
        {proto::op::kCopyFileToTargetDisk,
         std::vector<uint8_t>(kLongForm, 7),
         {144, 4, 0, 0xFD, 0xFF, 0, 0, 7}},
        // A four-byte payload is the short form for any other command.
        {proto::op::kGotoXY, {1, 2, 3, 4}, {41, 4, 0, 1, 2, 3, 4}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(int(row.opcode));
        const std::vector<uint8_t> frame = proto::FrameRequest(row.opcode, row.payload);
        ASSERT_GE(frame.size(), row.head.size());
        EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + row.head.size()), row.head);
        EXPECT_EQ(frame.size(), row.payload.size() + (row.payload.size() >= kLongForm ? 7 : 3));
        proto::PacketParser parser;
        std::vector<proto::Packet> packets;
        parser.Feed(frame.data(), frame.size(), &packets);
        ASSERT_EQ(packets.size(), 1u);
        EXPECT_EQ(packets[0].opcode, row.opcode);
        EXPECT_EQ(packets[0].payload, row.payload);
        EXPECT_EQ(packets[0].raw, frame);
        EXPECT_EQ(parser.PendingBytes(), 0u);
    }
    const uint8_t word[] = {0x34, 0x12};
    EXPECT_EQ(proto::FrameReply(word, 2), (std::vector<uint8_t>{2, 0, 0x34, 0x12}));
    EXPECT_EQ(proto::StatusReply(1), (std::vector<uint8_t>{1, 0, 1}));
}

TEST(PacedOutput, BytesLeaveNoEarlierThanTheirTimes) {
    int p[2];
    ASSERT_EQ(::pipe2(p, O_NONBLOCK), 0);
    OutputQueue queue(0);
    const SteadyTime t0 = std::chrono::steady_clock::now();
    using std::chrono::milliseconds;
    queue.Push({1, 2, 3}, t0, std::chrono::microseconds(milliseconds(10)));
    queue.Push({4}, t0, {});
    struct Step {
        int atMs;
        std::vector<uint8_t> out;
    };
    const Step steps[] = {{0, {1}}, {9, {}}, {10, {2}}, {25, {3, 4}}, {100, {}}};
    for (const Step& s : steps) {
        ASSERT_TRUE(queue.Flush(p[1], t0 + milliseconds(s.atMs)));
        uint8_t buf[16];
        const ssize_t n = ::read(p[0], buf, sizeof buf);
        EXPECT_EQ(std::vector<uint8_t>(buf, buf + std::max<ssize_t>(n, 0)), s.out) << s.atMs;
    }
    EXPECT_TRUE(queue.Empty());

    OutputQueue paced(1000);  // 10 ms a byte
    paced.Push({7, 8, 9}, t0, {});
    ASSERT_TRUE(paced.Flush(p[1], t0 + milliseconds(15)));
    uint8_t buf[16];
    EXPECT_EQ(::read(p[0], buf, sizeof buf), 2);  // the bytes starting at 0 and 10 ms
    EXPECT_EQ(paced.NextDue(), t0 + milliseconds(20));
    ::close(p[0]);
    ::close(p[1]);
}

}  // namespace
}  // namespace txorb::sim
