// Whole marking runs of build/txorb on the virtual card: the card gets the list the drawing plans
// to, record for record; ramps; a job's layers at their power, speed and passes; Ctrl-C; and the
// preview's in-process card draws what the virtual card draws.
#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include "drawing/input/read_drawing.h"
#include "drawing/plan/plan.h"
#include "drawing/program/list_program.h"
#include "proto/opcodes.h"
#include "tool_run.h"

namespace txorb::cli {
namespace {

namespace fs = std::filesystem;
using drawing::ListOp;

// The capture's list records as `txorb decode` prints them ("Jump_Abs -1 2").
std::vector<std::string> SentRecords(const std::string& capture) {
    std::vector<std::string> lines;
    for (const proto::ListRecord& r : ListRecords(capture))
        lines.push_back(proto::FormatListRecord(r));
    return lines;
}

TEST_F(ToolRunTest, TheCardGetsTheListOfThePlanRecordForRecord) {
    ASSERT_EQ(
        Run({"mark", "demo.svg", "--capture", "cap.bin", "--no-progress", "--time-scale", "50"}), 0)
        << err_;
    EXPECT_NE(out_.find("picture: " + fs::canonical(dir_).string() + "/demo.marked.svg\n"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(dir_ + "/demo.marked.png"));
    drawing::MarkPlan plan;
    std::string error;
    ASSERT_TRUE(drawing::PlanDrawing(drawing::ReadDrawing(kDemo).drawing, {}, &plan, &error));
    size_t paths = 0;
    for (const drawing::PlanLayer& l : plan.layers) paths += l.polylines.size();
    EXPECT_EQ(out_.rfind("marked demo.svg: " + std::to_string(paths) + " paths, ", 0), 0u) << out_;
    // Each command's record, by the name of the export that queues it.
    const std::map<ListOp, std::string> names = {
        {ListOp::kJump, "Jump_Abs"},         {ListOp::kPolA, "PolA_Abs"},
        {ListOp::kPolB, "PolB_Abs"},         {ListOp::kPolC, "PolC_Abs"},
        {ListOp::kPower, "Write_Port_List"}, {ListOp::kMarkParameters, "Set_Mark_Parameters_List"}};
    const drawing::ListProgram program = drawing::BuildListProgram(plan, {});
    std::vector<std::string> expected;
    for (const drawing::ListCommand& c : program.commands) {
        if (c.op == ListOp::kEnd) expected.push_back("Set_End_Of_List");
        if (names.count(c.op) != 0) {
            expected.push_back(names.at(c.op) + " " + std::to_string(c.a) + " " +
                               std::to_string(c.b));
        }
    }
    const std::string capture = Read("cap.bin");
    EXPECT_EQ(SentRecords(capture), expected);
    const std::vector<proto::Packet> packets = CapturePackets(capture);
    EXPECT_EQ(std::count_if(packets.begin(), packets.end(),
                            [](auto& p) { return p.opcode == proto::op::kPutBitmaplineList; }),
              static_cast<long>(program.bitmapLines.size()));
    EXPECT_GT(program.bitmapLines.size(), 0u);
}

TEST_F(ToolRunTest, RampsRewriteTheMarksWithPowerRecords) {
    ASSERT_EQ(Run({"mark", "demo.svg", "--ramps", "--capture", "cap.bin", "--no-progress",
                   "--time-scale", "50"}),
              0)
        << err_;
    std::multiset<uint16_t> powers;
    for (const proto::ListRecord& r : ListRecords(Read("cap.bin"))) {
        if (r.opcode == proto::list_op::kWritePortList && r.param1 == 40) powers.insert(r.param2);
    }
    EXPECT_GE(powers.size(), 100u);
    EXPECT_GE(std::set<uint16_t>(powers.begin(), powers.end()).size(), 20u);
    EXPECT_GE(powers.count(0), 1u);  // the power is switched off at the end
}

// The layers' power levels are floor(p / 100 * 65535 + 0.5) on port 40, their 100-bit steps
// every 100,000 / speed µs. Blue gives no power: its tone sets it, blue's ink (1 - 0.0722) times
// the command line's 100 %, at the command line's 250 bits/ms.
TEST_F(ToolRunTest, EachLayerOfAJobMarksAtItsPowerAndSpeedItsPassesTimes) {
    Write("three.svg", R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 90 30">
  <rect width="30" height="30" fill="red"/><rect x="30" width="30" height="30" fill="lime"/>
  <rect x="60" width="30" height="30" fill="blue"/></svg>)");
    Write("three.toml", R"toml(drawing = "three.svg"
[[layer]]
colour = "#f00"
power = 40
speed = 800
passes = 2
hatch-spacing = 500
[[layer]]
colour = "rgb(0,255,0)"
power = 70
speed = 500
hatch-spacing = 500
[[layer]]
colour = "blue"
passes = 3
hatch-spacing = 500
)toml");
    ASSERT_EQ(Run({"mark", "--sim", "--job", "three.toml", "--capture", "three.cap", "--time-scale",
                   "1000", "--no-progress"}),
              0)
        << err_;
    const std::vector<std::string> records = SentRecords(Read("three.cap"));
    const struct {
        const char *power, *speed;
        size_t passes;
    } layers[] = {
        {"Write_Port_List 40 26214", "Set_Mark_Parameters_List 125 100", 2},
        {"Write_Port_List 40 45875", "Set_Mark_Parameters_List 200 100", 1},
        {"Write_Port_List 40 60803", "Set_Mark_Parameters_List 400 100", 3},
    };
    size_t at = 0;
    for (const auto& layer : layers) {
        ASSERT_LT(at + 2, records.size());
        EXPECT_EQ(records[at], layer.power);
        EXPECT_EQ(records[at + 1], layer.speed);
        const auto end = std::find_if(records.begin() + at + 2, records.end(), [](auto& r) {
            return r.rfind("Write_Port_List", 0) == 0 || r == "Set_End_Of_List";
        });
        const std::vector<std::string> marks(records.begin() + at + 2, end);
        ASSERT_FALSE(marks.empty());
        ASSERT_EQ(marks.size() % layer.passes, 0u);
        const size_t pass = marks.size() / layer.passes;
        for (size_t i = pass; i < marks.size(); ++i) EXPECT_EQ(marks[i], marks[i % pass]) << i;
        at = static_cast<size_t>(end - records.begin());
    }
    EXPECT_EQ(records.back(), "Set_End_Of_List");
    EXPECT_EQ(at + 1, records.size());
}

// The virtual card's log: each packet's opcode and time, and the times of its marking moves.
struct Log {
    std::vector<std::pair<int, int64_t>> packets;
    std::vector<int64_t> marks;
};

int64_t Number(const std::string& line, const std::string& key) {
    const size_t at = line.find("\"" + key + "\":");
    return at == std::string::npos ? -1 : std::atoll(line.c_str() + at + key.size() + 3);
}

Log ReadLog(const std::string& text) {
    Log log;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.find("\"kind\":\"mark\"") != std::string::npos) {
            log.marks.push_back(Number(line, "t_us"));
        } else if (line.find("\"event\":\"packet\"") != std::string::npos) {
            log.packets.emplace_back(Number(line, "opcode"), Number(line, "t_us"));
        }
    }
    return log;
}

TEST_F(ToolRunTest, CtrlCStopsTheCardAndRemovesIt) {
    const int rc =
        Run({"mark", "demo.svg", "--sim-log", "log.jsonl", "--no-progress", "--time-scale", "0.2"},
            [&](pid_t pid) {
                // Wait for the first marks, then interrupt.
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
                while (std::chrono::steady_clock::now() < deadline &&
                       Read("log.jsonl").find("\"kind\":\"mark\"") == std::string::npos) {
                    ::poll(nullptr, 0, 20);
                }
                ::kill(pid, SIGINT);
            });
    EXPECT_EQ(rc, 130) << err_;
    EXPECT_NE(err_.find("txorb mark: interrupted; the card is stopped\n"), std::string::npos)
        << err_;
    const Log log = ReadLog(Read("log.jsonl"));
    // After the start of the list: a stop, then the removal (stop, Set_T3 0, release).
    const auto& p = log.packets;
    const auto execute = std::find_if(p.begin(), p.end(),
                                      [](auto& q) { return q.first == proto::op::kExecuteList; });
    const auto stop = std::find_if(execute, p.end(),
                                   [](auto& q) { return q.first == proto::op::kStopExecution; });
    ASSERT_NE(stop, p.end());
    std::vector<int> after;
    for (auto it = stop; it != p.end(); ++it) after.push_back(it->first);
    using namespace proto::op;
    EXPECT_EQ(after, (std::vector<int>{kStopExecution, kStopExecution, kSetT3, kRelease}));
    EXPECT_GE(log.marks.size(), 1u);
    EXPECT_LT(log.marks.size(), 1000u);
    for (const int64_t t : log.marks) EXPECT_LE(t, stop->second) << "a move began after the stop";
    EXPECT_TRUE(fs::exists(dir_ + "/demo.marked.svg"));
}

// demo.svg holds hatched fills, outlines and a gradient marked as a picture.
TEST_F(ToolRunTest, PreviewDrawsWhatTheVirtualCardDrawsWhenMarked) {
    ASSERT_EQ(Run({"preview", "demo.svg", "--out", "previewed"}), 0) << err_;
    EXPECT_EQ(out_.rfind("previewed demo.svg", 0), 0u) << out_;
    ASSERT_EQ(Run({"mark", "demo.svg", "--sim", "--time-scale", "2000", "--no-progress", "--out",
                   "marked"}),
              0)
        << err_;
    EXPECT_EQ(Read("previewed.png"), Read("marked.png"));
    EXPECT_EQ(Read("previewed.svg"), Read("marked.svg"));
}

}  // namespace
}  // namespace txorb::cli
