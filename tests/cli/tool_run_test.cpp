// Whole runs of build/txorb against the virtual card: marking (the moves follow the drawing,
// power ramps, Ctrl-C), preview, the card commands, decode, config, and each exit status with
// its exact message.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "drawing/input/read_drawing.h"
#include "drawing/plan/plan.h"
#include "proto/list_records.h"
#include "proto/packet.h"
#include "txorb_build_version.h"

namespace txorb::drawing {
namespace {

namespace fs = std::filesystem;

const std::string kTool = TXORB_BUILD_DIR "/txorb";
const std::string kDemo = TXORB_SOURCE_DIR "/examples/demo.svg";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ToolRun : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/txorb-cli-test-XXXXXX";
        ASSERT_NE(::mkdtemp(templ), nullptr);
        dir_ = templ;
        // No store names a port: the tool takes the virtual card by itself.
        ::setenv("TXORB_REGISTRY", (dir_ + "/none.reg").c_str(), 1);
        fs::copy_file(kDemo, dir_ + "/demo.svg");
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the tool in the test directory; whileRunning gets its pid.
    int Run(const std::vector<std::string>& args,
            const std::function<void(pid_t)>& whileRunning = nullptr) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(dir_.c_str()) != 0) ::_exit(126);
            ::dup2(::open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            ::dup2(::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            std::vector<char*> argv{const_cast<char*>(kTool.c_str())};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        if (whileRunning) whileRunning(pid);
        int status = 0;
        ::waitpid(pid, &status, 0);
        out_ = ReadText(dir_ + "/stdout.txt");
        err_ = ReadText(dir_ + "/stderr.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    std::string dir_, out_, err_;
};

// The virtual card's JSON Lines log: its moves and the packets it took.
struct Log {
    struct Move {
        bool mark;
        Point from, to;
        double power;
        int64_t t;
    };
    std::vector<Move> moves;
    std::vector<std::pair<int, int64_t>> packets;  // opcode, time
};

double Number(const std::string& line, const std::string& key) {
    const size_t at = line.find("\"" + key + "\":");
    return at == std::string::npos ? NAN : std::strtod(line.c_str() + at + key.size() + 3, nullptr);
}

Point Pair(const std::string& line, const std::string& key) {
    char* end = nullptr;
    const char* p = line.c_str() + line.find("\"" + key + "\":[") + key.size() + 4;
    const double x = std::strtod(p, &end);
    return {x, std::strtod(end + 1, nullptr)};
}

Log ReadLog(const std::string& path) {
    Log log;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const auto t = static_cast<int64_t>(Number(line, "t_us"));
        if (line.find("\"event\":\"move\"") != std::string::npos) {
            log.moves.push_back({line.find("\"kind\":\"mark\"") != std::string::npos,
                                 Pair(line, "from"), Pair(line, "to"), Number(line, "power"), t});
        } else if (line.find("\"event\":\"packet\"") != std::string::npos) {
            log.packets.push_back({static_cast<int>(Number(line, "opcode")), t});
        }
    }
    return log;
}

std::vector<proto::ListRecord> ListRecords(const std::string& capture) {
    proto::PacketParser parser;
    std::vector<proto::Packet> packets;
    parser.Feed(reinterpret_cast<const uint8_t*>(capture.data()), capture.size(), &packets);
    std::vector<proto::ListRecord> records;
    for (const proto::Packet& p : packets) {
        if (p.opcode == 156) proto::DecodeListRecords(p.payload.data(), p.payload.size(), &records);
    }
    return records;
}

TEST_F(ToolRun, MarkedMovesFollowTheDrawingWithinTheTolerance) {
    // Outlines only: every mark must lie on an outline of the drawing.
    ASSERT_EQ(Run({"mark", "demo.svg", "--no-fill", "--sim-log", "log.jsonl", "--capture",
                   "cap.bin", "--no-progress", "--time-scale", "50"}),
              0)
        << err_;
    EXPECT_NE(out_.find("picture: " + fs::canonical(dir_).string() + "/demo.marked.svg\n"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(dir_ + "/demo.marked.png"));
    // The drawing as it should land in the field, its curves far finer than the tool's 1 bit.
    const ReadResult drawing = ReadDrawing(kDemo);
    MarkPlan plan;
    std::string error;
    PlanOptions outlines;
    outlines.hatch.fill = false;
    ASSERT_TRUE(PlanDrawing(drawing.drawing, outlines, &plan, &error));
    size_t paths = 0;
    for (const PlanLayer& l : plan.layers) paths += l.polylines.size();
    EXPECT_EQ(out_.rfind("marked demo.svg: " + std::to_string(paths) + " paths, ", 0), 0u) << out_;
    std::vector<std::vector<Point>> truth;
    for (const Item& item : drawing.drawing.items) {
        if (item.fill && item.fill->picture >= 0) continue;
        for (Subpath p : item.outline) {
            Transform(plan.toField, &p);
            truth.push_back(Flatten(p, 0.05));
        }
    }
    auto distance = [&](Point p) {
        double best = 1e300;
        for (const auto& line : truth) {
            for (size_t i = 1; i < line.size(); ++i)
                best = std::min(best, DistanceToSegment(p, line[i - 1], line[i]));
        }
        return best;
    };
    const Log log = ReadLog(dir_ + "/log.jsonl");
    size_t marks = 0;
    const double allowed = 1.0 + 0.75;  // the tolerance, and rounding at both ends of a move
    for (const Log::Move& m : log.moves) {
        if (!m.mark) continue;
        ++marks;
        EXPECT_LE(distance(m.from), allowed) << m.from.x << "," << m.from.y;
        EXPECT_LE(distance(m.to), allowed) << m.to.x << "," << m.to.y;
        EXPECT_LE(distance((m.from + m.to) * 0.5), allowed) << m.from.x << "," << m.from.y;
    }
    EXPECT_GE(marks, plan.MarkMoves() - 2 * paths);
    // And every straight move of the plan was marked: the middle of each lies on a mark.
    size_t unmarked = 0;
    for (const Polyline& line : plan.layers.at(0).polylines) {
        for (size_t i = 1; i < line.size(); ++i) {
            const Point mid{(line[i - 1].x + line[i].x) / 2.0, (line[i - 1].y + line[i].y) / 2.0};
            unmarked += std::none_of(log.moves.begin(), log.moves.end(), [&](const Log::Move& m) {
                return m.mark && DistanceToSegment(mid, m.from, m.to) <= 1.0;
            });
        }
    }
    EXPECT_EQ(unmarked, 0u);
    // The drawing's picture went to the card as its bitmap lines.
    ASSERT_EQ(Run({"decode", "cap.bin"}), 0);
    const std::string decoded = out_;
    size_t rows = 0;
    for (size_t at = decoded.find("Put_Bitmapline_List"); at != std::string::npos;
         at = decoded.find("Put_Bitmapline_List", at + 1))
        ++rows;
    EXPECT_EQ(rows, plan.layers.back().bitmapLines.size());
    EXPECT_GT(rows, 0u);
}

TEST_F(ToolRun, RampsSendPowerRecordsAndThePowerFollows) {
    ASSERT_EQ(Run({"mark", "demo.svg", "--ramps", "--capture", "cap.bin", "--sim-log", "log.jsonl",
                   "--no-progress", "--time-scale", "50"}),
              0)
        << err_;
    std::set<uint16_t> powers;
    size_t powerRecords = 0;
    for (const proto::ListRecord& r : ListRecords(ReadText(dir_ + "/cap.bin"))) {
        if (r.opcode == 135 && r.param1 == 40)
            ++powerRecords, powers.insert(r.param2);  // Write_Port_List 40
    }
    EXPECT_GE(powerRecords, 100u);
    EXPECT_GE(powers.size(), 20u);
    EXPECT_EQ(powers.count(0), 1u);  // the power is switched off at the end
    std::set<long> markPowers;
    for (const Log::Move& m : ReadLog(dir_ + "/log.jsonl").moves) {
        if (m.mark) markPowers.insert(std::lround(m.power * 1000));
    }
    EXPECT_GE(markPowers.size(), 20u);
}

TEST_F(ToolRun, CtrlCStopsTheCardAndRemovesIt) {
    const int rc = Run(
        {"mark", "demo.svg", "--sim-log", "log.jsonl", "--no-progress", "--time-scale", "0.2"},
        [&](pid_t pid) {
            // Wait for the first marks, then interrupt.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (std::chrono::steady_clock::now() < deadline &&
                   ReadText(dir_ + "/log.jsonl").find("\"kind\":\"mark\"") == std::string::npos) {
                ::poll(nullptr, 0, 20);
            }
            ::kill(pid, SIGINT);
        });
    EXPECT_EQ(rc, 130) << err_;
    EXPECT_NE(err_.find("txorb mark: interrupted; the card is stopped\n"), std::string::npos)
        << err_;
    const Log log = ReadLog(dir_ + "/log.jsonl");
    // After the start of the list (65): a stop (36), then the removal (stop, Set_T3 0, release).
    const auto& p = log.packets;
    const auto execute = std::find_if(p.begin(), p.end(), [](auto& q) { return q.first == 65; });
    const auto stop = std::find_if(execute, p.end(), [](auto& q) { return q.first == 36; });
    ASSERT_NE(stop, p.end());
    std::vector<int> after;
    for (auto it = stop; it != p.end(); ++it) after.push_back(it->first);
    EXPECT_EQ(after, (std::vector<int>{36, 36, 62, 175}));
    size_t marks = 0;
    for (const Log::Move& m : log.moves) {
        marks += m.mark;
        EXPECT_LE(m.t, stop->second) << "a move began after the stop";
    }
    EXPECT_GE(marks, 1u);
    EXPECT_LT(marks, 1000u);
    EXPECT_TRUE(fs::exists(dir_ + "/demo.marked.svg"));
}

TEST_F(ToolRun, PreviewAndTheCardCommands) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        // Lines each output holds.
        {{"preview", "demo.svg"}, "estimated marking time: 40.2 s\n"},
        {{"preview", "demo.svg"},
         "picture: " + fs::canonical(dir_).string() + "/demo.preview.png\n"},
        {{"goto", "100", "-200", "--sim"}, "position: x=100 y=-200\n"},
        {{"info"}, "identity:         0x54584F52\n"},
        {{"info"}, "  1     0xFFFF    0xFFFF  0            1    1            1\n"},
        {{"stop", "--sim"}, "card 1 stopped\n"},
    };
    for (const auto& [args, line] : cases) {
        EXPECT_EQ(Run(args), 0) << args[0] << err_;
        EXPECT_NE(out_.find(line), std::string::npos) << out_;
    }
    EXPECT_TRUE(fs::exists(dir_ + "/demo.preview.svg"));
}

TEST_F(ToolRun, DecodeVersionAndHelp) {
    std::ofstream(dir_ + "/cap.bin", std::ios::binary)
        << std::string("\x37\x02\x00\x64\x00\x9c\x05\x00\x10\x00\x00\x00\x00", 13);
    EXPECT_EQ(Run({"decode", "cap.bin"}), 0) << err_;
    EXPECT_EQ(out_,
              "#1     @0        55 0x37 Set_Jump_Delay  length 2  usJumpDelay=100\n"
              "#2     @5       156 0x9C List_Records  length 5  1 record\n"
              "        Set_End_Of_List\n"
              "2 packets, 1 list packets, 1 list records\n");
    EXPECT_EQ(Run({"--version"}), 0);
    // The file version that Get_DLL_Version gives: (major * 10 + minor) * 100 + build.
    const int file =
        (TXORB_FILE_VERSION_MAJOR * 10 + TXORB_FILE_VERSION_MINOR) * 100 + TXORB_FILE_VERSION_BUILD;
    EXPECT_EQ(out_, std::string("txorb ") + TXORB_RELEASE_VERSION + "\nlibtxorb " +
                        TXORB_RELEASE_VERSION + " (file version " + std::to_string(file) + ")\n");
    for (const char* cmd : {"mark", "preview", "decode", "info", "config", "goto", "stop"}) {
        EXPECT_EQ(Run({cmd, "--help"}), 0) << cmd;
        EXPECT_NE(out_.find("Usage:"), std::string::npos) << cmd;
    }
    EXPECT_NE(Run({}), 0);
}

// Each run's exit status, exact standard error, and a line of its summary.
TEST_F(ToolRun, ExitStatusesWarningsAndNotes) {
    std::ofstream(dir_ + "/bad.svg") << "<svg>\n  <path d='M 0 0 L 1'/></svg>";
    std::ofstream(dir_ + "/page.html") << "<html><body/></html>";
    std::ofstream(dir_ + "/skewed.svg")
        << "<svg viewBox='0 0 10 10'>\n  <g transform=\"matrix(1,0,0.09,1,0,0\"><rect width='10' "
           "height='10'/></g>\n  <foreignObject/><foreignObject/>\n</svg>\n";
    std::ofstream(dir_ + "/pageless.svg") << "<svg><rect width='10' height='10'/></svg>";
    fs::create_directory(dir_ + "/sub");
    fs::create_hard_link(dir_ + "/demo.svg", dir_ + "/linked.svg");
    fs::copy_file(TXORB_SOURCE_DIR "/examples/corpus/assets/checker.png", dir_ + "/photo.png");
    const std::string bad =
        ": warning: bad.svg:2:9: <path>: d, character 10: expected a number for "
        "'L'; drawn up to there\n";
    const std::string noPort =
        ": cannot initialise card 1: error 32: Serial port key not found in "
        "Registry\n";
    auto over = [](const char* cmd, const char* named) {
        return std::string("txorb ") + cmd + ": " + named +
               " is the drawing itself; it is not written over (give --out another name)\n";
    };
    const struct {
        std::vector<std::string> args;
        int rc;
        std::string err, out;
    } cases[] = {
        {{"mark", "bad.svg"},
         2,
         "txorb mark" + bad + "txorb mark: bad.svg: the drawing holds no shape to mark\n",
         ""},
        {{"preview", "bad.svg"},
         2,
         "txorb preview" + bad + "txorb preview: bad.svg: the drawing holds no shape to mark\n",
         ""},
        {{"mark", "page.html"},
         2,
         "txorb mark: cannot read the drawing: page.html:1:2: not an SVG drawing: the root element "
         "is <html>\n",
         ""},
        {{"preview", "demo.svg", "--skip-colour", "greenish"},
         2,
         "txorb preview: --skip-colour greenish: not a colour\n",
         ""},
        {{"mark", "demo.svg", "--no-sim"}, 1, "txorb mark" + noPort, ""},
        {{"goto", "1", "2", "--no-sim"}, 1, "txorb goto" + noPort, ""},
        {{"decode", "missing.bin"},
         2,
         "txorb decode: cannot open missing.bin: No such file or directory\n",
         ""},
        {{"preview", "demo.svg", "--out", "demo"}, 2, over("preview", "demo.svg"), ""},
        {{"preview", "demo.svg", "--out", "sub/../demo.png"},
         2,
         over("preview", "sub/../demo.svg"),
         ""},
        {{"preview", "demo.svg", "--out", "linked"}, 2, over("preview", "linked.svg"), ""},
        {{"preview", "photo.png", "--out", "photo"}, 2, over("preview", "photo.png"), ""},
        {{"mark", "demo.svg", "--sim", "--capture", "demo.svg"}, 2, over("mark", "demo.svg"), ""},
        {{"mark", "demo.svg", "--sim", "--sim-log", "linked.svg"},
         2,
         over("mark", "linked.svg"),
         ""},
        {{"mark", "skewed.svg", "--hatch-spacing", "600", "--time-scale", "50"},
         0,
         "txorb mark: warning: skewed.svg:2:6: <g>: transform=\"matrix(1,0,0.09,1,0,0\": malformed "
         "arguments of "
         "matrix; ignored\n",
         "\nnot marked: <foreignObject>: 2\n"},
        {{"mark", "pageless.svg", "--fit", "page", "--hatch-spacing", "600", "--time-scale", "50"},
         0,
         "txorb mark: note: pageless.svg has no page (viewBox, or width and height): fitted by "
         "what is drawn\n",
         "marked pageless.svg: 1 paths, "},
        // demo.svg takes 40.2 s on a card: 14 times as fast keeps the wait within 3 s; a
        // --time-scale given is used as it is, without a note.
        {{"mark", "demo.svg", "--sim"},
         0,
         "txorb mark: note: the virtual card runs 14 times as fast as a card (--time-scale 1 for "
         "real time)\n",
         "marked demo.svg: "},
        {{"mark", "demo.svg", "--time-scale", "100"}, 0, "", "jump travel: "},
    };
    const std::string drawing = ReadText(dir_ + "/demo.svg");
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        if (args[0] == "mark") args.push_back("--no-progress");
        EXPECT_EQ(Run(args), c.rc) << c.args[1];
        EXPECT_EQ(err_, c.err);
        EXPECT_NE(out_.find(c.out), std::string::npos) << out_;
    }
    EXPECT_EQ(ReadText(dir_ + "/demo.svg"), drawing);
}

TEST_F(ToolRun, ConfigTellsWhatTheStoreGivesACard) {
    const std::string store = dir_ + "/store.reg";
    ::setenv("TXORB_REGISTRY", store.c_str(), 1);
    const struct {
        std::string values;
        int rc;
        std::string lines;  // after the card key and ping_allowed lines
    } cases[] = {
        {"\"serial_port\"=\"3\"\n\"parallel_port\"=\"378\"\n\"fifo_port\"=\"778\"\n\"comm_"
         "timeout\"=\"500\"\n"
         "\"CMD_dump_file\"=\"/tmp/c.bin\"\n",
         0,
         "serial_port:      \"3\"\nCOM port:         COM3 (serial_port)\n"
         "COM device:       /dev/ttyUSB7 (HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts "
         "\"COM3\")\n"
         "parallel port:    0x378, FIFO port 0x778 (parallel_port and fifo_port)\n"
         "comm_timeout:     500 ms\nCMD_dump_file:    /tmp/c.bin\n"},
        {"\"serial_port\"=\"45\"\n\"parallel_port\"=\"378\"\n\"fifo_port\"=\"778\"\n\"comm_"
         "timeout\"=\"0\"\n",
         0,
         "serial_port:      \"45\"\nCOM port:         COM5 (serial_port minus 40 (no parallel "
         "link))\n"
         "COM device:       /dev/ttyS4 (default)\nparallel port:    none (not used with this "
         "serial_port value)\n"
         "comm_timeout:     2000 ms (default)\nCMD_dump_file:    none\n"},
        {"\"serial_port\"=\"20\"\n", 1,
         "serial_port:      \"20\"\ncomm_timeout:     2000 ms (default)\nCMD_dump_file:    none\n"},
    };
    for (const auto& c : cases) {
        std::ofstream(store) << "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts]"
                                "\n\"COM3\"=\"/dev/ttyUSB7\"\n\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card2]\n"
                             << c.values;
        EXPECT_EQ(Run({"config", "--card", "2"}), c.rc) << c.values << err_;
        EXPECT_EQ(out_,
                  "registry store:   " + store +
                      "\ncard key:         HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card2\n"
                      "ping_allowed:     no\n" +
                      c.lines)
            << c.values;
    }
    EXPECT_EQ(
        err_,
        "txorb config: card 2 cannot be initialised from this store: error 34: Invalid serial port "
        "number in Registry\n");
}

}  // namespace
}  // namespace txorb::drawing
